// The "Талвир К2" part of the configuration tree: the tree of devices, loops
// grouped by kind and keys, its context menus, the add, delete, block, copy,
// cut and paste edits with their refusals, the drop rules, and the snapshot
// of the records that undo records keep.
//
// Item codes: root 0; devices group -3, device i = i, a three-loop device's
// loop entries i+0x200 / i+0x280 / i+0x300; loops group -5, loop groups
// -30..-33, loop m = 0x80+m; keys group -4, duty keys -6, employee keys -7,
// key k = 0x100+k.
#pragma once

#include "editor/family_tree.h"

namespace tavrin {

class DBK2;

namespace k2code {
inline constexpr ItemCode kRoot = 0;
inline constexpr ItemCode kDevices = -3;
inline constexpr ItemCode kKeys = -4;
inline constexpr ItemCode kLoops = -5;
inline constexpr ItemCode kDutyKeys = -6;
inline constexpr ItemCode kEmployeeKeys = -7;
inline constexpr ItemCode kLoopGroupBase = -30;  // -30 - group (0 security .. 3 control)
inline constexpr ItemCode kLoopBase = 0x80;
inline constexpr ItemCode kKeyBase = 0x100;
inline constexpr ItemCode kSlotBase = 0x200;  // + 0x80 * slot + device

inline bool isDevice(ItemCode c) {
    return c >= 0 && c < 128;
}
inline bool isLoop(ItemCode c) {
    return c >= kLoopBase && c < kLoopBase + 128;
}
inline bool isControlLoop(ItemCode c) {
    return c >= kLoopBase + 96 && c < kLoopBase + 128;
}
inline bool isKey(ItemCode c) {
    return c >= kKeyBase && c < kKeyBase + 256;
}
inline bool isSlotEntry(ItemCode c) {
    return c >= kSlotBase && c < kSlotBase + 3 * 128;
}
// The device of a device item or of a loop entry, or -1.
inline int deviceOf(ItemCode c) {
    if (isDevice(c)) return c;
    if (isSlotEntry(c)) return (c - kSlotBase) % 128;
    return -1;
}
}  // namespace k2code

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
