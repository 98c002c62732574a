// tavrin-cli ports and search as subprocesses.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "support/temp_dir.h"

namespace tavrin::test {
namespace {

struct CliRun {
    int status = -1;
    std::string out;
};

// Runs the cli in `dir` with stderr folded into the output.
CliRun runCli(const std::filesystem::path& dir, const std::string& args) {
    const std::string command =
        "cd '" + dir.string() + "' && '" TAVRIN_CLI_PATH "' " + args + " 2>&1";
    CliRun r;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return r;
    char buf[512];
    while (const std::size_t n = fread(buf, 1, sizeof buf, p))
        r.out.append(buf, n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

TEST(CliLink, PortsListsTheCandidates) {
    TempDir dir;
    const CliRun r = runCli(dir.path(), "ports");
    EXPECT_EQ(r.status, 0);
    for (std::size_t at = 0; at < r.out.size();) {
        const std::size_t end = r.out.find('\n', at);
        const std::string line = r.out.substr(at, end - at);
        EXPECT_EQ(line.rfind("/dev/", 0), 0u) << line;
        at = end == std::string::npos ? r.out.size() : end + 1;
    }
}

TEST(CliLink, SearchWithoutAnAnswerSaysSo) {
    TempDir dir;
    const CliRun r =
        runCli(dir.path(), "search --family r7 --port /dev/tavrin-none-1 --port COM250");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("Проверка /dev/tavrin-none-1\nПроверка COM250\n"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Поиск прибора: Прибор не обнаружен"), std::string::npos) << r.out;
    EXPECT_EQ(runCli(dir.path(), "search --family s5 --port COM1").out,
              "Поиск прибора: Функция не реализована\n");
    EXPECT_EQ(runCli(dir.path(), "search --family x5").status, 1);
}

}  // namespace
}  // namespace tavrin::test
