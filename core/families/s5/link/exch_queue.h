// The request and reply records of the console link and their queue.
//
// Ownership and threading: a record is shared by pointer. The thread that
// builds a request fills it and pushes it into the request queue; from then
// on only the link thread reads or writes its fields, until the link pushes
// it into the reply queue, after which only the thread that takes it out
// touches it. The queue's mutex orders those hand-overs. Dropping a record
// from a queue (clear) never frees one that another thread still looks at.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "base/bytes.h"

namespace tavrin::s5 {

struct ExchRec {
    std::uint64_t sentTime = 0;  // clock ticks at the last transmission; 0 until sent
    Bytes frame;                 // the request frame
    Bytes reply;                 // the console frame that finished it (empty until then)
    int expectedLength = 0;      // length the finishing frame must have; 0 = any
    int status = 1;              // 1 pending, 0 done, else the result code that ended it
    int sendCount = 0;           // transmissions so far
    int seriesNumber = 1;        // 1 for a request built by an operation, +1 per follow-up

    int frameLength() const { return static_cast<int>(frame.size()); }
    int replyLength() const { return static_cast<int>(reply.size()); }
    std::uint8_t kind() const { return getU8(frame, 2); }
    std::uint8_t byte(std::size_t i) const { return getU8(frame, i); }
    bool inFlight() const { return sendCount == 1 || sendCount == 2; }
};

using ExchRecPtr = std::shared_ptr<ExchRec>;

// A first-in first-out queue of records with an auto-reset event: every
// insertion signals it, every look at the head (peek) resets it.
class ExchQueue {
  public:
    void push(ExchRecPtr rec);
    // Several records at once, in order: the link sees all of them or none.
    void pushAll(const std::vector<ExchRecPtr>& recs);
    // The head, or null; resets the event.
    ExchRecPtr peek();
    // Removes the head; on an empty queue counts a miss and returns null.
    ExchRecPtr pop();
    // Removes the head and puts `next` in its place, in one step, so the
    // queue is never seen empty between the two; returns the old head.
    ExchRecPtr replaceHead(ExchRecPtr next);
    void clear();
    bool empty() const;
    int size() const;
    int misses() const;

    // Signals the event without an insertion (wakes a waiter).
    void signal();
    // Waits up to `timeout` for the event; true when it was signalled (and
    // resets it).
    bool waitSignal(std::chrono::milliseconds timeout);
    // Waits up to `timeout` until the queue holds a record.
    bool waitNotEmpty(std::chrono::milliseconds timeout);

  private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<ExchRecPtr> items_;
    bool signalled_ = false;
    int misses_ = 0;
};

}  // namespace tavrin::s5
