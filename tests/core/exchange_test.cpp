// The port opening, the exchange log and the request/response exchange over
// a scripted fake line and a fake clock.
#include <gtest/gtest.h>

#include "base/crc8.h"
#include "base/file_io.h"
#include "base/text.h"
#include "link/exchange_log.h"
#include "link/port_search.h"
#include "link/result_codes.h"
#include "support/fake_port.h"
#include "support/log_lines.h"
#include "support/recording_prompter.h"
#include "support/temp_dir.h"
#include "support/test_dbase.h"

namespace tavrin::test {
namespace {

// A database on the fake line "COM7" with the log on, its settings saved.
struct Bench {
    explicit Bench(int family = 2) {
        ctx.programFolder = dir.path();
        ctx.settingsPath = dir / "Tavrin.ini";
        ctx.prompter = &prompter;
        ctx.clock = &clock;
        ctx.ports = &ports;
        ports.lines["COM7"] = &line;
        ports.names = {"COM7"};
        db = std::make_unique<TestDBase>(family, ctx);
        db->portName = "COM7";
        db->logEnabled = true;
        db->simulation = false;
        db->SavePortSettings();
    }

    // The log's lines with the time stamps taken off ("" for empty lines).
    std::vector<std::string> log() const { return logLines(db->LogFilePath()); }
    int count(const std::string& text) const {
        int n = 0;
        for (const auto& l : log())
            n += l == text;
        return n;
    }
    // Replies `reply` to every request, after `delayMs`.
    void answerAlways(const Bytes& reply, std::uint64_t delayMs = 2) {
        line.onWrite = [this, reply, delayMs](ByteSpan) { line.arrive(delayMs, reply); };
    }

