// CSV export of a "Талвир К2" database.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/bit_set.h"
#include "core/k2_test_util.h"

namespace tavrin {
namespace {

using test::K2Fixture;

const std::string kHeader =
    "Имя ШС;Устройство;Сер.номер;Срабатывание;Блокировка;Контроль КЗ/обрыв\r\n";

std::string readUtf8(const K2Fixture& f, const std::string& name) {
    const Bytes b = f.read(name);
    return cp1251ToUtf8(std::string(b.begin(), b.end()));
}

TEST(K2Csv, EmptyDatabaseGivesTheHeaderOnly) {
    K2Fixture f;
    ASSERT_TRUE(f.db.ExportCsv(f.path("list.txt")));
    EXPECT_FALSE(std::filesystem::exists(f.dir / "list.txt"));
    const Bytes b = f.read("list.csv");
    ASSERT_FALSE(b.empty());
    EXPECT_EQ(b[0], 0xC8);  // "И" in Windows-1251
    EXPECT_EQ(readUtf8(f, "list.csv"), kHeader);
    EXPECT_FALSE(f.db.ExportCsv(f.path("noext")));
    EXPECT_FALSE(std::filesystem::exists(f.dir / "noext"));
    EXPECT_FALSE(f.db.ExportCsv(pathToUtf8(f.dir / "missing" / "x.csv")));
    ASSERT_EQ(f.prompter.calls.size(), 1u);
    EXPECT_EQ(f.prompter.calls[0].title, "Сохранение базы");
}

TEST(K2Csv, RowsPerLoopAndDevice) {
    K2Fixture f;
    auto& db = f.db;
    f.setName(5, "Склад");
    const int tk3 = db.CreateElement(3, -1);  // loops A and C on loop 5, B on loop 40
    db.devices[tk3][0] = 0xAF;
    db.devices[tk3][1] = 0x00;
    db.devices[tk3][3] = 5;
    db.devices[tk3][4] = 40;
    db.devices[tk3][5] = 5;
    db.devices[tk3][6] = 0x40;  // line control: 1
    const int dip = db.CreateElement(0, -1);
    db.devices[dip][0] = 0xEF;
    db.devices[dip][1] = 0xBE;
    db.devices[dip][2] = 0x10;  // condition 1
    db.devices[dip][3] = 40;
    setBit(db.blockedDevices, dip);
    const int ktm = db.CreateElement(4, -1);
    db.devices[ktm][3] = 5;
    db.devices[ktm][6] = 0x80;  // tactic 2
    const int mau = db.CreateElement(12, -1);
    db.devices[mau][2] = 0x9C;  // condition 9: no text, falls back to 7
    db.devices[mau][3] = 5;
    const int mau2 = db.CreateElement(12, -1);
    db.devices[mau2][3] = 70;  // not a security loop: no trigger text
    const int dka = db.CreateElement(6, -1);
    db.devices[dka][2] = 0x56;  // condition 5: falls back to 0
    db.devices[dka][3] = 70;
    const int free = db.CreateElement(7, -1);
    db.devices[free][3] = 9;
    db.RemoveElement(free);  // not in use: not listed

    ASSERT_TRUE(db.ExportCsv(f.path("list.csv")));
    EXPECT_EQ(readUtf8(f, "list.csv"), kHeader +
                                           "А6  Склад;Т12-ТК-3 001 - A;'00AF;;нет;Нет контроля\r\n"
                                           ";Т12-ТК-3 001 - C;'00AF;;нет;Нет контроля\r\n"
                                           ";Т12-КТМ  003;'0000;Тихая тревога;нет;Нет контроля\r\n"
                                           ";Т12-МАУ  004;'0000;Не выбрано;нет;\r\n"
                                           "П09  ;Т12-ТК-3 001 - B;'00AF;;нет;Нет контроля\r\n"
                                           ";Т12-ДИП  002;'BEEF;Пожар;да;\r\n"
                                           "К07  ;Т12-МАУ  005;'0000;;нет;\r\n"
                                           ";Т12-ДКА  006;'0000;Курение;нет;\r\n");
}

}  // namespace
}  // namespace tavrin
