#include <gtest/gtest.h>

#include "journal/active_events_model.h"
#include "journal/journal_model.h"

namespace tavrin {
namespace {

std::vector<JournalRecord> sampleRecords() {
    return {
        {"26/07/03 15:30:05", "Внимание", "ШС 1  Склад 1", "ИП 212 №3"},
        {"26/07/03 15:31:00", "ПОЖАР", "ШС 1  Склад 1", "ИП 212 №4"},
        {"26/07/04 08:00:00", "Нет связи", std::nullopt, "МАУ 2"},
        {"26/07/05 09:10:11", "Пожар подтвержден", "ШС 2  Офис", std::nullopt},
        {"26/06/30 23:59:59", "Обрыв ШС", "ШС 2  Офис", "ИП 212 №5"},
    };
}

JournalModel sampleModel() {
    return JournalModel(journalColumnTitles(kJournalKindK2), sampleRecords());
}

std::vector<std::size_t> shownRecords(const JournalModel& m) {
    std::vector<std::size_t> out;
    for (const JournalRow& r : m.rows()) {
        if (!r.group) out.push_back(r.record);
    }
    return out;
}

TEST(JournalModel, WordStartMatching) {
    struct Case {
        const char* text;
        const char* needle;
        bool match;
    };
    const Case cases[] = {
        {"Пожар подтвержден", "подтв", true},  // second word
        {"Пожар подтвержден", "ПОДТВ", true},  // any letter case, Cyrillic
        {"Пожар подтвержден", "жар", false},   // inside a word
        {"ИП 212 №3", "212", true},
        {"Ёлка", "ёл", true},
        {"Short circuit", "CIRC", true},
        {"abc", "", false},
        {"ab", "abc", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(matchesAtWordStart(c.text, c.needle), c.match) << c.text << " / " << c.needle;
    }
}

TEST(JournalModel, FiltersAsATable) {
    struct Case {
        const char* what;
        std::string include, exclude;
        bool range;
        std::string from, to;
        std::vector<std::size_t> shown;
    };
    const Case cases[] = {
        {"nothing set", "", "", false, "", "", {0, 1, 2, 3, 4}},
        {"include in any column, any case", "пожар", "", false, "", "", {1, 3}},
        {"include at a second word", "офис", "", false, "", "", {3, 4}},
        {"include inside a word matches nothing", "жар", "", false, "", "", {}},
        {"exclude", "", "шс 1", false, "", "", {2, 3, 4}},
        {"include and exclude", "шс", "пожар", false, "", "", {0, 4}},
        {"time range, text order", "", "", true, "26/07/03 15:31:00", "26/07/04 99", {1, 2}},
        {"time range and include", "ип", "", true, "26/07/01", "26/07/31", {0, 1}},
    };
    for (const Case& c : cases) {
        JournalModel m = sampleModel();
        m.setInclude(c.include);
        m.setExclude(c.exclude);
        if (c.range) m.setTimeRange(c.from, c.to);
        EXPECT_EQ(shownRecords(m), c.shown) << c.what;
    }
}

TEST(JournalModel, SortByColumnAndTheFirstColumnsDirection) {
    JournalModel m = sampleModel();
    ASSERT_TRUE(m.sortByColumn(0));  // first click: descending
    EXPECT_EQ(shownRecords(m), (std::vector<std::size_t>{3, 2, 1, 0, 4}));
    ASSERT_TRUE(m.sortByColumn(0));
    EXPECT_EQ(shownRecords(m), (std::vector<std::size_t>{4, 0, 1, 2, 3}));
    ASSERT_TRUE(m.sortByColumn(3));  // devices, descending; the absent one last
    EXPECT_EQ(shownRecords(m), (std::vector<std::size_t>{2, 4, 1, 0, 3}));
    // No sorting while grouped.
    ASSERT_TRUE(m.addGroupColumn(2));
    EXPECT_FALSE(m.sortByColumn(1));
}

TEST(JournalModel, GroupingRowsAndExpansion) {
    JournalModel m = sampleModel();
    ASSERT_TRUE(m.addGroupColumn(2));
    ASSERT_EQ(m.rows().size(), 3u);
    EXPECT_EQ(m.rows()[0].text, "ШС 1  Склад 1 --- [2]");
    EXPECT_EQ(m.rows()[1].text, "(0) --- [1]");  // the record with an empty loop
    EXPECT_EQ(m.rows()[2].text, "ШС 2  Офис --- [2]");
    EXPECT_EQ(m.rowCell(m.rows()[0], 0), "ШС 1  Склад 1 --- [2]");
    EXPECT_EQ(m.rowCell(m.rows()[0], 1), "");

    ASSERT_TRUE(m.addGroupColumn(1));
    EXPECT_FALSE(m.addGroupColumn(1));  // already a level
    ASSERT_TRUE(m.toggleGroup(2));      // open "ШС 2  Офис"
    ASSERT_EQ(m.rows().size(), 5u);
    EXPECT_EQ(m.rows()[3].text, "    Пожар подтвержден --- [1]");
    EXPECT_EQ(m.rows()[3].level, 1);
    EXPECT_EQ(m.rows()[4].text, "    Обрыв ШС --- [1]");
    ASSERT_TRUE(m.toggleGroup(4));
    ASSERT_EQ(m.rows().size(), 6u);
    EXPECT_FALSE(m.rows()[5].group);
    EXPECT_EQ(m.rows()[5].record, 4u);
    EXPECT_FALSE(m.toggleGroup(5));  // a record row

    // Groups stay open across a refilter; a filter changes the counts.
    m.setExclude("обрыв");
    ASSERT_EQ(m.rows().size(), 4u);
    EXPECT_EQ(m.rows()[2].text, "ШС 2  Офис --- [1]");

    // Four levels at most.
    ASSERT_TRUE(m.addGroupColumn(0));
    ASSERT_TRUE(m.addGroupColumn(3));
    EXPECT_EQ(m.groupColumns().size(), 4u);
    EXPECT_FALSE(m.addGroupColumn(0));

    EXPECT_TRUE(m.resetFilters());
    EXPECT_TRUE(m.groupColumns().empty());
    EXPECT_EQ(m.exclude(), "");
    EXPECT_EQ(m.rows().size(), 5u);
    EXPECT_FALSE(m.resetFilters());  // nothing left to reset
}

TEST(JournalModel, ExpandAllShowsEveryRecordUnderItsGroups) {
    JournalModel m = sampleModel();
    m.addGroupColumn(2);
    m.setExpandAll(true);
    ASSERT_EQ(m.rows().size(), 8u);
    EXPECT_TRUE(m.rows()[0].group);
    EXPECT_EQ(m.rows()[1].record, 0u);
    EXPECT_EQ(m.rows()[2].record, 1u);
    EXPECT_EQ(m.rows()[3].text, "(0) --- [1]");
    // Closing one group keeps the others open.
    ASSERT_TRUE(m.toggleGroup(0));
    EXPECT_EQ(m.rows().size(), 6u);
    EXPECT_TRUE(m.rows()[1].group);
}

TEST(JournalModel, ShowsTheFirstTenThousandRecords) {
    std::vector<JournalRecord> records(10050, JournalRecord{"t", "e", "l", "d"});
    records[9999][1] = "последняя";
    records[10000][1] = "лишняя";
    JournalModel m(journalColumnTitles(kJournalKindK2), std::move(records));
    EXPECT_EQ(m.rows().size(), kJournalMaxShown);
    m.setInclude("последняя");
    EXPECT_EQ(m.rows().size(), 1u);
    m.setInclude("лишняя");
    EXPECT_TRUE(m.rows().empty());
}

TEST(JournalModel, FilterTextsAreCutTo200Characters) {
    JournalModel m = sampleModel();
    m.setInclude(std::string(250, 'a'));
    EXPECT_EQ(m.include().size(), kJournalFilterMaxChars);
}

TEST(JournalModel, PagingCommands) {
    struct Case {
        JournalMove move;
        int selected, top, expected;
    };
    // 100 rows, 20 rows per page.
    const Case cases[] = {
        {JournalMove::First, 50, 40, 0},        {JournalMove::PageBack, 5, 0, 0},
        {JournalMove::PageBack, 50, 45, 25},    {JournalMove::PreviousRow, 0, 0, 0},
        {JournalMove::PreviousRow, 7, 0, 6},    {JournalMove::NextRow, 99, 80, 99},
        {JournalMove::PageForward, 90, 80, 99}, {JournalMove::PageForward, 10, 0, 30},
        {JournalMove::Last, 3, 0, 99},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(journalMove(c.move, c.selected, c.top, 20, 100), c.expected)
            << static_cast<int>(c.move) << " from " << c.selected;
    }
    EXPECT_EQ(journalMove(JournalMove::Last, 0, 0, 20, 0), -1);
}

TEST(JournalModel, ColumnsByFamily) {
    EXPECT_EQ(journalColumnTitles(kJournalKindK2).size(), 4u);
    EXPECT_EQ(journalColumnTitles(kJournalKindR7)[2], "Объект");
    EXPECT_EQ(journalColumnTitles(kJournalKindS5)[5], "Ключ");
}

// ---- Active events ------------------------------------------------------------

JournalFile activeEvents() {
    JournalFile f;
    f.kind = kJournalKindK2ActiveEvents;
    f.records = {
        {"1", "ПОЖАР", "ШС 1", "ИП /1"},        {"1", "Внимание", "ШС 2", "ИП /2"},
        {"2", "Тревога", "ШС 1", std::nullopt}, {"4", "Нет связи", "ШС 3", "МАУ /7"},
        {"4", "Нет связи", "ШС 1", "МАУ /8"},
    };
    return f;
}

std::vector<std::size_t> shown(const ActiveEventsModel& m) {
    return m.shownRecords();
}

TEST(ActiveEvents, ClassButtonsAndValueLists) {
    ActiveEventsModel m;
    m.setFile(activeEvents());
    EXPECT_EQ(m.columns(), (std::vector<std::string>{"Тип", "Событие", "Шлейф", "Устройство"}));
    EXPECT_EQ(m.printTitle(), "Актуальные события.");
    EXPECT_EQ(m.filter(EventValueFilter::Loops).values,
              (std::vector<std::string>{"Все шлейфы", "ШС 1", "ШС 2", "ШС 3"}));
    // No objects or dates in this column set: only the "all" entries.
    EXPECT_EQ(m.filter(EventValueFilter::Objects).values,
              (std::vector<std::string>{"Все объекты"}));
    EXPECT_EQ(m.filter(EventValueFilter::Dates).values, (std::vector<std::string>{"Все даты"}));

    m.setClassButton(1, true);
    EXPECT_EQ(shown(m), (std::vector<std::size_t>{0, 1}));
    EXPECT_EQ(m.filter(EventValueFilter::Loops).values,
              (std::vector<std::string>{"Все шлейфы", "ШС 1", "ШС 2"}));
    m.setClassButton(4, true);
    EXPECT_EQ(shown(m), (std::vector<std::size_t>{0, 1, 3, 4}));
    EXPECT_EQ(m.filter(EventValueFilter::Events).values,
              (std::vector<std::string>{"Все события", "ПОЖАР", "Внимание", "Нет связи"}));
    m.resetFilters();
    EXPECT_EQ(shown(m).size(), 5u);
}

TEST(ActiveEvents, ValueFiltersPlusAndMinusCombine) {
    ActiveEventsModel m;
    m.setFile(activeEvents());
    ASSERT_TRUE(m.chooseValue(EventValueFilter::Loops, std::string("ШС 1")));
    EXPECT_EQ(eventFilterModeText(m.filter(EventValueFilter::Loops)), "Фильтр +");
    EXPECT_EQ(shown(m), (std::vector<std::size_t>{0, 2, 4}));
    // The list of a filter that is on keeps its content; the others follow.
    EXPECT_EQ(m.filter(EventValueFilter::Loops).values.size(), 4u);

    m.toggleMode(EventValueFilter::Loops);
    EXPECT_EQ(eventFilterModeText(m.filter(EventValueFilter::Loops)), "Фильтр -");
    EXPECT_EQ(shown(m), (std::vector<std::size_t>{1, 3}));

    ASSERT_TRUE(m.chooseValue(EventValueFilter::Events, std::string("Нет связи")));
    EXPECT_EQ(shown(m), (std::vector<std::size_t>{3}));

    // An empty device is a value of its own.
    m.resetFilters();
    ASSERT_TRUE(m.chooseValue(EventValueFilter::Devices, std::string("")));
    EXPECT_EQ(shown(m), (std::vector<std::size_t>{2}));

    // Back to "all": the filter is off and reads "Фильтр +".
    m.toggleMode(EventValueFilter::Devices);
    m.chooseValue(EventValueFilter::Devices, 0);
    EXPECT_FALSE(m.filter(EventValueFilter::Devices).on());
    EXPECT_EQ(eventFilterModeText(m.filter(EventValueFilter::Devices)), "Фильтр +");
    EXPECT_EQ(shown(m).size(), 5u);
}

TEST(ActiveEvents, FreshRecordsKeepTheFilters) {
    ActiveEventsModel m;
    m.setFile(activeEvents());
    m.setClassButton(4, true);
    ASSERT_TRUE(m.chooseValue(EventValueFilter::Loops, std::string("ШС 3")));
    m.toggleMode(EventValueFilter::Loops);
    ASSERT_TRUE(m.chooseValue(EventValueFilter::Events, std::string("Нет связи")));
    // Read anew: one more record; "ШС 3" is still there, the event is gone
    // from the lists only when no record holds it.
    JournalFile fresh = activeEvents();
    fresh.records.push_back({"4", "Нет связи", "ШС 2", "МАУ /9"});
    m.refreshFile(fresh);
    EXPECT_TRUE(m.classButton(4));
    EXPECT_FALSE(m.classButton(1));
    EXPECT_EQ(m.filter(EventValueFilter::Loops)
                  .values[static_cast<std::size_t>(m.filter(EventValueFilter::Loops).chosen)],
              "ШС 3");
    EXPECT_TRUE(m.filter(EventValueFilter::Loops).minus);
    EXPECT_EQ(shown(m), (std::vector<std::size_t>{4, 5}));
    // A value the fresh records no longer hold turns its filter off.
    JournalFile without = activeEvents();
    without.records.erase(without.records.begin() + 3);
    m.refreshFile(without);
    EXPECT_FALSE(m.filter(EventValueFilter::Loops).on());
    EXPECT_TRUE(m.filter(EventValueFilter::Events).on());
}

TEST(ActiveEvents, JournalFilesHaveATimeColumnAndNoClass) {
    JournalFile f;
    f.kind = kJournalKindK2;
    f.records = {{"26/07/03 15:30:05", "ПОЖАР", "ШС 1", "ИП"}};
    ActiveEventsModel m;
    m.setFile(f);
    EXPECT_EQ(m.columns().size(), 5u);
    EXPECT_EQ(m.cells(0),
              (std::vector<std::string>{"", "26/07/03 15:30:05", "ПОЖАР", "ШС 1", "ИП"}));
    EXPECT_EQ(m.filter(EventValueFilter::Dates).values.size(), 2u);
    EXPECT_EQ(m.printTitle(), "Журнал.");
    m.setClassButton(1, true);
    EXPECT_TRUE(shown(m).empty());
}

}  // namespace
}  // namespace tavrin
