// The configuration tree as a model: nodes with an ItemCode, a label, an
// image index, children and an expanded state.
//
// Node ids are stable: a node keeps its id until it is removed or the tree is
// cleared, and ids are never reused within one model, so a Qt item model can
// use them as internal ids. Every change is announced to the listener before
// and after it happens, in the shape QAbstractItemModel wants (reset, rows
// inserted and removed under a parent, one node changed, children reordered).
// Single-threaded: the user-interface thread owns the model.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "link/dbase.h"

namespace tavrin {

using NodeId = std::int32_t;
inline constexpr NodeId kNoNode = -1;

struct TreeNode {
    NodeId id = kNoNode;
    NodeId parent = kNoNode;
    ItemCode code = 0;
    std::string label;
    int image = -1;  // index into the tree's image list; -1 = no icon
    bool expanded = false;
    bool ghosted = false;   // shown in the cut state (held by the buffer)
    bool selected = false;  // marked as one of several selected siblings
    std::vector<NodeId> children;
};

class TreeListener {
  public:
    virtual ~TreeListener() = default;
    virtual void beginReset() {}
    virtual void endReset() {}
    virtual void beginInsert(NodeId /*parent*/, int /*first*/, int /*last*/) {}
    virtual void endInsert() {}
    virtual void beginRemove(NodeId /*parent*/, int /*first*/, int /*last*/) {}
    virtual void endRemove() {}
    virtual void nodeChanged(NodeId) {}  // label, image, expanded, ghosted or selected
    virtual void beginReorder(NodeId /*parent*/) {}
    virtual void endReorder(NodeId /*parent*/) {}
};

class TreeModel {
  public:
    void setListener(TreeListener* listener) { listener_ = listener; }

    // Removes every node.
    void clear();
    // Groups many changes into one reset: between beginRebuild() and
    // endRebuild() no other notification is sent.
    void beginRebuild();
    void endRebuild();

    // Adds a node as the last child of `parent` (kNoNode: a top-level node).
    NodeId add(NodeId parent, ItemCode code, std::string label, int image);
    // Removes a node with its subtree.
    void remove(NodeId id);

    bool contains(NodeId id) const { return nodes_.count(id) != 0; }
    const TreeNode& node(NodeId id) const;
    const std::vector<NodeId>& roots() const { return roots_; }
    const std::vector<NodeId>& children(NodeId parent) const;
    NodeId parent(NodeId id) const;
    // The position of a node among its parent's children.
    int row(NodeId id) const;
    std::size_t size() const { return nodes_.size(); }

    void setLabel(NodeId id, std::string label);
    void setImage(NodeId id, int image);
    void setExpanded(NodeId id, bool expanded);
    void setGhosted(NodeId id, bool ghosted);
    void setSelected(NodeId id, bool selected);

    // Sorts the children of a node, stably.
    void sortChildren(NodeId parent,
                      const std::function<bool(const TreeNode&, const TreeNode&)>& less);

    // The first node with the code, depth-first in tree order, or kNoNode.
    NodeId find(ItemCode code) const;
    // Same, below `under` only.
    NodeId findUnder(NodeId under, ItemCode code) const;
    // Every node in depth-first tree order.
    void visit(const std::function<void(const TreeNode&, int depth)>& fn) const;

  private:
    std::vector<NodeId>& childList(NodeId parent);
    void erase(NodeId id);
    bool quiet() const { return rebuilding_ > 0 || !listener_; }

    std::unordered_map<NodeId, TreeNode> nodes_;
    std::vector<NodeId> roots_;
    NodeId nextId_ = 1;
    int rebuilding_ = 0;
    TreeListener* listener_ = nullptr;
};

}  // namespace tavrin
