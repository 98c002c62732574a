// The simulator's end of the line: a pseudo-terminal master, and a writer
// thread that sends each reply at the given baud rate (10 bits a byte).
//
// Threading: the main thread reads requests and queues replies; the writer
// thread owns every write to the master descriptor.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "panel.h"

namespace panelsim {

std::uint64_t monotonicNs();

class PtyLine {
  public:
    // Opens the pseudo-terminal; false with `error` set.
    bool open(std::string& error);
    ~PtyLine();

    int masterFd() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }

    // 0 = unpaced: replies go out at once.
    void setBaud(long baud);
    // Nanoseconds one byte takes on the wire (0 when unpaced).
    std::uint64_t byteNs() const { return byteNs_; }

    // Sends `bytes` no earlier than `startNs`, paced.
    void send(Bytes bytes, std::uint64_t startNs);
    void stop();

  private:
    struct Job {
        Bytes bytes;
        std::uint64_t startNs;
    };
    void writerLoop();
    void writeAll(const std::uint8_t* data, std::size_t n);

    int master_ = -1;
    int slave_ = -1;  // kept open so the line stays up between clients
    std::string slavePath_;
    std::uint64_t byteNs_ = 0;
    std::uint64_t lineFreeNs_ = 0;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    bool stopping_ = false;
    std::thread writer_;
};

}  // namespace panelsim
