#include "editor/db_find.h"

#include "base/text.h"

namespace tavrin {

std::vector<FindMatch> findItems(const DbItemList& list, const std::string& query) {
    std::vector<FindMatch> out;
    const std::u16string needle = foldCase(utf8ToUtf16(query));
    if (needle.find_first_not_of(u' ') == std::u16string::npos) return out;
    auto has = [&](const std::string& text) {
        return !text.empty() && foldCase(utf8ToUtf16(text)).find(needle) != std::u16string::npos;
    };
    for (std::size_t i = 0; i < list.items.size(); ++i) {
        const DbItem& item = list.items[i];
        if (has(list.label(item))) {
            out.push_back({i, "", list.label(item)});
            continue;
        }
        for (const DbRow& r : item.rows) {
            if (!r.mark && has(r.text)) {
                out.push_back({i, list.name(r.name), r.text});
                break;
            }
        }
    }
    return out;
}

}  // namespace tavrin
