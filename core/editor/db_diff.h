// The comparison of two databases of one family, item by item as the tree
// names them and field by field as the grid names its rows.
//
// Items are matched by their codes, or — where deleting an item renumbers
// the ones after it (FamilyTraits::itemCodesRenumber) — by their order and
// content: the longest run of items equal in both databases is kept in
// step, and between those, items of the same kind are paired in order. So
// an element that moved to another code is the same element, shown as
// changed (or not at all), never as removed and added.
#pragma once

#include <string>
#include <vector>

#include "editor/db_items.h"

namespace tavrin {

struct DiffEntry {
    enum class Kind { Added, Removed, Changed };
    Kind kind = Kind::Changed;
    std::string path;  // the item's tree path (the first database's, else the second's)
    ItemPath ours;     // the item in the first database's tree; empty when added
    ItemPath theirs;   // the item in the second database's tree; empty when removed
    std::string row;   // the grid row (Changed only)
    std::string ourText;
    std::string theirText;
};

// The differences from `ours` to `theirs`, in tree order.
std::vector<DiffEntry> diffItems(const DbItemList& ours, const DbItemList& theirs,
                                 bool codesRenumber);

// Lists both databases and compares them; `available` is false when the
// family has no tree.
std::vector<DiffEntry> diffDatabases(DBase& ours, DBase& theirs, FamilyTreeFactory factory,
                                     bool* available = nullptr);

// One line of a difference: "PATH: added", "PATH: removed",
// "PATH: changed: ROW: OLD → NEW".
std::string formatDiffEntry(const DiffEntry& e);

// The number of items that differ (an item with several changed rows counts once).
std::size_t countChangedItems(const std::vector<DiffEntry>& entries);

}  // namespace tavrin
