// The comparison of two databases: items named as the tree names them, rows
// as the grid names them, matched by code or (where codes renumber) by
// order and content.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "editor/db_diff.h"
#include "families/r7/dbr7.h"
#include "families/s5/dbs5.h"
#include "k2_test_util.h"
#include "registry/family_registry.h"

using namespace tavrin;

namespace {

std::vector<std::string> lines(const std::vector<DiffEntry>& entries) {
    std::vector<std::string> out;
    for (const DiffEntry& e : entries)
        out.push_back(formatDiffEntry(e));
    return out;
}

using Lines = std::vector<std::string>;

struct K2Case {
    const char* what;
    std::function<void(test::StrictK2Fixture& ours, test::StrictK2Fixture& theirs)> edit;
    Lines expected;
};

TEST(DbDiff, K2ItemsAndRowsAsTheScreenNamesThem) {
    const std::vector<K2Case> cases = {
        {"equal databases", [](auto&, auto&) {}, {}},
        {"a device added",
         [](auto&, test::StrictK2Fixture& b) { b.db.CreateElement(k2::kTypeIpr, -1); },
         {"Талвир К2 / Устройства / Т12-ИПР  003: added"}},
        {"a device removed",
         [](auto&, test::StrictK2Fixture& b) { b.db.RemoveElement(1); },
         {"Талвир К2 / Устройства / Т12-ТК-3 002: removed"}},
        {"a loop renamed: its row changes, the lists that show its name do not",
         [](auto&, test::StrictK2Fixture& b) { b.setName(0, "Кухня"); },
         {"Талвир К2 / Шлейфы / Охранные / А1: changed: Имя ШС:  → Кухня"}},
        {"the panel's row is not the first device's (both have code 0)",
         [](auto&, test::StrictK2Fixture& b) { b.db.panelBlock[0] = 30; },
         {"Талвир К2: changed: Время задержки на Вход-Выход: 0 → 30"}},
        {"a device blocked and a key's number changed",
         [](auto&, test::StrictK2Fixture& b) {
             b.db.blockedDevices[0] |= 0x01;
             b.db.keys[0][k2::kKeyCode] = 0x12;
         },
         {"Талвир К2 / Устройства / Т12-ДИП  001: changed: Заблокировано: Нет → Да",
          "Талвир К2 / Ключи / Дежурный / Ключ_000: changed: Полный номер ключа: 00 00 00 00 00 00 "
          "→ "
          "12 00 00 00 00 00"}},
    };
    for (const K2Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::StrictK2Fixture a, b;
        for (test::StrictK2Fixture* f : {&a, &b}) {
            f->db.CreateElement(k2::kTypeDip, -1);
            f->db.CreateElement(k2::kTypeTk3, -1);
            f->db.CreateKey();
        }
        c.edit(a, b);
        bool available = false;
        const auto got = diffDatabases(a.db, b.db, CreateFamilyTree, &available);
        EXPECT_TRUE(available);
        EXPECT_EQ(lines(got), c.expected);
    }
}

}  // namespace

