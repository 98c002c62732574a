// The items of a database as the configuration tree and the grid show them:
// one entry per item that has grid rows, in tree order, with the tree's
// labels from the top down and the grid's rows as "name → text". The
// comparison of two databases and the search in a database work on this
// list, so they name items and fields exactly as the screen does.
//
// An item listed twice in the tree (a device shown again under its line
// group, say) is listed once, at its first place. Nodes without rows (the
// groups) are not listed; their items are. The marks of the grid's second
// tab are rows too.
//
// The list is built for tens of thousands of items: the tree's nodes are
// kept once (an item names its node), row names are kept once per list, and
// an item's path text and code path are made only when asked for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "editor/family_tree.h"
#include "editor/tree_editor.h"

namespace tavrin {

struct DbRow {
    std::uint32_t name = 0;  // the grid row's name (an index of DbItemList::names); for a
                             // mark of the second tab "caption: entry"
    // What rows of two databases are matched by (an index of names): the
    // name, or for a mark the caption and the entry's own number (its label
    // may name something that was renamed) — but where item codes renumber,
    // and so do the entries' numbers, the name.
    std::uint32_t key = 0;
    std::string text;   // the value as shown
    bool mark = false;  // a mark of the second tab ("отмечено" / "не отмечено")
};

struct DbItem {
    int node = -1;  // the item's node in DbItemList::nodes
    ItemCode code = 0;
    bool topLevel = false;  // the tree's root
    int image = -1;         // the tree's image: stands for the item's kind
    std::vector<DbRow> rows;
};

struct DbNode {
    ItemCode code = 0;
    int parent = -1;    // index in DbItemList::nodes; -1 for a top-level node
    std::string label;  // blanks at either end removed; a count that a group's label
                        // ends with ("Устройства (2)") left out when the node holds
                        // others; an item without a label is "[code]"
};

struct DbItemList {
    bool available = false;  // false when the family has no tree (the list is empty)
    std::string familyName;  // names the root when it has no label
    std::vector<DbNode> nodes;
    std::vector<std::string> names;  // row names and keys
    std::vector<DbItem> items;

    const std::string& label(const DbItem& item) const {
        return nodes[static_cast<std::size_t>(item.node)].label;
    }
    const std::string& name(std::uint32_t i) const { return names[i]; }
    // The labels from the top down, joined by " / ".
    std::string pathText(const DbItem& item) const;
    // The codes from the top of the tree down to the item.
    ItemPath path(const DbItem& item) const;
};

// The separator of the labels in a path text.
inline constexpr const char* kItemPathSeparator = " / ";

// The marks of the grid's second tab, as the value of their row.
inline constexpr const char* kCheckedText = "отмечено";
inline constexpr const char* kUncheckedText = "не отмечено";

// Lists the items of a database.
DbItemList listDbItems(DBase& db, FamilyTreeFactory factory);

}  // namespace tavrin
