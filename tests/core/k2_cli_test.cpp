// tavrin-cli on "Талвир К2" files, run as a subprocess.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>

#include "base/bit_set.h"
#include "core/k2_test_util.h"

namespace tavrin {
namespace {

using test::StrictK2Fixture;

struct CliRun {
    std::string out;
    int code = -1;
};

// stderr is dropped, or with `messages` merged into the output.
CliRun runCli(const std::string& args, bool messages = false) {
    CliRun r;
    const std::string command =
        std::string("\"") + TAVRIN_CLI_PATH + "\" " + args + (messages ? " 2>&1" : " 2>/dev/null");
    FILE* p = popen(command.c_str(), "r");
    if (!p) return r;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0)
        r.out.append(buffer, n);
    const int status = pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string quoted(const std::string& path) {
    return "\"" + path + "\"";
}

class K2Cli : public testing::Test {
  protected:
    void SetUp() override {
        if (!std::filesystem::exists(TAVRIN_CLI_PATH)) GTEST_SKIP() << "tavrin-cli not built";
        auto& db = f.db;
        db.firmwareVersionText = "1.04";
        const int dip = db.CreateElement(0, -1);
        db.devices[dip][3] = 40;
        db.devices[dip][0] = 0xAF;
        setBit(db.blockedDevices, dip);
        setBit(db.blockedLoops, 3);
        setBit(db.blockedLoops, 4);
        const int key = db.CreateKey();
        db.keys[key][0] = 1;
        ASSERT_TRUE(db.SaveToDisk(f.path("base.bta")));
    }
    StrictK2Fixture f;
};

TEST_F(K2Cli, InfoConvertAndExport) {
    const CliRun info = runCli("info " + quoted(f.path("base.bta")));
    EXPECT_EQ(info.code, 0);
    EXPECT_EQ(info.out,
              "family: k2\nfile-version: 3\nfirmware: 1.04\ndevices: 1\nkeys: 1\n"
              "blocked-devices: 1\nblocked-loops: 2\n");

    EXPECT_EQ(
        runCli("convert " + quoted(f.path("base.bta")) + " " + quoted(f.path("copy.tlv"))).code, 0);
    EXPECT_EQ(f.read("copy.bta"), f.read("base.bta"));

    EXPECT_EQ(
        runCli("export-csv " + quoted(f.path("base.bta")) + " " + quoted(f.path("list.txt"))).code,
        0);
    const Bytes csv = f.read("list.csv");
    EXPECT_NE(cp1251ToUtf8(std::string(csv.begin(), csv.end()))
                  .find(";Т12-ДИП  001;'00AF;Внимание;да;\r\n"),
              std::string::npos);
    EXPECT_EQ(
        runCli("export-csv " + quoted(f.path("base.bta")) + " " + quoted(f.path("noext"))).code, 1);
    EXPECT_EQ(
        runCli("export-csv " + quoted(f.path("none.bta")) + " " + quoted(f.path("x.csv"))).code, 1);
}

// A file that ends early is taken, and the cli says which sections took
// defaults.
TEST_F(K2Cli, IncompleteFileIsTakenAndTheUserIsTold) {
    Bytes data = f.read("base.bta");
    data.resize(3000);
    f.write("short.bta", data);
    const CliRun info = runCli("info " + quoted(f.path("short.bta")), true);
    EXPECT_EQ(info.code, 0);
    EXPECT_NE(info.out.find("Чтение базы: Файл базы неполный"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("получили: коды ключей, свойства ключей,"), std::string::npos);
    EXPECT_NE(info.out.find("family: k2\n"), std::string::npos);
    const CliRun whole = runCli("info " + quoted(f.path("base.bta")), true);
    EXPECT_EQ(whole.out.find("неполный"), std::string::npos);
}

TEST_F(K2Cli, CheckPrintsTheThreeListsAndReturnsTheOutcome) {
    CliRun r = runCli("check " + quoted(f.path("base.bta")));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out,
              "ЗАБЛОКИРОВАННЫЕ ШЛЕЙФЫ\t\nА4\t\nА5\t\n\t\n"
              "ЗАБЛОКИРОВАННЫЕ УСТРОЙСТВА\t\nТ12-ДИП 001.\t\n\t\n"
              "--\nТ12-ДИП\t0\t1\t1\nВсего\t0\t1\t1\n"
              "--\nШлейфы\t0\t1\t0\t0\t1\t\nУстройства\t0\t1\t0\t0\t1\t0\nКлючи\t0\t0\t\tДежурные: "
              "1\t1\t\n");

    f.db.keys[0][0] = 0;  // "Не задан номер ключа" is critical
    ASSERT_TRUE(f.db.SaveToDisk(f.path("bad.bta")));
    r = runCli("check " + quoted(f.path("bad.bta")));
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.out.find("КРИТИЧЕСКИЕ ОШИБКИ\t\nКлюч 000\tНе задан номер ключа\n--\n"),
              std::string::npos);
}

}  // namespace
}  // namespace tavrin
#endif  // _WIN32
