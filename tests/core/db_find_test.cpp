// Finding items by text: labels and grid values, any case, Cyrillic too.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/db_find.h"
#include "k2_test_util.h"
#include "registry/family_registry.h"

using namespace tavrin;

namespace {

TEST(DbFind, QueriesOverLabelsAndGridValues) {
    test::StrictK2Fixture f;
    f.db.CreateElement(k2::kTypeDip, -1);
    f.db.CreateElement(k2::kTypeIpr, -1);
    f.setName(0, "Кухня");
    f.setName(1, "Склад ЁЛКИ");
    f.db.keys[static_cast<std::size_t>(f.db.CreateKey())][k2::kKeyCode] = 0xAB;
    const DbItemList list = listDbItems(f.db, CreateFamilyTree);
    ASSERT_TRUE(list.available);

    struct Case {
        const char* query;
        std::vector<std::string> found;  // "path | field: text" (no field: the label)
    };
    const std::vector<Case> cases = {
        {"КУХНЯ", {"Талвир К2 / Шлейфы / Охранные / А1  Кухня | : А1  Кухня"}},
        {"ёлки", {"Талвир К2 / Шлейфы / Охранные / А2  Склад ЁЛКИ | : А2  Склад ЁЛКИ"}},
        {"ипр", {"Талвир К2 / Устройства / Т12-ИПР  002 | : Т12-ИПР  002"}},
        {"ab 00",
         {"Талвир К2 / Ключи / Дежурный / Ключ_000 | Полный номер ключа: AB 00 00 00 00 00"}},
        {"нет такого", {}},
        {"  ", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.query);
        std::vector<std::string> got;
        for (const FindMatch& m : findItems(list, c.query))
            got.push_back(list.pathText(list.items[m.item]) + " | " + m.field + ": " + m.text);
        EXPECT_EQ(got, c.found);
    }
    // The marks of the second tab are not values to find.
    EXPECT_TRUE(findItems(list, "отмечено").empty());
}

TEST(DbFind, CursorGoesRound) {
    FindCursor c;
    EXPECT_EQ(c.next(), -1);
    c.reset(3);
    EXPECT_EQ(c.previous(), 2);
    EXPECT_EQ(c.next(), 0);
    EXPECT_EQ(c.next(), 1);
    EXPECT_EQ(c.next(), 2);
    EXPECT_EQ(c.next(), 0);
    EXPECT_EQ(c.previous(), 2);
}

}  // namespace
