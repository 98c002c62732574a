// Serial ports on POSIX: termios with the Windows read time-outs emulated by
// poll(). The descriptor is non-blocking; every wait goes through poll, so a
// read never hangs past its time-outs.
//
// Pseudo-terminals answer some ioctls (exclusive lock, modem lines, custom
// speeds) with ENOTTY or EINVAL; those errors are tolerated, so the simulator's
// pty serves as a port.
#include <fcntl.h>
#include <glob.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <termios.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/sysmacros.h>
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <string>

#include "link/serial_port.h"
#include "link/serial_port_posix.h"

namespace tavrin {

#ifndef __linux__
namespace posix_port {
// Elsewhere speed_t is the number of bits per second itself.
int setCustomSpeed(int fd, std::uint32_t baud) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) return errno;
    if (cfsetspeed(&t, static_cast<speed_t>(baud)) != 0) return errno;
    if (tcsetattr(fd, TCSANOW, &t) != 0) return errno;
    return 0;
}
std::uint32_t currentSpeed(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) return 0;
    return static_cast<std::uint32_t>(cfgetospeed(&t));
}
bool hasCustomSpeed() {
    return true;
}
}  // namespace posix_port
#endif

std::string portDevicePath(const std::string& name) {
    if (!name.empty() && name.front() == '/') return name;
    if (name.size() > 3 && name.compare(0, 3, "COM") == 0) {
        int n = 0;
        for (std::size_t i = 3; i < name.size(); ++i) {
            const char c = name[i];
            if (c < '0' || c > '9' || n > 100000) return name;
            n = n * 10 + (c - '0');
        }
        if (n >= 1) return "/dev/ttyS" + std::to_string(n - 1);
    }
    return name;
}

namespace {

bool toleratedOnPty(int err) {
    return err == ENOTTY || err == EINVAL;
}

// Unix98 pseudo-terminal slaves (major numbers 136..143 on Linux, /dev/pts/*
// elsewhere). Only there are refused settings ignored; a real port reports
// them.
bool isPseudoTerminal(int fd, const std::string& path) {
    if (path.rfind("/dev/pts/", 0) == 0) return true;
#ifdef __linux__
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISCHR(st.st_mode)) {
        const unsigned m = major(st.st_rdev);
        return m >= 136 && m <= 143;
    }
#else
    (void)fd;
#endif
    return false;
}

struct SpeedEntry {
    std::uint32_t baud;
    speed_t code;
};

