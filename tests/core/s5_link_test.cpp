// The "Версан С5" console link against a scripted console on a fake port and
// a fake clock: which frames the computer answers with, which requests
// complete and with what result, retransmissions, resynchronisation, the
// series and their cap, and the waits of the operation side.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/crc8.h"
#include "families/s5/dbs5.h"
#include "families/s5/link/console_link.h"
#include "link/result_codes.h"
#include "support/log_lines.h"
#include "support/recording_prompter.h"
#include "support/temp_dir.h"

using namespace tavrin;
using namespace tavrin::s5;

namespace {

// Ticks move only when the port waits for bytes that do not come (or when
// `autoStep` is set: every look at the clock then moves it on).
class LinkClock : public Clock {
  public:
    LocalTime now() const override {
        LocalTime t{2026, 12, 8, 10, 0, 0, 0, 2};
        const std::uint64_t ms = ticks.load();
        t.millisecond = static_cast<int>(ms % 1000);
        t.second = static_cast<int>(ms / 1000 % 60);
        t.minute = static_cast<int>(ms / 60000 % 60);
        return t;
    }
    std::uint64_t ticksMs() const override { return ticks.fetch_add(autoStep.load()); }
    void sleepMs(unsigned ms) override { ticks.fetch_add(ms); }

    mutable std::atomic<std::uint64_t> ticks{0};
    std::atomic<std::uint64_t> autoStep{0};
};

// A console frame: start byte with its sequence number, length, code, data,
// checksum.
Bytes c(int seq, std::uint8_t code, std::initializer_list<std::uint8_t> data = {}) {
    Bytes f{static_cast<std::uint8_t>(0x50 | (seq & 7)), static_cast<std::uint8_t>(data.size() + 4),
            code};
    f.insert(f.end(), data.begin(), data.end());
    f.push_back(Crc8(f));
    return f;
}

// The console end of the line. Each chunk of the script arrives when the
// computer reads and has nothing left: the console speaks again when it is
// not answered and answers promptly when it is. Bytes of one chunk that the
// computer does not read as its frame are left waiting in the driver.
struct ConsoleLine {
    std::mutex mutex;
    std::deque<Bytes> script;
    std::deque<std::uint8_t> rx;
    std::vector<Bytes> writes;
    PortTimeouts timeouts;
    bool hold = false;  // with the script done: frames that never answer anything
    int heldFrames = 100;
    LinkClock* clock = nullptr;
};

class ConsolePort : public SerialPort {
  public:
    explicit ConsolePort(ConsoleLine& line) : line_(line) {}
    bool getState(PortState&) override { return true; }
    bool setState(const PortState&) override { return true; }
    bool getTimeouts(PortTimeouts& t) override {
        std::lock_guard lock(line_.mutex);
        t = line_.timeouts;
        return true;
    }
    bool setTimeouts(const PortTimeouts& t) override {
        std::lock_guard lock(line_.mutex);
        line_.timeouts = t;
        return true;
    }
    int read(std::uint8_t* buffer, int n) override {
        std::unique_lock lock(line_.mutex);
        if (line_.rx.empty() && !line_.script.empty()) {
            const Bytes chunk = line_.script.front();
            line_.script.pop_front();
            line_.rx.insert(line_.rx.end(), chunk.begin(), chunk.end());
        }
        if (line_.rx.empty()) {
            if (line_.hold) {
                // A console that keeps its link alive and never answers.
                lock.unlock();
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                const Bytes f = c(++line_.heldFrames, kCodeDone);
                std::copy(f.begin(), f.begin() + std::min<int>(n, 4), buffer);
                lock.lock();
                line_.rx.insert(line_.rx.end(), f.begin() + std::min<int>(n, 4), f.end());
                return std::min<int>(n, 4);
            }
            line_.clock->ticks.fetch_add(line_.timeouts.readTotalConstant +
                                         line_.timeouts.readTotalMultiplier *
                                             static_cast<std::uint32_t>(n));
            return 0;
        }
        int got = 0;
        while (got < n && !line_.rx.empty()) {
            buffer[got++] = line_.rx.front();
            line_.rx.pop_front();
        }
        return got;
    }
    int write(const std::uint8_t* data, int n) override {
        std::lock_guard lock(line_.mutex);
        line_.writes.emplace_back(data, data + n);
        return n;
    }
    void purge() override {}
    int bytesWaiting() override {
        std::lock_guard lock(line_.mutex);
        return static_cast<int>(line_.rx.size());
    }
    int lastError() const override { return 5; }

