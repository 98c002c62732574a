// The undo list ("Возврат на команду"): a stack of at most 30 command
// records. Pushing a 31st drops the oldest one. No record is pushed while an
// undo is in progress.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/bytes.h"
#include "link/dbase.h"

namespace tavrin {

// Operation codes of the records.
enum CommandCode : int {
    kCmdAdded = 1,         // an item was added
    kCmdPasteRecords = 2,  // paste: the records it changed
    kCmdBufferCut = 3,     // buffer filled by cut (and by copy in "Талвир К2")
    kCmdPasteBuffer = 4,   // paste: the buffer it used
    kCmdKeysDeleted = 5,   // keys deleted
    kCmdItemsDeleted = 6,  // devices or member loops deleted
    kCmdBufferCopy = 7,    // buffer filled by copy
    kCmdParameters = 8,    // parameters changed in the grid, or items blocked/unblocked
    kCmdGroupToggled = 9,  // a group shown or hidden
    kCmdNewElementDialog = 10,
    kCmdSelection = 11,      // selection changed
    kCmdFocus = 12,          // focus change
    kCmdBufferRefused = 13,  // the buffer as it was before a refused paste
};

// A family's records as undo records keep them: its snapshot (FamilyTree::
// snapshot) is a run of tables, each a number of records of one size.
struct SnapshotTable {
    std::size_t recordSize = 0;
    std::size_t count = 0;
};
using SnapshotLayout = std::vector<SnapshotTable>;

// The records one operation changed in one database: for each changed
// record its place in the snapshot, its bytes before and after. Reverting
// writes the "before" bytes of exactly these records back, so edits made
// later to other records (in the other tree of "Две базы", say) survive.
struct RecordChanges {
    struct Change {
        std::size_t offset = 0;
        Bytes before;
        Bytes after;
    };
    std::vector<Change> changes;

    bool empty() const { return changes.empty(); }
    // The records in which `before` and `after` differ (whole snapshots of
    // one layout; a snapshot of another size yields no changes).
    static RecordChanges between(const SnapshotLayout& layout, const Bytes& before,
                                 const Bytes& after);
    // Whether every changed record of `current` still holds what the
    // operation wrote (no later edit changed it since).
    bool revertible(const Bytes& current) const;
    // Writes the "before" bytes of the changed records into `current`.
    void revert(Bytes& current) const;
};

struct CommandRecord {
    int code = 0;
    std::vector<ItemCode> items;  // the affected items
    ItemCode parent = 0;          // their parent
    ItemCode second = 0;          // the grandparent, or the parent of the buffer's items
    // While the operation runs: the family's snapshot of a database taken
    // before it, per tree (database) index, empty when the operation does not
    // touch that database. TreeEditor::pushRecord turns it into `changes`.
    std::array<Bytes, 2> saved;
    // The records the operation changed, per tree (database) index.
    std::array<RecordChanges, 2> changes;
    // The path of item codes from the top of the tree to the item the
    // record is about (tells the root from an element with the same code).
    std::vector<ItemCode> path;
    std::int32_t word = 0;
    bool refreshGrid = false;           // show the current item again on reversal
    bool takenByCut = false;            // the buffer's taken-by-cut flag
    std::int32_t extra = 0;             // code 9: the group's index 0..5
    int sourceTree = -1;                // the tree the items came from
    int recordTree = -1;                // the tree that recorded the operation
    std::vector<std::int32_t> perItem;  // operation-specific data per item
    // A paste that renumbered the elements of the recording tree's database:
    // the new code of every element code before it (index = old code,
    // kNoItem for a code that named no element). Undoing the paste maps
    // every code held back through it.
    std::vector<ItemCode> renumbered;
};

class CommandList {
  public:
    static constexpr std::size_t kCapacity = 30;

    // Pushes a record unless an undo is in progress; drops the oldest when full.
    void push(std::unique_ptr<CommandRecord> record);
    // Removes and returns the last record (null when empty).
    std::unique_ptr<CommandRecord> pop();
    CommandRecord* last() { return records_.empty() ? nullptr : records_.back().get(); }
    const CommandRecord* last() const { return records_.empty() ? nullptr : records_.back().get(); }
    const CommandRecord& at(std::size_t i) const { return *records_.at(i); }
    CommandRecord& at(std::size_t i) { return *records_.at(i); }
    std::size_t size() const { return records_.size(); }
    bool empty() const { return records_.empty(); }
    void clear();

    bool undoInProgress() const { return undoing_; }
    void setUndoInProgress(bool on) { undoing_ = on; }
    // Set by every change; the Edit menu clears it after relabelling.
    bool changed() const { return changed_; }
    void clearChanged() { changed_ = false; }

  private:
    std::vector<std::unique_ptr<CommandRecord>> records_;
    bool changed_ = false;
    bool undoing_ = false;
};

}  // namespace tavrin
