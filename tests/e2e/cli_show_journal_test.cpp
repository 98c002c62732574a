// tavrin-cli show-journal / show-dust as subprocesses: stdout and exit codes.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cstdio>

#include "base/file_io.h"
#include "files/dust_file.h"
#include "files/journal_file.h"
#include "support/temp_dir.h"

namespace tavrin {
namespace {

struct CliRun {
    int exitCode = -1;
    std::string out;
};

std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

CliRun runCli(const std::vector<std::string>& args) {
    std::string cmd = quoted(TAVRIN_CLI_PATH);
    for (const auto& a : args)
        cmd += " " + quoted(a);
    cmd += " 2>/dev/null";
    CliRun r;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    const int status = pclose(p);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

class ShowJournal : public ::testing::Test {
  protected:
    void SetUp() override {
        JournalFile f;
        f.records = {
            {"26/07/03 15:30:05", "Внимание", "ШС 1  Склад", "ИП 212 №3"},
            {"26/07/03 15:31:00", "ПОЖАР", "ШС 1  Склад", std::nullopt},
            {"26/07/04 08:00:00", "Нет связи", std::nullopt, "МАУ 2"},
        };
        path = pathToUtf8(dir / "Journal.tvj");
        ASSERT_TRUE(writeJournalFile(path, f));
    }
    test::TempDir dir;
    std::string path;
};

TEST_F(ShowJournal, FiltersAndGroupsAsTheDialogDoes) {
    struct Case {
        std::vector<std::string> options;
        std::string out;
    };
    const Case cases[] = {
        {{},
         "26/07/03 15:30:05\tВнимание\tШС 1  Склад\tИП 212 №3\n"
         "26/07/03 15:31:00\tПОЖАР\tШС 1  Склад\t\n"
         "26/07/04 08:00:00\tНет связи\t\tМАУ 2\n"},
        {{"--include", "склад", "--exclude", "пожар"},
         "26/07/03 15:30:05\tВнимание\tШС 1  Склад\tИП 212 №3\n"},
        {{"--from", "26/07/03 15:31", "--to", "26/07/31"},
         "26/07/03 15:31:00\tПОЖАР\tШС 1  Склад\t\n"
         "26/07/04 08:00:00\tНет связи\t\tМАУ 2\n"},
        {{"--group", "Шлейф"},
         "ШС 1  Склад --- [2]\n"
         "26/07/03 15:30:05\tВнимание\tШС 1  Склад\tИП 212 №3\n"
         "26/07/03 15:31:00\tПОЖАР\tШС 1  Склад\t\n"
         "(0) --- [1]\n"
         "26/07/04 08:00:00\tНет связи\t\tМАУ 2\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"show-journal", path};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const CliRun r = runCli(args);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out, c.out) << c.options.size();
    }
}

TEST_F(ShowJournal, RefusesWhatItCannotShow) {
    EXPECT_EQ(runCli({"show-journal", pathToUtf8(dir / "none.tvj")}).exitCode, 1);
    EXPECT_EQ(runCli({"show-journal", path, "--group", "Нет такой"}).exitCode, 1);
    // The "Версан С5" capacity of 0 refuses a "Талвир К2" journal.
    const CliRun r = runCli({"show-journal", path, "--family", "s5"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
}

TEST(ShowDust, RowsFilteredByLevel) {
    test::TempDir dir;
    const std::string path = pathToUtf8(dir / "Zap.tvz");
    ASSERT_TRUE(writeDustinessFile(
        path, {DustRecord::make("ИП 1", "ШС 1", 2), DustRecord::make("ИП 2", "ШС 1", 8),
               DustRecord::make("ИП 3", "ШС 2", 9)}));
    CliRun r = runCli({"show-dust", path});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "1\tИП 1\tШС 1\t 20%\n2\tИП 2\tШС 1\t 80%\n3\tИП 3\tШС 2\t 90%\n");
    r = runCli({"show-dust", path, "--level", "80", "--level", "90"});
    EXPECT_EQ(r.out, "1\tИП 2\tШС 1\t 80%\n2\tИП 3\tШС 2\t 90%\n");

    Bytes notDust = encodeDustinessFile({});
    notDust[4] = 2;  // format mark 2
    ASSERT_TRUE(writeFileAtomic(dir / "bad.tvz", notDust));
    EXPECT_EQ(runCli({"show-dust", pathToUtf8(dir / "bad.tvz")}).exitCode, 1);
}

}  // namespace
}  // namespace tavrin