  private:
    ConsoleLine& line_;
};

class ConsolePorts : public SerialPortFactory {
  public:
    explicit ConsolePorts(ConsoleLine& line) : line_(line) {}
    std::unique_ptr<SerialPort> open(const std::string& name, int& error) override {
        if (name != "/console") {
            error = 2;
            return nullptr;
        }
        return std::make_unique<ConsolePort>(line_);
    }
    std::vector<std::string> candidates() override { return {}; }

  private:
    ConsoleLine& line_;
};

const Bytes kAck{0x80, 0x04, 0xF5, 0x12};
const Bytes kVersion = computerFrame(kKindVersion, {0});
Bytes readRecords(std::uint8_t lcp, std::uint8_t type, std::uint8_t index) {
    return computerFrame(kKindReadRecords, {lcp, type, index});
}
const Bytes kStopAnswering = computerFrame(kKindLcp, {1, 'c', '1', 3, 5});

ExchRecPtr request(const Bytes& frame, int expected = 0) {
    auto r = std::make_shared<ExchRec>();
    r->frame = frame;
    r->expectedLength = expected;
    return r;
}

class S5Link : public ::testing::Test {
  protected:
    S5Link() : ports(line) {
        line.clock = &clock;
        std::ofstream ini(dir / "Tavrin.ini", std::ios::binary);
        ini << "\xEF\xBB\xBF[Версан_С5]\nCOM=/console\nЛог=да\n";
        ini.close();
        ctx = makeAppContext(dir.path());
        ctx.prompter = &prompter;
        ctx.clock = &clock;
        ctx.ports = &ports;
        db = std::make_unique<DBS5>(0, ctx);
    }

