// Failures of the cli that must say why and leave nothing behind: files that
// are no database (folders, pipes, devices), names it cannot write, and the
// private settings copy of a device command that was killed.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "base/file_io.h"
#include "families/k2/dbk2.h"
#include "link/app_context.h"
#include "support/sim_process.h"
#include "support/strict_prompter.h"
#include "support/temp_dir.h"

namespace tavrin::test {
namespace {

struct ShellRun {
    int status = -1;
    std::string out;  // stdout and stderr together
};

// Runs a shell line in `dir` (CLI stands for the cli program), stderr folded in.
ShellRun shell(const std::filesystem::path& dir, std::string line) {
    for (std::size_t at; (at = line.find("CLI")) != std::string::npos;)
        line.replace(at, 3, "'" TAVRIN_CLI_PATH "'");
    const std::string command = "cd '" + dir.string() + "' && { " + line + " ; } 2>&1";
    ShellRun r;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return r;
    char buf[512];
    while (const std::size_t n = fread(buf, 1, sizeof buf, p))
        r.out.append(buf, n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

std::vector<std::string> namesIn(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    return names;
}

// Each bad input ends at once with exit 1 and a reason on stderr; a pipe is
// never waited on (the run is bounded by `timeout`).
TEST(ReliabilityCli, EveryFailureSaysWhy) {
    TempDir dir;
    {
        StrictPrompter prompter;
        AppContext ctx = makeAppContext(dir.path());
        ctx.prompter = &prompter;
        DBK2 db(0, ctx);
        db.ResetDatabase();
        db.databaseValid = true;
        ASSERT_TRUE(db.SaveToDisk(pathToUtf8(dir / "in.bta")));
    }
    std::filesystem::create_directories(dir / "folder.tvz");
    ASSERT_EQ(::mkfifo((dir / "pipe.bta").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((dir / "pipe.tvz").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((dir / "pipe.jrn").c_str(), 0600), 0);
    struct Case {
        const char* args;
        const char* reason;
    };
    const Case cases[] = {
        {"show-dust folder.tvz", "cannot read folder.tvz: "},
        {"show-dust pipe.tvz", kNotARegularFileText},
        {"show-dust /dev/zero", kNotARegularFileText},
        {"show-journal pipe.jrn", kNotARegularFileText},
        {"info pipe.bta", kNotARegularFileText},
        {"check pipe.bta", kNotARegularFileText},
        {"convert pipe.bta out.bta", kNotARegularFileText},
        {"convert in.bta out", "У имени файла нет расширения (.bta):\nout"},
        {"write-db pipe.bta --port /dev/null --yes", kNotARegularFileText},
    };
    for (const Case& c : cases) {
        const ShellRun r = shell(dir.path(), std::string("timeout 20 CLI ") + c.args);
        EXPECT_EQ(r.status, 1) << c.args << "\n" << r.out;
        EXPECT_NE(r.out.find(c.reason), std::string::npos) << c.args << "\n" << r.out;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "out"));
    EXPECT_FALSE(std::filesystem::exists(dir / "out.bta"));
}

// A "Талвир К2" file of 4 bytes (its version only) loads with defaults
// everywhere and passes the correctness check: it is sent only with --force.
TEST(ReliabilityCli, AnIncompleteFileIsWrittenOnlyWithForce) {
    TempDir dir;
    SimProcess sim({"--family", "k2"});
    ASSERT_TRUE(sim.started());
    {
        FILE* f = std::fopen((dir / "short.bta").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        const unsigned char version[4] = {3, 0, 0, 0};
        std::fwrite(version, 1, 4, f);
        std::fclose(f);
    }
    ShellRun r = shell(dir.path(), "CLI write-db short.bta --yes --port " + sim.path());
    EXPECT_NE(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Файл базы неполный"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Записать в прибор неполную базу?"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Команда выполнена"), std::string::npos) << r.out;

    r = shell(dir.path(), "CLI write-db short.bta --yes --force --port " + sim.path());
    EXPECT_EQ(r.status, 0) << r.out;
}

// A device command's private settings copy goes with the command; one left
// by a killed command goes with the next one.
TEST(ReliabilityCli, PrivateSettingsCopyLeavesNothing) {
    TempDir dir;
    const auto tmp = dir / "tmp";
    std::filesystem::create_directories(tmp);
    SimProcess sim({"--family", "k2", "--fault", "silence@1"});
    ASSERT_TRUE(sim.started());

    const std::string env = "TMPDIR='" + tmp.string() + "' ";
    ShellRun r = shell(dir.path(), env + "CLI read-version --port /nonexistent/port");
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(namesIn(tmp).empty()) << r.out;

    // Killed while it waits for the silent panel: the copy stays behind...
    r = shell(dir.path(), env + "CLI read-db --port " + sim.path() +
                              " -o x.bta & p=$!; for i in $(seq 100); do "
                              "[ -n \"$(ls tmp)\" ] && break; sleep 0.05; done; "
                              "kill -9 $p; wait $p; ls tmp");
    const auto left = namesIn(tmp);
    ASSERT_EQ(left.size(), 1u) << r.out;
    EXPECT_TRUE(isOurTemporaryName(left[0])) << left[0];
    // ...until the next command.
    r = shell(dir.path(), env + "CLI read-version --port /nonexistent/port");
    EXPECT_TRUE(namesIn(tmp).empty()) << r.out;
}

}  // namespace
}  // namespace tavrin::test
