// The recent-file list: order, limits, keys and menu texts.
#include <gtest/gtest.h>

#include "app/recent_files.h"
#include "support/temp_dir.h"

namespace tavrin {
namespace {

TEST(RecentFiles, NewestFirstWithoutDuplicatesAndTenAtMost) {
    RecentFiles list;
    for (int i = 1; i <= 11; ++i)
        EXPECT_TRUE(list.add("f" + std::to_string(i)));
    EXPECT_EQ(list.entry(0), "f11");
    EXPECT_EQ(list.entry(9), "f2");  // the oldest, f1, dropped out

    EXPECT_TRUE(list.add("f5"));  // from the middle to the top
    EXPECT_EQ(list.entry(0), "f5");
    EXPECT_EQ(list.entry(1), "f11");
    EXPECT_EQ(list.entry(6), "f6");
    EXPECT_EQ(list.entry(7), "f4");
    EXPECT_EQ(list.entry(9), "f2");  // nothing dropped
    EXPECT_EQ(std::count(list.entries().begin(), list.entries().end(), "f5"), 1);

    EXPECT_FALSE(list.add("f5"));  // already first
}

TEST(RecentFiles, KeysOfTheFamilySectionAndMenuTexts) {
    test::TempDir dir;
    const auto ini = dir / "Tavrin.ini";
    addRecentFile(ini, "Талвир_К2", "/a/one.bta");
    const RecentFiles list = addRecentFile(ini, "Талвир_К2", "/a/two.bta");
    addRecentFile(ini, "Ордис_Р7", "/b/x.bor");

    IniFile file;
    ASSERT_TRUE(file.load(ini));
    EXPECT_EQ(file.value("Талвир_К2", "БД1"), "/a/two.bta");
    EXPECT_EQ(file.value("Талвир_К2", "БД2"), "/a/one.bta");
    EXPECT_EQ(file.value("Талвир_К2", "БД10"), "");
    EXPECT_EQ(file.value("Ордис_Р7", "БД1"), "/b/x.bor");

    const auto menu = list.menuEntries();
    ASSERT_EQ(menu.size(), 2u);
    EXPECT_EQ(menu[0].text, "1.  /a/two.bta");
    EXPECT_EQ(menu[1].text, "2.  /a/one.bta");
}

}  // namespace
}  // namespace tavrin
