// tavrin-cli tree, params and set as subprocesses on a real database file.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "base/file_io.h"
#include "families/k2/dbk2.h"
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

struct CliFixture : ::testing::Test {
    TempDir dir;
    StrictPrompter prompter;
    std::string file;

    void SetUp() override {
        AppContext ctx = makeAppContext(dir.path());
        ctx.prompter = &prompter;
        DBK2 db(0, ctx);
        const int d = db.CreateElement(k2::kTypeMau, -1);
        db.devices[static_cast<std::size_t>(d)][k2::kDevLoop] = 33;
        db.CreateKey();
        file = pathToUtf8(dir / "base.bta");
        ASSERT_TRUE(db.SaveToDisk(file));
    }
    std::string q(const std::string& s) const { return "\"" + s + "\""; }
};

TEST_F(CliFixture, TreeWithAndWithoutCodes) {
    CliRun r = cli(dir, "tree " + q(file) + " --codes");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find("  [-5]")),
              "[0]  Талвир К2\n  [-3] Устройства (1)\n    [0] Т12-МАУ  001\n");
    EXPECT_NE(r.out.find("\n    [-31] Пожарные (1)\n"), std::string::npos);
    EXPECT_NE(r.out.find("\n      [161] П02  \n        [0] Т12-МАУ  001\n"), std::string::npos);
    EXPECT_NE(r.out.find("\n    [-6] Дежурный (1)\n      [256] Ключ_000\n"), std::string::npos);
    r = cli(dir, "tree " + q(file));
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(r.out.substr(0, r.out.find('\n', r.out.find('\n') + 1)),
              " Талвир К2\n  Устройства (1)");
}

TEST_F(CliFixture, ParamsAndSet) {
    CliRun r = cli(dir, "params " + q(file) + " 0");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(
        r.out,
        "Тип\tТ12-МАУ\nНомер АУ в базе\t  1\nНомер ШС\tП02\nУсловие срабатывания реле\tНе выбрано\n"
        "Задержка срабатывания реле (0-240сек)\t0\nУправление\tосновное\nЗаблокировано\tНет\n");
    r = cli(dir, "params " + q(file) + " root");
    EXPECT_EQ(r.out, "Версия ПО прибора\t\nВремя задержки на Вход-Выход\t0\n");

    const std::string out = pathToUtf8(dir / "out.bta");
    r = cli(dir, "set " + q(file) + " 0 \"Условие срабатывания реле\" Пуск -o " + q(out));
    ASSERT_EQ(r.code, 0) << r.err;
    r = cli(dir, "set " + q(out) + " 0 \"Задержка срабатывания реле (0-240сек)\" 300");
    ASSERT_EQ(r.code, 0) << r.err;
    r = cli(dir, "params " + q(out) + " 0");
    EXPECT_NE(r.out.find("Условие срабатывания реле\tПуск\n"), std::string::npos);
    EXPECT_NE(r.out.find("(0-240сек)\t240\n"), std::string::npos);
    r = cli(dir, "set " + q(out) + " 0x100 \"Полный номер ключа\" \"01 02 0A 0B 0C FF\"");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(
        cli(dir, "params " + q(out) + " 256").out.find("Полный номер ключа\t01 02 0A 0B 0C FF\n"),
        std::string::npos);
}

TEST_F(CliFixture, RefusedValueWritesNothing) {
    Bytes before;
    ASSERT_TRUE(readWholeFile(pathFromUtf8(file), before));
    const std::string out = pathToUtf8(dir / "never.bta");
    CliRun r = cli(
        dir, "set " + q(file) + " 0 \"Задержка срабатывания реле (0-240сек)\" 12A -o " + q(out));
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Ошибка в параметре!\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "never.bta"));
    r = cli(dir, "set " + q(file) + " 0 \"Управление\" \"нет такого\"");
    EXPECT_EQ(r.code, 1);
    Bytes after;
    ASSERT_TRUE(readWholeFile(pathFromUtf8(file), after));
    EXPECT_EQ(after, before);
    EXPECT_EQ(cli(dir, "set " + q(file) + " 0 \"Нет строки\" 1").code, 1);
    EXPECT_EQ(cli(dir, "params " + q(file) + " 5").code, 1);  // no device 5
}

// diff: 0 for equal databases, 1 with the differences on stdout, 2 when the
// two cannot be compared (a missing file, two families); find: 0 found, 1 not.
TEST_F(CliFixture, DiffExitCodesAndLines) {
    const std::string other = pathToUtf8(dir / "other.bta");
    AppContext ctx = makeAppContext(dir.path());
    ctx.prompter = &prompter;
    {
        DBK2 db(0, ctx);
        ASSERT_TRUE(db.LoadFromDisk(file));
        for (std::size_t i = 0; i < 6; ++i)
            db.keys[0][k2::kKeyCode + i] = static_cast<std::uint8_t>(i + 1);
        ASSERT_TRUE(db.SaveToDisk(other));
    }
    CliRun r = cli(dir, "diff " + q(file) + " " + q(file));
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "");
    r = cli(dir, "diff " + q(file) + " " + q(other));
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_EQ(r.out,
              "Талвир К2 / Ключи / Дежурный / Ключ_000: changed: Полный номер ключа: 00 00 00 00 "
              "00 00 → 01 02 03 04 05 06\n");
    EXPECT_EQ(cli(dir, "diff " + q(file) + " " + q(pathToUtf8(dir / "none.bta"))).code, 2);
    EXPECT_EQ(cli(dir, "diff " + q(file)).code, 2);
    r = cli(dir, "find " + q(other) + " \"01 02 03\"");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "256\tТалвир К2 / Ключи / Дежурный / Ключ_000\tПолный номер ключа: 01 02 03 04 05 "
              "06\n");
    EXPECT_EQ(cli(dir, "find " + q(file) + " \"01 02 03\"").code, 1);
    const std::string folder = pathToUtf8(dir / "s5");
    std::filesystem::create_directory(dir / "s5");
    r = cli(dir, "diff " + q(file) + " " + q(folder));
    EXPECT_EQ(r.code, 2) << r.out;
}

}  // namespace
}  // namespace tavrin::test
