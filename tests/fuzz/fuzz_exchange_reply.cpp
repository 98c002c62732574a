// Fuzz target: the exchange reading replies of both framings from a line
// that carries arbitrary bytes. The reply buffer must never be overrun.
//
// Input: byte 0 chooses the family (even: "Талвир К2", odd: second); byte 1
// is the request's command; the rest is what the line delivers.
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <filesystem>

#include "registry/family_registry.h"

namespace {

using namespace tavrin;

class QuietClock : public Clock {
  public:
    LocalTime now() const override { return {}; }
    std::uint64_t ticksMs() const override { return ticks_; }
    void sleepMs(unsigned ms) override { ticks_ += ms; }

  private:
    std::uint64_t ticks_ = 0;
};

// Delivers the fuzz bytes, then nothing.
class FuzzPort : public SerialPort {
  public:
    explicit FuzzPort(std::deque<std::uint8_t>& line) : line_(line) {}
    bool getState(PortState&) override { return true; }
    bool setState(const PortState&) override { return true; }
    bool getTimeouts(PortTimeouts&) override { return true; }
    bool setTimeouts(const PortTimeouts&) override { return true; }
    int read(std::uint8_t* buffer, int n) override {
        int got = 0;
        while (got < n && !line_.empty()) {
            buffer[got++] = line_.front();
            line_.pop_front();
        }
        return got;
    }
    int write(const std::uint8_t*, int n) override { return n; }
    void purge() override {}
    int bytesWaiting() override { return static_cast<int>(line_.size()); }
    int lastError() const override { return 0; }

  private:
    std::deque<std::uint8_t>& line_;
};

class FuzzPorts : public SerialPortFactory {
  public:
    std::unique_ptr<SerialPort> open(const std::string&, int& error) override {
        error = 0;
        return std::make_unique<FuzzPort>(line);
    }
    std::vector<std::string> candidates() override { return {}; }
    std::deque<std::uint8_t> line;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    static QuietClock clock;
    static SilentPrompter prompter;
    FuzzPorts ports;
    ports.line.assign(data + 2, data + size);
    AppContext ctx;
    ctx.programFolder = std::filesystem::path("/nonexistent-tavrin-fuzz");
    ctx.settingsPath = ctx.programFolder / "Tavrin.ini";
    ctx.prompter = &prompter;
    ctx.clock = &clock;
    ctx.ports = &ports;
    const tavrin::Family family = (data[0] & 1) ? tavrin::Family::R7 : tavrin::Family::K2;
    auto db = CreateDatabase(family, 1, ctx);
    db->portName = "COM1";
    db->simulation = false;
    if (!db->SetUpPort()) return 0;
    const Bytes request =
        family == tavrin::Family::R7 ? Bytes{1, 0, 3, 1, data[1], 0, 0} : Bytes{2, data[1], 0};
    Bytes reply;
    db->Exchange(reply, request);
    if (reply.size() > static_cast<std::size_t>(DBase::kReplyBufferSize)) std::abort();
    return 0;
}
