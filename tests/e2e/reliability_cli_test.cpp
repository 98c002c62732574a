// Failures of the cli that must say why and leave nothing behind: files that
// are no database (folders, pipes, devices), names it cannot write, and the
// private settings copy of a device command that was killed.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <thread>

#include "base/file_io.h"
#include "base/folder_commit.h"
#include "families/k2/dbk2.h"
#include "families/s5/dbs5.h"
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

// The files of a database folder by name, without our temporary files and
// the commit record.
std::map<std::string, std::string> folderFiles(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& name : namesIn(folder)) {
        if (isOurTemporaryName(name) || name == FolderCommit::kRecordName) continue;
        std::ifstream f(folder / name, std::ios::binary);
        files[name] = std::string(std::istreambuf_iterator<char>(f), {});
    }
    return files;
}

// Runs the cli with `args` and kills it with SIGKILL after `delay` (when it
// still runs); true when it was killed.
bool runKilledAfter(const std::vector<std::string>& args, std::chrono::microseconds delay) {
    std::vector<char*> argv{const_cast<char*>(TAVRIN_CLI_PATH)};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    const auto end = std::chrono::steady_clock::now() + delay;
    int status = 0;
    while (std::chrono::steady_clock::now() < end) {
        if (::waitpid(pid, &status, WNOHANG) == pid) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return WIFSIGNALED(status);
}

// A "Версан С5" folder saved by the cli and killed at points spread over the
// run loads afterwards as entirely the old or entirely the new database
// (every LCP's files and the messages rewritten).
TEST(ReliabilityCli, AFolderSaveKilledAnywhereIsOldOrNew) {
    TempDir dir;
    namespace fs = std::filesystem;
    AppContext ctx = makeAppContext(dir.path());
    const auto make = [&](const fs::path& folder, int devices, int objects, const char* message) {
        DBS5 db(0, ctx);
        for (int l = 1; l <= 3; ++l) {
            db.AddLcp();
            for (int i = 0; i < devices; ++i)
                db.CreateElement(17, l);
            for (int i = 0; i < objects; ++i)
                db.NewObject(l);
        }
        db.messages[1] = message;
        return db.SaveToDisk(pathToUtf8(folder));
    };
    ASSERT_TRUE(make(dir / "old", 40, 1, "Старое сообщение"));
    ASSERT_TRUE(make(dir / "new", 60, 2, "Новое сообщение"));
    const auto oldFiles = folderFiles(dir / "old");
    const std::vector<std::string> args{"convert", pathToUtf8(dir / "new"),
                                        pathToUtf8(dir / "work"), "--family", "s5"};

    // An uninterrupted run gives the new state and the time a run takes.
    fs::copy(dir / "old", dir / "work");
    const auto start = std::chrono::steady_clock::now();
    ASSERT_FALSE(runKilledAfter(args, std::chrono::seconds(30)));
    const auto full = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);
    const auto newFiles = folderFiles(dir / "work");
    ASSERT_NE(oldFiles, newFiles);
    int differ = 0;
    for (const auto& [name, content] : newFiles)
        differ += oldFiles.count(name) && oldFiles.at(name) != content;
    ASSERT_GE(differ, 7);

    // Kills spread from 30 % to 90 % of a run: loading, then the save.
    constexpr int kRuns = 24;
    int old = 0, renewed = 0;
    for (int i = 0; i < kRuns; ++i) {
        fs::remove_all(dir / "work");
        fs::copy(dir / "old", dir / "work");
        const auto delay = full * 3 / 10 + full * 6 * i / (10 * kRuns);
        runKilledAfter(args, delay);
        DBS5 db(0, ctx);
        ASSERT_TRUE(db.LoadFromDisk(pathToUtf8(dir / "work"))) << i;
        const auto files = folderFiles(dir / "work");
        EXPECT_TRUE(files == oldFiles || files == newFiles) << "run " << i;
        EXPECT_FALSE(fs::exists(dir / "work" / FolderCommit::kRecordName)) << i;
        (files == oldFiles ? old : renewed) += 1;
    }
    std::printf("killed saves: %d old, %d new\n", old, renewed);
}

// Converting a "Версан С5" folder into one that holds another database
// with more LCPs: without --force nothing is written and the cli says which
// files are in the way; with it the folder ends as exactly the converted
// database, and files of other names stay.
TEST(ReliabilityCli, ConvertOverABiggerDatabaseNeedsForce) {
    TempDir dir;
    namespace fs = std::filesystem;
    AppContext ctx = makeAppContext(dir.path());
    const auto make = [&](const fs::path& folder, int lcps) {
        DBS5 db(0, ctx);
        for (int l = 1; l <= lcps; ++l) {
            db.AddLcp();
            db.CreateElement(17, l);
        }
        return db.SaveToDisk(pathToUtf8(folder));
    };
    ASSERT_TRUE(make(dir / "small", 2));
    ASSERT_TRUE(make(dir / "big", 3));
    { std::ofstream(dir / "big" / "notes.txt") << "kept"; }
    const auto bigFiles = folderFiles(dir / "big");

    ShellRun r = shell(dir.path(), "CLI convert small big --family s5");
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("DBAU.003"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("--force"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("saved:"), std::string::npos) << r.out;
    EXPECT_EQ(folderFiles(dir / "big"), bigFiles);

    r = shell(dir.path(), "CLI convert small big --family s5 --force");
    EXPECT_EQ(r.status, 0) << r.out;
    auto expected = folderFiles(dir / "small");
    expected["notes.txt"] = "kept";
    EXPECT_EQ(folderFiles(dir / "big"), expected);
    DBS5 loaded(0, ctx);
    ASSERT_TRUE(loaded.LoadFromDisk(pathToUtf8(dir / "big")));
    EXPECT_EQ(loaded.lcpCount(), 2);
}

}  // namespace
}  // namespace tavrin::test
