// The exchange over a real pseudo-terminal against tavrin-panelsim, one case
// per row of the failure table, with the log checked line by line.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "base/bytes.h"
#include "base/file_io.h"
#include "link/result_codes.h"
#include "support/fake_port.h"
#include "support/log_lines.h"
#include "support/recording_prompter.h"
#include "support/sim_process.h"
#include "support/temp_dir.h"
#include "support/test_dbase.h"

namespace tavrin::test {
namespace {

// A database on the simulator's terminal, logging, with short time-outs.
struct Link {
    Link(int family, std::vector<std::string> simArgs)
        : sim([&] {
              simArgs.insert(simArgs.begin(), {"--family", family == 1 ? "r7" : "k2"});
              return simArgs;
          }()) {
        ctx = makeAppContext(dir.path());
        ctx.prompter = &prompter;
        db = std::make_unique<TestDBase>(family, ctx);
        db->portName = sim.path();
        db->logEnabled = true;
        db->simulation = false;
        db->SavePortSettings();
        db->readTotalTimeoutConstant = 150;
        db->readIntervalTimeout = 20;
        db->readTotalTimeoutMultiplier = 2;
    }
    std::vector<std::string> log() const { return logLines(db->LogFilePath()); }

    SimProcess sim;
    TempDir dir;
    RecordingPrompter prompter;
    AppContext ctx;
    std::unique_ptr<TestDBase> db;
};

const Bytes kK2Version = k2Frame({20});
const Bytes kK2VersionReply = k2Frame({20, '1', '.', '0', '4'});
const std::vector<std::string> kOpening = {"", "", "Открытие порта", "Порт открыт",
                                           "Порт открыт и настроен"};

std::string hexLine(const Bytes& b) {
    return hexBytes(b) + " ";
}

std::vector<std::string> concat(std::vector<std::vector<std::string>> parts) {
    std::vector<std::string> out;
    for (auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// The lines of a pass: its heading, the request and what the pass logged.
std::vector<std::string> pass(bool first, const Bytes& request, std::vector<std::string> tail) {
    std::vector<std::string> out{first ? "Передача:" : "Повторная передача:", hexLine(request)};
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}

TEST(ExchangeE2E, SuccessOnTheFirstPass) {
    Link l(2, {});
    ASSERT_TRUE(l.sim.started());
    Bytes reply;
    EXPECT_EQ(l.db->Exchange(reply, kK2Version), kResultOk);
    EXPECT_EQ(reply, kK2VersionReply);
    l.db->ClosePort();
    EXPECT_EQ(l.log(), concat({kOpening,
                               pass(true, kK2Version, {"Прием:", hexLine(kK2VersionReply)}),
                               {"Порт закрыт"}}));
    EXPECT_TRUE(l.prompter.calls.empty());
}

TEST(ExchangeE2E, PortThatCannotBeOpenedGivesThree) {
    Link l(2, {});
    l.db->portName = (l.dir / "no-such-port").string();
    l.db->SavePortSettings();
    Bytes reply;
    EXPECT_EQ(l.db->Exchange(reply, kK2Version), kResultPortNotOpen);
    const std::string error = systemErrorText(2);
    EXPECT_EQ(l.log(),
              (std::vector<std::string>{"", "", "Открытие порта", error, error, "Порт закрыт"}));
}

TEST(ExchangeE2E, PanelThatNeverAnsweredGivesFourteenAfterAllPasses) {
    Link l(2, {"--fault", "silence@1"});
    Bytes reply;
    EXPECT_EQ(l.db->Exchange(reply, kK2Version), kResultNoLink);
    EXPECT_TRUE(reply.empty());
    const std::vector<std::string> silent = {"Прием:", "Ошибка ТА", ""};
    EXPECT_EQ(l.log(),
              concat({kOpening, pass(true, kK2Version, silent), pass(false, kK2Version, silent),
                      pass(false, kK2Version, silent), pass(false, kK2Version, silent)}));
}

TEST(ExchangeE2E, SilenceAfterAnAnswerGivesFour) {
    Link l(2, {"--fault", "silence@2"});
    Bytes reply;
    ASSERT_EQ(l.db->Exchange(reply, kK2Version), kResultOk);
    EXPECT_EQ(l.db->Exchange(reply, kK2Version), kResultNoAnswer);
}

TEST(ExchangeE2E, ReplyCutShortGivesFour) {
    Link l(2, {"--fault", "cut=3%1"});
    Bytes reply;
    EXPECT_EQ(l.db->Exchange(reply, kK2Version), kResultNoAnswer);
    EXPECT_EQ(reply, Bytes(kK2VersionReply.begin(), kK2VersionReply.begin() + 3));
    const std::vector<std::string> cut = {"Ошибка ТА", "06 14 31 "};
    EXPECT_EQ(l.log(), concat({kOpening, pass(true, kK2Version, cut), pass(false, kK2Version, cut),
                               pass(false, kK2Version, cut), pass(false, kK2Version, cut)}));
}

TEST(ExchangeE2E, WrongChecksumGivesSix) {
    Link l(2, {"--fault", "badcrc%1"});
    Bytes reply;
    EXPECT_EQ(l.db->Exchange(reply, kK2Version), kResultConfiguratorCrc);
    Bytes bad = kK2VersionReply;
    bad.back() ^= 0x5A;
    EXPECT_EQ(reply, bad);
    const std::vector<std::string> crc = {"Прием:", "Ошибка CRC", hexLine(bad)};
    EXPECT_EQ(l.log(), concat({kOpening, pass(true, kK2Version, crc), pass(false, kK2Version, crc),
                               pass(false, kK2Version, crc), pass(false, kK2Version, crc)}));
}

TEST(ExchangeE2E, RefusalGivesSeven) {
    Link l(2, {"--fault", "refuse%1"});
    Bytes reply;
    EXPECT_EQ(l.db->Exchange(reply, kK2Version), kResultRefused);
    const std::vector<std::string> refused = {"Прием:", "Ошибка - отказ прибора от приема команды",
                                              hexLine(k2Frame({0xFE}))};
    EXPECT_EQ(l.log(),
              concat({kOpening, pass(true, kK2Version, refused), pass(false, kK2Version, refused),
                      pass(false, kK2Version, refused), pass(false, kK2Version, refused)}));
}

TEST(ExchangeE2E, SuccessAfterTwoFailedPasses) {
    Link l(2, {"--fault", "noreply@1", "--fault", "noreply@2"});
    Bytes reply;
    EXPECT_EQ(l.db->Exchange(reply, kK2Version), kResultOk);
    EXPECT_EQ(reply, kK2VersionReply);
    const std::vector<std::string> silent = {"Прием:", "Ошибка ТА", ""};
    EXPECT_EQ(l.log(),
              concat({kOpening, pass(true, kK2Version, silent), pass(false, kK2Version, silent),
                      pass(false, kK2Version, {"Прием:", hexLine(kK2VersionReply)})}));
}

TEST(ExchangeE2E, SpoiledRepliesAreRepeatedAfterDrainingTheLine) {
    for (const char* fault : {"garbage@1", "drop@1", "garbage=40@1", "delay=400@1"}) {
        Link l(2, {"--fault", fault});
        Bytes reply;
        EXPECT_EQ(l.db->Exchange(reply, kK2Version), kResultOk) << fault;
        EXPECT_EQ(reply, kK2VersionReply) << fault;
        const auto lines = l.log();
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "Повторная передача:"), 1) << fault;
    }
}

TEST(ExchangeE2E, StopPressedWhileTheLastPassSucceedsGivesTwentyOne) {
    Link l(2, {"--fault", "delay=800@1"});
    l.db->readTotalTimeoutConstant = 2000;
    std::thread stop([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        l.db->exchangeActive.cancel();
    });
    Bytes reply;
    const int code = l.db->Exchange(reply, kK2Version);
    stop.join();
    EXPECT_EQ(code, kResultStoppedByUser);
    EXPECT_EQ(reply, kK2VersionReply);
    EXPECT_EQ(l.log(),
              concat({kOpening, pass(true, kK2Version, {"Прием:", hexLine(kK2VersionReply)})}));
}

TEST(ExchangeE2E, SecondFamilyFirmwareFrameReadsBothReplies) {
    const Bytes request =
        r7Frame(1, {1, 9, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    ASSERT_EQ(request[2], 70);
    const Bytes second = r7Frame(1, {0, 0x0A, 0});
    {
        Link l(1, {});
        Bytes reply;
        EXPECT_EQ(l.db->Exchange(reply, request), kResultOk);
        EXPECT_EQ(reply, second);
    }
    {
        // A second reply of another type: 15 at once, no repetition.
        Link l(1, {"--fault", "second%1"});
        Bytes reply;
        EXPECT_EQ(l.db->Exchange(reply, request), kResultBadReply);
        const Bytes wrong = r7Frame(1, {0, 0x0B, 0});
        EXPECT_EQ(reply, wrong);
        EXPECT_EQ(l.log(), concat({kOpening, pass(true, request, {"Прием:", hexLine(wrong)})}));
    }
}

TEST(ExchangeE2E, SecondFamilyVersionAndRefusal) {
    Link l(1, {"--firmware", "2.5"});
    EXPECT_EQ(l.db->ReadVersion(), kResultOk);
    EXPECT_EQ(l.db->firmwareVersionText, "2.5");
    EXPECT_EQ(l.db->firmwareVersion, 517);
    Bytes reply;
    EXPECT_EQ(l.db->Exchange(reply, r7Frame(1, {1, 0x55})), kResultRefused);
    EXPECT_EQ(reply, r7Frame(1, {0, 0x55, 2}));
}

TEST(ExchangeE2E, PacedLineAtTheConfiguredSpeed) {
    Link l(2, {"--baud", "9600"});
    l.db->baudRate = 9600;
    l.db->SavePortSettings();
    Bytes reply;
    EXPECT_EQ(l.db->Exchange(reply, k2Frame({3, 0})), kResultOk);
    ASSERT_EQ(reply.size(), 4u + 7 * 8);
    EXPECT_EQ(reply[1], 3);
}

}  // namespace
}  // namespace tavrin::test
