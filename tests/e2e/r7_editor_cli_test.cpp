// tavrin-cli tree, params and set on an "Ордис Р7" database file, as
// subprocesses.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "base/file_io.h"
#include "families/r7/dbr7.h"
#include "link/app_context.h"
#include "support/strict_prompter.h"
#include "support/temp_dir.h"

namespace tavrin::test {
namespace {

struct CliRun {
    int code = -1;
    std::string out, err;
};

CliRun cli(const TempDir& dir, const std::string& args) {
    const std::string errPath = pathToUtf8(dir / "stderr.txt");
    const std::string command =
        std::string("\"") + TAVRIN_CLI_PATH + "\" " + args + " 2>\"" + errPath + "\"";
    CliRun r;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    const int status = pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream e(errPath);
    std::stringstream ss;
    ss << e.rdbuf();
    r.err = ss.str();
    return r;
}

struct R7CliFixture : ::testing::Test {
    TempDir dir;
    StrictPrompter prompter;
    std::string file;

    void SetUp() override {
        AppContext ctx = makeAppContext(dir.path());
        ctx.prompter = &prompter;
        DBR7 db(0, ctx);
        const int a = db.CreateElement(r7::kTypeObject, 0);  // 1
        const int dev = db.CreateElement(136, a);            // 2, a relay device
        db.table()[static_cast<std::size_t>(dev)].bytes[r7::kOffLine] = 2;
        db.CreateElement(r7::kTypeKey, 0);  // 3, a general key
        file = pathToUtf8(dir / "base.bor");
        ASSERT_TRUE(db.SaveToDisk(file));
    }
    std::string q(const std::string& s) const { return "\"" + s + "\""; }
};

TEST_F(R7CliFixture, TreeWithCodes) {
    const CliRun r = cli(dir, "tree " + q(file) + " --codes");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "[0] Ордис Р7 (2)\n  [1] Объект   2 (1)\n    [2] ВЕРС-УОП  3\n  [3] Ключ   4\n"
              "  [-1] Линия А (0)\n  [-2] Линия Б (1)\n    [2] ВЕРС-УОП  3\n  [-3] Линия В (0)\n"
              "  [-4] Линия Г (0)\n  [-5] Без линии (0)\n");
}

TEST_F(R7CliFixture, ParamsAndSet) {
    CliRun r = cli(dir, "params " + q(file) + " 2");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "UID\t0\nИмя устройства\tВЕРС-УОП  3\nТип устройства\tВЕРС-УОП\n"
              "Серийный номер\tFFFF\nВключение\tВключен\nЛиния\tЛиния Б\nНазначение\tнет подтипа\n"
              "Тип сработки\tвыключено всегда\nТип сработки 1\tвыключено всегда\n"
              "Задержка сработки реле,сек,0-255\t0\n");
    r = cli(dir, "params " + q(file) + " root");
    EXPECT_EQ(r.out.substr(0, r.out.find('\n', r.out.find('\n') + 1)),
              "Версия ПО прибора\t\nСетевой адрес прибора\t1");

    const std::string out = pathToUtf8(dir / "out.bor");
    r = cli(dir, "set " + q(file) + " 2 Линия \"Линия Г\" -o " + q(out));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Линия\tЛиния Г\nsaved: " + out + "\n");
    r = cli(dir, "set " + q(out) + " 1 \"Время УПА, сек.\" 99999");
    ASSERT_EQ(r.code, 0) << r.err;
    r = cli(dir, "set " + q(out) + " 3 \"Полный номер ключа\" \"01 02 0A 0B 0C FF\"");
    ASSERT_EQ(r.code, 0) << r.err;
    r = cli(dir, "tree " + q(out) + " --codes");
    EXPECT_NE(r.out.find("  [-4] Линия Г (1)\n    [2] ВЕРС-УОП  3\n"), std::string::npos);
    EXPECT_NE(cli(dir, "params " + q(out) + " 1").out.find("Время УПА, сек.\t65535\n"),
              std::string::npos);
    EXPECT_NE(
        cli(dir, "params " + q(out) + " 3").out.find("Полный номер ключа\t01 02 0A 0B 0C FF\n"),
        std::string::npos);
}

TEST_F(R7CliFixture, RefusedValueWritesNothing) {
    Bytes before;
    ASSERT_TRUE(readWholeFile(pathFromUtf8(file), before));
    CliRun r = cli(dir, "set " + q(file) + " 1 \"Время УПА, сек.\" 12A");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Ошибка в параметре!\n");
    EXPECT_EQ(cli(dir, "set " + q(file) + " 2 \"Серийный номер\" 1").code, 1);  // shown only
    EXPECT_EQ(cli(dir, "set " + q(file) + " 1 Включение Никак").code, 1);
    Bytes after;
    ASSERT_TRUE(readWholeFile(pathFromUtf8(file), after));
    EXPECT_EQ(after, before);
    EXPECT_EQ(cli(dir, "params " + q(file) + " 7").code, 1);  // a free record
}

}  // namespace
}  // namespace tavrin::test
