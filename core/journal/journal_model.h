// The journal dialog's list as a model: the records of a journal file with
// the include and exclude texts, the time range, the sort by a column and
// the grouping by up to four columns. The gui's dialog renders rows() and
// forwards its commands here; `tavrin-cli show-journal` prints the same rows.
//
// Only the first 10000 records of a file take part (kJournalMaxShown).
#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "files/journal_file.h"
#include "report/report_list.h"

namespace tavrin {

constexpr std::size_t kJournalMaxShown = 10000;
constexpr std::size_t kJournalFilterMaxChars = 200;  // include and exclude texts
constexpr std::size_t kJournalTimeMaxChars = 19;     // the ends of the time range
constexpr std::size_t kJournalMaxGroupLevels = 4;

// Column titles of the journal dialog for a journal file kind (one title per
// text of a record); empty for an unknown kind.
std::vector<std::string> journalColumnTitles(std::uint32_t kind);

// True when `needle` occurs in `text` at the start of a word: at the start
// of the text or right after a blank, comparing in lower case (Latin and
// Cyrillic). An empty needle never matches.
bool matchesAtWordStart(const std::string& text, const std::string& needle);

struct JournalRow {
    bool group = false;
    int level = 0;           // group rows: 0..3
    int column = -1;         // group rows: the grouping column
    std::string text;        // group rows: "%s%s --- [%d]" or "%s(0) --- [%d]"
    int count = 0;           // group rows: records in the group
    bool expanded = false;   // group rows
    std::size_t record = 0;  // record rows: index into records()
};

// How a journal kind writes its dates in the time column: "yy/mm/dd" (the
// first two families) or "dd/mm/yy" (the third), then " hh:mm:ss".
enum class JournalTimeOrder { YearFirst, DayFirst };
JournalTimeOrder journalTimeOrder(std::uint32_t kind);
// The moment a time text names, as a number that sorts in time order; -1
// when the text is not a time of that form.
long long journalTimeKey(const std::string& text, JournalTimeOrder order);

// The dialog's paging commands.
enum class JournalMove {
    First = 2050,        // "В начало"
    PageBack = 2051,     // "Назад на страницу"
    PreviousRow = 2052,  // "На предыдущую строку"
    NextRow = 2053,      // "На следующую строку"
    PageForward = 2054,  // "Вперед на страницу"
    Last = 2055,         // "В конец"
};

// The row to select after a paging command; -1 for an empty list. `topRow`
// is the first visible row and `rowsPerPage` how many the list shows at once.
int journalMove(JournalMove move, int selected, int topRow, int rowsPerPage, int rowCount);

class JournalModel {
  public:
    JournalModel() = default;
    JournalModel(std::vector<std::string> columns, std::vector<JournalRecord> records);

    // Replaces the records (keeping the first kJournalMaxShown) and the columns.
    void setContent(std::vector<std::string> columns, std::vector<JournalRecord> records);
    const std::vector<std::string>& columns() const { return columns_; }
    const std::vector<JournalRecord>& records() const { return records_; }
    // The text of a cell; empty for an absent string.
    std::string cell(std::size_t record, int column) const;

    // Filters. Texts longer than their limit are cut.
    void setInclude(const std::string& text);
    void setExclude(const std::string& text);
    const std::string& include() const { return include_; }
    const std::string& exclude() const { return exclude_; }
    // The date order of the time texts (year first unless set).
    void setTimeOrder(JournalTimeOrder order);
    // Sets the range and switches it on (the time-range dialog's OK). The
    // range compares the moments the texts name (a text that names none is
    // compared as text).
    void setTimeRange(const std::string& from, const std::string& to);
    void setTimeRangeOn(bool on);
    bool timeRangeOn() const { return timeRangeOn_; }
    const std::string& timeFrom() const { return timeFrom_; }
    const std::string& timeTo() const { return timeTo_; }

    // A click on a column header: reverses that column's direction and sorts
    // by it. Ignored (false) while a grouping is active.
    bool sortByColumn(int column);
    int sortColumn() const { return sortColumn_; }
    bool descending(int column) const;

    // Grouping levels, outermost first.
    bool addGroupColumn(int column);  // false when already grouped or four levels
    bool removeGroupColumn(int column);
    // Moves the level at `from` to position `to` (the strip's drag and drop).
    bool moveGroupLevel(std::size_t from, std::size_t to);
    const std::vector<int>& groupColumns() const { return groupColumns_; }

    // Expands or collapses the group shown at `row`; false when it is no group.
    bool toggleGroup(std::size_t row);
    // Every group open (true) or all back to their own flags (false).
    void setExpandAll(bool all);

    // "Сброс всех фильтров": removes the grouping, switches the time range
    // off, empties the include and exclude texts. True when anything changed
    // (the list must be refilled).
    bool resetFilters();

    // True when the record passes the include, exclude and time filters.
    bool passes(const JournalRecord& record) const;
    // The rows as the list shows them.
    const std::vector<JournalRow>& rows() const { return rows_; }
    // The text of a row's cell as the list shows it (a group row has its text
    // in column 0 and nothing else).
    std::string rowCell(const JournalRow& row, int column) const;
    // The shown rows as a report list (for printing); widths as given.
    ReportList reportList(const std::vector<int>& widths = {}) const;

  private:
    void rebuild();
    void addGroups(const std::vector<std::size_t>& records, std::size_t level,
                   const std::string& parentKey);

    std::vector<std::string> columns_;
    std::vector<JournalRecord> records_;
    std::string include_, exclude_;
    std::u16string includeFolded_, excludeFolded_;
    std::string timeFrom_, timeTo_;
    bool timeRangeOn_ = false;
    JournalTimeOrder timeOrder_ = JournalTimeOrder::YearFirst;
    int sortColumn_ = -1;
    std::vector<bool> descending_;
    std::vector<int> groupColumns_;
    std::set<std::string> expanded_;
    bool expandAll_ = false;
    std::vector<JournalRow> rows_;
    std::vector<std::string> rowKeys_;  // the group key of each row (empty for records)
};

}  // namespace tavrin
