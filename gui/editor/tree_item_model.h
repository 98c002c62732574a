// TreeItemModel: the core tree model seen through QAbstractItemModel. It
// holds no copy of the tree: an index carries the node's stable id, and the
// core model's change notifications become Qt's begin/end signals, so a
// change of one branch touches only that branch on screen.
#pragma once

#include <QAbstractItemModel>

#include <optional>
#include <set>
#include <vector>

#include "base/family.h"
#include "editor/tree_editor.h"
#include "editor/tree_model.h"

namespace tavrin::gui {

class TreeItemModel : public QAbstractItemModel, public TreeListener {
    Q_OBJECT
  public:
    // Extra data roles.
    enum Role {
        NodeIdRole = Qt::UserRole + 1,  // the node's id (int)
        CodeRole,                       // the node's ItemCode (int)
        GhostedRole,                    // shown in the cut state (bool)
        MarkedRole,                     // one of several selected siblings (bool)
        DifferenceRole,                 // a Difference (int)
    };
    // How a node stands against the other database of "Две базы".
    enum Difference { NoDifference, HoldsDifference, Differs };

    explicit TreeItemModel(TreeModel& tree, QObject* parent = nullptr);
    ~TreeItemModel() override;

    // The family whose image list gives the icons.
    void setFamily(std::optional<Family> family);

    QModelIndex indexOf(NodeId node) const;
    NodeId nodeOf(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // The header's text and tooltip (the file the tree holds) and whether it
    // is drawn bold (the active tree of "Две базы").
    void setCaption(const QString& text, const QString& tip, bool bold);
    // The items (by their codes from the top) that differ from the other
    // database; the nodes above them hold a difference. Empty: no marks.
    void setDifferences(const std::vector<ItemPath>& paths);
    Difference difference(NodeId node) const;

  signals:
    // A node's expanded or marked state may have changed (the view follows).
    void nodeStateChanged(const QModelIndex& index);
    // The whole tree was built anew.
    void rebuilt();

  private:
    QString caption_, captionTip_;
    bool captionBold_ = false;
    // ---- TreeListener ------------------------------------------------------
    void beginReset() override;
    void endReset() override;
    void beginInsert(NodeId parent, int first, int last) override;
    void endInsert() override;
    void beginRemove(NodeId parent, int first, int last) override;
    void endRemove() override;
    void nodeChanged(NodeId node) override;
    void beginReorder(NodeId parent) override;
    void endReorder(NodeId parent) override;

    TreeModel& tree_;
    std::optional<Family> family_;
    std::set<ItemPath> differs_;
    std::set<ItemPath> holds_;
};

}  // namespace tavrin::gui
