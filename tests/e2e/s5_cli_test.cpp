// tavrin-cli over a "Версан С5" database folder: info and convert as
// subprocesses.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/file_io.h"
#include "families/s5/dbs5.h"
#include "support/strict_prompter.h"
#include "support/temp_dir.h"

using namespace tavrin;
namespace fs = std::filesystem;

namespace {

struct CliRun {
    int status = -1;
    std::string out;
};

CliRun runCli(const std::string& args) {
    CliRun r;
    const std::string command = std::string(TAVRIN_CLI_PATH) + " " + args + " 2>&1";
    FILE* p = popen(command.c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf;
    std::size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0)
        r.out.append(buf.data(), n);
    r.status = pclose(p);
    return r;
}

std::string quoted(const fs::path& p) {
    return "'" + pathToUtf8(p) + "'";
}

std::string readFile(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(S5Cli, InfoAndConvertOfAFolder) {
    test::TempDir dir;
    const fs::path in = dir / "база";
    {
        test::StrictPrompter prompter;
        AppContext ctx = makeAppContext(dir.path());
        ctx.prompter = &prompter;
        DBS5 db(0, ctx);
        db.AddLcp();
        db.AddLcp();
        for (int i = 0; i < 3; ++i)
            db.CreateElement(17, 1);
        db.NewObject(1);
        db.NewObject(2);
        db.NewLcpKey(2);
        db.CreateKey();
        db.messages[2] = "Text";
        ASSERT_TRUE(db.SaveToDisk(pathToUtf8(in)));
    }
    const CliRun info = runCli("info " + quoted(in));
    EXPECT_EQ(info.status, 0) << info.out;
    for (const char* line :
         {"family: s5\n", "lcps: 2\n", "devices: 3\n", "objects: 2\n", "keys: 1\n",
          "console-keys: 1\n", "messages: 1\n", "lcp 1: devices 3, objects 1, keys 0\n"}) {
        EXPECT_NE(info.out.find(line), std::string::npos) << line << info.out;
    }
    EXPECT_EQ(runCli("info " + quoted(in) + " --family s5").out, info.out);

    const fs::path out = dir / "copy";
    const CliRun convert = runCli("convert " + quoted(in) + " " + quoted(out));
    EXPECT_EQ(convert.status, 0) << convert.out;
    for (const auto& e : fs::directory_iterator(in)) {
        EXPECT_EQ(readFile(out / e.path().filename()), readFile(e.path())) << e.path();
    }

    const CliRun missing = runCli("info " + quoted(dir / "missing") + " --family s5");
    EXPECT_NE(missing.status, 0);
    EXPECT_NE(missing.out.find("no such file"), std::string::npos) << missing.out;
}
