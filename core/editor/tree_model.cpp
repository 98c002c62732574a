#include "editor/tree_model.h"

#include <algorithm>
#include <cassert>

namespace tavrin {

void TreeModel::clear() {
    if (!quiet()) listener_->beginReset();
    nodes_.clear();
    roots_.clear();
    if (!quiet()) listener_->endReset();
}

void TreeModel::beginRebuild() {
    if (rebuilding_++ == 0 && listener_) listener_->beginReset();
}

void TreeModel::endRebuild() {
    assert(rebuilding_ > 0);
    if (--rebuilding_ == 0 && listener_) listener_->endReset();
}

std::vector<NodeId>& TreeModel::childList(NodeId parent) {
    return parent == kNoNode ? roots_ : nodes_.at(parent).children;
}

const std::vector<NodeId>& TreeModel::children(NodeId parent) const {
    return parent == kNoNode ? roots_ : nodes_.at(parent).children;
}

const TreeNode& TreeModel::node(NodeId id) const {
    return nodes_.at(id);
}

NodeId TreeModel::parent(NodeId id) const {
    const auto it = nodes_.find(id);
    return it == nodes_.end() ? kNoNode : it->second.parent;
}

int TreeModel::row(NodeId id) const {
    const auto& list = children(parent(id));
    const auto it = std::find(list.begin(), list.end(), id);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

NodeId TreeModel::add(NodeId parent, ItemCode code, std::string label, int image) {
    auto& list = childList(parent);
    const int pos = static_cast<int>(list.size());
    if (!quiet()) listener_->beginInsert(parent, pos, pos);
    const NodeId id = nextId_++;
    TreeNode n;
    n.id = id;
    n.parent = parent;
    n.code = code;
    n.label = std::move(label);
    n.image = image;
    nodes_.emplace(id, std::move(n));
    childList(parent).push_back(id);
    if (!quiet()) listener_->endInsert();
    return id;
}

void TreeModel::erase(NodeId id) {
    const auto it = nodes_.find(id);
    if (it == nodes_.end()) return;
    const std::vector<NodeId> kids = it->second.children;
    for (NodeId k : kids)
        erase(k);
    nodes_.erase(id);
}

void TreeModel::remove(NodeId id) {
    if (!contains(id)) return;
    const NodeId p = parent(id);
    const int pos = row(id);
    if (!quiet()) listener_->beginRemove(p, pos, pos);
    auto& list = childList(p);
    list.erase(list.begin() + pos);
    erase(id);
    if (!quiet()) listener_->endRemove();
}

void TreeModel::setLabel(NodeId id, std::string label) {
    TreeNode& n = nodes_.at(id);
    if (n.label == label) return;
    n.label = std::move(label);
    if (!quiet()) listener_->nodeChanged(id);
}

void TreeModel::setImage(NodeId id, int image) {
    TreeNode& n = nodes_.at(id);
    if (n.image == image) return;
    n.image = image;
    if (!quiet()) listener_->nodeChanged(id);
}

void TreeModel::setExpanded(NodeId id, bool expanded) {
    TreeNode& n = nodes_.at(id);
    if (n.expanded == expanded) return;
    n.expanded = expanded;
    if (!quiet()) listener_->nodeChanged(id);
}

void TreeModel::setGhosted(NodeId id, bool ghosted) {
    TreeNode& n = nodes_.at(id);
    if (n.ghosted == ghosted) return;
    n.ghosted = ghosted;
    if (!quiet()) listener_->nodeChanged(id);
}

void TreeModel::setSelected(NodeId id, bool selected) {
    TreeNode& n = nodes_.at(id);
    if (n.selected == selected) return;
    n.selected = selected;
    if (!quiet()) listener_->nodeChanged(id);
}

void TreeModel::sortChildren(NodeId parent,
                             const std::function<bool(const TreeNode&, const TreeNode&)>& less) {
    if (parent != kNoNode && !contains(parent)) return;
    if (!quiet()) listener_->beginReorder(parent);
    auto& list = childList(parent);
    std::stable_sort(list.begin(), list.end(),
                     [&](NodeId a, NodeId b) { return less(nodes_.at(a), nodes_.at(b)); });
    if (!quiet()) listener_->endReorder(parent);
}

NodeId TreeModel::findUnder(NodeId under, ItemCode code) const {
    for (NodeId k : children(under)) {
        if (nodes_.at(k).code == code) return k;
        const NodeId f = findUnder(k, code);
        if (f != kNoNode) return f;
    }
    return kNoNode;
}

NodeId TreeModel::find(ItemCode code) const {
    return findUnder(kNoNode, code);
}

void TreeModel::visit(const std::function<void(const TreeNode&, int)>& fn) const {
    std::function<void(NodeId, int)> walk = [&](NodeId p, int depth) {
        for (NodeId k : children(p)) {
            fn(nodes_.at(k), depth);
            walk(k, depth + 1);
        }
    };
    walk(kNoNode, 0);
}

}  // namespace tavrin
