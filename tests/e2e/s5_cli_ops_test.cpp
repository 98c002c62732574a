// tavrin-cli's "Версан С5" console commands as subprocesses against the
// console of tavrin-panelsim: stdout, the result line and the exit code.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "base/text.h"
#include "s5_ops_fixture.h"
#include "support/sim_process.h"
#include "support/temp_dir.h"

using namespace tavrin;
namespace fs = std::filesystem;

namespace {

struct CliRun {
    int status = -1;
    std::string out;  // stdout only
};

CliRun runCli(const fs::path& dir, const std::string& args) {
    CliRun r;
    const std::string command =
        "cd '" + dir.string() + "' && '" TAVRIN_CLI_PATH "' " + args + " 2>/dev/null";
    FILE* p = popen(command.c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf;
    std::size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0)
        r.out.append(buf.data(), n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

std::string lastLine(const std::string& out) {
    std::string s = out;
    if (!s.empty() && s.back() == '\n') s.pop_back();
    const auto nl = s.rfind('\n');
    return nl == std::string::npos ? s : s.substr(nl + 1);
}

constexpr const char* kDone = "Команда выполнена";

}  // namespace

TEST(S5CliOps, DatabaseCompareJournalArchiveAndDust) {
    test::TempDir dir;
    test::SimProcess sim({"--family", "s5", "--lcps", "2", "--records", "4", "--idle", "5",
                          "--repeat", "200", "--journal", "9", "--archives", "2"});
    ASSERT_TRUE(sim.started());
    const std::string port = " --port '" + sim.path() + "'";

    CliRun r = runCli(dir.path(), "read-db --family s5 -o db" + port);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "firmware: 12\nlcps: 2\nfolder: db\n" + std::string(kDone) + "\n");
    ASSERT_TRUE(fs::exists(dir / "db" / "DBAU.002"));

    r = runCli(dir.path(), "compare db" + port);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("LCP 2 / Объекты\t\t"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Отличается"), std::string::npos) << r.out;
    EXPECT_EQ(lastLine(r.out), kDone);

    r = runCli(dir.path(), "write-db db --family s5 --yes" + port);
    EXPECT_EQ(r.status, 0) << r.out;
    r = runCli(dir.path(), "write-db db --family s5 --lcp 2 --yes" + port);
    EXPECT_EQ(r.status, 0) << r.out;
    // Without --yes the question is answered No: nothing is written.
    r = runCli(dir.path(), "write-db db --family s5" + port);
    EXPECT_EQ(r.status, 18);

    r = runCli(dir.path(), "read-journal --family s5 --db db -o j.vsj" + port);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("records: 9\n"), std::string::npos) << r.out;
    EXPECT_TRUE(fs::exists(dir / "j.vsj"));
    r = runCli(dir.path(),
               "show-journal j.vsj --from '01/03/26 00:00:00' --to '31/03/26 23:59:59'");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("03/03/26 ", 0), 0u) << r.out;  // the one event of March

    r = runCli(dir.path(), "read-archive-list" + port);
    EXPECT_EQ(r.out, "ARC00001.DAT\nARC00002.DAT\n" + std::string(kDone) + "\n");
    r = runCli(dir.path(), "read-archive ARC00002.DAT --db db" + port);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(fs::exists(dir / "ARC00002.vsj"));

    r = runCli(dir.path(), "read-dust --family s5 --db db" + port);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("file: Zap.conf"), std::string::npos);
    r = runCli(dir.path(), "show-dust Zap.conf");
    EXPECT_NE(r.out.find("LCP 2"), std::string::npos) << r.out;
}

// With the family's backup switched on, a write first saves the console's
// database as a folder in backups/ (file for file what the console held);
// that folder written back gives the console its old database again.
TEST(S5CliOps, BackupFolderRestoresTheConsole) {
    test::TempDir dir;
    std::ofstream(dir / "Tavrin.ini", std::ios::binary)
        << utf8ToCp1251("[Версан_С5]\r\nКопия_перед_записью=да\r\n");
    test::SimProcess other(
        {"--family", "s5", "--lcps", "1", "--records", "1", "--idle", "5", "--repeat", "200"});
    test::SimProcess sim(
        {"--family", "s5", "--lcps", "2", "--records", "3", "--idle", "5", "--repeat", "200"});
    ASSERT_TRUE(other.started() && sim.started());
    const std::string port = " --port '" + sim.path() + "'";
    CliRun r = runCli(dir.path(), "read-db --family s5 -o new --port '" + other.path() + "'");
    ASSERT_EQ(r.status, 0) << r.out;
    r = runCli(dir.path(), "read-db --family s5 -o before" + port);
    ASSERT_EQ(r.status, 0) << r.out;

    r = runCli(dir.path(), "write-db new --family s5 --yes" + port);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("backup: "), std::string::npos) << r.out;
    std::vector<fs::path> backups;
    for (const auto& e : fs::directory_iterator(dir / "backups"))
        backups.push_back(e.path());
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_TRUE(fs::is_directory(backups[0]));
    EXPECT_EQ(backups[0].filename().string().rfind("Версан_С5_0_", 0), 0u) << backups[0];
    EXPECT_EQ(test::folderFiles(backups[0]), test::folderFiles(dir / "before"));

    r = runCli(dir.path(),
               "write-db '" + backups[0].string() + "' --family s5 --yes --no-backup" + port);
    EXPECT_EQ(r.status, 0) << r.out;
    r = runCli(dir.path(), "read-db --family s5 -o after" + port);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(test::folderFiles(dir / "after"), test::folderFiles(dir / "before"));
}

TEST(S5CliOps, SdCardClockEventsAndUsage) {
    test::TempDir dir;
    test::TempDir sd;
    test::SimProcess sim({"--family", "s5", "--idle", "5", "--repeat", "200", "--sd-dir",
                          sd.path().string(), "--ops-log", (dir.path() / "ops.log").string()});
    ASSERT_TRUE(sim.started());
    const std::string port = " --port '" + sim.path() + "'";
    std::ofstream(dir.path() / "soft.bin", std::ios::binary) << std::string(200, 'x');

    CliRun r = runCli(dir.path(), "write-sd soft.bin --name SOFT.BIN --yes" + port);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(fs::file_size(sd.path() / "SOFT.BIN"), 200u);
    r = runCli(dir.path(), "update-firmware SOFT.BIN --target 1 --yes" + port);
    EXPECT_EQ(r.status, 0) << r.out;
    r = runCli(dir.path(), "set-time --family s5" + port);
    EXPECT_EQ(r.status, 0) << r.out;
    r = runCli(dir.path(), "clear-events faults" + port);
    EXPECT_EQ(r.status, 0) << r.out;
    std::ifstream log(dir.path() / "ops.log");
    std::string all((std::istreambuf_iterator<char>(log)), {});
    EXPECT_NE(all.find("sd SOFT.BIN 200\nreplace SOFT.BIN 1\nclock "), std::string::npos) << all;
    EXPECT_NE(all.find("clear 8\n"), std::string::npos) << all;

    // Refused before the console is asked.
    EXPECT_EQ(runCli(dir.path(), "clear-events some" + port).status, 1);
    EXPECT_EQ(runCli(dir.path(), "compare" + port).status, 1);
    EXPECT_EQ(runCli(dir.path(), "compare db --family k2" + port).status, 1);
    EXPECT_EQ(runCli(dir.path(), "read-archive ../x.dat" + port).status, 10);
    EXPECT_EQ(runCli(dir.path(), "read-db --family s5 --keys -o x" + port).status, 1);
}
