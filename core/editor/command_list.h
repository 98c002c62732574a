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

struct CommandRecord {
    int code = 0;
    std::vector<ItemCode> items;  // the affected items
    ItemCode parent = 0;          // their parent
    ItemCode second = 0;          // the grandparent, or the parent of the buffer's items
    // The family's state saved for the reversal, per tree (database) index;
    // empty when the operation did not change that database.
    std::array<Bytes, 2> saved;
    std::int32_t word = 0;
    bool refreshGrid = false;           // show the current item again on reversal
    bool takenByCut = false;            // the buffer's taken-by-cut flag
    std::int32_t extra = 0;             // code 9: the group's index 0..5
    int sourceTree = -1;                // the tree the items came from
    int recordTree = -1;                // the tree that recorded the operation
    std::vector<std::int32_t> perItem;  // operation-specific data per item
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
