#include "editor/command_list.h"

#include <algorithm>

namespace tavrin {

void CommandList::push(std::unique_ptr<CommandRecord> record) {
    if (undoing_ || !record) return;
    if (records_.size() == kCapacity) records_.erase(records_.begin());
    records_.push_back(std::move(record));
    changed_ = true;
}

std::unique_ptr<CommandRecord> CommandList::pop() {
    if (records_.empty()) return nullptr;
    auto r = std::move(records_.back());
    records_.pop_back();
    changed_ = true;
    return r;
}

RecordChanges RecordChanges::between(const SnapshotLayout& layout, const Bytes& before,
                                     const Bytes& after) {
    RecordChanges out;
    if (before.size() != after.size()) return out;
    std::size_t pos = 0;
    for (const SnapshotTable& t : layout) {
        for (std::size_t i = 0; i < t.count && pos + t.recordSize <= before.size(); ++i) {
            const auto b = before.begin() + static_cast<std::ptrdiff_t>(pos);
            const auto a = after.begin() + static_cast<std::ptrdiff_t>(pos);
            const auto n = static_cast<std::ptrdiff_t>(t.recordSize);
            if (!std::equal(b, b + n, a))
                out.changes.push_back({pos, Bytes(b, b + n), Bytes(a, a + n)});
            pos += t.recordSize;
        }
    }
    return out;
}

bool RecordChanges::revertible(const Bytes& current) const {
    for (const Change& c : changes) {
        if (c.offset + c.after.size() > current.size()) return false;
        if (!std::equal(c.after.begin(), c.after.end(),
                        current.begin() + static_cast<std::ptrdiff_t>(c.offset)))
            return false;
    }
    return true;
}

void RecordChanges::revert(Bytes& current) const {
    for (const Change& c : changes) {
        if (c.offset + c.before.size() > current.size()) continue;
        std::copy(c.before.begin(), c.before.end(),
                  current.begin() + static_cast<std::ptrdiff_t>(c.offset));
    }
}

void CommandList::clear() {
    records_.clear();
    changed_ = true;
}

}  // namespace tavrin
