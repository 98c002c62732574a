// Helpers of the benchmarks that read from tavrin-panelsim over a
// pseudo-terminal: the simulator as a child process, the system's port with
// the bytes that cross it counted, and a clock that adds up its waits.
#pragma once

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "base/seams.h"
#include "link/serial_port.h"

extern char** environ;

namespace bench {

constexpr double kBitsPerByte = 10.0;

// The simulator as a child process; its first line of output is the pty.
class Simulator {
  public:
    explicit Simulator(std::vector<std::string> args) {
#ifdef TAVRIN_PANELSIM_PATH
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, in[1]);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        args.insert(args.begin(), TAVRIN_PANELSIM_PATH);
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        const int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        stdin_ = in[1];
        if (rc != 0) {
            pid_ = -1;
            close(out[0]);
            return;
        }
        char c = 0;
        while (read(out[0], &c, 1) == 1 && c != '\n')
            path_ += c;
        close(out[0]);
#else
        (void)args;
#endif
    }
    ~Simulator() {
        if (stdin_ >= 0) close(stdin_);
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& path() const {
        return path_;
    }

  private:
    pid_t pid_ = -1;
    int stdin_ = -1;
    std::string path_;
};

// The system's port with the bytes that cross it counted.
class CountingPort : public tavrin::SerialPort {
  public:
    CountingPort(std::unique_ptr<tavrin::SerialPort> port, long& bytes)
        : port_(std::move(port)), bytes_(bytes) {}
    bool getState(tavrin::PortState& s) override { return port_->getState(s); }
    bool setState(const tavrin::PortState& s) override { return port_->setState(s); }
    bool getTimeouts(tavrin::PortTimeouts& t) override { return port_->getTimeouts(t); }
    bool setTimeouts(const tavrin::PortTimeouts& t) override { return port_->setTimeouts(t); }
    int read(std::uint8_t* b, int n) override {
        const int got = port_->read(b, n);
        if (got > 0) bytes_ += got;
        return got;
    }
    int write(const std::uint8_t* d, int n) override {
        const int put = port_->write(d, n);
        if (put > 0) bytes_ += put;
        return put;
    }
    void purge() override { port_->purge(); }
    int bytesWaiting() override { return port_->bytesWaiting(); }
    int lastError() const override { return port_->lastError(); }

  private:
    std::unique_ptr<tavrin::SerialPort> port_;
    long& bytes_;
};

class CountingPorts : public tavrin::SerialPortFactory {
  public:
    std::unique_ptr<tavrin::SerialPort> open(const std::string& name, int& error) override {
        auto port = tavrin::systemPortFactory().open(name, error);
        if (!port) return nullptr;
        return std::make_unique<CountingPort>(std::move(port), bytes);
    }
    std::vector<std::string> candidates() override { return {}; }
    long bytes = 0;
};

// The real clock, with the time spent in its waits added up.
class WaitingClock : public tavrin::SystemClock {
  public:
    void sleepMs(unsigned ms) override {
        const auto start = std::chrono::steady_clock::now();
        tavrin::SystemClock::sleepMs(ms);
        waited += std::chrono::steady_clock::now() - start;
    }
    std::chrono::steady_clock::duration waited{};
};

}  // namespace bench