    // Opens the link, queues the requests, takes the replies and lets the
    // link run out of script; returns the result of the wait.
    int run(std::vector<Bytes> script, std::vector<ExchRecPtr> reqs) {
        line.script.assign(script.begin(), script.end());
        EXPECT_TRUE(db->OpenPort());
        db->link().requests().pushAll(reqs);
        const int result =
            db->link().WaitReplies(nullptr, nullptr, kReplyWaitMs, [this](const ExchRec& r) {
                statuses.push_back(r.status);
                replies.push_back(r.reply);
                return 0;
            });
        for (int i = 0; i < 500 && db->link().running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        db->ClosePort();
        return result;
    }

    std::vector<std::string> log() { return test::logLines(dir / "Tavrin_12_08_26.log"); }
    bool logHas(const std::string& text) {
        const auto lines = log();
        return std::find(lines.begin(), lines.end(), text) != lines.end();
    }

    test::TempDir dir;
    test::RecordingPrompter prompter;
    LinkClock clock;
    ConsoleLine line;
    ConsolePorts ports;
    AppContext ctx;
    std::unique_ptr<DBS5> db;
    std::vector<int> statuses;
    std::vector<Bytes> replies;
};

struct LinkCase {
    const char* name;
    std::vector<Bytes> script;
    std::vector<Bytes> requests;  // each with the expected length its kind needs
    int result;
    std::vector<int> statuses;  // of the records taken, in order, before the result
    std::vector<Bytes> writes;
};

int expectedFor(const Bytes& f) {
    return f[2] == kKindVersion ? kVersionReplyLength : 0;
}

std::vector<Bytes> repeated(int n, const Bytes& f) {
    return std::vector<Bytes>(static_cast<std::size_t>(n), f);
}

std::vector<Bytes> concat(std::initializer_list<std::vector<Bytes>> parts) {
    std::vector<Bytes> all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

const Bytes kVersionReply2 = c(2, kCodeVersion, {12, 0, 0});

const std::vector<LinkCase> kCases = {
    {"version",
     {c(0, 0x60), c(1, 0x64), kVersionReply2},
     {kVersion},
     0,
     {},
     {kAck, kVersion, kAck}},
    {"nothing is answered before the first 0x60",
     {c(0, 0x64), c(1, 0x73, {1, 0, 0}), c(2, 0x60), c(3, 0x64), c(4, 0x73, {12, 0, 0})},
     {kVersion},
     0,
     {},
     {kAck, kVersion, kAck}},
    {"a repeated frame is answered by retransmission three times, then the request fails",
     {c(0, 0x60), c(1, 0x64), c(1, 0x64), c(1, 0x64), c(1, 0x64), c(1, 0x64)},
     {kVersion},
     kResultRefused,
     {},
     {kAck, kVersion, kVersion, kVersion, kVersion}},
    {"a repeat with a changed code stops the link until the next 0x60",
     {c(0, 0x60), c(1, 0x64), c(1, 0x71), c(2, 0x64), c(3, 0x60), kVersionReply2},
     {kVersion},
     0,
     {},
     {kAck, kVersion, kVersion, kAck, kAck}},
    {"refusal 0x75",
     {c(0, 0x60), c(1, 0x64), c(2, 0x75)},
     {kVersion},
     kResultNoTargetLink,
     {},
     {kAck, kVersion, kAck}},
    {"a foreign frame, bad checksums and impossible lengths are not answered",
     {c(0, 0x60), c(1, 0x64), Bytes{0x47, 4, 0x73, 0}, Bytes{0x52, 7, 0x73, 12, 0, 0, 0},
      Bytes{0x52, 2}, Bytes{0x52, 0}, Bytes{0x52, 3, 0x73}, kVersionReply2},
     {kVersion},
     0,
     {},
     {kAck, kVersion, kAck}},
    {"a frame split in two and garbage behind a frame",
     {c(0, 0x60),
      [] {
          Bytes f = c(1, 0x64);
          f.insert(f.end(), {0xAA, 0xBB});
          return f;
      }(),
      Bytes{0x52, 7, 0x73}, Bytes{12, 0, 0, kVersionReply2[6]}},
     {kVersion},
     0,
     {},
     {kAck, kVersion, kAck}},
    {"a series follows its index and the request behind it waits its turn",
     {c(0, 0x60), c(1, 0x64), c(2, 0x70, {'Q', 1, 0, 9}), c(3, 0x70, {'Q', 1, 1, 9}),
      c(4, 0x70, {'V', 1, 2, 9}), c(5, 0x73, {12, 0, 0})},
     {readRecords(1, 'Q', 0), kVersion},
     0,
     {0, 0, 0},
     {kAck, readRecords(1, 'Q', 0), readRecords(1, 'Q', 1), readRecords(1, 'Q', 2), kVersion,
      kAck}},
    {"a series ends when the index differs",
     {c(0, 0x60), c(1, 0x64), c(2, 0x70, {'Q', 1, 7, 9})},
     {readRecords(1, 'Q', 0)},
     0,
     {0},
     {kAck, readRecords(1, 'Q', 0), kAck}},
    {"a record of another address is retransmitted for twice, then fails",
     {c(0, 0x60), c(1, 0x64), c(2, 0x70, {'Q', 2, 0, 9}), c(3, 0x70, {'Q', 2, 0, 9}),
      c(4, 0x70, {'Q', 2, 0, 9})},
     {readRecords(1, 'Q', 0)},
     kResultBadReply,
     {},
     {kAck, readRecords(1, 'Q', 0), readRecords(1, 'Q', 0), readRecords(1, 'Q', 0), kAck}},
    {"a record of another type fails the same way",
     {c(0, 0x60), c(1, 0x64), c(2, 0x70, {'S', 1, 0, 9}), c(3, 0x70, {'S', 1, 0, 9}),
      c(4, 0x70, {'S', 1, 0, 9})},
     {readRecords(1, 'Q', 0)},
     kResultBadReply,
     {},
     {kAck, readRecords(1, 'Q', 0), readRecords(1, 'Q', 0), readRecords(1, 'Q', 0), kAck}},
    {"a record frame too short to name its record",
     {c(0, 0x60), c(1, 0x64), c(2, 0x70, {'Q'}), c(3, 0x70, {'Q'}), c(4, 0x70, {'Q'})},
     {readRecords(1, 'Q', 0)},
     kResultBadReply,
     {},
     {kAck, readRecords(1, 'Q', 0), readRecords(1, 'Q', 0), readRecords(1, 'Q', 0), kAck}},
    {"a second 0x60 while a request is out three times breaks the session",
     {c(0, 0x60), c(1, 0x64), c(1, 0x64), c(1, 0x64), c(2, 0x60), c(3, 0x64)},
     {kVersion},
     kResultSessionBroken,
     {},
     {kAck, kVersion, kVersion, kVersion, kAck}},
    {"a second 0x60 while a request is out once: it is sent again",
     {c(0, 0x60), c(1, 0x64), c(2, 0x60), c(3, 0x64), c(4, 0x73, {12, 0, 0})},
     {kVersion},
     0,
     {},
     {kAck, kVersion, kAck, kVersion, kAck}},
    {"silence for five seconds ends the link",
     {c(0, 0x60), c(1, 0x64)},
     {kVersion},
     kResultNoLink,
     {},
     {kAck, kVersion}},
    {"a device command answered by 0x64 leaves the link silent until the next 0x60",
     {c(0, 0x60), c(1, 0x64), c(2, 0x64), c(3, 0x64), c(4, 0x60)},
     {kStopAnswering},
     0,
     {0},
     {kAck, kStopAnswering, kAck}},
    {"a command reply before the request went out sends the request",
     {c(0, 0x60), c(1, 0x72, {1, 1, 0, 0, 0}), kVersionReply2},
     {kVersion},
     0,
     {},
     {kAck, kVersion, kAck}},
    {"with nothing queued: 0x64 and 0x70..0x77 get the acknowledgement, others nothing",
     {c(0, 0x60), c(1, 0x64), kVersionReply2, c(3, 0x64), c(4, 0x70, {'Q', 1, 0, 9}), c(5, 0x71),
      c(6, 0x72, {1, 1, 0}), c(7, 0x73, {1, 0, 0}), c(0, 0x74, {0, 0}), c(1, 0x75), c(2, 0x76),
      c(3, 0x77), c(4, 0x65), c(5, 0x30)},
     {kVersion},
     0,
     {},
     concat({{kAck, kVersion}, repeated(10, kAck)})},
};

}  // namespace

TEST_F(S5Link, FrameSequences) {
    for (const LinkCase& tc : kCases) {
        SCOPED_TRACE(tc.name);
        statuses.clear();
        replies.clear();
        line.writes.clear();
        std::vector<ExchRecPtr> reqs;
        for (const Bytes& f : tc.requests)
            reqs.push_back(request(f, expectedFor(f)));
        EXPECT_EQ(run(tc.script, reqs), tc.result);
        // The version request's status is checked by the result itself.
        std::vector<int> expected = tc.statuses;
        if (tc.result == 0 && tc.requests.back()[2] == kKindVersion) expected.push_back(0);
        EXPECT_EQ(statuses, expected);
        EXPECT_EQ(line.writes, tc.writes);
    }
}

TEST_F(S5Link, AcknowledgementFrame) {
    EXPECT_EQ(ackFrame(), kAck);
    EXPECT_EQ(Crc8(ByteSpan(reinterpret_cast<const std::uint8_t*>("123456789"), 9)), 0xA1);
}

TEST_F(S5Link, ReplyCarriesTheConsoleFrame) {
    run({c(0, 0x60), c(1, 0x64), kVersionReply2}, {request(kVersion, 7)});
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], kVersionReply2);
}

