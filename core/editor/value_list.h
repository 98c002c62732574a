// Value lists of the parameter grid as the grid holds them: each entry is
// the text shown and the value stored in the record. The fixed lists are the
// families' tables of value texts; lists of loops or objects are built per item.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavrin {

struct ListEntry {
    std::string text;
    std::int32_t value = 0;
};

struct ValueList {
    int id = 0;  // the combo box id of the list (1005, 1010, ...); 0 for a list built per item
    std::vector<ListEntry> entries;

    // The index of the entry carrying `value`, or -1.
    int indexOfValue(std::int32_t value) const;
    // The index of the entry whose text equals `text`, or -1.
    int indexOfText(const std::string& text) const;
};

// The fixed list with a combo id (1005 .. 1060), or an empty list for an
// unknown id. Lists are built once and live for the program's run.
const ValueList& gridValueList(int id);

// Every fixed id, in ascending order.
const std::vector<int>& gridValueListIds();

}  // namespace tavrin
