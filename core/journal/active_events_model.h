// The active-events view as a model: the records of an active-events file
// (or of a journal file) with the five class buttons and the five value
// filters. The gui's view renders shownRecords() and the value lists; the
// filters combine, a record is shown only when it passes all of them.
//
// Class of a record: an active-events file (kind 3) carries it as its first
// text, "1".."5". Journal files carry no class, so their records have class 0
// and are hidden while any class button is checked.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "files/journal_file.h"
#include "report/report_list.h"

namespace tavrin {

// The value filters, in the order of their lists.
enum class EventValueFilter { Events = 0, Loops = 1, Devices = 2, Objects = 3, Dates = 4 };
constexpr int kEventValueFilters = 5;
constexpr int kEventClassButtons = 5;  // classes 1..5

struct EventFilterState {
    int column = -1;                  // the column it looks at; -1 when the set has none
    std::vector<std::string> values;  // [0] is the "all" entry
    int chosen = 0;                   // 0: "all", the filter is off
    bool minus = false;               // "Фильтр -": drop the records with the value

    bool on() const { return chosen > 0; }
};

// The "all" entry of a value filter: "Все события", "Все шлейфы",
// "Все устройства", "Все объекты", "Все даты".
const char* eventFilterAllText(EventValueFilter f);
// "Фильтр +" or "Фильтр -".
std::string eventFilterModeText(const EventFilterState& f);
// The class buttons' labels; the fifth has none.
const char* eventClassButtonText(int cls);

class ActiveEventsModel {
  public:
    // The column set follows the file kind: kind 3 "Тип", "Событие", "Шлейф",
    // "Устройство"; kind 0 "Тип", "Время", "Событие", "Шлейф", "Устройство";
    // kind 1 "Тип", "Время", "Событие", "Объект", "Устройство", "Шлейф".
    // Other kinds show their strings under the journal dialog's titles.
    void setFile(const JournalFile& file);
    // The same view with fresh records (read anew from the panel): the class
    // buttons stay, and so does every value filter whose value the new
    // records still hold, with its "Фильтр +" / "Фильтр -" mode.
    void refreshFile(const JournalFile& file);

    std::uint32_t kind() const { return kind_; }
    const std::vector<std::string>& columns() const { return columns_; }
    std::size_t recordCount() const { return records_.size(); }
    int recordClass(std::size_t record) const;
    // The cells of a record under columns(); the "Тип" cell holds the class
    // number ("" for none), which the view draws as an icon.
    std::vector<std::string> cells(std::size_t record) const;

    void setClassButton(int cls, bool checked);  // cls 1..5
    bool classButton(int cls) const;
    // Chooses entry `index` of a value filter's list (0 = "all", which also
    // turns the mode back to "Фильтр +").
    void chooseValue(EventValueFilter f, int index);
    // Chooses a value by its text; false when the list does not hold it.
    bool chooseValue(EventValueFilter f, const std::string& text);
    // Toggles "Фильтр +" / "Фильтр -" of a filter that is on.
    void toggleMode(EventValueFilter f);
    const EventFilterState& filter(EventValueFilter f) const {
        return filters_[static_cast<std::size_t>(f)];
    }
    // "Сброс всех фильтров": all class buttons off, all value filters off.
    void resetFilters();

    bool passesClassButtons(std::size_t record) const;
    bool passes(std::size_t record) const;
    std::vector<std::size_t> shownRecords() const;

    // "Актуальные события." for active events, "Журнал." for a journal.
    std::string printTitle() const;
    // The shown records as a report list for printing (the class as its number).
    ReportList reportList() const;

  private:
    void rebuildLists();
    std::string cellText(std::size_t record, int column) const;

    std::uint32_t kind_ = kJournalKindK2ActiveEvents;
    std::vector<std::string> columns_;
    std::vector<JournalRecord> records_;
    int firstString_ = 0;  // the column of the record's first string
    std::array<bool, kEventClassButtons> classButtons_{};
    std::array<EventFilterState, kEventValueFilters> filters_{};
};

}  // namespace tavrin
