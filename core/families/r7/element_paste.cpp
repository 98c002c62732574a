// Copies and moves of elements behind the tree's copy, cut and paste.
#include <vector>

#include "families/r7/dbr7.h"

namespace tavrin {

using namespace r7;

int DBR7::PasteElement(const DBR7& source, int sourceIndex, int targetIndex, bool move,
                       std::vector<int>* newIndexOf) {
    EditRuleArgs args;
    args.item = targetIndex;
    args.bufferItem = sourceIndex;
    args.bufferDatabase = &source;
    if (!PasteItem(args).allowed) return -1;
    const std::uint16_t targetId = element(targetIndex)->id();
    // A key is an employee's under an object and a general one under the
    // panel: its kind byte follows where it lands, so the tree, the grid and
    // the panel agree on it.
    const std::uint8_t keyKind =
        element(targetIndex)->type() == kTypeObject ? kKeyKindEmployee : kKeyKindGeneral;
    auto landKey = [keyKind](ElementRecord& r) {
        if (r.type() == kTypeKey) r.bytes[kOffKeyKind] = keyKind;
    };
    std::vector<bool> wasFree;
    if (newIndexOf) {
        wasFree.resize(kElementCount);
        for (int i = 0; i < kElementCount; ++i)
            wasFree[static_cast<std::size_t>(i)] = (*table_)[static_cast<std::size_t>(i)].isFree();
    }

    int pasted = sourceIndex;
    if (move && &source == this) {
        element(sourceIndex)->setParent(targetId);
        landKey(*element(sourceIndex));
    } else {
        // The element and, for an object, the elements under it; taken as
        // copies first, since the source may be this table.
        const ElementRecord& top = *source.element(sourceIndex);
        std::vector<ElementRecord> taken{top};
        if (top.type() == kTypeObject && top.id() != 0) {
            for (int i = 0; i < kElementCount; ++i) {
                const ElementRecord& r = source.table()[static_cast<std::size_t>(i)];
                if (i != sourceIndex && !r.isFree() && r.parent() == top.id()) taken.push_back(r);
            }
        }
        std::vector<int> slots;
        for (int i = 0; i < kFileRecordCount && slots.size() < taken.size(); ++i) {
            if ((*table_)[static_cast<std::size_t>(i)].isFree()) slots.push_back(i);
        }
        if (slots.size() < taken.size() || 0xFFFFu - maxElementId_ < taken.size()) return -1;

        std::uint16_t newTopId = 0;
        for (std::size_t n = 0; n < taken.size(); ++n) {
            ElementRecord r = taken[n];
            r.setId(++maxElementId_);
            if (n == 0) {
                newTopId = r.id();
                r.setParent(targetId);
                landKey(r);
            } else {
                r.setParent(newTopId);
            }
            if (r.type() == kTypeObject && &source != this) {
                r.setReference1(0);
                r.setReference2(0);
            }
            (*table_)[static_cast<std::size_t>(slots[n])] = r;
        }
        pasted = slots[0];
    }
    ++modified;

    // Where the compaction puts the pasted element: after every kept record
    // with a lower id (or the same id at a lower index).
    const ElementRecord& p = (*table_)[static_cast<std::size_t>(pasted)];
    int position = pasted == 0 ? 0 : 1;
    for (int i = 1; i < kElementCount; ++i) {
        const ElementRecord& r = (*table_)[static_cast<std::size_t>(i)];
        if (pasted == 0) break;
        if (i == pasted || !r.hasIdAndType()) continue;
        if (r.id() < p.id() || (r.id() == p.id() && i < pasted)) ++position;
    }
    CompactTable(newIndexOf);
    if (newIndexOf) {
        // The slots the paste filled held nothing before it.
        for (int i = 0; i < kElementCount; ++i) {
            if (wasFree[static_cast<std::size_t>(i)])
                (*newIndexOf)[static_cast<std::size_t>(i)] = -1;
        }
    }
    return position;
}

}  // namespace tavrin
