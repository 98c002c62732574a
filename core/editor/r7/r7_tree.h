// The "Ордис Р7" part of the configuration tree: the panel with its objects
// and general keys, each object with its devices and employee keys, and the
// five line groups that list every device a second time by its line; the
// context menus, the add, delete, switch, line, copy, cut and paste edits,
// the drop rule and the snapshot of the element table that undo records keep.
//
// Item codes: the root is the panel, record 0 (code 0); every other element
// is its record index; the line groups А..Г are -1..-4 and the devices
// without a line -5. A paste compacts the table, which moves elements to other
// indexes: the tree then renumbers every code it holds (TreeEditor::renumber)
// from the map the paste returns, so the buffer, the selection, the open
// branches and the undo records keep naming the same elements.
#pragma once

#include <set>

#include "editor/family_tree.h"

namespace tavrin {

class DBR7;

namespace r7code {
inline constexpr ItemCode kRoot = 0;
inline constexpr ItemCode kNoLine = -5;  // "Без линии"
// The group of a line byte: 1..4 → -1..-4, anything else → -5.
inline ItemCode lineGroup(int line) {
    return line >= 1 && line <= 4 ? -line : kNoLine;
}
inline bool isLineGroup(ItemCode c) {
    return c >= kNoLine && c <= -1;
}
}  // namespace r7code

// Commands of the tree that only this family has.
namespace r7cmd {
inline constexpr int kCut = 1202;
inline constexpr int kSwitchOnWithDevices = 1196;
inline constexpr int kSwitchOffWithDevices = 1197;
inline constexpr int kLineA = 1198;  // .. 1201 for line Г
inline constexpr int kLineLast = 1201;
}  // namespace r7cmd

// The add-device command of a device kind (an index of r7::deviceKinds()),
// and the kind of a command (-1 for another command).
int r7AddDeviceCommand(std::size_t kind);
int r7KindOfCommand(int command);

class R7Tree : public FamilyTree {
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
    bool isKeyItem(ItemCode code) const override;
    void expandedChanged(TreeEditor& tree, NodeId node, bool expanded) override;
    void renumbered(TreeEditor& tree, const std::vector<ItemCode>& newCodes) override;
    void databaseReplaced() override { expanded_.clear(); }
    bool hasUndo() const override { return true; }
    bool undoAddReachesSelection() const override { return true; }

  private:
    void addElement(TreeEditor& tree, int type);
    // Switches the selected elements on or off; `withDevices`: the selected
    // objects' devices too.
    void setSwitchedOff(TreeEditor& tree, bool off, bool withDevices);
    // Puts the selected devices, and the devices of the selected objects, on
    // a line (1..4).
    void setLine(TreeEditor& tree, int line);

    // The codes of the nodes the user opened (objects, groups).
    std::set<ItemCode> expanded_;
    const DBR7* shown_ = nullptr;  // the database of the last build
};

}  // namespace tavrin
