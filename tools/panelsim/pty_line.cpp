#include "pty_line.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace panelsim {

std::uint64_t monotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000000000ull +
           static_cast<std::uint64_t>(ts.tv_nsec);
}

namespace {
void sleepUntilNs(std::uint64_t ns) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(ns / 1000000000ull);
    ts.tv_nsec = static_cast<long>(ns % 1000000000ull);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}
}  // namespace

bool PtyLine::open(std::string& error) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        error = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    const char* name = ptsname(master_);
    if (!name) {
        error = std::string("ptsname: ") + std::strerror(errno);
        return false;
    }
    slavePath_ = name;
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ >= 0) {
        termios t{};
        if (tcgetattr(slave_, &t) == 0) {
            cfmakeraw(&t);
            tcsetattr(slave_, TCSANOW, &t);
        }
    }
    const int flags = fcntl(master_, F_GETFL);
    fcntl(master_, F_SETFL, flags | O_NONBLOCK);
    writer_ = std::thread([this] { writerLoop(); });
    return true;
}

PtyLine::~PtyLine() {
    stop();
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
}

void PtyLine::setBaud(long baud) {
    byteNs_ = baud > 0 ? 10ull * 1000000000ull / static_cast<std::uint64_t>(baud) : 0;
}

void PtyLine::send(Bytes bytes, std::uint64_t startNs) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back({std::move(bytes), startNs});
    }
    wake_.notify_one();
}

void PtyLine::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    if (writer_.joinable()) writer_.join();
}

void PtyLine::writeAll(const std::uint8_t* data, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(master_, data, n);
        if (w > 0) {
            data += w;
            n -= static_cast<std::size_t>(w);
        } else if (w < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{master_, POLLOUT, 0};
            ::poll(&p, 1, 100);
        } else {
            return;
        }
    }
}

void PtyLine::writerLoop() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (stopping_) return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        std::uint64_t t0 = job.startNs;
        if (byteNs_ > 0 && lineFreeNs_ > t0) t0 = lineFreeNs_;
        if (monotonicNs() < t0) sleepUntilNs(t0);
        if (byteNs_ == 0) {
            writeAll(job.bytes.data(), job.bytes.size());
            continue;
        }
        // Byte i has crossed the wire at t0 + (i + 1) * byteNs: write what
        // has, then sleep until the next one has.
        std::size_t sent = 0;
        const std::size_t n = job.bytes.size();
        while (sent < n) {
            const std::uint64_t now = monotonicNs();
            std::size_t due = now < t0 ? 0 : static_cast<std::size_t>((now - t0) / byteNs_);
            if (due > n) due = n;
            if (due > sent) {
                writeAll(job.bytes.data() + sent, due - sent);
                sent = due;
            } else {
                sleepUntilNs(t0 + (sent + 1) * byteNs_);
            }
        }
        lineFreeNs_ = t0 + n * byteNs_;
    }
}

}  // namespace panelsim
