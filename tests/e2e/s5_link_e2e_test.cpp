// The "Версан С5" console link over a real pseudo-terminal against the
// console of tavrin-panelsim: the version read through every fault the
// console can inject, a long series under retransmission, and the log.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

#include "families/s5/dbs5.h"
#include "link/result_codes.h"
#include "support/log_lines.h"
#include "support/sim_process.h"
#include "support/strict_prompter.h"
#include "support/temp_dir.h"

using namespace tavrin;
using namespace tavrin::s5;

namespace {

struct S5Console {
    explicit S5Console(std::vector<std::string> simArgs)
        : sim([&] {
              simArgs.insert(simArgs.begin(), {"--family", "s5", "--repeat", "200"});
              return simArgs;
          }()) {
        ctx = makeAppContext(dir.path());
        ctx.prompter = &prompter;
        db = std::make_unique<DBS5>(0, ctx);
        db->portName = sim.path();
        db->logEnabled = true;
        db->simulation = false;
        db->SavePortSettings();
    }

    std::vector<std::string> log() const { return test::logLines(db->LogFilePath()); }
    bool logHas(const std::string& line) const {
        const auto lines = log();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    test::TempDir dir;
    test::StrictPrompter prompter;
    test::SimProcess sim;
    AppContext ctx;
    std::unique_ptr<DBS5> db;
};

struct FaultCase {
    const char* fault;
    int result;
    const char* logLine;  // a line the log must hold (may be empty)
};

// Runs the cli in `dir`; its stdout and exit code.
std::pair<int, std::string> runCli(const std::filesystem::path& dir, const std::string& args) {
    const std::string command =
        "cd '" + dir.string() + "' && '" TAVRIN_CLI_PATH "' " + args + " 2>/dev/null";
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return {-1, out};
    char buf[512];
    while (const std::size_t n = fread(buf, 1, sizeof buf, p))
        out.append(buf, n);
    const int st = pclose(p);
    return {WIFEXITED(st) ? WEXITSTATUS(st) : -1, out};
}

}  // namespace

TEST(S5LinkE2E, CliReadVersion) {
    test::TempDir dir;
    test::SimProcess sim({"--family", "s5", "--firmware", "41"});
    ASSERT_TRUE(sim.started());
    const auto [status, out] =
        runCli(dir.path(), "read-version --family s5 --port '" + sim.path() + "' --log");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "firmware: 41\nКоманда выполнена\n");
    bool logged = false;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        logged = logged || e.path().filename().string().rfind("Tavrin_", 0) == 0;
    EXPECT_TRUE(logged);

    const auto [simStatus, simOut] = runCli(dir.path(), "read-version --family s5 --simulate");
    EXPECT_EQ(simStatus, 0);
    EXPECT_EQ(simOut, "firmware: 12\nКоманда выполнена\n");

    const auto [noPort, noPortOut] =
        runCli(dir.path(), "read-version --family s5 --port /dev/tavrin-none");
    EXPECT_EQ(noPort, 3);
    EXPECT_EQ(noPortOut, "Порт не открыт!  Сеанс обмена закрыт.\n");
}

TEST(S5LinkE2E, ReadVersion) {
    S5Console c({"--firmware", "37"});
    ASSERT_TRUE(c.sim.started());
    EXPECT_EQ(c.db->ReadVersion(), kResultOk);
    EXPECT_EQ(c.db->firmwareVersionText, "37");
    c.db->ClosePort();
    EXPECT_FALSE(c.db->link().running());
    const auto lines = c.log();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "Порт закрыт");
    EXPECT_TRUE(c.logHas("К пульту (OK):"));
    EXPECT_TRUE(c.logHas("К пульту:"));
}

