// Compaction and renumbering of the "Ордис Р7" table, run after every load
// and every read from the panel.
//
// Record 0 (the panel) stays first. The records 1..2047 that have an id and a
// type follow in the order of their ids, so the used records are contiguous;
// every other record becomes free. The element at position k (k >= 1) then
// gets the id k + 1. The parents and the object references (1 and 2) that
// named an element's old id name its new one; a parent or reference that
// names no element left in the table (a removed one, or 0xFFxx from an older
// file) becomes 0, "none".
#pragma once

#include <cstdint>
#include <vector>

#include "families/r7/records.h"

namespace tavrin::r7 {

// Compacts the table in place and returns the new maxElementId: the largest
// id left in the table (the number of used positions when the panel is 1).
// When `newIndexOf` is given it receives, for every index before the
// compaction, the index the record has after it, or -1 for a record that did
// not stay (a free one, or one without an id or a type).
std::uint16_t compactTable(ElementTable& table, std::vector<int>* newIndexOf = nullptr);

}  // namespace tavrin::r7