TEST_F(S5Link, SeriesStopsBeforeItsCounterWraps) {
    std::vector<Bytes> script{c(0, 0x60), c(1, 0x64)};
    for (int i = 0; i < 256; ++i)
        script.push_back(c(i + 2, 0x70, {'Q', 1, static_cast<std::uint8_t>(i), 9}));
    EXPECT_EQ(run(script, {request(readRecords(1, 'Q', 0))}), kResultDatabaseOverflow);
    EXPECT_EQ(statuses.size(), 254u);  // the 255th record arrives with the overflow
    // No request with index 0 went out a second time.
    int zeros = 0;
    for (const Bytes& w : line.writes)
        zeros += w == readRecords(1, 'Q', 0);
    EXPECT_EQ(zeros, 1);
}

// A console that offers more device records than an LCP's table holds: the
// read ends with 8 (no counter wraps round, no slot past the table is
// written) and the LCP keeps what it held before the read.
TEST_F(S5Link, ATableThatWouldOverflowEndsTheReadWith8AndKeepsTheLcp) {
    const int l = db->AddLcp();
    const int mine = db->CreateElement(17, l);
    setNameText(deviceName(db->lcp(l)->devices[static_cast<std::size_t>(mine)]), "Свой");
    db->firmwareVersion = 12;  // known: the read asks no version first
    std::vector<Bytes> script{c(0, 0x60), c(1, 0x64)};
    for (int i = 0; i < 300; ++i) {
        DeviceRecord r{};
        r[dev::kNumber] = static_cast<std::uint8_t>(i);
        r[dev::kType] = 17;
        setNameText(deviceName(r), "Чужой " + std::to_string(i));
        storeDeviceChecksum(r);
        std::uint8_t wire[dev::kDiskSize];
        deviceToDisk(r, wire);
        Bytes f = c(i + 2, 0x70, {'U', static_cast<std::uint8_t>(l), static_cast<std::uint8_t>(i)});
        f.pop_back();
        f.insert(f.end(), wire, wire + dev::kDiskSize);
        f[1] = static_cast<std::uint8_t>(f.size() + 1);
        f.push_back(Crc8(f));
        script.push_back(f);
    }
    line.script.assign(script.begin(), script.end());
    NullProgress progress;
    EXPECT_EQ(db->ReadPart(progress, ConsolePart::Lcp, l), kResultDatabaseOverflow);
    db->ClosePort();
    const LcpDatabase& d = *db->lcp(l);
    EXPECT_EQ(d.deviceCount, 1);
    EXPECT_EQ(nameText(deviceName(d.devices[static_cast<std::size_t>(mine)])), "Свой");
    EXPECT_FALSE(db->DescribeResult(kResultDatabaseOverflow).empty());
}

