// The parameter grid: commit rules of typed and chosen values, the
// default-entry correction, write-back, and the rows of "Талвир К2" items.
#include <gtest/gtest.h>

#include "editor/k2/k2_tree.h"
#include "editor_test_util.h"

namespace tavrin::test {
namespace {

using namespace k2;

// A family with one row of each kind over a plain working copy.
struct FakeWork : GridWork {
    std::int32_t number = 7, hex = 0x12, list = 1, time = 0;
    std::array<std::uint8_t, 6> key{};
};

class FakeGrid : public FamilyGrid {
  public:
    std::int32_t stored = -1;
    std::unique_ptr<GridWork> load(const DBase&, ItemCode code, bool) override {
        if (code != 1) return nullptr;
        auto w = std::make_unique<FakeWork>();
        w->list = initialList;
        return w;
    }
    void buildRows(const DBase&, const GridWork& work, std::vector<GridRow>& rows,
                   CheckList&) override {
        const auto& w = static_cast<const FakeWork&>(work);
        GridRow n;
        n.name = "number";
        n.kind = EditorKind::Number;
        n.maximum = 255;
        n.value = w.number;
        n.text = std::to_string(w.number);
        rows.push_back(n);
        GridRow h;
        h.name = "hex";
        h.kind = EditorKind::Hex;
        h.maximum = 0xFFFF;
        h.value = w.hex;
        rows.push_back(h);
        GridRow k;
        k.name = "key";
        k.kind = EditorKind::KeyNumber;
        rows.push_back(k);
        GridRow l;
        l.name = "list";
        l.kind = EditorKind::List;
        l.list.entries = {{"one", 1}, {"two", 2}};
        l.defaultEntry = 1;
        l.value = w.list;
        const int i = l.list.indexOfValue(w.list);
        if (i >= 0) l.text = l.list.entries[static_cast<std::size_t>(i)].text;
        rows.push_back(l);
        GridRow t;
        t.name = "time";
        t.kind = EditorKind::Time;
        rows.push_back(t);
    }
    void applyRow(GridWork& work, const GridRow& row) override {
        auto& w = static_cast<FakeWork&>(work);
        if (row.name == "number") w.number = row.value;
        if (row.name == "hex") w.hex = row.value;
        if (row.name == "list") w.list = row.value;
        if (row.name == "time") w.time = row.value;
    }
    bool applyCheck(GridWork&, const CheckEntry&, bool, std::string&) override { return true; }
    void store(DBase&, const GridWork& work) override {
        stored = static_cast<const FakeWork&>(work).number;
    }
    std::size_t textLimit() const override { return 16; }
    std::int32_t initialList = 1;
};

struct GridFixture : K2Fixture {
    GridModel grid{prompter};
    FakeGrid* family = nullptr;
    void showFake(std::int32_t listValue = 1) {
        auto f = std::make_unique<FakeGrid>();
        f->initialList = listValue;
        family = f.get();
        grid.setFamily(std::move(f));
        grid.show(&db, 1);
    }
};

TEST(GridCommit, NumbersAreClampedParsedOrRefused) {
    struct Case {
        const char* row;
        const char* typed;
        bool accepted;
        const char* shown;
        std::int32_t value;
        const char* note = "";  // what the status bar is told
    };
    const Case cases[] = {
        {"number", "300", true, "255", 255, "\"number\": 300 заменено на 255 (допустимо 0..255)"},
        {"number", "42  ", true, "42", 42},
        {"number", "12A", false, "12A", 7},
        {"number", "-1", false, "-1", 7},
        {"hex", "A", true, "000A", 0xA},
        {"hex", "ffff", true, "FFFF", 0xFFFF},
        {"hex", "1A2B3", false, "1A2B3", 0x12},
        {"hex", "G1", false, "G1", 0x12},
        {"key", "01 A2 03 04 05 FF", true, "01 A2 03 04 05 FF", 0},
        {"key", "01 02 03", false, "01 02 03", 0},
        {"key", "001 02 03 04 05 06", false, "001 02 03 04 05 06", 0},
        {"list", "two", true, "two", 2},
        {"list", "three", false, "three", 1},
        {"time", "07:05", true, "07:05", 425},
        {"time", "24:00", false, "24:00", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.row) + " <- " + c.typed);
        GridFixture f;
        f.showFake();
        const int row = f.grid.findRow(c.row);
        ASSERT_GE(row, 0);
        EXPECT_EQ(f.grid.commitText(row, c.typed), c.accepted);
        const GridRow& r = f.grid.rows()[static_cast<std::size_t>(row)];
        EXPECT_EQ(r.text, c.shown);
        EXPECT_EQ(r.error, !c.accepted);
        EXPECT_EQ(f.grid.commitNote(), c.note);
        if (std::string(c.row) != "key") {
            EXPECT_EQ(r.value, c.value);
        }
        if (c.accepted) {
            EXPECT_TRUE(f.prompter.calls.empty());
        } else {
            ASSERT_EQ(f.prompter.calls.size(), 1u);
            EXPECT_EQ(f.prompter.calls[0].text, "Ошибка в параметре!");
            EXPECT_EQ(f.prompter.calls[0].title, "");
            // A refused row keeps the item: write-back reports the error.
            EXPECT_TRUE(f.grid.writeBack().hasError);
        }
    }
}

TEST(GridCommit, AcceptedValueClearsTheErrorAndWritesBackOnce) {
    GridFixture f;
    f.showFake();
    const int row = f.grid.findRow("number");
    EXPECT_FALSE(f.grid.commitText(row, "x"));
    EXPECT_TRUE(f.grid.commitText(row, "9"));
    EXPECT_FALSE(f.grid.rows()[static_cast<std::size_t>(row)].error);
    EXPECT_TRUE(f.grid.rows()[static_cast<std::size_t>(row)].changed);
    f.db.modified = 0;
    const WriteBackResult r = f.grid.writeBack();
    EXPECT_TRUE(r.written);
    EXPECT_EQ(f.family->stored, 9);
    EXPECT_EQ(f.db.modified, 1);
    EXPECT_FALSE(f.grid.writeBack().written);  // nothing new
}

TEST(GridCommit, SameValueIsNoChange) {
    GridFixture f;
    f.showFake();
    EXPECT_TRUE(f.grid.commitText(f.grid.findRow("number"), "7"));
    EXPECT_FALSE(f.grid.modified());
}

TEST(GridDefaults, UnknownListValueTakesTheDefaultAndMarksModified) {
    GridFixture f;
    f.showFake(5);  // no entry carries 5
    const GridRow& r = f.grid.rows()[static_cast<std::size_t>(f.grid.findRow("list"))];
    EXPECT_EQ(r.text, "two");
    EXPECT_EQ(r.value, 2);
    EXPECT_TRUE(f.grid.modified());
    EXPECT_TRUE(f.grid.writeBack().written);
}

// ---- "Талвир К2" rows ----------------------------------------------------------------

TEST(K2Grid, RowsOfADeviceFollowItsLoop) {
    EditorFixture f;
    const int mau = f.device(kTypeMau, 5);
    f.tree.rebuild();
    f.grid.show(&f.db, mau);
    auto names = [&] {
        std::vector<std::string> n;
        for (const GridRow& r : f.grid.rows())
            n.push_back(r.name);
        return n;
    };
    EXPECT_EQ(names(),
              (std::vector<std::string>{
                  "Тип", "Номер АУ в базе", "Номер ШС", "Условие срабатывания реле",
                  "Задержка срабатывания реле (0-240сек)", "Управление", "Заблокировано"}));
    const GridRow& relay = f.grid.rows()[3];
    EXPECT_EQ(relay.list.entries.size(), 7u);  // list 1021 on a security loop
    EXPECT_EQ(relay.text, "Не выбрано");
    EXPECT_EQ(f.grid.rows()[1].text, "  1");
    // Moving it to a fire loop swaps the relay list (1017).
    ASSERT_TRUE(f.grid.commitText(2, "П02"));
    EXPECT_EQ(f.grid.rows()[3].list.entries[2].text, "Пуск");
    ASSERT_TRUE(f.grid.commitText(3, "Пуск"));
    ASSERT_TRUE(f.grid.commitText(4, "300"));
    EXPECT_EQ(f.grid.rows()[4].text, "240");
    ASSERT_TRUE(f.grid.writeBack().written);
    const DeviceRecord& d = f.db.devices[static_cast<std::size_t>(mau)];
    EXPECT_EQ(d[kDevLoop], 33);
    EXPECT_EQ(deviceCondition(d), 2);
    EXPECT_EQ(d[kDevParam5], 240);
    EXPECT_EQ(d[kDevChecksum], recordChecksum(d, kDevChecksum));
}

TEST(K2Grid, ThreeLoopDeviceRowsByLinkedLoops) {
    EditorFixture f;
    const int tk3 = f.device(kTypeTk3, 0);
    f.db.devices[static_cast<std::size_t>(tk3)][4] = 70;  // loop B: monitoring
    f.db.devices[static_cast<std::size_t>(tk3)][5] = 40;  // loop C: fire, no row
    f.grid.show(&f.db, tk3);
    std::vector<std::string> names;
    for (const GridRow& r : f.grid.rows())
        names.push_back(r.name);
    EXPECT_EQ(names, (std::vector<std::string>{
                         "Тип", "Номер АУ в базе", "Номер ШС, связанного с шлейфом А",
                         "Номер ШС, связанного с шлейфом В", "Номер ШС, связанного с шлейфом С",
                         "Тактика охраны ШС А", "Сообщение от ШС В", "Тактика охраны ШС С",
                         "Контроль неисправности", "Заблокировано"}));
    // Loop C was a fire loop, which the list does not hold: corrected to "Нет",
    // which brings its tactic row.
    EXPECT_TRUE(f.grid.modified());
    EXPECT_EQ(f.grid.rows()[4].text, "Нет");
    ASSERT_TRUE(f.grid.commitText(f.grid.findRow("Сообщение от ШС В"), "Сообщение 3"));
    ASSERT_TRUE(f.grid.commitText(f.grid.findRow("Контроль неисправности"), "Нет контроля"));
    ASSERT_TRUE(f.grid.writeBack().written);
    const DeviceRecord& d = f.db.devices[static_cast<std::size_t>(tk3)];
    EXPECT_EQ(d[kDevParam6], (2 << 2) | (1 << 6));
    EXPECT_EQ(d[5], 0xFF);
}

TEST(K2Grid, DefaultEntryCorrectionOfANewDetector) {
    EditorFixture f;
    const int ipg = f.device(kTypeIpg, 33);  // condition 7: not in list 1007
    f.db.modified = 0;
    f.grid.show(&f.db, ipg);
    EXPECT_TRUE(f.grid.modified());
    EXPECT_EQ(f.grid.rows()[2].text, "Внимание");
    EXPECT_EQ(f.db.modified, 0);  // nothing written until the item is left
    EXPECT_TRUE(f.grid.writeBack().written);
    EXPECT_EQ(deviceCondition(f.db.devices[static_cast<std::size_t>(ipg)]), 0);
    EXPECT_EQ(f.db.modified, 1);
}

TEST(K2Grid, KeyRowsAndApplication) {
    EditorFixture f;
    const int k = f.key(true, 1);
    f.grid.show(&f.db, 0x100 + k);
    EXPECT_EQ(f.grid.secondTab().caption, "Применимость ключа");
    ASSERT_EQ(f.grid.secondTab().entries.size(), 32u);
    EXPECT_EQ(f.grid.secondTab().entries[0].label.substr(0, 4), "П01");
    ASSERT_TRUE(f.grid.commitText(1, "A1 B2 C3 D4 E5 F6"));
    ASSERT_TRUE(f.grid.setCheck(9, true));
    ASSERT_TRUE(f.grid.writeBack().written);
    const KeyRecord& key = f.db.keys[static_cast<std::size_t>(k)];
    EXPECT_EQ(key[0], 0xA1);
    EXPECT_EQ(key[5], 0xF6);
    EXPECT_EQ(key[kKeyApplication + 1], 0x02);
    EXPECT_EQ(key[kKeyKind], 0x81);
}

TEST(K2Grid, LoopLinksFromTheSecondTab) {
    EditorFixture f;
    f.grid.show(&f.db, 0x80 + 100);  // control loop, logic not chosen
    EXPECT_EQ(f.grid.secondTab().caption, "Входящие ШС");
    ASSERT_TRUE(f.grid.setCheck(40, true));  // fire loop П09 joins: logic becomes fire
    EXPECT_EQ(f.grid.rows()[f.grid.findRow("Логика работы")].text, "Пожарные ШС");
    EXPECT_FALSE(f.grid.setCheck(3, true));  // a security loop does not match
    EXPECT_EQ(f.prompter.calls.back().text, "Такая вставка недопустима.");
    ASSERT_TRUE(f.grid.writeBack().written);
    EXPECT_EQ(f.db.loops[40][kLoopLink1], 100);
    EXPECT_EQ(f.db.loops[100][kLoopLogic], 1);
    EXPECT_EQ(f.db.loops[40][kLoopChecksum], recordChecksum(f.db.loops[40], kLoopChecksum));

    // A loop with four links refuses a fifth.
    for (int c = 96; c < 100; ++c)
        f.link(5, c);
    f.grid.show(&f.db, 0x80 + 5);
    EXPECT_FALSE(f.grid.setCheck(10, true));
    EXPECT_EQ(f.prompter.calls.back().text, "Все ссылки шлейфа заняты!");
}

TEST(K2Grid, LoopNameAndNumber) {
    EditorFixture f;
    f.grid.show(&f.db, 0x80 + 2);
    ASSERT_TRUE(f.grid.commitText(0, "склад"));
    EXPECT_EQ(f.grid.rows()[0].value, 49);
    ASSERT_TRUE(f.grid.commitText(0, "Своё имя"));
    EXPECT_EQ(f.grid.rows()[0].value, 255);
    EXPECT_EQ(f.grid.rows()[0].list.entries[0].text, "Своё имя");
    ASSERT_TRUE(f.grid.commitText(1, "70000"));
    EXPECT_EQ(f.grid.rows()[1].text, "65535");
    ASSERT_TRUE(f.grid.writeBack().written);
    EXPECT_EQ(f.db.LoopFullLabel(2), "А3  Своё имя 65535");
}

TEST(K2Grid, RootRowClampsTo255) {
    EditorFixture f;
    f.db.firmwareVersionText = "1.04";
    f.grid.show(&f.db, 0, true);
    EXPECT_EQ(f.grid.rows()[0].text, "1.04");
    ASSERT_TRUE(f.grid.commitText(1, "300"));
    EXPECT_EQ(f.grid.rows()[1].text, "255");
    f.grid.writeBack();
    EXPECT_EQ(f.db.panelBlock[0], 255);
}

}  // namespace
}  // namespace tavrin::test
