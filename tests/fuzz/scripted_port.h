// Ports and the set-up shared by the fuzz targets of the device operations:
// the panel's (or the console's) replies are the fuzzer's bytes. Each frame
// the computer writes takes the next step of the script:
//   0x00..0x3F H L   a reply of (H & 0x3F) * 256 + L bytes that follow
//   0x40..0x7F       no reply
//   0x80..0xBF I X   the panel's own reply with byte I xor X (X = 0: as it is)
//   0xC0..0xFF       the panel's own replies to this and the next
//                    (S - 0xC0) * 8 frames
// Once the script ends, nothing is answered.
//
// ScriptedPort answers a request/reply panel (the built-in simulation of
// `panel`): reads take what waits, so a read that finds nothing is a time-out
// at once; a purge drops what waits.
//
// ConsolePort plays a "Версан С5" console, which speaks first: its opening
// frame is the first step (for no request), and each frame the computer
// writes takes the next. The console's own frames come from a simulated
// console and carry a new sequence number each. A read that finds nothing
// moves the clock on by the port's time-out, as a real wait would, so the
// link's time-outs pass in no real time.
#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "link/app_context.h"
#include "link/dbase.h"
#include "link/idle_port.h"
#include "link/serial_port.h"

namespace fuzz {

// The clock of the operations: no waiting; a sleep moves it on. Safe to use
// from the link thread and the operation's thread together.
class NoWaitClock : public tavrin::Clock {
  public:
    tavrin::LocalTime now() const override { return {2026, 3, 5, 14, 7, 9, 0, 4}; }
    std::uint64_t ticksMs() const override { return ticks_.load(); }
    void sleepMs(unsigned ms) override { ticks_.fetch_add(ms); }

  private:
    std::atomic<std::uint64_t> ticks_{0};
};

// The script's steps (above). `own(request)` gives the panel's own reply to
// a request.
class ReplyScript {
  public:
    using Own = std::function<tavrin::Bytes(tavrin::ByteSpan request)>;
    ReplyScript(const std::uint8_t* data, std::size_t size, Own own)
        : data_(data), size_(size), own_(std::move(own)) {}

    // Appends the reply to `request` to `out`.
    void answer(tavrin::ByteSpan request, std::deque<std::uint8_t>& out) {
        if (run_ > 0) {
            --run_;
            spoiled(request, 0, 0, out);
            return;
        }
        const int step = next();
        if (step < 0 || (step >= 0x40 && step < 0x80)) return;
        if (step < 0x40) {
            const int low = std::max(next(), 0);
            std::size_t length = static_cast<std::size_t>((step << 8) | low);
            length = std::min(length, size_ - at_);
            out.insert(out.end(), data_ + at_, data_ + at_ + length);
            at_ += length;
        } else if (step < 0xC0) {
            const int index = std::max(next(), 0);
            const int mask = std::max(next(), 0);
            spoiled(request, index, mask, out);
        } else {
            run_ = (step - 0xC0) * 8;
            spoiled(request, 0, 0, out);
        }
    }

  private:
    int next() { return at_ < size_ ? data_[at_++] : -1; }

    void spoiled(tavrin::ByteSpan request, int index, int mask, std::deque<std::uint8_t>& out) {
        tavrin::Bytes reply = own_(request);
        if (reply.empty()) std::abort();  // the panel answers every request
        if (mask != 0)
            reply[static_cast<std::size_t>(index) % reply.size()] ^=
                static_cast<std::uint8_t>(mask);
        out.insert(out.end(), reply.begin(), reply.end());
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
    int run_ = 0;
    Own own_;
};

// A port whose answers come from a script; what the line holds waits in
// `waiting_`. The base of both ports below.
class ScriptPortBase : public tavrin::SerialPort {
  public:
    bool getState(tavrin::PortState&) override { return true; }
    bool setState(const tavrin::PortState&) override { return true; }
    bool getTimeouts(tavrin::PortTimeouts& t) override {
        t = timeouts_;
        return true;
    }
    bool setTimeouts(const tavrin::PortTimeouts& t) override {
        timeouts_ = t;
        return true;
    }
    int read(std::uint8_t* buffer, int n) override {
        if (waiting_.empty()) {
            nothingWaiting(n);
            return 0;
        }
        const int k = std::min<int>(n, static_cast<int>(waiting_.size()));
        std::copy_n(waiting_.begin(), k, buffer);
        waiting_.erase(waiting_.begin(), waiting_.begin() + k);
        return k;
    }
    int write(const std::uint8_t* request, int n) override {
        script_->answer(tavrin::ByteSpan(request, static_cast<std::size_t>(n)), waiting_);
        return n;
    }
    void purge() override { waiting_.clear(); }
    int bytesWaiting() override { return static_cast<int>(waiting_.size()); }
    int lastError() const override { return 0; }

  protected:
    explicit ScriptPortBase(std::shared_ptr<ReplyScript> script) : script_(std::move(script)) {}
    // A read found the line empty (`n` bytes were asked for).
    virtual void nothingWaiting(int /*n*/) {}

