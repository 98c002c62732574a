#include "editor/value_list.h"

#include <map>

#include "families/k2/value_lists.h"

namespace tavrin {

int ValueList::indexOfValue(std::int32_t value) const {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].value == value) return static_cast<int>(i);
    }
    return -1;
}

int ValueList::indexOfText(const std::string& text) const {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].text == text) return static_cast<int>(i);
    }
    return -1;
}

namespace {

// The fixed lists, copied once from the family tables of value texts.
std::map<int, ValueList> buildLists() {
    std::map<int, ValueList> m;
    for (int id = 1000; id <= 1100; ++id) {
        const auto entries = valueList(id);
        if (entries.empty()) continue;
        ValueList& list = m[id];
        list.id = id;
        for (const ValueEntry& e : entries)
            list.entries.push_back({e.text, e.value});
    }
    return m;
}

const std::map<int, ValueList>& lists() {
    static const std::map<int, ValueList> m = buildLists();
    return m;
}

}  // namespace

const ValueList& gridValueList(int id) {
    static const ValueList empty;
    const auto it = lists().find(id);
    return it == lists().end() ? empty : it->second;
}

const std::vector<int>& gridValueListIds() {
    static const std::vector<int> ids = [] {
        std::vector<int> v;
        for (const auto& [id, list] : lists())
            v.push_back(id);
        return v;
    }();
    return ids;
}

}  // namespace tavrin
