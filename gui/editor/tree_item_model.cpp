#include "editor/tree_item_model.h"

#include <QFont>

#include <QBrush>
#include <QPalette>

#include "resources/tree_icons.h"

namespace tavrin::gui {

TreeItemModel::TreeItemModel(TreeModel& tree, QObject* parent)
    : QAbstractItemModel(parent), tree_(tree) {
    tree_.setListener(this);
}

TreeItemModel::~TreeItemModel() {
    tree_.setListener(nullptr);
}

void TreeItemModel::setFamily(std::optional<Family> family) {
    if (family == family_) return;
    beginResetModel();
    family_ = family;
    endResetModel();
}

QModelIndex TreeItemModel::indexOf(NodeId node) const {
    if (node == kNoNode || !tree_.contains(node)) return {};
    return createIndex(tree_.row(node), 0, static_cast<quintptr>(node));
}

NodeId TreeItemModel::nodeOf(const QModelIndex& index) const {
    if (!index.isValid()) return kNoNode;
    const auto id = static_cast<NodeId>(index.internalId());
    return tree_.contains(id) ? id : kNoNode;
}

QModelIndex TreeItemModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) return {};
    const NodeId p = parent.isValid() ? nodeOf(parent) : kNoNode;
    if (parent.isValid() && p == kNoNode) return {};
    const auto& kids = tree_.children(p);
    if (row >= static_cast<int>(kids.size())) return {};
    return createIndex(row, 0, static_cast<quintptr>(kids[static_cast<std::size_t>(row)]));
}

QModelIndex TreeItemModel::parent(const QModelIndex& child) const {
    const NodeId n = nodeOf(child);
    if (n == kNoNode) return {};
    return indexOf(tree_.parent(n));
}

int TreeItemModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() && parent.column() != 0) return 0;
    const NodeId p = parent.isValid() ? nodeOf(parent) : kNoNode;
    if (parent.isValid() && p == kNoNode) return 0;
    return static_cast<int>(tree_.children(p).size());
}

int TreeItemModel::columnCount(const QModelIndex&) const {
    return 1;
}

namespace {

// The marks of "Две базы": a differing item, and a group holding one.
const QColor kDiffersBackground(255, 214, 140);
const QColor kHoldsBackground(255, 240, 205);

}  // namespace

void TreeItemModel::setDifferences(const std::vector<ItemPath>& paths) {
    differs_.clear();
    holds_.clear();
    for (const ItemPath& p : paths) {
        differs_.insert(p);
        for (std::size_t len = p.size() - (p.empty() ? 0 : 1); len > 0; --len)
            if (!holds_.insert(ItemPath(p.begin(), p.begin() + static_cast<std::ptrdiff_t>(len)))
                     .second)
                break;  // its ancestors are in already
    }
}

TreeItemModel::Difference TreeItemModel::difference(NodeId node) const {
    if (differs_.empty() || node == kNoNode) return NoDifference;
    ItemPath path;
    for (NodeId n = node; n != kNoNode && tree_.contains(n); n = tree_.parent(n))
        path.insert(path.begin(), tree_.node(n).code);
    if (differs_.count(path)) return Differs;
    if (holds_.count(path)) return HoldsDifference;
    return NoDifference;
}

QVariant TreeItemModel::data(const QModelIndex& index, int role) const {
    const NodeId id = nodeOf(index);
    if (id == kNoNode) return {};
    const TreeNode& n = tree_.node(id);
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(n.label);
        case Qt::ToolTipRole:
            switch (difference(id)) {
                case Differs:
                    return QString::fromStdString(n.label) +
                           QString::fromUtf8("\nОтличается от другой базы");
                case HoldsDifference:
                    return QString::fromStdString(n.label) +
                           QString::fromUtf8("\nВнутри есть отличия от другой базы");
                default:
                    return QString::fromStdString(n.label);
            }
        case Qt::BackgroundRole:
            switch (difference(id)) {
                case Differs:
                    return QBrush(kDiffersBackground);
                case HoldsDifference:
                    return QBrush(kHoldsBackground);
                default:
                    return {};
            }
        case DifferenceRole:
            return static_cast<int>(difference(id));
        case Qt::DecorationRole: {
            const QIcon& icon = treeIcon(family_, n.image);
            if (icon.isNull()) return {};
            // A cut item is drawn ghosted: its icon in the disabled mode.
            if (n.ghosted) return QIcon(icon.pixmap(QSize(16, 16), QIcon::Disabled));
            return icon;
        }
        case Qt::ForegroundRole:
            if (n.ghosted) return QBrush(QColor(160, 160, 160));
            return {};
        case NodeIdRole:
            return n.id;
        case CodeRole:
            return static_cast<int>(n.code);
        case GhostedRole:
            return n.ghosted;
        case MarkedRole:
            return n.selected;
        default:
            return {};
    }
}

Qt::ItemFlags TreeItemModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

// ---- Notifications of the core model ---------------------------------------------------------

void TreeItemModel::beginReset() {
    beginResetModel();
}

void TreeItemModel::endReset() {
    endResetModel();
    emit rebuilt();
}

void TreeItemModel::beginInsert(NodeId parent, int first, int last) {
    beginInsertRows(indexOf(parent), first, last);
}

void TreeItemModel::endInsert() {
    endInsertRows();
}

void TreeItemModel::beginRemove(NodeId parent, int first, int last) {
    beginRemoveRows(indexOf(parent), first, last);
}

void TreeItemModel::endRemove() {
    endRemoveRows();
}

void TreeItemModel::nodeChanged(NodeId node) {
    const QModelIndex i = indexOf(node);
    if (!i.isValid()) return;
    emit dataChanged(i, i);
    emit nodeStateChanged(i);
}

void TreeItemModel::beginReorder(NodeId parent) {
    const QModelIndex p = indexOf(parent);
    emit layoutAboutToBeChanged({QPersistentModelIndex(p)}, VerticalSortHint);
}

void TreeItemModel::endReorder(NodeId parent) {
    // Indexes carry the node id: only their rows move.
    const QModelIndexList old = persistentIndexList();
    QModelIndexList now;
    now.reserve(old.size());
    for (const QModelIndex& i : old) {
        const auto id = static_cast<NodeId>(i.internalId());
        now.append(tree_.contains(id) ? createIndex(tree_.row(id), i.column(), i.internalId())
                                      : QModelIndex());
    }
    changePersistentIndexList(old, now);
    emit layoutChanged({QPersistentModelIndex(indexOf(parent))}, VerticalSortHint);
}

QVariant TreeItemModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (section != 0 || orientation != Qt::Horizontal) return {};
    switch (role) {
        case Qt::DisplayRole:
            return caption_;
        case Qt::ToolTipRole:
            return captionTip_;
        case Qt::FontRole: {
            QFont f;
            f.setBold(captionBold_);
            return f;
        }
        default:
            return {};
    }
}

void TreeItemModel::setCaption(const QString& text, const QString& tip, bool bold) {
    if (text == caption_ && tip == captionTip_ && bold == captionBold_) return;
    caption_ = text;
    captionTip_ = tip;
    captionBold_ = bold;
    emit headerDataChanged(Qt::Horizontal, 0, 0);
}

}  // namespace tavrin::gui