constexpr SpeedEntry kStandardSpeeds[] = {
    {1200, B1200},   {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},
    {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
};

bool standardSpeed(std::uint32_t baud, speed_t& code) {
    for (const auto& e : kStandardSpeeds) {
        if (e.baud == baud) {
            code = e.code;
            return true;
        }
    }
    return false;
}

std::uint32_t speedValue(speed_t code) {
    for (const auto& e : kStandardSpeeds) {
        if (e.code == code) return e.baud;
    }
    return 0;
}

std::uint64_t nowMs() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

class PosixSerialPort : public SerialPort {
  public:
    PosixSerialPort(int fd, bool pty) : fd_(fd), pty_(pty) {}
    ~PosixSerialPort() override {
        flock(fd_, LOCK_UN);
        ::close(fd_);
    }
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    bool getState(PortState& state) override {
        termios t{};
        if (tcgetattr(fd_, &t) != 0) return fail();
        state.baudRate = speedValue(cfgetospeed(&t));
        if (const std::uint32_t custom = posix_port::currentSpeed(fd_); custom != 0) {
            state.baudRate = custom;
        }
        state.byteSize = (t.c_cflag & CSIZE) == CS7 ? 7 : 8;
        state.parityCheck = (t.c_cflag & PARENB) != 0;
        state.parity = kParityNone;
        if (t.c_cflag & PARENB) {
#ifdef CMSPAR
            if (t.c_cflag & CMSPAR) {
                state.parity = (t.c_cflag & PARODD) ? kParityMark : kParitySpace;
            } else
#endif
            {
                state.parity = (t.c_cflag & PARODD) ? kParityOdd : kParityEven;
            }
        }
        state.stopBits = (t.c_cflag & CSTOPB) ? kStopBits2 : kStopBits1;
        state.raw.fill(0);
        std::memcpy(state.raw.data(), &t, std::min(sizeof t, state.raw.size()));
        return true;
    }

    bool setState(const PortState& state) override {
        termios t{};
        if (tcgetattr(fd_, &t) != 0) return fail();
        t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB);
#ifdef CMSPAR
        t.c_cflag &= ~static_cast<tcflag_t>(CMSPAR);
#endif
        t.c_cflag |= state.byteSize == 7 ? CS7 : CS8;
        if (state.parityCheck || state.parity != kParityNone) {
            switch (state.parity) {
                case kParityOdd:
                    t.c_cflag |= PARENB | PARODD;
                    break;
                case kParityEven:
                    t.c_cflag |= PARENB;
                    break;
#ifdef CMSPAR
                case kParityMark:
                    t.c_cflag |= PARENB | CMSPAR | PARODD;
                    break;
                case kParitySpace:
                    t.c_cflag |= PARENB | CMSPAR;
                    break;
#endif
                default:
                    break;
            }
        }
        // One and a half stop bits do not exist here: both 1.5 and 2 give two.
        if (state.stopBits != kStopBits1) t.c_cflag |= CSTOPB;
        speed_t code = B9600;
        const bool standard = standardSpeed(state.baudRate, code);
        if (standard) cfsetspeed(&t, code);
        if (tcsetattr(fd_, TCSANOW, &t) != 0 && !(pty_ && toleratedOnPty(errno))) return fail();
        if (!standard) {
            const int err = posix_port::setCustomSpeed(fd_, state.baudRate);
            if (err != 0 && !(pty_ && toleratedOnPty(err))) {
                error_ = err;
                return false;
            }
        }
        return true;
    }

    bool getTimeouts(PortTimeouts& timeouts) override {
        timeouts = timeouts_;
        return true;
    }
    bool setTimeouts(const PortTimeouts& timeouts) override {
        timeouts_ = timeouts;
        return true;
    }

    int read(std::uint8_t* buffer, int n) override {
        if (n <= 0) return 0;
        const PortTimeouts& to = timeouts_;
        // Interval "infinite" with no totals: return at once with what is there.
        const bool immediate = to.readInterval == UINT32_MAX && to.readTotalMultiplier == 0 &&
                               to.readTotalConstant == 0;
        const bool totalOn = to.readTotalMultiplier != 0 || to.readTotalConstant != 0;
        const bool intervalOn = to.readInterval != 0 && to.readInterval != UINT32_MAX;
        const std::uint64_t start = nowMs();
        const std::uint64_t deadline =
            start + to.readTotalConstant + static_cast<std::uint64_t>(to.readTotalMultiplier) * n;
        int got = 0;
        std::uint64_t lastByte = start;
        for (;;) {
            const ssize_t r = ::read(fd_, buffer + got, static_cast<std::size_t>(n - got));
            if (r > 0) {
                got += static_cast<int>(r);
                lastByte = nowMs();
                if (got == n) return got;
                continue;
            }
            if (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                if (got > 0) return got;
                fail();
                return -1;
            }
            // r == 0 or EAGAIN: nothing there yet.
            if (immediate) return got;
            long long wait = -1;
            const std::uint64_t now = nowMs();
            if (totalOn) {
                if (now >= deadline) return got;
                wait = static_cast<long long>(deadline - now);
            }
            if (got > 0 && intervalOn) {
                const std::uint64_t limit = lastByte + to.readInterval;
                if (now >= limit) return got;
                const long long w = static_cast<long long>(limit - now);
                wait = wait < 0 ? w : std::min(wait, w);
            }
            pollfd p{fd_, POLLIN, 0};
            const int pr =
                ::poll(&p, 1, wait < 0 ? -1 : static_cast<int>(std::min<long long>(wait, INT_MAX)));
            if (pr < 0 && errno != EINTR) {
                if (got > 0) return got;
                fail();
                return -1;
            }
            if (pr > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
                // The other end is gone (a hang-up reads as nothing at all):
                // take what is left, then nothing more will come.
                const ssize_t last =
                    (p.revents & POLLNVAL)
                        ? -1
                        : ::read(fd_, buffer + got, static_cast<std::size_t>(n - got));
                if (last > 0) {
                    got += static_cast<int>(last);
                    if (got == n) return got;
                }
                error_ = (p.revents & POLLNVAL) ? EBADF : EIO;
                lost_ = true;
                return got > 0 ? got : -1;
            }
        }
    }

    int write(const std::uint8_t* data, int n) override {
        int done = 0;
        while (done < n) {
            const ssize_t w = ::write(fd_, data + done, static_cast<std::size_t>(n - done));
            if (w > 0) {
                done += static_cast<int>(w);
                continue;
            }
            if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
                pollfd p{fd_, POLLOUT, 0};
                if (::poll(&p, 1, 5000) <= 0) break;
                continue;
            }
            fail();
            if (done == 0) return -1;
            break;
        }
        return done;
    }

    void purge() override {
        tcflush(fd_, TCIOFLUSH);
    }

    int bytesWaiting() override {
        int n = 0;
        if (ioctl(fd_, FIONREAD, &n) != 0) return 0;
        return n;
    }

    bool lineLost() const override {
        return lost_;
    }

    int lastError() const override {
        return error_;
    }

  private:
    bool fail() {
        error_ = errno;
        if (error_ == EIO || error_ == ENXIO || error_ == ENODEV || error_ == EBADF) lost_ = true;
        return false;
    }

    int fd_;
    bool pty_;
    int error_ = 0;
    bool lost_ = false;
    PortTimeouts timeouts_{};
};

