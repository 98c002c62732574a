#include "editor/db_items.h"

#include <unordered_map>
#include <unordered_set>

namespace tavrin {

namespace {

// Without the blanks a label or row name is padded with at either end.
std::string trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    return i == 0 ? s : s.substr(i);
}

// A group's label without the count it ends with ("Устройства (2)").
std::string withoutCount(std::string s) {
    if (s.size() < 4 || s.back() != ')') return s;
    std::size_t i = s.size() - 1;
    while (i > 0 && s[i - 1] >= '0' && s[i - 1] <= '9')
        --i;
    if (i == s.size() - 1 || i < 2 || s[i - 1] != '(' || s[i - 2] != ' ') return s;
    return s.substr(0, i - 2);
}

}  // namespace

std::string DbItemList::pathText(const DbItem& item) const {
    std::vector<const std::string*> labels;
    for (int n = item.node; n >= 0; n = nodes[static_cast<std::size_t>(n)].parent)
        labels.push_back(&nodes[static_cast<std::size_t>(n)].label);
    std::string out;
    for (auto it = labels.rbegin(); it != labels.rend(); ++it) {
        if ((*it)->empty()) continue;
        if (!out.empty()) out += kItemPathSeparator;
        out += **it;
    }
    return out.empty() ? familyName : out;
}

ItemPath DbItemList::path(const DbItem& item) const {
    ItemPath p;
    for (int n = item.node; n >= 0; n = nodes[static_cast<std::size_t>(n)].parent)
        p.push_back(nodes[static_cast<std::size_t>(n)].code);
    return ItemPath(p.rbegin(), p.rend());
}

DbItemList listDbItems(DBase& db, FamilyTreeFactory factory) {
    DbItemList list;
    list.familyName = db.traits().name;
    SilentPrompter prompter;
    EditorDocument doc{factory};
    doc.databases[0] = &db;
    TreeEditor tree(doc, 0, prompter);
    tree.rebuild();
    if (!tree.family()) return list;
    const std::unique_ptr<FamilyGrid> grid = tree.family()->makeGrid();
    if (!grid) return list;
    list.available = true;

    const TreeModel& model = tree.model();
    list.nodes.reserve(model.size());
    list.items.reserve(model.size());
    std::unordered_map<std::string, std::uint32_t> nameIndex;
    auto intern = [&](const std::string& s) {
        if (const auto it = nameIndex.find(s); it != nameIndex.end()) return it->second;
        const auto i = static_cast<std::uint32_t>(list.names.size());
        nameIndex.emplace(s, i);
        list.names.push_back(s);
        return i;
    };
    const bool renumbers = db.traits().itemCodesRenumber;
    std::vector<int> atDepth;  // the node index of the node visited at each depth
    std::unordered_set<std::int64_t> seen;
    seen.reserve(model.size());
    std::vector<GridRow> rows;
    CheckList tab;
    model.visit([&](const TreeNode& n, int depth) {
        const auto d = static_cast<std::size_t>(depth);
        atDepth.resize(d + 1);
        DbNode node;
        node.code = n.code;
        node.parent = d == 0 ? -1 : atDepth[d - 1];
        node.label = trimmed(n.label);
        if (!n.children.empty() || node.label.ends_with(" (0)"))
            node.label = withoutCount(std::move(node.label));
        if (node.label.empty() && d > 0) node.label = "[" + std::to_string(n.code) + "]";
        const int index = static_cast<int>(list.nodes.size());
        atDepth[d] = index;
        list.nodes.push_back(std::move(node));

        const bool top = depth == 0;
        if (!seen.insert((static_cast<std::int64_t>(n.code) << 1) | (top ? 1 : 0)).second) return;
        const std::unique_ptr<GridWork> work = grid->load(db, n.code, top);
        if (!work) return;
        rows.clear();
        tab = CheckList{};
        grid->buildRows(db, *work, rows, tab);
        DbItem item;
        item.node = index;
        item.code = n.code;
        item.topLevel = top;
        item.image = n.image;
        item.rows.reserve(rows.size() + tab.entries.size());
        for (GridRow& r : rows) {
            const std::uint32_t name = intern(trimmed(std::move(r.name)));
            item.rows.push_back({name, name, std::move(r.text)});
        }
        // Where codes renumber, the second tab of an item that holds others
        // lists those others (a view of their own rows), so it is left out.
        if (tab.present() && !(renumbers && !n.children.empty())) {
            for (const CheckEntry& e : tab.entries) {
                // An entry's number is an item code where codes renumber:
                // its label then names it better.
                const std::uint32_t name = intern(tab.caption + ": " + trimmed(e.label));
                const std::uint32_t key =
                    renumbers ? name : intern(tab.caption + "\n" + std::to_string(e.value));
                item.rows.push_back({name, key, e.checked ? kCheckedText : kUncheckedText, true});
            }
        }
        list.items.push_back(std::move(item));
    });
    return list;
}

}  // namespace tavrin
