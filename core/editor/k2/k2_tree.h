// The "Талвир К2" part of the configuration tree: the tree of devices, loops
// grouped by kind and keys, its context menus, the add, delete, block, copy,
// cut and paste edits with their refusals, the drop rules, and the snapshot
// of the records that undo records keep.
//
// Item codes: families/k2/item_codes.h.
#pragma once

#include "editor/family_tree.h"
#include "families/k2/item_codes.h"

namespace tavrin {

class DBK2;

// The add-device commands by device kind (0 for a kind without a command).
int k2AddDeviceCommand(int kind);
// The kind of an add-device command, or -1.
int k2KindOfCommand(int command);
// Whether a loop accepts a new device of the kind from its context menu.
bool k2LoopAcceptsKind(const DBK2& db, int loop, int kind);

class K2Tree : public FamilyTree {
  public:
    void build(TreeEditor& tree, ItemCode remembered) override;
    std::vector<MenuItem> contextMenu(TreeEditor& tree, NodeId node) override;
    bool runCommand(TreeEditor& tree, int command) override;
    void copy(TreeEditor& tree, bool cut) override;
    void paste(TreeEditor& tree, NodeId target) override;
    void remove(TreeEditor& tree) override;
    bool undoStep(TreeEditor& tree, CommandRecord& record, const CommandRecord* next) override;
    bool canDrop(TreeEditor& tree, NodeId target, const std::vector<NodeId>& dragged) override;
    Bytes snapshot(const DBase& db) const override;
    void restore(DBase& db, const Bytes& saved) const override;
    SnapshotLayout snapshotLayout() const override;
    std::unique_ptr<FamilyGrid> makeGrid() const override;
    void expandedChanged(TreeEditor& tree, NodeId node, bool expanded) override;
    ItemCode rootRuleCode(ItemCode) const override { return -1; }
    bool isKeyItem(ItemCode code) const override { return k2code::isKey(code); }
    bool hasGroupToggles() const override { return true; }
    bool hasUndo() const override { return true; }

  private:
    void addDevice(TreeEditor& tree, int kind);
    void addKey(TreeEditor& tree);
    void setBlocked(TreeEditor& tree, bool blocked);
    // Shows a paste refusal: the buffer's items are selected again in their
    // tree and the buffer is recorded (operation 13) before the message.
    void refusePaste(TreeEditor& tree, const std::string& text);
};

}  // namespace tavrin
