// The correctness check of a "Талвир К2" database.
#include <gtest/gtest.h>

#include "base/bit_set.h"
#include "core/k2_test_util.h"
#include "report/report_list.h"

namespace tavrin {
namespace {

using test::StrictK2Fixture;
using Rows = std::vector<std::vector<std::string>>;

struct Lists {
    ReportList remarks, devices, functions;
    int outcome = -1;
    explicit Lists(DBK2& db) { outcome = db.CheckDatabase(&remarks, &devices, &functions); }
};

int addDevice(DBK2& db, int type, int number, int loop) {
    const int i = db.CreateElement(type, -1);
    db.devices[i][4] = static_cast<std::uint8_t>(number);
    db.devices[i][3] = static_cast<std::uint8_t>(loop);
    return i;
}

int addTk3(DBK2& db, int a, int b, int c) {
    const int i = db.CreateElement(3, -1);
    db.devices[i][3] = static_cast<std::uint8_t>(a);
    db.devices[i][4] = static_cast<std::uint8_t>(b);
    db.devices[i][5] = static_cast<std::uint8_t>(c);
    return i;
}

int addKey(DBK2& db, std::uint8_t kind, std::uint8_t codeByte, std::uint8_t ordinal,
           std::uint8_t app) {
    const int k = db.CreateKey();
    db.keys[k][0] = codeByte;
    db.keys[k][5] = codeByte;
    db.keys[k][6] = ordinal;
    db.keys[k][7] = kind;
    db.keys[k][8] = app;
    return k;
}

TEST(K2Check, EmptyDatabaseGivesOnlyStatistics) {
    StrictK2Fixture f;
    Lists l(f.db);
    EXPECT_EQ(l.outcome, 0);
    EXPECT_TRUE(f.db.writable);
    EXPECT_TRUE(l.remarks.rows.empty());
    ASSERT_EQ(l.remarks.columns.size(), 2u);
    EXPECT_EQ(l.remarks.columns[0].title, "Источник");
    EXPECT_EQ(l.devices.rows, (Rows{{"Всего", "0", "0", "0"}}));
    EXPECT_EQ(l.functions.columns.size(), 7u);
    EXPECT_EQ(l.functions.rows, (Rows{{"Шлейфы", "0", "0", "0", "0", "0", ""},
                                      {"Устройства", "0", "0", "0", "0", "0", "0"},
                                      {"Ключи", "0", "0", "", "Дежурные: 0", "0", ""}}));
}

TEST(K2Check, FindingsAndStatistics) {
    StrictK2Fixture f;
    auto& db = f.db;
    db.firmwareVersion = 1;
    addDevice(db, 0, 9, 40);                         // 0
    const int blockedDip = addDevice(db, 0, 5, 40);  // 1
    addDevice(db, 0, 5, 40);                         // 2: same number as 1
    addTk3(db, 0xFF, 0xFF, 0xFF);                    // 3: address 4, no loops
    addDevice(db, 0, 4, 40);                         // 4: address of the ТК-3 above
    addTk3(db, 2, 0xFF, 70);                         // 5: loop B missing, C on a blocked loop
    addDevice(db, 1, 200, 0xFF);                     // 6: number above 128, no loop
    addDevice(db, 1, 0, 41);                         // 7: number 0
    addTk3(db, 3, 3, 3);                             // 8: address 9 taken by device 0
    const int mau = addDevice(db, 12, 10, 5);        // 9: condition 7
    const int uopv = addDevice(db, 14, 11, 5);       // 10: firmware too old
    db.devices[uopv][2] = 0x0E;
    (void)mau;
    setBit(db.blockedDevices, blockedDip);
    setBit(db.blockedLoops, 70);
    db.loops[100][3] = 0;          // оУ05
    db.loops[101][3] = 0;          // оУ06
    db.loops[40][3] = 100;         // fire loop into a security "У" loop
    db.loops[2][4] = 101;          // consistent
    db.loops[3][6] = 50;           // not a "У" loop: cleared
    db.loops[10][3] = 102;         // "У" loop without logic
    addKey(db, 0x03, 0x11, 0, 0);  // 0: duty
    addKey(db, 0x80, 0x11, 1, 0);  // 1: employee without application, same code as 0
    addKey(db, 0x03, 0x00, 2, 0);  // 2: no code
    addKey(db, 0x81, 0x22, 0, 1);  // 3: same ordinal as 0
    db.keys[5][0] = 0x77;          // a free slot with leftovers
    db.keys[5][7] = 0x80;

    Lists l(db);
    EXPECT_EQ(l.outcome, 2);
    EXPECT_FALSE(db.writable);
    EXPECT_EQ(l.remarks.rows,
              (Rows{
                  {"ВОЗМОЖНЫЕ ОШИБКИ", ""},
                  {"Т12-ДИП 005", "Совпадение адресов АУ"},
                  {"Т12-ДИП 004", "Совпадение адресов АУ"},
                  {"ТК3 006 Шлейф B", "Не задан шлейф."},
                  {"Т12-ИПР 200.", "Не задан адрес."},
                  {"Т12-ИПР 000.", "Не задан адрес."},
                  {"АУ 3", "Совпадение адресов"},
                  {"", ""},
                  {"ЗАБЛОКИРОВАННЫЕ ШЛЕЙФЫ", ""},
                  {"К07", ""},
                  {"", ""},
                  {"ЗАБЛОКИРОВАННЫЕ УСТРОЙСТВА", ""},
                  {"Т12-ДИП 005.", ""},
                  {"Т12-ТК-3 006.", ""},
                  {"", ""},
                  {"КРИТИЧЕСКИЕ ОШИБКИ", ""},
                  {"ТК3 004", "Не заданы шлейфы."},
                  {"Т12-ИПР 200", "Не задан шлейф."},
                  {"Т12-МАУ 010", "Не выбрано условие срабатывания."},
                  {"Т12-УОПВ 011", "Не поддерживается. Нужно обновить версию ПО прибора."},
                  {"У07", "Не выбрана логика работы"},
                  {"Б3", "Ошибка в логике работы"},
                  {"П09", "Ошибка в логике работы"},
                  {"Ключ 001", "Не задано применение ключа"},
                  {"Ключ 001", "Совпадение полных номеров ключей 000 и 001"},
                  {"Ключ 002", "Не задан номер ключа"},
                  {"Ключ 003", "Совпадение прорядковых номеров ключей 0 и 3"},
              }));
    EXPECT_EQ(l.devices.rows, (Rows{{"Т12-ДИП", "3", "1", "4"},
                                    {"Т12-ИПР", "2", "0", "2"},
                                    {"Т12-ТК-3", "2", "1", "3"},
                                    {"Т12-МАУ", "1", "0", "1"},
                                    {"Т12-УОПВ", "1", "0", "1"},
                                    {"Всего", "9", "2", "11"}}));
    EXPECT_EQ(l.functions.rows, (Rows{{"Шлейфы", "3", "2", "1", "3", "9", ""},
                                      {"Устройства", "6", "5", "1", "0", "12", "5"},
                                      {"Ключи", "1", "1", "", "Дежурные: 2", "4", ""}}));
    // Tidied: the free key slot holds the defaults, the bad link is cleared.
    EXPECT_EQ(db.keys[5][0], 0);
    EXPECT_EQ(db.keys[5][6], 0xFF);
    EXPECT_EQ(db.keys[5][7], 3);
    EXPECT_EQ(db.loops[3][6], 0xFF);
}

TEST(K2Check, OnlyCriticalErrorsStopAWriteAndListsHoldAtMostOneHundred) {
    StrictK2Fixture f;
    addDevice(f.db, 0, 200, 40);  // a possible error
    setBit(f.db.blockedLoops, 7);
    Lists ok(f.db);
    EXPECT_EQ(ok.outcome, 0);
    EXPECT_TRUE(f.db.writable);

    for (int k = 0; k < 101; ++k)
        addKey(f.db, 3, 0, static_cast<std::uint8_t>(k), 0);
    Lists bad(f.db);
    EXPECT_EQ(bad.outcome, 2);
    EXPECT_FALSE(f.db.writable);
    const auto& rows = bad.remarks.rows;
    const auto title =
        std::find(rows.begin(), rows.end(), std::vector<std::string>{"КРИТИЧЕСКИЕ ОШИБКИ", ""});
    ASSERT_NE(title, rows.end());
    EXPECT_EQ(rows.end() - title, 101);  // title and 100 entries
    EXPECT_EQ(rows.back(), (std::vector<std::string>{"Ключ 099", "Не задан номер ключа"}));
}

}  // namespace
}  // namespace tavrin
