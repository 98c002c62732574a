// What a panel family supplies to the configuration tree: how its tree is
// built, its context menus and commands, its edits (copy, cut, paste,
// delete), the reversal of its undo records, its drop rules, the snapshot of
// its records that undo records keep, and its grid rows.
//
// TreeEditor owns one FamilyTree for the family of the database it shows and
// keeps everything that is the same for all families: the model, the
// selection, the buffer, the undo list, the groups shown and the Edit menu.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/family.h"
#include "editor/command_list.h"
#include "editor/grid_model.h"
#include "editor/menu.h"
#include "editor/tree_model.h"

namespace tavrin {

class TreeEditor;

class FamilyTree {
  public:
    virtual ~FamilyTree() = default;

    // Fills the (cleared) model from the tree's database; called inside a
    // model rebuild. `remembered` is the item to select afterwards.
    virtual void build(TreeEditor& tree, ItemCode remembered) = 0;
    // The context menu of a node (already selected).
    virtual std::vector<MenuItem> contextMenu(TreeEditor& tree, NodeId node) = 0;
    // Runs a command of the context menu on the current selection; false
    // when the family has no such command.
    virtual bool runCommand(TreeEditor& tree, int command) = 0;

    // The Edit menu's edits on the current selection.
    virtual void copy(TreeEditor& tree, bool cut) = 0;
    virtual void paste(TreeEditor& tree, NodeId target) = 0;
    virtual void remove(TreeEditor& tree) = 0;

    // Reverses one popped record; true when the next record belongs to the
    // same user action and is to be reversed too.
    virtual bool undoStep(TreeEditor& tree, CommandRecord& record, const CommandRecord* next) = 0;

    // Whether the dragged nodes may be dropped on `target`.
    virtual bool canDrop(TreeEditor& tree, NodeId target, const std::vector<NodeId>& dragged) = 0;
    // Why the dragged nodes may not be dropped on `target`, for the status
    // bar; empty when the family has no reason of its own to give.
    virtual std::string dropRefusal(TreeEditor& /*tree*/, NodeId /*target*/,
                                    const std::vector<NodeId>& /*dragged*/) {
        return {};
    }

    // The family's records of a database, as undo records keep them, and
    // the tables of that snapshot: undo records keep only the records an
    // operation changed, found record by record through this layout.
    virtual Bytes snapshot(const DBase& db) const = 0;
    virtual void restore(DBase& db, const Bytes& saved) const = 0;
    virtual SnapshotLayout snapshotLayout() const = 0;

    // The grid rows of the family's items.
    virtual std::unique_ptr<FamilyGrid> makeGrid() const = 0;

    // Whether the family has the given group toggle (0..5: devices, security,
    // fire, monitoring, control loops, keys).
    virtual bool hasGroupToggles() const { return false; }
    // The code the family's edit rules know the tree's root by (the root's
    // own code may also name an element).
    virtual ItemCode rootRuleCode(ItemCode code) const { return code; }
    // Whether an item is an access key (drags of keys may copy).
    virtual bool isKeyItem(ItemCode /*code*/) const { return false; }
    // The user expanded or collapsed a node.
    virtual void expandedChanged(TreeEditor& /*tree*/, NodeId /*node*/, bool /*expanded*/) {}
    // The family records selection changes and added items for undo.
    virtual bool hasUndo() const { return false; }
    // Undoing an added item goes on to the selection change recorded before it.
    virtual bool undoAddReachesSelection() const { return false; }
    // The element codes of the tree's database changed (see
    // TreeEditor::renumber): the family moves what it keeps by code.
    virtual void renumbered(TreeEditor& /*tree*/, const std::vector<ItemCode>& /*newCodes*/) {}
    // The tree is given another database (opened, read, new): the family
    // forgets what it kept of the old one's view, such as its open branches.
    virtual void databaseReplaced() {}
};

// Makes the tree of a family, or null when the family has none (the
// registry's CreateFamilyTree; tests may pass their own).
using FamilyTreeFactory = std::unique_ptr<FamilyTree> (*)(Family family);

}  // namespace tavrin
