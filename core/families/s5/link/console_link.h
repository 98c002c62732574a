// The link to a "Версан С5" console. The console is the master of the line:
// it sends a frame whenever it wants to and the computer answers every frame
// it accepts with exactly one frame, either its oldest pending request or
// the acknowledgement. So a link thread owns the port while the link is open:
// it reads every console frame, answers it by the reply rules, and hands
// finished requests, with the console's frame attached, to the reply queue.
//
// Threading: the operation's thread (the gui's worker, the cli) builds
// requests, pushes them into requests() and waits with WaitReplies(); it
// never touches the port or the log while the link runs. The link thread is
// the only one that reads or writes the port and the log between open() and
// close(). Each queue has its own lock and no code holds both. The stop and
// running flags are atomics. close() always joins the thread.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "families/s5/link/exch_queue.h"
#include "families/s5/link/frames.h"

namespace tavrin {
class DBase;
class Clock;
class CancelToken;
class Progress;
}  // namespace tavrin

namespace tavrin::s5 {

// Time-outs of the link, in the clock's milliseconds.
inline constexpr unsigned kConsoleSilenceMs = 5000;  // no valid console frame: the link ends
inline constexpr unsigned kReplyWaitMs = 20000;      // one wait for the reply queue
inline constexpr unsigned kChecksumWaitMs = 2000;    // the same for the checksum question 't'
inline constexpr unsigned kPollMs = 100;             // stop and cancel are noticed this often
inline constexpr unsigned kSimulationPaceMs = 100;   // simulation: one console frame per step
// A series counter of one byte ('m', 'o', 'u') allows this many records; a
// reply that asks for one more ends the series with code 8 instead of
// wrapping the counter round to records already read.
inline constexpr int kMaxSeriesRecords = 255;
// The 16-bit chunk counter of 'v' allows this many.
inline constexpr int kMaxFileChunks = 65535;

class ConsoleLink {
  public:
    // `db` gives the port settings, the port, the log and the simulation.
    explicit ConsoleLink(DBase& db);
    ~ConsoleLink();
    ConsoleLink(const ConsoleLink&) = delete;
    ConsoleLink& operator=(const ConsoleLink&) = delete;

    // Starts the link thread (joining one that ended by itself first) and
    // waits until it has tried the port: false when the port did not open.
    bool open();
    // Stops the link: sets the stop flag, clears the request queue, joins
    // the thread and clears the reply queue.
    void close();
    // True while the link thread runs (and owns the port).
    bool running() const { return running_.load(); }

    ExchQueue& requests() { return requests_; }
    ExchQueue& replies() { return replies_; }

    // Takes the finished records one by one while the result is 0: the
    // result is the record's status, then `process` (may be null) gives the
    // result of its data. Waits up to `waitMs` at a time for more while
    // requests are outstanding. Returns 0, the first non-zero result, 4 when
    // a wait timed out, 14 when the link ended with requests outstanding, or
    // 21 when `cancel` (may be null) was cleared; on a non-zero result both
    // queues are cleared. `progress` (may be null) gets the count taken.
    int WaitReplies(Progress* progress, CancelToken* cancel, unsigned waitMs,
                    const std::function<int(const ExchRec&)>& process);

    // Counters for tests: frames written and frames accepted.
    int framesWritten() const { return framesWritten_.load(); }

  private:
    void LinkLoop();
    bool ReceiveFrame();
    int readFirstByte(std::uint8_t* byte);
    void FlushInput();
    void dispatch(std::uint8_t code);
    bool HandleDone();
    void HandleRecord();
    void onWritten();
    void onCommandReply();
    void onVersion();
    void onChecksum();
    void onRefused();
    void onDust(std::uint8_t code);
    void onOther();

    // Link-thread primitives.
    void SendAck();
    void SendHead();
    void Retransmit();
    // Hands the head to the reply queue with the console's frame; with a
    // non-zero status or `dropRest` the requests queued behind it go first.
    void CompleteHead(int status = 0, bool dropRest = false);
    bool FailHead(int code);
    void Advance();
    // Pops the head (when there is one), gives it `code`, drops the other
    // requests and hands it to the reply queue.
    void dropHead(int code);
    void leaveTransit();
    void failOrSend(int code);
    void writeFrame(ByteSpan frame);
    ByteSpan frame() const { return ByteSpan(buffer_.data(), frameLength_); }
    std::uint8_t frameByte(std::size_t i) const { return i < frameLength_ ? buffer_[i] : 0; }

    DBase& db_;
    Clock& clock_;
    ExchQueue requests_;
    ExchQueue replies_;
    std::thread thread_;
    std::atomic<bool> stop_{true};
    std::atomic<bool> running_{false};
    // Records between the request queue and the reply queue: a waiter that
    // sees no request and no reply must also see no record in transit.
    std::atomic<int> transit_{0};
    std::atomic<int> framesWritten_{0};
    std::mutex startMutex_;
    std::condition_variable startedCv_;
    bool started_ = false;
    bool portOpened_ = false;

    // Link-thread state.
    std::array<std::uint8_t, kFrameMax> buffer_{};
    std::size_t frameLength_ = 0;
    bool synced_ = false;
    bool resync_ = false;
    std::uint8_t lastCode_ = kCodeLinkStart;
    std::uint8_t lastSequence_ = 0;
    int repeatCount_ = 0;
    int simulatedFrames_ = 0;
};

}  // namespace tavrin::s5
