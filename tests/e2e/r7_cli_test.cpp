// tavrin-cli on "Ордис Р7" files, run as a subprocess.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

#include "base/file_io.h"
#include "families/r7/dbr7.h"
#include "support/strict_prompter.h"
#include "support/temp_dir.h"

namespace tavrin::test {
namespace {

struct CliRun {
    int status = -1;
    std::string out;
};

CliRun runCli(const std::string& args) {
    CliRun r;
    const std::string command = std::string(TAVRIN_CLI_PATH) + " " + args + " 2>/dev/null";
    FILE* p = popen(command.c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf;
    std::size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0)
        r.out.append(buf.data(), n);
    r.status = pclose(p);
    return r;
}

TEST(R7Cli, InfoAndConvert) {
    TempDir dir;
    StrictPrompter prompter;
    AppContext ctx = makeAppContext(dir.path());
    ctx.prompter = &prompter;
    DBR7 db(0, ctx);
    const int object = db.CreateElement(2, 0);
    db.CreateElement(26, object);
    db.CreateElement(137, object);
    db.CreateElement(4, object);
    db.table()[0].bytes[7] = 12;
    db.firmwareVersionText = "3.2";
    const std::string in = pathToUtf8(dir / "site.bor");
    ASSERT_TRUE(db.SaveToDisk(in));

    const CliRun info = runCli("info '" + in + "'");
    EXPECT_EQ(info.status, 0);
    EXPECT_EQ(info.out,
              "family: r7\nfile-version: 2\nfirmware: 3.2\nvalid: yes\nelements: 5\nobjects: 1\n"
              "devices: 2\nkeys: 1\nmax-id: 5\naddress: 12\n");

    // Any extension with --family; the copy is written as ".bor".
    std::filesystem::copy_file(dir / "site.bor", dir / "site.dat");
    const CliRun convert = runCli("convert '" + pathToUtf8(dir / "site.dat") + "' '" +
                                  pathToUtf8(dir / "copy.ord") + "' --family r7");
    EXPECT_EQ(convert.status, 0);
    Bytes a, b;
    ASSERT_TRUE(readWholeFile(dir / "site.bor", a));
    ASSERT_TRUE(readWholeFile(dir / "copy.bor", b));
    EXPECT_EQ(a, b);

    // A file that ends early is refused.
    a.resize(1000);
    {
        FILE* f = std::fopen(pathToUtf8(dir / "cut.ord").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(a.data(), 1, a.size(), f);
        std::fclose(f);
    }
    EXPECT_NE(runCli("info '" + pathToUtf8(dir / "cut.ord") + "'").status, 0);
}

}  // namespace
}  // namespace tavrin::test