    TempDir dir;
    FakeClock clock;
    FakeLine line{clock};
    FakePortFactory ports;
    RecordingPrompter prompter;
    AppContext ctx;
    std::unique_ptr<TestDBase> db;
};

const Bytes kVersionRequest = k2Frame({20});

TEST(Exchange, SuccessLogsTheWholeSessionAndConfiguresThePort) {
    Bench b;
    const Bytes reply = k2Frame({20, '1', '.', '0', '4'});
    b.answerAlways(reply);
    Bytes got;
    EXPECT_EQ(b.db->Exchange(got, kVersionRequest), 0);
    EXPECT_EQ(got, reply);
    EXPECT_EQ(b.line.state.baudRate, 128000u);
    EXPECT_EQ(b.line.state.byteSize, 8);
    EXPECT_FALSE(b.line.state.parityCheck);
    EXPECT_EQ(b.line.timeouts.readInterval, 10u);
    EXPECT_EQ(b.line.timeouts.readTotalMultiplier, 10u);
    EXPECT_EQ(b.line.timeouts.readTotalConstant, 1000u);
    b.db->ClosePort();
    EXPECT_FALSE(b.db->IsLogOpen());
    const std::vector<std::string> expected = {"",
                                               "",
                                               "Открытие порта",
                                               "Порт открыт",
                                               "Порт открыт и настроен",
                                               "Передача:",
                                               hexBytes(kVersionRequest) + " ",
                                               "Прием:",
                                               hexBytes(reply) + " ",
                                               "Порт закрыт"};
    EXPECT_EQ(b.log(), expected);
}

TEST(Exchange, LogFileIsNamedAfterTheDayAndRewrittenByEachOpening) {
    Bench b;
    EXPECT_EQ(b.db->LogFilePath(), b.dir / "Tavrin_12_08_26.log");
    b.answerAlways(k2Frame({20, '1', '.', '0', '4'}));
    Bytes got;
    ASSERT_EQ(b.db->Exchange(got, kVersionRequest), 0);
    b.db->ClosePort();
    ASSERT_EQ(b.db->Exchange(got, k2Frame({19})), 0);
    b.db->ClosePort();
    EXPECT_EQ(b.count("Открытие порта"), 1);
    EXPECT_EQ(b.count(hexBytes(k2Frame({19})) + " "), 1);
    EXPECT_EQ(b.count(hexBytes(kVersionRequest) + " "), 0);
}

TEST(ExchangeLog, LongFramesAreCutAt330BytesWithANote) {
    const LocalTime t{2026, 1, 2, 3, 4, 5, 6, 0};
    EXPECT_EQ(logTextLine(t, "Прием:"), "03:04:05.006 " + utf8ToCp1251("Прием:") + "\n");
    EXPECT_EQ(logTextLine(t, ""), "\n");
    EXPECT_EQ(logByteLine(t, Bytes{0x0A, 0xFF}), "03:04:05.006 0A FF \n");
    EXPECT_EQ(logFileName(LocalTime{2026, 12, 8}), "Tavrin_12_08_26.log");

    for (const std::size_t n : {329u, 330u, 331u}) {
        Bench b;
        b.db->OpenLog("w");
        b.db->LogBytes(Bytes(n, 0xAB));
        b.db->CloseLog();
        const auto lines = b.log();
        ASSERT_GE(lines.size(), 4u);
        EXPECT_EQ(lines[3].size(), std::min<std::size_t>(n, 330) * 3) << n;
        const bool note = lines.back() == "Недостаточная длина буфера в логе";
        EXPECT_EQ(note, n >= 330) << n;
    }
}

// One row of the failure table: the line's behaviour, the code, and how
// many requests were sent.
struct FailureRow {
    const char* name;
    std::function<void(Bench&)> script;
    int code;
    int requests;
    std::vector<std::string> mustLog;
};

class ExchangeFailures : public ::testing::TestWithParam<FailureRow> {};

TEST_P(ExchangeFailures, EndWithTheirCodeAndLog) {
    const FailureRow& row = GetParam();
    Bench b;
    row.script(b);
    Bytes got;
    EXPECT_EQ(b.db->Exchange(got, kVersionRequest), row.code);
    EXPECT_EQ(static_cast<int>(b.line.writes.size()), row.requests);
    EXPECT_EQ(b.count("Передача:"), 1);
    EXPECT_EQ(b.count("Повторная передача:"), row.requests - 1);
    for (const auto& text : row.mustLog)
        EXPECT_GE(b.count(text), 1) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExchangeFailures,
    ::testing::Values(FailureRow{"silent_panel_never_answered",
                                 [](Bench&) {},
                                 kResultNoLink,
                                 4,
                                 {"Прием:", "Ошибка ТА", ""}},
                      FailureRow{"silent_after_an_answer",
                                 [](Bench& b) {
                                     b.db->OpenPort();
                                     b.db->deviceAnswered = true;
                                 },
                                 kResultNoAnswer,
                                 4,
                                 {"Ошибка ТА"}},
                      FailureRow{"reply_cut_short",
                                 [](Bench& b) {
                                     b.answerAlways(Bytes{6, 20, '1'});
                                 },
                                 kResultNoAnswer,
                                 4,
                                 {"Ошибка ТА", "06 14 31 "}},
                      FailureRow{"wrong_checksum",
                                 [](Bench& b) {
                                     Bytes r = k2Frame({20, '1', '.', '0', '4'});
                                     r.back() ^= 0xFF;
                                     b.answerAlways(r);
                                 },
                                 kResultConfiguratorCrc,
                                 4,
                                 {"Прием:", "Ошибка CRC"}},
                      FailureRow{"refusal",
                                 [](Bench& b) { b.answerAlways(k2Frame({0xFE})); },
                                 kResultRefused,
                                 4,
                                 {"Ошибка - отказ прибора от приема команды"}},
                      FailureRow{"request_partly_written",
                                 [](Bench& b) { b.line.shortWrite = 1; },
                                 kResultNotAllSent,
                                 1,
                                 {}},
                      FailureRow{"success_after_two_failed_passes",
                                 [](Bench& b) {
                                     b.line.onWrite = [&b](ByteSpan) {
                                         if (b.line.writes.size() == 3)
                                             b.line.arrive(1, k2Frame({20, '1', '.', '0', '4'}));
                                     };
                                 },
                                 kResultOk,
                                 3,
                                 {}}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(Exchange, SilentPanelCostsAboutSevenSeconds) {
    Bench b;
    Bytes got;
    EXPECT_EQ(b.db->Exchange(got, kVersionRequest), kResultNoLink);
    EXPECT_TRUE(got.empty());
    EXPECT_GE(b.clock.ticks, 7000u);
    EXPECT_LE(b.clock.ticks, 7200u);
}

TEST(Exchange, FourAfterTheFirstAnswerFourteenBefore) {
    Bench b;
    b.answerAlways(k2Frame({20, '1', '.', '0', '4'}));
    Bytes got;
    ASSERT_EQ(b.db->Exchange(got, kVersionRequest), 0);
    b.line.onWrite = nullptr;
    EXPECT_EQ(b.db->Exchange(got, kVersionRequest), kResultNoAnswer);
    // Opening the port again forgets the answer.
    b.db->ClosePort();
    EXPECT_EQ(b.db->Exchange(got, kVersionRequest), kResultNoLink);
}

TEST(Exchange, GarbageIsDrainedBeforeTheRepeatedPass) {
    Bench b;
    const Bytes reply = k2Frame({20, '1', '.', '0', '4'});
    b.line.onWrite = [&](ByteSpan) {
        if (b.line.writes.size() == 1) {
            b.line.arrive(1, Bytes{0x03, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA});
        } else {
            b.line.arrive(1, reply);
        }
    };
    Bytes got;
    EXPECT_EQ(b.db->Exchange(got, kVersionRequest), 0);
    EXPECT_EQ(got, reply);
    EXPECT_EQ(b.line.writes.size(), 2u);
}

TEST(Exchange, StopPressedWhileTheLastPassSucceedsGivesTwentyOne) {
    Bench b;
    const Bytes reply = k2Frame({20, '1', '.', '0', '4'});
    b.line.onWrite = [&](ByteSpan) {
        b.line.arrive(1, reply);
        b.db->exchangeActive.cancel();
    };
    Bytes got;
    EXPECT_EQ(b.db->Exchange(got, kVersionRequest), kResultStoppedByUser);
    EXPECT_EQ(got, reply);
    EXPECT_EQ(b.line.writes.size(), 1u);
}

TEST(Exchange, StopEndsTheRepetitionsAfterTheCurrentPass) {
    Bench b;
    b.line.onWrite = [&](ByteSpan) { b.db->exchangeActive.cancel(); };
    Bytes got;
    EXPECT_EQ(b.db->Exchange(got, kVersionRequest), kResultStoppedByUser);
    EXPECT_EQ(b.line.writes.size(), 1u);
}

struct RecordingCancelWindow : CancelWindow {
    void show(const std::string& title, CancelToken& flag) override {
        shown.push_back(title);
        token = &flag;
    }
    void hide() override { ++hides; }
    std::vector<std::string> shown;
    CancelToken* token = nullptr;
    int hides = 0;
};

TEST(Exchange, StopPressedBetweenTwoRequestsOfAnOperationIsNotLost) {
    Bench b;
    RecordingCancelWindow window;
    b.ctx.cancelWindow = &window;
    b.answerAlways(k2Frame({20, '1', '.', '0', '4'}));
    ASSERT_TRUE(b.db->OpenPort());
    b.db->StartCancelWindow("Чтение базы прибора");
    EXPECT_EQ(b.clock.sleeps.back(), 100u);
    EXPECT_EQ(window.shown, std::vector<std::string>{"Чтение базы прибора"});
    EXPECT_EQ(b.db->operationTitle, "Чтение базы прибора");
    Bytes got;
    ASSERT_EQ(b.db->Exchange(got, kVersionRequest), 0);
    ASSERT_EQ(window.token, &b.db->exchangeActive);
    window.token->cancel();  // "Остановить"
    EXPECT_EQ(b.db->Exchange(got, kVersionRequest), kResultStoppedByUser);
    EXPECT_EQ(b.line.writes.size(), 1u);
    b.db->FinishOperation();
    EXPECT_EQ(window.hides, 1);
    EXPECT_FALSE(b.db->IsPortOpen());
    // The next operation starts afresh.
    EXPECT_EQ(b.db->Exchange(got, kVersionRequest), 0);
}

TEST(Exchange, SimulationAsksTheFamilyAndARefusalEndsAfterOnePass) {
    Bench b;
    b.db->simulation = true;
    b.db->SavePortSettings();
    int calls = 0;
    b.db->simulate = [&](ByteSpan, std::span<std::uint8_t, DBase::kReplyBufferSize> out) {
        ++calls;
        const Bytes r = k2Frame({0xFE});
        std::copy(r.begin(), r.end(), out.begin());
        return static_cast<int>(r.size());
    };
    Bytes got;
    EXPECT_EQ(b.db->Exchange(got, kVersionRequest), kResultRefused);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(b.line.writes.empty());
    EXPECT_EQ(got, k2Frame({0xFE}));

    // A bad checksum is repeated as on the line.
    b.db->simulate = [&](ByteSpan, std::span<std::uint8_t, DBase::kReplyBufferSize> out) {
        ++calls;
        out[0] = 2;
        out[1] = 0xFF;
        out[2] = 0;
        return 3;
    };
    calls = 0;
    EXPECT_EQ(b.db->Exchange(got, kVersionRequest), kResultConfiguratorCrc);
    EXPECT_EQ(calls, 4);
}

TEST(Exchange, SecondFamilyReadsTheSecondReplyOfAFirmwareFrame) {
    struct Row {
        std::uint8_t secondType;
        int code;
        std::size_t requests;
    };
    for (const Row row : {Row{0x0A, 0, 1}, Row{0x0B, kResultBadReply, 1}}) {
        Bench b(1);
        const Bytes ack = r7Frame(1, {0, 9, 0});
        const Bytes second = r7Frame(1, {0, row.secondType, 0});
        b.line.onWrite = [&](ByteSpan) {
            b.line.arrive(1, ack);
            b.line.arrive(5, second);
        };
        Bytes got;
        Bytes request = r7Frame(1, {1, 9, 0, 1, 0, 0});
        EXPECT_EQ(b.db->Exchange(got, request), row.code);
        EXPECT_EQ(got, second);
        EXPECT_EQ(b.line.writes.size(), row.requests);
    }
}

TEST(Exchange, SecondFamilyFailures) {
    struct Row {
        const char* name;
        Bytes reply;
        int code;
        const char* logged;
    };
    Bytes tooLong = {1, 0, 253};
    tooLong.resize(300, 0x11);
    const Row rows[] = {
        {"short header", Bytes{1, 0}, kResultNoAnswer, "Ошибка ТА1"},
        {"short body", Bytes{1, 0, 4, 0, 6}, kResultNoAnswer, "Ошибка ТА2"},
        {"refusal", r7Frame(1, {0, 6, 2}), kResultRefused,
         "Ошибка - отказ прибора от приема команды"},
        {"longer than the reply buffer", tooLong, kResultBadDataLength, "Ошибка длины"},
    };
    for (const Row& row : rows) {
        Bench b(1);
        b.answerAlways(row.reply);
        Bytes got;
        EXPECT_EQ(b.db->Exchange(got, r7Frame(1, {1, 6})), row.code) << row.name;
        EXPECT_LE(got.size(), static_cast<std::size_t>(DBase::kReplyBufferSize));
        EXPECT_GE(b.count(row.logged), 1) << row.name;
    }
}

TEST(PortOpening, FailuresAreLoggedAndGiveThree) {
    struct Row {
        const char* name;
        std::function<void(FakeLine&)> breakIt;
        std::vector<std::string> logged;
        bool messageBox;
    };
    const Row rows[] = {
        {"cannot open",
         [](FakeLine& l) { l.failedOpens = 2; },
         {"Открытие порта", systemErrorText(2), systemErrorText(2), "Порт закрыт"},
         false},
        {"state not read",
         [](FakeLine& l) { l.failGetState = true; },
         {"Порт открыт", "Параметры не считаны", "Не установились параметры порта"},
         true},
        {"state not set",
         [](FakeLine& l) { l.failSetState = true; },
         {"Параметры не записаны", std::string(28 * 3, ' ')},
         true},
        {"time-outs not read",
         [](FakeLine& l) { l.failGetTimeouts = true; },
         {"ТА не считаны"},
         true},
        {"time-outs not set",
         [](FakeLine& l) { l.failSetTimeouts = true; },
         {"ТА не записаны"},
         true},
    };
    for (const Row& row : rows) {
        Bench b;
        row.breakIt(b.line);
        Bytes got;
        EXPECT_EQ(b.db->Exchange(got, kVersionRequest), kResultPortNotOpen) << row.name;
        EXPECT_FALSE(b.db->IsPortOpen());
        EXPECT_FALSE(b.db->IsLogOpen());
        EXPECT_EQ(b.clock.sleeps, std::vector<unsigned>{1000}) << row.name;
        EXPECT_EQ(b.prompter.calls.size(), row.messageBox ? 2u : 0u) << row.name;
        if (row.messageBox) {
            EXPECT_EQ(b.prompter.calls[0].title, "COM");
        }
        const auto lines = b.log();
        for (const auto& text : row.logged) {
            if (text.find_first_not_of(' ') == std::string::npos) {
                // The 28-byte device-control block as a byte line.
                bool found = false;
                for (const auto& l : lines)
                    found |= l.size() == text.size();
                EXPECT_TRUE(found) << row.name;
            } else {
                EXPECT_NE(std::find(lines.begin(), lines.end(), text), lines.end())
                    << row.name << ": " << text;
            }
        }
    }
}

TEST(PortOpening, ALogThatCannotBeCreatedIsReportedAndTheOperationGoesOn) {
    Bench b;
    b.answerAlways(k2Frame({20, '1', '.', '0', '4'}));
    b.ctx.programFolder = b.dir / "missing-folder";
    Bytes got;
    EXPECT_EQ(b.db->Exchange(got, kVersionRequest), 0);
    EXPECT_FALSE(b.db->IsLogOpen());
    ASSERT_EQ(b.prompter.calls.size(), 1u);
    EXPECT_EQ(b.prompter.calls[0].title, "Создание лога");
    EXPECT_EQ(b.prompter.calls[0].icon, PromptIcon::Error);
    EXPECT_FALSE(b.db->logRewrite);
}

TEST(PortOpening, EmptyPortNameGivesThreeWithoutALog) {
    Bench b;
    b.db->portName.clear();
    Bytes got;
    EXPECT_EQ(b.db->Exchange(got, kVersionRequest), kResultPortNotOpen);
    EXPECT_FALSE(std::filesystem::exists(b.db->LogFilePath()));
}

TEST(PortOpening, ParityAndStopBitsReachThePort) {
    Bench b;
    b.db->parity = kParityMark;
    b.db->stopBits = kStopBits15;
    b.db->baudRate = 256000;
    b.db->SavePortSettings();
    ASSERT_TRUE(b.db->OpenPort());
    EXPECT_EQ(b.line.state.parity, kParityMark);
    EXPECT_TRUE(b.line.state.parityCheck);
    EXPECT_EQ(b.line.state.stopBits, kStopBits15);
    EXPECT_EQ(b.line.state.baudRate, 256000u);
}

TEST(PortSearch, FindsTheFirstPortThatAnswers) {
    Bench b;
    FakeLine silent(b.clock), other(b.clock);
    b.ports.lines["COM1"] = &silent;
    b.ports.lines["COM4"] = &other;
    b.ports.names = {"COM1", "COM2", "COM4", "COM7"};
    other.onWrite = [&](ByteSpan) { other.arrive(1, k2Frame({20, '1', '.', '0', '4'})); };
    b.answerAlways(k2Frame({20, '1', '.', '0', '4'}));
    std::vector<std::string> shown;
    const PortSearchResult r = searchPort(
        Family::K2, b.ctx, [&](const std::string& p) { shown.push_back(p); }, makeTestDatabase);
    EXPECT_EQ(r.outcome, PortSearchResult::Outcome::Found);
    EXPECT_EQ(r.port, "COM4");
    EXPECT_EQ(shown, (std::vector<std::string>{"COM1", "COM2", "COM4"}));
    EXPECT_EQ(silent.timeouts.readTotalConstant, 150u);
    EXPECT_EQ(silent.timeouts.readInterval, 5u);
    EXPECT_EQ(silent.timeouts.readTotalMultiplier, 5u);

    // "No" leaves the port as it was; "Yes" stores and saves it.
    b.prompter.answers = {PromptAnswer::No};
    EXPECT_FALSE(reportPortSearch(r, *b.db, b.prompter));
    EXPECT_EQ(b.db->portName, "COM7");
    EXPECT_EQ(b.prompter.calls.back().text, "Обнаружен прибор на COM4\nВнести в базу?");
    EXPECT_TRUE(reportPortSearch(r, *b.db, b.prompter));
    EXPECT_EQ(b.db->portName, "COM4");
    b.db->LoadPortSettings();
    EXPECT_EQ(b.db->portName, "COM4");
    EXPECT_FALSE(reportPortSearch(r, *b.db, b.prompter));
    EXPECT_EQ(b.prompter.calls.back().text, kPortSearchSamePort);
}

TEST(PortSearch, OutcomesWithoutAnAnswer) {
    Bench b;
    b.ports.names.clear();
    EXPECT_EQ(searchPort(Family::K2, b.ctx, {}, makeTestDatabase).outcome,
              PortSearchResult::Outcome::NoPorts);
    b.ports.names = {"COM7"};
    EXPECT_EQ(searchPort(Family::S5, b.ctx, {}, makeTestDatabase).outcome,
              PortSearchResult::Outcome::NotImplemented);
    const PortSearchResult r = searchPort(Family::K2, b.ctx, {}, makeTestDatabase);
    EXPECT_EQ(r.outcome, PortSearchResult::Outcome::NotFound);
    reportPortSearch(r, *b.db, b.prompter);
    EXPECT_EQ(b.prompter.calls.back().text, kPortSearchNotFound);
    EXPECT_EQ(b.prompter.calls.back().title, kPortSearchTitle);
}

}  // namespace
}  // namespace tavrin::test

namespace tavrin::test {
namespace {

// The fake line keeps the Windows read time-outs that the exchange relies on.
TEST(FakeLine, ReadsEndAsTheWindowsTimeOutsSay) {
    struct Row {
        const char* name;
        PortTimeouts timeouts;
        std::vector<std::pair<std::uint64_t, std::uint64_t>> arrivals;  // (delay, gap) of 3 bytes
        int want;
        int got;
        std::uint64_t endsAt;
    };
    const Row rows[] = {
        {"all bytes came", {10, 10, 1000, 0, 0}, {{5, 1}}, 3, 3, 7},
        {"silence: total time-out", {10, 10, 1000, 0, 0}, {}, 4, 0, 1040},
        {"pause after a byte: interval", {10, 10, 1000, 0, 0}, {{5, 50}}, 3, 1, 15},
        {"dribbling line: total", {30, 0, 100, 0, 0}, {{0, 25}, {75, 25}}, 10, 5, 100},
        {"no time-outs: what will come", {0, 0, 0, 0, 0}, {{400, 100}}, 5, 3, 600},
    };
    for (const Row& row : rows) {
        FakeClock clock;
        FakeLine line(clock);
        line.timeouts = row.timeouts;
        for (const auto& [delay, gap] : row.arrivals)
            line.arrive(delay, Bytes{1, 2, 3}, gap);
        FakePort port(line);
        std::uint8_t buf[16] = {};
        EXPECT_EQ(port.read(buf, row.want), row.got) << row.name;
        EXPECT_EQ(clock.ticks, row.endsAt) << row.name;
    }
}

}  // namespace
}  // namespace tavrin::test
