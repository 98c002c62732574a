#include <gtest/gtest.h>

#include <algorithm>

#include "families/k2/database_print_k2.h"
#include "families/k2/dbk2.h"
#include "link/app_context.h"
#include "report/database_print.h"
#include "report/print_list.h"
#include "support/strict_prompter.h"

namespace tavrin {
namespace {

// Records what a layout draws, page by page.
class RecordingSurface : public PrintSurface {
  public:
    struct Text {
        int x, y;
        std::string text;
    };
    struct Page {
        std::vector<Text> texts;
        int lines = 0;
    };

    RecordingSurface(int width, int height) : width_(width), height_(height) {}
    int pageWidth() const override { return width_; }
    int pageHeight() const override { return height_; }
    int lineHeight() const override { return 40; }
    int textWidth(const std::string& t) const override { return static_cast<int>(t.size()) * 10; }
    void text(int x, int y, const std::string& t) override { current().texts.push_back({x, y, t}); }
    void line(int, int, int, int) override { ++current().lines; }
    void newPage() override { pages.emplace_back(); }

    bool has(std::size_t page, const std::string& t) const {
        const auto& ts = pages.at(page).texts;
        return std::any_of(ts.begin(), ts.end(), [&](const Text& x) { return x.text == t; });
    }
    // The texts drawn at one x, top to bottom.
    std::vector<std::string> column(std::size_t page, int x) const {
        std::vector<std::string> out;
        for (const Text& t : pages.at(page).texts) {
            if (t.x == x) out.push_back(t.text);
        }
        return out;
    }

    std::vector<Page> pages;