namespace {

// A list of items as a renumbering family's tree gives it: the panel at
// the top, each other item under it with its label, kind and rows.
struct Spec {
    ItemCode code;
    int image;
    std::string label;
    std::vector<std::pair<std::string, std::string>> rows;
};

DbItemList listOf(const std::vector<Spec>& specs) {
    DbItemList list;
    list.available = true;
    list.nodes.push_back({0, -1, "Прибор"});
    auto intern = [&](const std::string& n) {
        for (std::uint32_t i = 0; i < list.names.size(); ++i)
            if (list.names[i] == n) return i;
        list.names.push_back(n);
        return static_cast<std::uint32_t>(list.names.size() - 1);
    };
    for (const Spec& sp : specs) {
        DbItem it;
        it.node = static_cast<int>(list.nodes.size());
        list.nodes.push_back({sp.code, 0, sp.label});
        it.code = sp.code;
        it.image = sp.image;
        for (const auto& [name, text] : sp.rows)
            it.rows.push_back({intern(name), intern(name), text});
        list.items.push_back(std::move(it));
    }
    return list;
}

// Items whose codes move when one before them is deleted are matched by
// their order and content: what moved is the same item.
TEST(DbDiff, RenumberedItemsAreTheSameItems) {
    const Spec object{1, 2, "Склад", {{"Имя", "Склад"}}};
    auto dev = [](ItemCode code, const std::string& name, const std::string& line) {
        return Spec{code, 7, name, {{"Имя", name}, {"Линия", line}}};
    };
    const std::vector<Spec> ours = {object, dev(2, "Дым 1", "А"), dev(3, "Дым 2", "А"),
                                    dev(4, "Дым 3", "Б"), dev(5, "Дым 4", "Б")};
    struct Case {
        const char* what;
        std::vector<Spec> theirs;
        Lines expected;
    };
    const std::vector<Case> cases = {
        {"equal", ours, {}},
        {"the first device deleted: the others move up one code and are not reported",
         {object, dev(2, "Дым 2", "А"), dev(3, "Дым 3", "Б"), dev(4, "Дым 4", "Б")},
         {"Прибор / Дым 1: removed"}},
        {"deleted, one moved item changed and one added at the end",
         {object, dev(2, "Дым 2", "А"), dev(3, "Дым 3", "В"), dev(4, "Дым 4", "Б"),
          dev(5, "Дым 5", "Г")},
         {"Прибор / Дым 1: removed", "Прибор / Дым 3: changed: Линия: Б → В",
          "Прибор / Дым 5: added"}},
        {"renamed in place: one item changed, not a removal and an addition",
         {object, dev(2, "Дым 1", "А"), dev(3, "Кухня", "А"), dev(4, "Дым 3", "Б"),
          dev(5, "Дым 4", "Б")},
         {"Прибор / Дым 2: changed: Имя: Дым 2 → Кухня"}},
        {"an item of another kind in its place is removed and added",
         {object, dev(2, "Дым 1", "А"), Spec{3, 4, "Ключ", {{"Имя", "Ключ"}}}, dev(4, "Дым 3", "Б"),
          dev(5, "Дым 4", "Б")},
         {"Прибор / Ключ: added", "Прибор / Дым 2: removed"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(lines(diffItems(listOf(ours), listOf(c.theirs), true)), c.expected);
    }
    // Matched by code, the first deletion shows every later device as changed.
    const std::vector<Spec> shifted = {object, dev(2, "Дым 2", "А"), dev(3, "Дым 3", "Б"),
                                       dev(4, "Дым 4", "Б")};
    EXPECT_GT(diffItems(listOf(ours), listOf(shifted), false).size(), 1u);
}

TEST(DbDiff, S5FoldersAsTheTreeNamesThem) {
    test::TempDir dir;
    test::StrictPrompter prompter;
    AppContext ctx = makeAppContext(dir.path());
    ctx.prompter = &prompter;
    auto build = [&](bool second) {
        auto db = std::make_unique<DBS5>(0, ctx);
        db->AddLcp();
        const int o = db->NewObject(1);
        s5::setNameText(s5::objectName(db->lcp(1)->objects[o]), second ? "Склад 2" : "Склад");
        const int d = db->CreateElement(17, 1);
        s5::setNameText(s5::deviceName(db->lcp(1)->devices[d]), "Дым");
        db->lcp(1)->devices[d][s5::dev::kObject] = static_cast<std::uint8_t>(o + 1);
        if (second) {
            db->AddLcp();
            db->NewLcpKey(1);
        }
        return db;
    };
    auto a = build(false);
    auto b = build(true);
    const Lines expected = {
        "Версан С5: changed: Количество LCP: 1 → 2",
        "Версан С5 / LCP 1: changed: Ключи: 0 → 1",
        "Версан С5 / LCP 1 / Склад: changed: Имя объекта: Склад → Склад 2",
        "Версан С5 / LCP 1 / [1510]: added",
        "Версан С5 / LCP 2: added",
    };
    EXPECT_EQ(lines(diffDatabases(*a, *b, CreateFamilyTree)), expected);
}

// "Ордис Р7": a deletion renumbers every element after it; the elements
// that only moved are not reported, the ones changed are named as before.
TEST(DbDiff, R7RenumberedElementsAreTheSameElements) {
    test::TempDir dir;
    test::StrictPrompter prompter;
    AppContext ctx = makeAppContext(dir.path());
    ctx.prompter = &prompter;
    auto build = [&]() {
        auto db = std::make_unique<DBR7>(0, ctx);
        const int store = db->CreateElement(r7::kTypeObject, 0);
        db->element(store)->setName("Склад");
        const int office = db->CreateElement(r7::kTypeObject, 0);
        db->element(office)->setName("Офис");
        for (const char* name : {"Дым 1", "Дым 2", "Дым 3"})
            db->element(db->CreateElement(26, store))->setName(name);
        db->element(db->CreateElement(26, office))->setName("Дым 4");
        return db;
    };
    auto a = build();
    auto b = build();
    b->RemoveElement(3);  // "Дым 1"
    b->CompactTable();
    b->element(4)->setName("Кухня");  // "Дым 3", moved from 5 to 4
    ASSERT_EQ(b->element(5)->name(), "Дым 4");
    bool available = false;
    const Lines got = lines(diffDatabases(*a, *b, CreateFamilyTree, &available));
    ASSERT_TRUE(available);
    const Lines expected = {"Ордис Р7 / Склад / Дым 1: removed",
                            "Ордис Р7 / Склад / Дым 3: changed: Имя устройства: Дым 3 → Кухня"};
    EXPECT_EQ(got, expected);
}

}  // namespace
