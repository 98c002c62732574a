#include "families/r7/compaction.h"

#include <algorithm>
#include <memory>
#include <unordered_map>
#include <vector>

namespace tavrin::r7 {

std::uint16_t compactTable(ElementTable& table) {
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

    // Old object id -> new id. The map is built from the old ids before any
    // record changes, so a renumbered parent is never renumbered twice.
    std::unordered_map<std::uint16_t, std::uint16_t> objectIds;
    std::size_t k = 1;
    for (int index : order) {
        ElementRecord& r = (*copy)[k];
        r = table[static_cast<std::size_t>(index)];
        const auto newId = static_cast<std::uint16_t>(k + 1);
        if (r.type() == kTypeObject && r.id() != newId) objectIds.emplace(r.id(), newId);
        r.setId(newId);
        ++k;
    }
    const std::size_t used = k;

    auto follow = [&](std::uint16_t id) {
        const auto it = objectIds.find(id);
        return it == objectIds.end() ? id : it->second;
    };
    std::uint16_t maxId = 0;
    for (std::size_t q = 0; q < used; ++q) {
        ElementRecord& r = (*copy)[q];
        if (q == 0 && r.isFree()) continue;
        r.setParent(follow(r.parent()));
        if (r.type() == kTypeObject) {
            if (r.reference1() != 0) r.setReference1(follow(r.reference1()));
            if (r.reference2() != 0) r.setReference2(follow(r.reference2()));
        }
        maxId = std::max(maxId, r.id());
    }
    table = *copy;
    return maxId;
}

}  // namespace tavrin::r7