  private:
    Page& current() {
        if (pages.empty()) pages.emplace_back();
        return pages.back();
    }
    int width_, height_;
};

ReportList numberedList(int rows) {
    ReportList list;
    list.columns = {{"Номер", 100}, {"Текст", 300}};
    for (int i = 1; i <= rows; ++i)
        list.addRow({std::to_string(i), "строка " + std::to_string(i)});
    return list;
}

// Page 5500 high: h = 100, rows from 320 while below 5200, so 49 a page.
constexpr int kW = 4000, kV = 5500;
const LocalTime kToday{2026, 3, 5, 14, 7, 9, 0, 4};

std::vector<std::string> numbersOn(const RecordingSurface& s, std::size_t page) {
    // First column: edge 20 × W / S with S = 420; inset 5 × W / S.
    const int x = 20 * kW / 420 + 5 * kW / 420;
    auto texts = s.column(page, x);
    // Drop the title line and the heading: keep the row cells.
    std::erase_if(texts, [](const std::string& t) {
        return t == "Номер" || t.find("г. ") != std::string::npos;
    });
    return texts;
}

TEST(PrintList, OffersPagesByFiftyRows) {
    EXPECT_EQ(printListPageCount(0), 1);
    EXPECT_EQ(printListPageCount(49), 1);
    EXPECT_EQ(printListPageCount(50), 2);
    EXPECT_EQ(printListPageCount(120), 3);
}

TEST(PrintList, AllPagesWithTitleHeadingsAndPageNumbers) {
    RecordingSurface s(kW, kV);
    const auto r = PrintList(s, {"Номер", "Текст"}, numberedList(120), "Журнал", 0, {}, kToday);
    EXPECT_EQ(r.documentName, "05.03.2026г. Журнал");
    EXPECT_EQ(r.pagesPrinted, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(r.rowsPrinted, 120u);
    ASSERT_EQ(s.pages.size(), 3u);
    for (std::size_t p = 0; p < 3; ++p) {
        EXPECT_TRUE(s.has(p, "05.03.2026г. Журнал"));
        EXPECT_TRUE(s.has(p, "Текст"));
        EXPECT_TRUE(s.has(p, "стр. " + std::to_string(p + 1)));
        // Two horizontal rules and three vertical ones.
        EXPECT_EQ(s.pages[p].lines, 5);
    }
    const auto first = numbersOn(s, 0);
    ASSERT_EQ(first.size(), 49u);
    EXPECT_EQ(first.front(), "1");
    EXPECT_EQ(first.back(), "49");
    EXPECT_EQ(numbersOn(s, 2).size(), 22u);
}

TEST(PrintList, PageRangeTwoToTwoPrintsOnlyTheSecondPage) {
    RecordingSurface s(kW, kV);
    PrintListRequest req;
    req.range = PrintListRequest::Range::Pages;
    req.fromPage = 2;
    req.toPage = 2;
    const auto r = PrintList(s, {"Номер", "Текст"}, numberedList(120), "Журнал", 0, req, kToday);
    EXPECT_EQ(r.pagesPrinted, (std::vector<int>{2}));
    ASSERT_EQ(s.pages.size(), 1u);
    EXPECT_TRUE(s.has(0, "стр. 2"));
    const auto rows = numbersOn(s, 0);
    ASSERT_EQ(rows.size(), 49u);
    EXPECT_EQ(rows.front(), "50");
    EXPECT_EQ(rows.back(), "98");
}

TEST(PrintList, SelectionPrintsOnePageOfTheSelectedRows) {
    RecordingSurface s(kW, kV);
    PrintListRequest req;
    req.range = PrintListRequest::Range::Selection;
    req.selected.assign(120, false);
    req.selected[3] = true;
    req.selected[110] = true;
    const auto r = PrintList(s, {"Номер", "Текст"}, numberedList(120), "Журнал", 0, req, kToday);
    EXPECT_EQ(r.documentName, "05.03.2026г. Журнал  Выборочная печать");
    ASSERT_EQ(s.pages.size(), 1u);
    EXPECT_TRUE(s.has(0, "05.03.2026г. Журнал  Выборочная печать"));
    EXPECT_EQ(numbersOn(s, 0), (std::vector<std::string>{"4", "111"}));
    // The two rows sit on consecutive lines.
    const auto& t = s.pages[0].texts;
    const auto a = std::find_if(t.begin(), t.end(), [](const auto& x) { return x.text == "4"; });
    const auto b = std::find_if(t.begin(), t.end(), [](const auto& x) { return x.text == "111"; });
    EXPECT_EQ(b->y - a->y, kV / 55);
}

// A cell wider than its column is cut, with "…", inside the column (here
// 905 pixels of 10 a byte); a group row's heading runs across the row; the
// inner column lines stop at the group row.
TEST(PrintList, CellsStayInTheirColumnsAndGroupRowsSpanTheRow) {
    ReportList list = numberedList(0);
    std::string wide;
    for (int i = 0; i < 60; ++i)
        wide += "Ж";  // 120 bytes
    list.addRow({wide, ""});
    list.addRow({wide, "строка"});
    RecordingSurface s(kW, kV);
    PrintList(s, {"Номер", "Текст"}, list, "Т", 0, {}, kToday);
    const auto texts = numbersOn(s, 0);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], wide);
    EXPECT_EQ(texts[1], wide.substr(0, 86) + "…");
    // Two rules, the two outer lines and the inner one in two pieces.
    EXPECT_EQ(s.pages[0].lines, 6);
}

TEST(PrintList, FirstColumnAndEdgeCases) {
    RecordingSurface s(kW, kV);
    // From the second column on: the first list column is not printed.
    PrintList(s, {"Текст"}, numberedList(2), "Т", 1, {}, kToday);
    ASSERT_EQ(s.pages.size(), 1u);
    EXPECT_TRUE(s.has(0, "строка 2"));
    EXPECT_FALSE(s.has(0, "2"));

    // An empty list prints its headings once; columns without width print nothing.
    RecordingSurface empty(kW, kV);
    EXPECT_EQ(PrintList(empty, {"Номер", "Текст"}, numberedList(0), "Т", 0, {}, kToday)
                  .pagesPrinted.size(),
              1u);
    RecordingSurface none(kW, kV);
    ReportList zero = numberedList(3);
    for (auto& c : zero.columns)
        c.width = 0;
    EXPECT_TRUE(PrintList(none, {}, zero, "Т", 0, {}, kToday).pagesPrinted.empty());
    EXPECT_TRUE(none.pages.empty());
}

TEST(DatabasePrint, K2TitleSectionsAndPageFooters) {
    K2PrintData data;
    for (int i = 1; i <= 60; ++i) {
        data.devices.push_back(
            {"ИП 212 №" + std::to_string(i), {{"Шлейф", "ШС 1"}, {"Тип", "ДИП"}}});
    }
    data.loops.push_back({"ШС 1  Склад", {{"Тактика", "Охранный"}}});
    data.keys.push_back({3, {{"Код", "00AF"}}});
    RecordingSurface s(2000, 3000);  // line 50: about 52 rows a page
    const int pages = printDatabaseK2(s, data);
    ASSERT_EQ(static_cast<std::size_t>(pages), s.pages.size());
    EXPECT_EQ(pages, 3);
    for (int p = 0; p < pages; ++p) {
        EXPECT_TRUE(s.has(static_cast<std::size_t>(p), "База данных прибора Талвир К2."));
        EXPECT_TRUE(s.has(static_cast<std::size_t>(p), "Параметр"));
        EXPECT_TRUE(s.has(static_cast<std::size_t>(p), "стр. " + std::to_string(p + 1)));
    }
    EXPECT_TRUE(s.has(0, "Устройства"));
    EXPECT_TRUE(s.has(2, "Шлейфы"));
    EXPECT_TRUE(s.has(2, "Ключи"));
    EXPECT_TRUE(s.has(2, "Ключ_3"));
    EXPECT_TRUE(s.has(2, "00AF"));
    // An item cut by a page break is named again at the top of the next page.
    const auto& second = s.pages[1].texts;
    const auto firstRow = std::find_if(second.begin(), second.end(), [](const auto& t) {
        return t.text == "Шлейф" || t.text == "Тип";
    });
    ASSERT_NE(firstRow, second.end());
    const bool named = std::any_of(second.begin(), second.end(), [&](const auto& t) {
        return t.y == firstRow->y && t.text.rfind("ИП 212 №", 0) == 0;
    });
    EXPECT_TRUE(named);
}

TEST(DatabasePrint, K2DataFromTheDatabase) {
    test::StrictPrompter prompter;
    AppContext ctx = makeAppContext(".");
    ctx.prompter = &prompter;
    DBK2 db(0, ctx);
    // Device 0: a smoke detector on loop 32, serial 0x00AF, blocked.
    db.devices[0] = {0xAF, 0x00, 0x00, 32, 1, 0, 0, 0};
    db.deviceMap[0] |= 0x01;
    db.blockedDevices[0] |= 0x01;
    // Device 5: a three-loop device on loops 5 and 7 (B none).
    db.devices[5] = {0x01, 0x00, 0x03, 5, 0xFF, 7, 0, 0};
    db.deviceMap[0] |= 0x20;
    // Key 2: an employee key.
    db.keys[2] = {1, 2, 3, 4, 5, 6, 1, 0x80, 0, 0, 0, 0};
    db.keyMap[0] |= 0x04;

    const K2PrintData data = k2PrintData(db);
    ASSERT_EQ(data.devices.size(), 2u);
    EXPECT_EQ(data.devices[0].name, db.DeviceLabel(0));
    const auto field = [](const PrintItem& item, const std::string& p) {
        for (const auto& f : item.fields) {
            if (f.parameter == p) return f.value;
        }
        return std::string("<none>");
    };
    EXPECT_EQ(field(data.devices[0], "Серийный номер"), "00AF");
    EXPECT_EQ(field(data.devices[0], "Шлейф"), db.LoopFullLabel(32));
    EXPECT_EQ(field(data.devices[0], "Блокировка"), "да");
    EXPECT_EQ(field(data.devices[1], "Шлейф A"), db.LoopFullLabel(5));
    EXPECT_EQ(field(data.devices[1], "Шлейф B"), "<none>");
    EXPECT_EQ(field(data.devices[1], "Шлейф C"), db.LoopFullLabel(7));
    EXPECT_EQ(data.loops.size(), 128u);
    ASSERT_EQ(data.keys.size(), 1u);
    EXPECT_EQ(data.keys[0].number, 3);
    EXPECT_EQ(data.keys[0].fields[0].value, "010203040506");
    EXPECT_EQ(data.keys[0].fields[1].value, "сотрудник");

    RecordingSurface s(2000, 3000);
    EXPECT_GE(printDatabaseK2(s, data), 2);
    EXPECT_TRUE(s.has(0, "Ключ_3") || s.has(s.pages.size() - 1, "Ключ_3"));
}

}  // namespace
}  // namespace tavrin