TEST(S5LinkE2E, ReadVersionThroughFaults) {
    const FaultCase cases[] = {
        {"foreign@2", kResultOk, "Чужое сообщение"},
        {"badlength@3", kResultOk, "Ошибка в длине сообщения"},
        {"badlength=0@3", kResultOk, "Ошибка в длине сообщения"},
        {"badcrc@3", kResultOk, "Ошибка CRC"},
        {"split@3", kResultOk, ""},
        {"garbage=5@2", kResultOk, "Оставшийся мусор в буфере приема"},
        {"long@2", kResultOk, "Слишком длинное сообщение"},
        {"resync@3", kResultOk, "Сбой связи"},
        {"repeat@2", kResultOk, "К пульту (повторно):"},
        {"refuse@3", kResultNoTargetLink, ""},
        {"changedcode@1", kResultRefused, "Передача команд прекращена"},
        {"silence@3", kResultNoLink, "Нет сообщений от пульта в течении 5 сек.!"},
    };
    for (const FaultCase& tc : cases) {
        SCOPED_TRACE(tc.fault);
        S5Console c({"--fault", tc.fault});
        ASSERT_TRUE(c.sim.started());
        EXPECT_EQ(c.db->ReadVersion(), tc.result);
        c.db->ClosePort();
        if (tc.logLine[0]) {
            EXPECT_TRUE(c.logHas(tc.logLine));
        }
    }
}

TEST(S5LinkE2E, LongSeriesUnderRetransmission) {
    S5Console c({"--records", "255", "--fault", "repeat%7", "--fault", "wrongtype@40", "--fault",
                 "wrongaddress@90", "--fault", "badcrc%23", "--fault", "resync@150"});
    ASSERT_TRUE(c.sim.started());
    ASSERT_TRUE(c.db->OpenPort());
    auto rec = std::make_shared<ExchRec>();
    rec->frame = computerFrame(kKindReadRecords, {1, 'U', 0});
    rec->expectedLength = 70;
    c.db->link().requests().push(rec);
    std::vector<int> indexes;
    std::vector<std::uint8_t> types;
    const int result =
        c.db->link().WaitReplies(nullptr, nullptr, kReplyWaitMs, [&](const ExchRec& r) {
            types.push_back(r.reply[3]);
            indexes.push_back(r.reply[5]);
            return 0;
        });
    c.db->ClosePort();
    EXPECT_EQ(result, kResultOk);
    ASSERT_EQ(indexes.size(), 255u);
    for (int i = 0; i < 255; ++i)
        EXPECT_EQ(indexes[static_cast<std::size_t>(i)], i);
    EXPECT_EQ(types.back(), 'V');
    EXPECT_TRUE(c.logHas("К пульту (повторно):"));
    EXPECT_TRUE(c.logHas("Ошибка в адресе"));
}

TEST(S5LinkE2E, ClosingWhileTheConsoleTalksIsPrompt) {
    S5Console c({});
    ASSERT_TRUE(c.db->OpenPort());
    EXPECT_TRUE(c.db->link().running());
    const auto t0 = std::chrono::steady_clock::now();
    c.db->ClosePort();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(1000));
    EXPECT_FALSE(c.db->link().running());
}

TEST(S5LinkE2E, ConsoleAnswersFromADatabaseFolder) {
    test::TempDir folder;
    test::StrictPrompter prompter;
    AppContext ctx = makeAppContext(folder.path());
    ctx.prompter = &prompter;
    DBS5 source(0, ctx);
    const int l = source.AddLcp();
    for (int i = 0; i < 3; ++i) {
        const int slot = source.CreateElement(17, l);
        source.lcp(l)->devices[static_cast<std::size_t>(slot)][dev::kName] =
            static_cast<std::uint8_t>('A' + i);
    }
    source.Pack();
    ASSERT_TRUE(source.SaveToDisk((folder / "db").string()));
    DBS5 saved(0, ctx);
    ASSERT_TRUE(saved.LoadFromDisk((folder / "db").string()));

    S5Console c({"--db", (folder / "db").string()});
    ASSERT_TRUE(c.sim.started());
    ASSERT_TRUE(c.db->OpenPort());
    auto rec = std::make_shared<ExchRec>();
    rec->frame = computerFrame(kKindReadRecords, {1, 'U', 0});
    rec->expectedLength = 70;
    c.db->link().requests().push(rec);
    std::vector<Bytes> records;
    EXPECT_EQ(c.db->link().WaitReplies(nullptr, nullptr, kReplyWaitMs,
                                       [&](const ExchRec& r) {
                                           records.emplace_back(r.reply.begin() + 6,
                                                                r.reply.end() - 1);
                                           return 0;
                                       }),
              kResultOk);
    c.db->ClosePort();
    ASSERT_EQ(records.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        // The records travel as the folder keeps them: names blank-padded.
        std::uint8_t disk[dev::kDiskSize];
        deviceToDisk(saved.lcp(1)->devices[i], disk);
        EXPECT_EQ(records[i], Bytes(disk, disk + dev::kDiskSize)) << i;
    }
}
