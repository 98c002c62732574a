// The "Талвир К2" model: element and key operations, labels, edit rules and
// item images.
#include <gtest/gtest.h>

#include <functional>

#include "base/bit_set.h"
#include "core/k2_test_util.h"

namespace tavrin {
namespace {

using test::StrictK2Fixture;

TEST(K2Model, CreateAndRemoveDevicesAndKeys) {
    StrictK2Fixture f;
    EXPECT_EQ(f.db.CreateElement(0, -1), 0);
    EXPECT_EQ(f.db.CreateElement(3, -1), 1);
    EXPECT_EQ(f.db.CreateElement(6, -1), 2);
    EXPECT_EQ(f.db.CreateElement(12, -1), 3);
    EXPECT_EQ(f.db.devices[0][2], 0x00);  // ДИП: condition 0
    EXPECT_EQ(f.db.devices[2][2], 0x06);  // ДКА: condition 0
    EXPECT_EQ(f.db.devices[3][2], 0x7C);  // МАУ: condition 7
    EXPECT_EQ(f.db.devices[3][4], 4);     // number = index + 1
    EXPECT_EQ(f.db.devices[3][5], 0);
    EXPECT_EQ(f.db.devices[1][4], 0xFF);  // ТК-3: loops B and C unset
    EXPECT_EQ(f.db.devices[1][5], 0xFF);
    EXPECT_GT(f.db.modified, 0);

    setBit(f.db.blockedDevices, 1);
    f.db.RemoveElement(1);
    EXPECT_FALSE(f.db.IsDeviceInUse(1));
    EXPECT_FALSE(f.db.IsDeviceBlocked(1));
    EXPECT_EQ(f.db.devices[1][2], 0x70);
    EXPECT_EQ(f.db.CreateElement(5, -1), 1);  // the lowest free index again
    for (int i = 0; i < 124; ++i)
        f.db.CreateElement(7, -1);
    EXPECT_EQ(f.db.CreateElement(7, -1), -1);
    EXPECT_FALSE(f.db.IsDeviceInUse(128));
    EXPECT_FALSE(f.db.IsDeviceInUse(-1));

    EXPECT_EQ(f.db.CreateKey(), 0);
    EXPECT_EQ(f.db.CreateKey(), 1);
    EXPECT_EQ(f.db.keys[1][6], 1);
    EXPECT_EQ(f.db.keys[1][7], 3);
    const std::uint8_t code[6] = {1, 2, 3, 4, 5, 6};
    std::copy(code, code + 6, f.db.keys[1].begin());
    EXPECT_EQ(f.db.FindKey(code), 1);
    const std::uint8_t zero[6] = {};
    EXPECT_EQ(f.db.FindKey(zero), -1);  // key 0 has the zero code, never found
    f.db.RemoveKey(0x100 + 1);
    EXPECT_FALSE(f.db.IsKeyInUse(1));
    EXPECT_EQ(f.db.keys[1][0], 0);
    EXPECT_EQ(f.db.keys[1][6], 0xFF);
    EXPECT_EQ(f.db.FindKey(code), -1);
}

TEST(K2Model, LoopLabels) {
    StrictK2Fixture f;
    // Loop 100 of logic 1, name 5 "Склад", number 12.
    f.db.loops[100][3] = 1;
    f.db.loops[100][2] = 5;
    f.db.loops[100][0] = 12;
    f.setName(5, "Склад");
    EXPECT_EQ(f.db.LoopShortLabel(100), "пУ05");
    EXPECT_EQ(f.db.LoopFullLabel(100), "пУ05  Склад 12");
    f.db.loops[100][0] = 0;
    EXPECT_EQ(f.db.LoopFullLabel(100), "пУ05  Склад");

    const struct {
        int loop;
        int logic;
        const char* label;
    } cases[] = {{0, 0xFF, "А1"},   {7, 0xFF, "А8"},   {8, 0xFF, "Б1"},   {16, 0xFF, "В1"},
                 {31, 0xFF, "Г8"},  {32, 0xFF, "П01"}, {63, 0xFF, "П32"}, {64, 0xFF, "К01"},
                 {95, 0xFF, "К32"}, {96, 0, "оУ01"},   {97, 2, "кУ02"},   {127, 0xFF, "У32"},
                 {126, 7, "У31"},   {128, 0, ""},      {-1, 0, ""}};
    for (const auto& c : cases) {
        if (c.loop >= 0 && c.loop < 128) f.db.loops[c.loop][3] = static_cast<std::uint8_t>(c.logic);
        EXPECT_EQ(f.db.LoopShortLabel(c.loop), c.label) << c.loop;
    }
    EXPECT_EQ(f.db.LoopFullLabel(64), "К01  ");  // a blank name
    EXPECT_EQ(f.db.LoopFullLabel(128), "");
}

TEST(K2Model, DeviceLabels) {
    StrictK2Fixture f;
    const int dip = f.db.CreateElement(0, -1);
    f.db.devices[dip][4] = 5;
    const int tk3 = f.db.CreateElement(3, -1);
    const int uopv = f.db.CreateElement(14, -1);
    const int none = f.db.CreateElement(9, -1);
    EXPECT_EQ(f.db.DeviceLabel(dip), "Т12-ДИП  005");
    EXPECT_EQ(f.db.DeviceLabel(tk3), "Т12-ТК-3 002");
    EXPECT_EQ(f.db.DeviceLabel(tk3, 1), "Т12-ТК-3(B)002");
    EXPECT_EQ(f.db.DeviceLabel(uopv), "Т12-УОПВ 003");
    EXPECT_EQ(f.db.DeviceLabel(none), "         004");
    EXPECT_EQ(f.db.DeviceLabel(128), "");
}

TEST(K2Model, Queries) {
    StrictK2Fixture f;
    const int upt = f.db.CreateElement(11, -1);
    f.db.devices[upt][3] = 40;
    EXPECT_TRUE(f.db.HasUptOnLoop(40));
    EXPECT_FALSE(f.db.HasUptOnLoop(41));
    EXPECT_TRUE(f.db.LoopHasContent(40));
    f.db.loops[5][5] = 100;  // loop 5 is a member of "У" loop 100
    EXPECT_TRUE(f.db.LoopHasContent(100));
    EXPECT_FALSE(f.db.LoopHasContent(5));
    const int brp = f.db.CreateElement(7, -1);
    f.db.devices[brp][3] = 3;
    f.db.loops[3][7] = 1;
    EXPECT_EQ(f.db.FirstArmedSecurityLoop(), -1);  // working bytes not set yet
    f.db.UpdateLoopContent();
    EXPECT_EQ(f.db.FirstArmedSecurityLoop(), 3);
}

// The edit rules as a table: rule, item, parent, grandparent, buffer item,
// flag → allowed, text.
TEST(K2Model, EditRules) {
    StrictK2Fixture f;
    auto& db = f.db;
    const int dip = db.CreateElement(0, -1);   // 0
    const int tk3 = db.CreateElement(3, -1);   // 1
    const int ipg = db.CreateElement(5, -1);   // 2
    const int dka = db.CreateElement(6, -1);   // 3
    const int mau = db.CreateElement(12, -1);  // 4
    const int odd = db.CreateElement(9, -1);   // 5
    const int duty = db.CreateKey();           // key 0, kind 3 → bits 0-1 = 3
    const int fireEmp = db.CreateKey();        // key 1
    db.keys[fireEmp][7] = 0x81;
    const int secEmp = db.CreateKey();  // key 2
    db.keys[secEmp][7] = 0x80;
    db.loops[100][3] = 1;  // пУ05
    db.loops[101][3] = 0;
    db.loops[102][3] = 2;
    db.loops[103][3] = 0xFF;
    const auto loop = [](int m) { return 0x80 + m; };
    const auto key = [](int k) { return 0x100 + k; };
    enum Rule { Insert, Delete, Copy, Cut, Paste };
    const struct {
        Rule rule;
        ItemCode item, parent, grandparent, buffer;
        int flag;
        bool allowed;
        const char* text;
    } cases[] = {
        {Insert, -3, 0, 0, 0, 0, true, "Добавление новых устройств"},
        {Insert, loop(40), 0, 0, 0, 0, true, "Добавление новых устройств"},
        {Insert, -6, 0, 0, 0, 0, true, "Добавление новых устройств"},
        {Insert, -4, 0, 0, 0, 0, false, "Здесь вставка устройств невозможна"},
        {Insert, key(0), 0, 0, 0, 0, false, "Здесь вставка устройств невозможна"},
        {Delete, dip, -3, 0, 0, 0, true, "Удалить"},
        {Delete, key(duty), -6, 0, 0, 0, true, "Удалить"},
        {Delete, loop(5), loop(100), 0, 0, 0, true, "Удалить"},
        {Delete, loop(5), -30, 0, 0, 0, false, "Эти объекты удалять нельзя"},
        {Delete, loop(100), -33, 0, 0, 0, false, "Эти объекты удалять нельзя"},
        {Delete, -3, 0, 0, 0, 0, false, "Эти объекты удалять нельзя"},
        {Copy, dip, loop(40), -31, 0, 0, true, "Создать копию в буфере"},
        {Copy, dip, loop(40), loop(100), 0, 0, false,
         "Копировать устройства из вложенных ШС нельзя!"},
        {Copy, 0x200 + tk3, loop(5), loop(101), 0, 0, false,
         "Копировать устройства из вложенных ШС нельзя!"},
        {Copy, key(duty), -6, -4, 0, 0, true, "Создать копию в буфере"},
        {Copy, key(duty), loop(100), 0, 0, 0, false, "Копировать ключи из вложенных ШС нельзя!"},
        {Copy, loop(95), -32, 0, 0, 0, true, "Создать копию в буфере"},
        {Copy, loop(96), -33, 0, 0, 0, false, "Эти объекты нельзя копировать и вставлять"},
        {Cut, dip, -3, 0, 0, 0, false,
         "Вырезать устройства из 'Устройств' нельзя!\nПоскольку они будут удалены совсем из БД"},
        {Cut, dip, loop(40), -31, 0, 0, true, "Переместить в буфер"},
        {Cut, dip, loop(40), loop(100), 0, 0, false, "Вырезать устройства из вложенных ШС нельзя!"},
        {Cut, key(duty), -6, -4, 0, 0, true, "Переместить в буфер"},
        {Cut, key(duty), loop(5), loop(101), 0, 0, false, "Вырезать ключи из вложенных ШС нельзя!"},
        {Cut, loop(5), loop(101), -33, 0, 0, true, "Переместить в буфер"},
        {Cut, loop(5), -30, -5, 0, 0, false, "Эти объекты нельзя удалить(вырезать) из дерева"},
        {Paste, -7, 0, 0, key(duty), 0, true, "Вставить из буфера"},
        {Paste, -7, 0, 0, key(secEmp), 0, false, "Можно вставить только ключи."},
        {Paste, -7, 0, 0, key(secEmp), 1, true, "Вставить из буфера"},
        {Paste, -6, 0, 0, key(fireEmp), 0, true, "Вставить из буфера"},
        {Paste, -6, 0, 0, dip, 0, false, "Можно вставить только ключи."},
        {Paste, -3, 0, 0, dip, 0, true, "Вставить из буфера"},
        {Paste, -3, 0, 0, key(duty), 0, false, "Сюда вставлять можно только устройства"},
        {Paste, loop(40), 0, 0, dip, 0, true, "Вставить из буфера"},
        {Paste, loop(4), 0, 0, dip, 0, false, "Можно вставлять только в пожарные ШС."},
        {Paste, loop(4), 0, 0, tk3, 0, true, "Вставить из буфера"},
        {Paste, loop(70), 0, 0, 0x280 + tk3, 0, true, "Вставить из буфера"},
        {Paste, loop(40), 0, 0, 0x300 + tk3, 0, false, "Только в охранные и контрольные ШС."},
        {Paste, loop(70), 0, 0, ipg, 0, false, "Только в охранные и пожарные ШС."},
        {Paste, loop(70), 0, 0, dka, 0, true, "Вставить из буфера"},
        {Paste, loop(10), 0, 0, dka, 0, false, "Можно вставлять только в контрольные ШС."},
        {Paste, loop(110), 0, 0, mau, 0, true, "Вставить из буфера"},
        {Paste, loop(10), 0, 0, odd, 0, false, ""},
        {Paste, loop(101), 0, 0, loop(5), 0, true, "Вставить из буфера"},
        {Paste, loop(101), 0, 0, loop(40), 0, false, "Можно вставлять только охранные ШС."},
        {Paste, loop(100), 0, 0, loop(5), 0, false, "Можно вставлять только пожарные ШС."},
        {Paste, loop(102), 0, 0, loop(40), 0, false, "Можно вставлять только контрольные ШС."},
        {Paste, loop(103), 0, 0, loop(40), 0, true, "Вставить из буфера"},
        {Paste, loop(3), 0, 0, key(secEmp), 0, true, "Вставить из буфера"},
        {Paste, loop(3), 0, 0, key(fireEmp), 0, false, "Можно вставлять только охранные ключи."},
        {Paste, loop(33), 0, 0, key(fireEmp), 0, true, "Вставить из буфера"},
        {Paste, loop(33), 0, 0, key(duty), 0, false, "Можно вставлять только пожарные ключи."},
        {Paste, loop(70), 0, 0, key(secEmp), 0, false, "Здесь ключи не используются."},
        {Paste, loop(3), 0, 0, loop(4), 0, false, "Здесь вставка невозможна."},
        {Paste, -4, 0, 0, dip, 0, false, "Здесь вставка невозможна."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "rule " << c.rule << " item " << c.item << " buffer " << c.buffer);
        EditRuleArgs a;
        a.item = c.item;
        a.parent = c.parent;
        a.grandparent = c.grandparent;
        a.bufferItem = c.buffer;
        a.flag = c.flag;
        a.bufferDatabase = &db;
        RuleAnswer r;
        switch (c.rule) {
            case Insert:
                r = db.InsertItem(a);
                break;
            case Delete:
                r = db.DeleteItem(a);
                break;
            case Copy:
                r = db.CopyItem(a);
                break;
            case Cut:
                r = db.CutItem(a);
                break;
            case Paste:
                r = db.PasteItem(a);
                break;
        }
        EXPECT_EQ(r.allowed, c.allowed);
        EXPECT_EQ(r.text, c.text);
    }
}

TEST(K2Model, PasteReadsTheBufferDatabase) {
    StrictK2Fixture f, other;
    f.db.CreateElement(0, -1);      // device 0 here is a ДИП
    other.db.CreateElement(6, -1);  // device 0 in the other database is a ДКА
    EditRuleArgs a;
    a.item = 0x80 + 70;  // a monitoring loop
    a.bufferItem = 0;
    a.bufferDatabase = &other.db;
    EXPECT_TRUE(f.db.PasteItem(a).allowed);
    a.bufferDatabase = &f.db;
    EXPECT_FALSE(f.db.PasteItem(a).allowed);
}

TEST(K2Model, ItemImages) {
    StrictK2Fixture f;
    auto& db = f.db;
    const int dip = db.CreateElement(0, -1);
    db.devices[dip][3] = 40;
    const int ipr = db.CreateElement(1, -1);  // no loop
    const int ktm = db.CreateElement(4, -1);
    const int tk3 = db.CreateElement(3, -1);
    db.devices[tk3][3] = 2;   // A security
    db.devices[tk3][4] = 70;  // B monitoring
    db.loops[100][3] = 2;
    db.keys[db.CreateKey()][7] = 0x81;
    db.keys[db.CreateKey()][7] = 3;
    const struct {
        std::function<void()> set;
        ItemCode item;
        int image;
    } cases[] = {
        {[] {}, dip, 1},
        {[&] { setBit(db.blockedDevices, dip); }, dip, 55},
        {[] {}, ipr, 57},
        {[&] { db.devices[ktm][3] = 3; }, ktm, 18},
        {[&] { db.devices[ktm][3] = 33; }, ktm, 16},
        {[&] { db.devices[ktm][3] = 66; }, ktm, 17},
        {[&] { db.devices[ktm][3] = 100; }, ktm, 17},  // "У" loop of logic 2
        {[&] { db.devices[ktm][3] = 0xFF; }, ktm, 62},
        {[] {}, tk3, 10},
        {[] {}, 0x200 + tk3, 12},
        {[] {}, 0x300 + tk3, 60},
        {[] {}, 0x80 + 3, 41},
        {[] {}, 0x80 + 40, 40},
        {[] {}, 0x80 + 70, 42},
        {[] {}, 0x80 + 100, 83},
        {[] {}, 0x80 + 101, 43},
        {[&] { setBit(db.blockedLoops, 3); }, 0x80 + 3, 74},
        {[] {}, 0x100, 51},
        {[] {}, 0x101, 75},
        {[] {}, -1, 76},
        {[] {}, -3, 77},
        {[] {}, -33, 43},
        {[] {}, -8, -1},
    };
    for (const auto& c : cases) {
        c.set();
        EXPECT_EQ(db.GetItemImage(c.item), c.image) << c.item;
    }
}

}  // namespace
}  // namespace tavrin