    std::shared_ptr<ReplyScript> script_;
    std::deque<std::uint8_t> waiting_;
    tavrin::PortTimeouts timeouts_;
};

class ScriptedPort : public ScriptPortBase {
  public:
    ScriptedPort(const std::uint8_t* data, std::size_t size, tavrin::DBase& panel)
        : ScriptPortBase(
              std::make_shared<ReplyScript>(data, size, [&panel](tavrin::ByteSpan request) {
                  std::array<std::uint8_t, tavrin::DBase::kReplyBufferSize> reply{};
                  const int n = panel.SimulateDevice(
                      request.first(std::min<std::size_t>(request.size(), 255)), reply);
                  if (n <= 0 || n > static_cast<int>(reply.size())) std::abort();
                  return tavrin::Bytes(reply.begin(), reply.begin() + n);
              })) {}
};

// The console's own frame number `number` (0 for the first of a link) for
// what the computer wrote last (an empty span before it has written).
using ConsoleAnswer = std::function<tavrin::Bytes(tavrin::ByteSpan written, int number)>;

class ConsolePort : public ScriptPortBase {
  public:
    // One script goes on over every port opened on it (an operation that
    // opens the link again finds the rest); each port's console starts anew.
    static std::shared_ptr<ReplyScript> script(const std::uint8_t* data, std::size_t size,
                                               std::shared_ptr<ConsolePort*> current) {
        return std::make_shared<ReplyScript>(data, size, [current](tavrin::ByteSpan written) {
            ConsolePort& port = **current;
            return port.console_(written, port.frames_++);
        });
    }

    ConsolePort(std::shared_ptr<ReplyScript> script, std::shared_ptr<ConsolePort*> current,
                ConsoleAnswer console, tavrin::Clock& clock)
        : ScriptPortBase(std::move(script)), console_(std::move(console)), clock_(clock) {
        *current = this;
        // The console speaks first.
        script_->answer({}, waiting_);
    }

  protected:
    void nothingWaiting(int n) override {
        clock_.sleepMs(
            std::max<unsigned>(1, timeouts_.readTotalConstant +
                                      timeouts_.readTotalMultiplier * static_cast<unsigned>(n)));
    }

  private:
    ConsoleAnswer console_;
    tavrin::Clock& clock_;
    int frames_ = 0;
};

// Opens one scripted port per open() of the operation; `make` builds it.
class ScriptedPortFactory : public tavrin::SerialPortFactory {
  public:
    using Make = std::function<std::unique_ptr<tavrin::SerialPort>()>;
    explicit ScriptedPortFactory(Make make) : make_(std::move(make)) {}
    // Request/reply panels: each port plays the script from its start.
    ScriptedPortFactory(const std::uint8_t* data, std::size_t size, tavrin::DBase& panel)
        : make_(
              [data, size, &panel] { return std::make_unique<ScriptedPort>(data, size, panel); }) {}
    // A console: the ports play one script in turn.
    ScriptedPortFactory(const std::uint8_t* data, std::size_t size, ConsoleAnswer console,
                        tavrin::Clock& clock) {
        auto current = std::make_shared<ConsolePort*>(nullptr);
        auto shared = ConsolePort::script(data, size, current);
        make_ = [shared, current, console = std::move(console), &clock] {
            return std::make_unique<ConsolePort>(shared, current, console, clock);
        };
    }
    std::unique_ptr<tavrin::SerialPort> open(const std::string&, int&) override { return make_(); }
    std::vector<std::string> candidates() override { return {}; }

  private:
    Make make_;
};

// What every device-operation target sets up once: a silent prompter, the
// no-wait clock, no real ports, and a folder of its own (removed at exit)
// that is the program folder of the operations, so the files they write
// (journals, dustiness, the console's files) and their settings stay there.
struct OpsContext {
    explicit OpsContext(const std::string& tag)
        : folder(std::filesystem::temp_directory_path() /
                 ("fuzz-" + tag + "-" + std::to_string(tavrin::ownProcessId()))) {
        std::filesystem::create_directories(folder);
        ctx = tavrin::makeAppContext(folder);
        ctx.prompter = &prompter;
        ctx.clock = &clock;
        ctx.ports = &idle;
    }
    ~OpsContext() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    OpsContext(const OpsContext&) = delete;
    OpsContext& operator=(const OpsContext&) = delete;

    std::string path(const std::string& name) const {
        return tavrin::pathToUtf8(folder / tavrin::pathFromUtf8(name));
    }

    tavrin::SilentPrompter prompter;
    NoWaitClock clock;
    tavrin::IdlePortFactory idle;
    std::filesystem::path folder;
    tavrin::AppContext ctx;
};

// Runs `op` on a new database of family `Db` whose port plays the script
// through `ports`, and checks that the operation closed its port whatever
// came.
template <class Db, class Op>
void runOnScript(const OpsContext& base, tavrin::SerialPortFactory& ports, Op&& op) {
    tavrin::AppContext ctx = base.ctx;
    ctx.ports = &ports;
    Db db(0, ctx);
    db.simulation = false;
    db.portName = "fuzz";
    op(db);
    db.ClosePort();
    if (db.IsPortOpen()) std::abort();
}

}  // namespace fuzz
