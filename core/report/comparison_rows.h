// The outcome of comparing the database in memory with another one (a
// panel's, or another file's) as plain rows a window or the cli can show:
// where in the tree (the item's path), which row of that item (-1: the item
// as a whole), what our side holds and what theirs holds, and whether they
// agree. A row may carry the tree item it stands for, to jump there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavrin {

struct ComparisonRow {
    std::string path;    // "LCP 2 / Объекты"
    int row = -1;        // 0-based record of that item, -1 for the item as a whole
    std::string ours;    // the database in memory
    std::string theirs;  // the other side
    bool same = false;
    std::string verdict;    // "Совпадает", "Отличается", ...
    std::int32_t item = 0;  // the tree item to show, 0 for none
};

using ComparisonRows = std::vector<ComparisonRow>;

}  // namespace tavrin