TEST_F(S5Link, LogLines) {
    run({c(0, 0x60), c(1, 0x64), Bytes{0x47, 4, 0x73, 0}, kVersionReply2}, {request(kVersion, 7)});
    const auto lines = log();
    for (const char* text :
         {"Открытие порта", "Порт открыт и настроен", "Ожидание приема", "Начало чтения",
          "Принято сообщение", "Начало передачи", "К пульту (OK):", "80 04 F5 12 ",
          "К пульту:", "Чужое сообщение", "47 04 73 00 ", "Нет приема",
          "Нет сообщений от пульта в течении 5 сек.!", "Порт закрыт"}) {
        EXPECT_NE(std::find(lines.begin(), lines.end(), text), lines.end()) << text;
    }
}

TEST_F(S5Link, RetransmissionIsLoggedAsRepeat) {
    run({c(0, 0x60), c(1, 0x64), c(1, 0x64), kVersionReply2}, {request(kVersion, 7)});
    EXPECT_TRUE(logHas("К пульту (повторно):"));
}

TEST_F(S5Link, PortThatDoesNotOpenFailsAtOnce) {
    db->portName = "/nowhere";
    std::ofstream(dir / "Tavrin.ini", std::ios::binary)
        << "\xEF\xBB\xBF[Версан_С5]\nCOM=/nowhere\n";
    EXPECT_FALSE(db->OpenPort());
    EXPECT_FALSE(db->link().running());
    EXPECT_EQ(db->ReadVersion(), kResultPortNotOpen);
}

TEST_F(S5Link, LogThatCannotBeCreatedDoesNotStopTheLink) {
    std::filesystem::create_directory(dir / "Tavrin_12_08_26.log");  // a folder in its place
    EXPECT_EQ(run({c(0, 0x60), c(1, 0x64), kVersionReply2}, {request(kVersion, 7)}), 0);
    ASSERT_FALSE(prompter.calls.empty());
    EXPECT_EQ(prompter.calls[0].title, "Создание лога");
}

TEST_F(S5Link, ReadVersion) {
    line.script.assign({c(0, 0x60), c(1, 0x64), kVersionReply2});
    EXPECT_EQ(db->ReadVersion(), 0);
    EXPECT_EQ(db->firmwareVersion, 12);
    EXPECT_EQ(db->firmwareVersionText, "12");
    db->ClosePort();
}

TEST_F(S5Link, WaitTimesOutWhenTheConsoleNeverAnswers) {
    // The console keeps its link alive with new frames but never answers.
    line.hold = true;
    line.script.assign({c(0, 0x60), c(1, 0x64)});
    ASSERT_TRUE(db->OpenPort());
    db->link().requests().push(request(computerFrame(0x42, {}), 0));
    clock.autoStep = 5000;
    EXPECT_EQ(db->link().WaitReplies(nullptr, nullptr, kReplyWaitMs, nullptr), kResultNoAnswer);
    EXPECT_TRUE(db->link().requests().empty());
    db->ClosePort();
    EXPECT_FALSE(db->link().running());
}

TEST_F(S5Link, CancelReturns21WithThePortClosed) {
    line.hold = true;
    line.script.assign({c(0, 0x60), c(1, 0x64)});
    std::thread canceller([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        db->exchangeActive.cancel();
    });
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(db->ReadVersion(), kResultStoppedByUser);
    const auto spent = std::chrono::steady_clock::now() - t0;
    canceller.join();
    EXPECT_LT(spent, std::chrono::seconds(2));
    EXPECT_FALSE(db->link().running());
    EXPECT_FALSE(db->IsPortOpen());
}

