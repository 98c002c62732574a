#include "families/s5/link/exch_queue.h"

namespace tavrin::s5 {

void ExchQueue::push(ExchRecPtr rec) {
    {
        std::lock_guard lock(mutex_);
        items_.push_back(std::move(rec));
        signalled_ = true;
    }
    changed_.notify_all();
}

void ExchQueue::pushAll(const std::vector<ExchRecPtr>& recs) {
    {
        std::lock_guard lock(mutex_);
        items_.insert(items_.end(), recs.begin(), recs.end());
        signalled_ = signalled_ || !recs.empty();
    }
    changed_.notify_all();
}

ExchRecPtr ExchQueue::peek() {
    std::lock_guard lock(mutex_);
    if (items_.empty()) return nullptr;
    signalled_ = false;
    return items_.front();
}

ExchRecPtr ExchQueue::pop() {
    std::lock_guard lock(mutex_);
    if (items_.empty()) {
        ++misses_;
        return nullptr;
    }
    ExchRecPtr head = std::move(items_.front());
    items_.pop_front();
    return head;
}

ExchRecPtr ExchQueue::replaceHead(ExchRecPtr next) {
    ExchRecPtr head;
    {
        std::lock_guard lock(mutex_);
        if (!items_.empty()) {
            head = std::move(items_.front());
            items_.front() = std::move(next);
        } else {
            ++misses_;
            items_.push_front(std::move(next));
        }
        signalled_ = true;
    }
    changed_.notify_all();
    return head;
}

void ExchQueue::clear() {
    std::deque<ExchRecPtr> dropped;
    {
        std::lock_guard lock(mutex_);
        dropped.swap(items_);
    }
}

bool ExchQueue::empty() const {
    std::lock_guard lock(mutex_);
    return items_.empty();
}

int ExchQueue::size() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(items_.size());
}

int ExchQueue::misses() const {
    std::lock_guard lock(mutex_);
    return misses_;
}

void ExchQueue::signal() {
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
    }
    changed_.notify_all();
}

bool ExchQueue::waitSignal(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, timeout, [this] { return signalled_; })) return false;
    signalled_ = false;
    return true;
}

bool ExchQueue::waitNotEmpty(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return !items_.empty(); });
}

}  // namespace tavrin::s5
