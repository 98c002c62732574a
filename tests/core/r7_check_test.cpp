// The correctness check of the "Ордис Р7" table on small databases, and its
// printout.
#include <gtest/gtest.h>

#include <functional>

#include "families/r7/element_types.h"
#include "r7_fixture.h"
#include "report/report_list.h"
#include "support/strict_prompter.h"

namespace tavrin::test {

// Nothing here means to answer a prompt.
using R7Check = BasicR7Test<StrictPrompter>;

namespace {

using namespace r7;

// The remarks as "label|message" lines.
std::vector<std::string> remarkLines(const ReportList& list) {
    std::vector<std::string> out;
    for (const auto& row : list.rows)
        out.push_back(row[0] + "|" + row[1]);
    return out;
}

ElementRecord& rec(DBR7& db, int index) {
    return db.table()[static_cast<std::size_t>(index)];
}

// An object "Склад" (index 1) with a detector on line А (index 2).
void base(DBR7& db) {
    const int o = db.CreateElement(kTypeObject, 0);
    rec(db, o).setName("Склад");
    const int d = db.CreateElement(26, o);
    rec(db, d).setName("ДИП 1");
    rec(db, d).bytes[kOffLine] = 1;
    rec(db, d).bytes[kOffOutputMode] = 0;
}

TEST_F(R7Check, CheckFindingsOnSmallDatabases) {
    struct Case {
        const char* name;
        std::function<void(DBR7&)> edit;
        int outcome;
        std::vector<std::string> remarks;
    } cases[] = {
        {"clean", [](DBR7&) {}, 0, {}},
        {"the second code of a pair is a valid type",
         [](DBR7& db) {
             rec(db, 2).setType(17);
             const int k = db.CreateElement(84, 1);  // КТМ by its other code
             rec(db, k).bytes[kOffLine] = 2;
         },
         0,
         {}},
        {"switched off object and device",
         [](DBR7& db) {
             rec(db, 1).bytes[kOffSwitch] |= 1;
             rec(db, 2).bytes[kOffSwitch] |= 1;
         },
         0,
         {"ОТКЛЮЧЕННЫЕ ОБЪЕКТЫ|", "Склад|", "|", "ОТКЛЮЧЕННЫЕ УСТРОЙСТВА|", "ДИП 1|", "|"}},
        {"unknown type",
         [](DBR7& db) { rec(db, 2).setType(99); },
         2,
         {"КРИТИЧЕСКИЕ ОШИБКИ|", "ДИП 1|Некорр. тип устр-ва 0x63, объект Склад"}},
        {"device under the panel, without a parent and under a missing one",
         [](DBR7& db) {
             rec(db, 2).setParent(1);
             int d = db.CreateElement(26, 1);
             rec(db, d).setName("Б");
             rec(db, d).setParent(0);
             d = db.CreateElement(26, 1);
             rec(db, d).setName("В");
             rec(db, d).setParent(777);
         },
         2,
         {"КРИТИЧЕСКИЕ ОШИБКИ|", "ДИП 1|Некорр. тип устр-ва 0x1a, объект Ордис Р7",
          "Б|Некорр. тип устр-ва 0x1a, объект ???", "В|Некорр. тип устр-ва 0x1a, объект ???"}},
        {"no line",
         [](DBR7& db) { rec(db, 2).bytes[kOffLine] = 5; },
         2,
         {"КРИТИЧЕСКИЕ ОШИБКИ|", "ДИП 1|Не задан шлейф."}},
        {"keys without a code and with a repeated one",
         [](DBR7& db) {
             for (int k = 0; k < 3; ++k) {
                 const int i = db.CreateElement(kTypeKey, 1);
                 rec(db, i).setName("Ключ " + std::to_string(k));
                 for (int b = 6; b < 12; ++b)
                     rec(db, i).bytes[static_cast<std::size_t>(b)] = k == 0 ? 0 : 0x11;
             }
         },
         2,
         {"КРИТИЧЕСКИЕ ОШИБКИ|", "Ключ 0|Не задан номер ключа",
          "Ключ 2|Повторение полного номера ключа"}},
        {"a mode without a row is not counted",
         [](DBR7& db) { rec(db, 2).bytes[kOffOutputMode] = 0xFF; },
         0,
         {}},
    };
    for (const Case& c : cases) {
        StrictPrompter prompter;
        AppContext ctx = makeAppContext(dir_.path());
        ctx.prompter = &prompter;
        DBR7 db(0, ctx);
        base(db);
        c.edit(db);
        ReportList remarks, devices, functions;
        EXPECT_EQ(db.CheckDatabase(&remarks, &devices, &functions), c.outcome) << c.name;
        EXPECT_EQ(db.writable, c.outcome < 2) << c.name;
        EXPECT_EQ(remarkLines(remarks), c.remarks) << c.name;
        EXPECT_EQ(devices.columns.size(), 6u);
        EXPECT_EQ(functions.columns[0].title, "Функция");
    }
}

TEST_F(R7Check, CheckStatisticsAndLineLimit) {
    base(*db_);
    // 130 devices on line Б: over the limit of 128.
    for (int i = 0; i < 130; ++i) {
        const int d = db_->CreateElement(i % 2 ? 42 : 33, 1);
        rec(*db_, d).bytes[kOffLine] = 2;
        rec(*db_, d).bytes[kOffOutputMode] = 1;
    }
    ReportList remarks, devices, functions;
    EXPECT_EQ(db_->CheckDatabase(&remarks, &devices, &functions), 2);
    EXPECT_EQ(remarkLines(remarks).back(), "Линия Б|Слишком много устройств!");
    const auto row = [](const ReportList& l, const std::string& name) {
        for (const auto& r : l.rows)
            if (r[0] == name) return r;
        return std::vector<std::string>{};
    };
    EXPECT_EQ(row(devices, "ВЕРС-ТК"),
              (std::vector<std::string>{"ВЕРС-ТК", "0", "130", "0", "0", "130"}));
    EXPECT_EQ(row(devices, "ВЕРС-ДИП"),
              (std::vector<std::string>{"ВЕРС-ДИП", "1", "0", "0", "0", "1"}));
    EXPECT_EQ(devices.rows.back(),
              (std::vector<std::string>{"Всего", "1", "130", "0", "0", "131"}));
    EXPECT_EQ(row(functions, "Охранные"),
              (std::vector<std::string>{"Охранные", "0", "130", "0", "0", "130"}));
    EXPECT_EQ(row(functions, "Пожарные"),
              (std::vector<std::string>{"Пожарные", "1", "0", "0", "0", "1"}));
}

TEST_F(R7Check, CheckOutcomeStaysCriticalPastTheCapOnFindings) {
    base(*db_);
    // 150 devices without a line: the list keeps 100, the outcome stays critical.
    for (int i = 0; i < 150; ++i) {
        const int d = db_->CreateElement(26, 1);
        rec(*db_, d).bytes[kOffLine] = 0;
    }
    ReportList remarks;
    EXPECT_EQ(db_->CheckDatabase(&remarks, nullptr, nullptr), 2);
    EXPECT_EQ(remarks.rows.size(), 101u);  // the heading and 100 findings
    EXPECT_FALSE(db_->writable);
}

// A surface that keeps the texts drawn, page by page.
class TextSurface : public PrintSurface {
  public:
    int pageWidth() const override { return 2000; }
    int pageHeight() const override { return 2800; }
    int lineHeight() const override { return 40; }
    int textWidth(const std::string& t) const override { return static_cast<int>(t.size()) * 10; }
    void text(int, int, const std::string& t) override { pages.back().push_back(t); }
    void line(int, int, int, int) override {}
    void newPage() override { pages.emplace_back(); }
    std::vector<std::vector<std::string>> pages{1};
};

TEST_F(R7Check, PrintListsThePanelFirstThenTheElementsOnNumberedPages) {
    base(*db_);
    for (int i = 0; i < 60; ++i) {
        const int d = db_->CreateElement(42, 1);
        rec(*db_, d).bytes[kOffLine] = 3;
    }
    TextSurface s;
    db_->PrintDatabase(s);
    ASSERT_GE(s.pages.size(), 2u);
    const auto& first = s.pages[0];
    EXPECT_EQ(first[0], "База данных прибора Ордис Р7.");
    const auto at = [&](const std::string& t) {
        return std::find(first.begin(), first.end(), t) - first.begin();
    };
    EXPECT_LT(at("Название"), at("Прибор"));
    EXPECT_LT(at("Прибор"), at("Объекты"));
    EXPECT_LT(at("Объекты"), at("Склад"));
    for (std::size_t p = 0; p < s.pages.size(); ++p)
        EXPECT_NE(std::find(s.pages[p].begin(), s.pages[p].end(), "стр. " + std::to_string(p + 1)),
                  s.pages[p].end())
            << p;
}

}  // namespace
}  // namespace tavrin::test