TEST_F(S5Link, CloseJoinsALinkThatEndedByItself) {
    EXPECT_EQ(run({c(0, 0x60)}, {request(kVersion, 7)}), kResultNoLink);
    EXPECT_FALSE(db->link().running());
    // A new link starts cleanly on the same object.
    EXPECT_EQ(run({c(0, 0x60), c(1, 0x64), kVersionReply2}, {request(kVersion, 7)}), 0);
}

TEST(S5Queue, FifoAndReplaceHead) {
    ExchQueue q;
    EXPECT_EQ(q.pop(), nullptr);
    EXPECT_EQ(q.misses(), 1);
    auto a = request({1}), b = request({2}), c2 = request({3});
    a->sentTime = 500;  // in flight: a new request still queues behind it
    q.push(a);
    q.push(b);
    EXPECT_EQ(q.peek(), a);
    EXPECT_EQ(q.replaceHead(c2), a);
    EXPECT_EQ(q.pop(), c2);
    EXPECT_EQ(q.pop(), b);
    EXPECT_TRUE(q.empty());
}

TEST(S5Queue, EventIsSetByPushAndResetByPeek) {
    ExchQueue q;
    EXPECT_FALSE(q.waitSignal(std::chrono::milliseconds(1)));
    q.push(request({1}));
    q.peek();
    EXPECT_FALSE(q.waitSignal(std::chrono::milliseconds(1)));
    q.push(request({2}));
    EXPECT_TRUE(q.waitSignal(std::chrono::milliseconds(1)));
    EXPECT_FALSE(q.waitSignal(std::chrono::milliseconds(1)));  // auto-reset
}

TEST_F(S5Link, LcpCommands) {
    const int l = db->AddLcp();
    const int slot = db->CreateElement(17, l);
    ASSERT_GE(slot, 0);
    const auto d = static_cast<std::uint8_t>(slot);
    DeviceRecord& rec = db->lcp(l)->devices[d];
    const Bytes typeAndSerial = computerFrame(kKindLcp, {1, 'c', '1', 1, d});

    // Refused before anything is sent.
    EXPECT_EQ(db->LcpCommand(l, 9, slot, 0), kResultBadCommand);
    EXPECT_EQ(db->LcpCommand(7, 1, slot, 0), kResultBadCommand);
    EXPECT_TRUE(line.writes.empty());

    // Type and serial number: reply bytes 5..7 go into the device.
    line.script.assign({c(0, 0x60), c(1, 0x64), c(2, 0x72, {1, d, 26, 0x34, 0x12})});
    const int before = db->modified;
    EXPECT_EQ(db->LcpCommand(l, 1, slot, 0), kResultOk);
    EXPECT_EQ(rec[dev::kType], 26);
    EXPECT_EQ(rec[dev::kSerial], 0x34);
    EXPECT_EQ(rec[dev::kSerial + 1], 0x12);
    EXPECT_GT(db->modified, before);
    EXPECT_FALSE(db->link().running());
    EXPECT_EQ(line.writes[1], typeAndSerial);

    // A reply too short to carry them is no answer, and nothing is read past it.
    rec[dev::kType] = 17;
    line.writes.clear();
    line.script.assign({c(0, 0x60), c(1, 0x64), c(2, 0x72, {1, d})});
    EXPECT_EQ(db->LcpCommand(l, 1, slot, 0), kResultBadReply);
    EXPECT_EQ(rec[dev::kType], 17);

    // State: taken only when the reply names the device's type.
    line.script.assign({c(0, 0x60), c(1, 0x64), c(2, 0x72, {1, d, 17, 5, 6, 7})});
    EXPECT_EQ(db->LcpCommand(l, 2, slot, 0), kResultOk);
    const auto& state = db->lcp(l)->deviceStates[d];
    EXPECT_EQ(state[0], 5);
    EXPECT_EQ(state[2], 7);
    line.script.assign({c(0, 0x60), c(1, 0x64), c(2, 0x72, {1, d, 99, 1, 1, 1})});
    EXPECT_EQ(db->LcpCommand(l, 2, slot, 0), kResultBadReply);

    // A command that the console answers with "done"; and one it cannot pass on.
    line.script.assign({c(0, 0x60), c(1, 0x64), c(2, 0x64)});
    EXPECT_EQ(db->LcpCommand(l, 0xF2, slot, 0), kResultOk);
    line.script.assign({c(0, 0x60), c(1, 0x64), c(2, 0x75)});
    EXPECT_EQ(db->LcpCommand(l, 3, slot, 0), kResultNoTargetLink);
}