class PosixPortFactory : public SerialPortFactory {
  public:
    std::unique_ptr<SerialPort> open(const std::string& name, int& error) override {
        const std::string path = portDevicePath(name);
        const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            error = errno;
            return nullptr;
        }
        if (!isatty(fd)) {
            error = ENOTTY;
            ::close(fd);
            return nullptr;
        }
        // No sharing: a second opener gets EBUSY.
        if (flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
            error = EBUSY;
            ::close(fd);
            return nullptr;
        }
        // Raw bytes, no line discipline, receiver on, modem lines ignored.
        termios t{};
        if (tcgetattr(fd, &t) == 0) {
            cfmakeraw(&t);
            t.c_cflag |= CREAD | CLOCAL;
            t.c_cc[VMIN] = 0;
            t.c_cc[VTIME] = 0;
            tcsetattr(fd, TCSANOW, &t);
        }
        error = 0;
        return std::make_unique<PosixSerialPort>(fd, isPseudoTerminal(fd, path));
    }

    std::vector<std::string> candidates() override {
        std::vector<std::string> out;
        for (const char* pattern :
             {"/dev/ttyS*", "/dev/ttyUSB*", "/dev/ttyACM*", "/dev/serial/by-id/*"}) {
            glob_t g{};
            if (::glob(pattern, 0, nullptr, &g) == 0) {
                std::vector<std::string> group(g.gl_pathv, g.gl_pathv + g.gl_pathc);
                // Natural order: ttyS2 before ttyS10.
                std::sort(group.begin(), group.end(),
                          [](const std::string& a, const std::string& b) {
                              return a.size() != b.size() ? a.size() < b.size() : a < b;
                          });
                out.insert(out.end(), group.begin(), group.end());
            }
            globfree(&g);
        }
        return out;
    }
};

}  // namespace

SerialPortFactory& systemPortFactory() {
    static PosixPortFactory ports;
    return ports;
}

}  // namespace tavrin
