#include "families/r7/compaction.h"

#include <algorithm>
#include <memory>
#include <unordered_map>
#include <vector>

namespace tavrin::r7 {

std::uint16_t compactTable(ElementTable& table, std::vector<int>* newIndexOf) {
    // Gather the used records 1..2047 in the order of their ids (the lower
    // index first among equal ids).
    std::vector<int> order;
    for (int i = 1; i < kElementCount; ++i) {
        if (table[static_cast<std::size_t>(i)].hasIdAndType()) order.push_back(i);
    }
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return table[static_cast<std::size_t>(a)].id() < table[static_cast<std::size_t>(b)].id();
    });

    auto copy = std::make_unique<ElementTable>();
    (*copy)[0] = table[0];
    for (std::size_t k = 1; k < copy->size(); ++k)
        (*copy)[k].clear();

    // Old id -> new id of every element kept. The map is built from the old
    // ids before any record changes, so a renumbered parent is never
    // renumbered twice; the first of two records with one id keeps it.
    std::unordered_map<std::uint16_t, std::uint16_t> newIds;
    if (!table[0].isFree() && table[0].id() != 0) newIds.emplace(table[0].id(), table[0].id());
    if (newIndexOf) {
        newIndexOf->assign(kElementCount, -1);
        (*newIndexOf)[0] = 0;
    }
    std::size_t k = 1;
    for (int index : order) {
        if (newIndexOf) (*newIndexOf)[static_cast<std::size_t>(index)] = static_cast<int>(k);
        ElementRecord& r = (*copy)[k];
        r = table[static_cast<std::size_t>(index)];
        const auto newId = static_cast<std::uint16_t>(k + 1);
        newIds.emplace(r.id(), newId);
        r.setId(newId);
        ++k;
    }
    const std::size_t used = k;

    // A parent or an object reference that names no element left in the
    // table becomes "none" (0): no element silently moves under another one.
    auto follow = [&](std::uint16_t id) -> std::uint16_t {
        if (id == 0) return 0;
        const auto it = newIds.find(id);
        return it == newIds.end() ? 0 : it->second;
    };
    std::uint16_t maxId = 0;
    for (std::size_t q = 0; q < used; ++q) {
        ElementRecord& r = (*copy)[q];
        if (q == 0 && r.isFree()) continue;
        if (q > 0) r.setParent(follow(r.parent()));
        if (r.type() == kTypeObject) {
            r.setReference1(follow(r.reference1()));
            r.setReference2(follow(r.reference2()));
        }
        maxId = std::max(maxId, r.id());
    }
    table = *copy;
    return maxId;
}

}  // namespace tavrin::r7
