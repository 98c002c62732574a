// Fuzz target: the "Версан С5" console link reading console frames from a
// line that carries arbitrary bytes, with one request of a chosen kind
// queued. The link must never read outside a frame or its buffer, and must
// end (the line goes silent) with the request finished or failed.
//
// Input: byte 0 chooses the request; then chunks, each a length byte and
// that many bytes; a chunk arrives when the link finds the line empty.
#include <atomic>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>

#include "families/s5/dbs5.h"

namespace {

using namespace tavrin;
using namespace tavrin::s5;

class QuietClock : public Clock {
  public:
    LocalTime now() const override { return {}; }
    std::uint64_t ticksMs() const override { return ticks.load(); }
    void sleepMs(unsigned ms) override { ticks += ms; }
    std::atomic<std::uint64_t> ticks{0};
};

struct Line {
    std::mutex mutex;
    std::deque<Bytes> chunks;
    std::deque<std::uint8_t> rx;
    QuietClock* clock = nullptr;
};

class FuzzPort : public SerialPort {
  public:
    explicit FuzzPort(Line& line) : line_(line) {}
    bool getState(PortState&) override { return true; }
    bool setState(const PortState&) override { return true; }
    bool getTimeouts(PortTimeouts&) override { return true; }
    bool setTimeouts(const PortTimeouts& t) override {
        timeout_ = t.readTotalConstant;
        return true;
    }
    int read(std::uint8_t* buffer, int n) override {
        std::lock_guard lock(line_.mutex);
        if (line_.rx.empty() && !line_.chunks.empty()) {
            line_.rx.assign(line_.chunks.front().begin(), line_.chunks.front().end());
            line_.chunks.pop_front();
        }
        if (line_.rx.empty()) {
            line_.clock->ticks += timeout_ + 1;
            return 0;
        }
        int got = 0;
        while (got < n && !line_.rx.empty()) {
            buffer[got++] = line_.rx.front();
            line_.rx.pop_front();
        }
        return got;
    }
    int write(const std::uint8_t*, int n) override { return n; }
    void purge() override {}
    int bytesWaiting() override {
        std::lock_guard lock(line_.mutex);
        return static_cast<int>(line_.rx.size());
    }
    int lastError() const override { return 0; }

  private:
    Line& line_;
    std::uint32_t timeout_ = 100;
};

class FuzzPorts : public SerialPortFactory {
  public:
    explicit FuzzPorts(Line& line) : line_(line) {}
    std::unique_ptr<SerialPort> open(const std::string&, int& error) override {
        error = 0;
        return std::make_unique<FuzzPort>(line_);
    }
    std::vector<std::string> candidates() override { return {}; }

  private:
    Line& line_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    static SilentPrompter prompter;
    QuietClock clock;
    Line line;
    line.clock = &clock;
    for (std::size_t i = 1; i < size;) {
        const std::size_t n = std::min<std::size_t>(data[i], size - i - 1);
        line.chunks.emplace_back(data + i + 1, data + i + 1 + n);
        i += n + 1;
    }
    FuzzPorts ports(line);
    AppContext ctx;
    ctx.programFolder = std::filesystem::path("/nonexistent-tavrin-fuzz");
    ctx.settingsPath = ctx.programFolder / "Tavrin.ini";
    ctx.prompter = &prompter;
    ctx.clock = &clock;
    ctx.ports = &ports;
    DBS5 db(0, ctx);
    db.portName = "COM1";
    if (!db.OpenPort()) return 0;
    const Bytes requests[] = {
        computerFrame(kKindVersion, {0}),
        computerFrame(kKindReadRecords, {1, 'U', 0}),
        computerFrame(kKindLcp, {1, '1', 0}),
        computerFrame(kKindLcp, {1, 'c', '1', 3, 2}),
        computerFrame(kKindWriteRecord, {1, 'T', 0, 0}),
        computerFrame(kKindChecksum, {1, 1}),
        computerFrame(kKindDust, {1, 0}),
        computerFrame(kKindReadFile, {0, 0, 'a'}),
        computerFrame(kKindSdWrite, {1, 0, 9}),
        computerFrame(kKindClock, {7, 0xEA, 12, 8, 2, 0, 0, 0}),
    };
    auto rec = std::make_shared<ExchRec>();
    rec->frame = requests[data[0] % std::size(requests)];
    rec->expectedLength = (data[0] >> 4) * 5;
    db.link().requests().push(rec);
    volatile unsigned sum = 0;
    db.link().WaitReplies(nullptr, nullptr, kReplyWaitMs, [&sum](const ExchRec& r) {
        for (const std::uint8_t b : r.reply)
            sum = sum + b;
        return 0;
    });
    db.ClosePort();
    return 0;
}
