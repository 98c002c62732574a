#include "editor/command_list.h"

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

void CommandList::clear() {
    records_.clear();
    changed_ = true;
}

}  // namespace tavrin
