// Finding items of a database by text: the query is looked for, ignoring
// case (Latin and Cyrillic), in every item's tree label and in the values
// of its grid rows (names, numbers, serial numbers, types, key numbers,
// room names: whatever the grid shows), as a part of the text. The marks
// of the second tab are not searched.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "editor/db_items.h"

namespace tavrin {

struct FindMatch {
    std::size_t item = 0;  // index in DbItemList::items
    std::string field;     // "" for the tree label, else the grid row's name
    std::string text;      // the label or the row's value that matched
};

// One match per item (its label first, then its rows in grid order), in
// tree order. An empty or blank query matches nothing.
std::vector<FindMatch> findItems(const DbItemList& list, const std::string& query);

// Steps through the matches (F3, Shift+F3, Enter), round from the last to
// the first and back.
class FindCursor {
  public:
    void reset(std::size_t count) {
        count_ = count;
        current_ = -1;
    }
    std::size_t count() const { return count_; }
    // The current match, or -1 before the first step.
    int current() const { return current_; }
    int next() {
        if (count_ == 0) return -1;
        current_ = current_ < 0 ? 0 : static_cast<int>((current_ + 1) % count_);
        return current_;
    }
    int previous() {
        if (count_ == 0) return -1;
        current_ = current_ <= 0 ? static_cast<int>(count_) - 1 : current_ - 1;
        return current_;
    }

  private:
    std::size_t count_ = 0;
    int current_ = -1;
};

}  // namespace tavrin
