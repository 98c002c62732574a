// The tree's buffer for copy, cut and paste. One buffer serves both trees of
// the document ("Две базы"), so items can move between the two databases;
// `tree` says which database they were taken from. The buffer keeps its
// content until the next copy or cut; a cut item leaves its place only when
// it is pasted.
#pragma once

#include <vector>

#include "link/dbase.h"

namespace tavrin {

struct ClipBuffer {
    std::vector<ItemCode> items;  // in tree order
    ItemCode parent = 0;          // the items' parent when taken
    int tree = -1;                // 0 = the document's first database, 1 = the second
    bool takenByCut = false;
    int kind = 0;  // "Версан С5": 1 objects, 2 devices, 3 keys, 4 other

    bool empty() const { return items.empty(); }
    void clear() { *this = ClipBuffer{}; }
};

}  // namespace tavrin
