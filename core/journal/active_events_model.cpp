#include "journal/active_events_model.h"

#include <algorithm>

#include "journal/journal_model.h"

namespace tavrin {

namespace {

// The column title each value filter looks at.
constexpr const char* kFilterColumnTitle[kEventValueFilters] = {"Событие", "Шлейф", "Устройство",
                                                                "Объект", "Время"};

}  // namespace

const char* eventFilterAllText(EventValueFilter f) {
    switch (f) {
        case EventValueFilter::Events:
            return "Все события";
        case EventValueFilter::Loops:
            return "Все шлейфы";
        case EventValueFilter::Devices:
            return "Все устройства";
        case EventValueFilter::Objects:
            return "Все объекты";
        default:
            return "Все даты";
    }
}

std::string eventFilterModeText(const EventFilterState& f) {
    return f.on() && f.minus ? "Фильтр -" : "Фильтр +";
}

const char* eventClassButtonText(int cls) {
    switch (cls) {
        case 1:
            return "Только пожар";
        case 2:
            return "Только тревоги";
        case 3:
            return "Только сообщения";
        case 4:
            return "Только неисправности";
        default:
            return "";
    }
}

void ActiveEventsModel::setFile(const JournalFile& file) {
    kind_ = file.kind;
    records_ = file.records;
    switch (kind_) {
        case kJournalKindK2ActiveEvents:
            columns_ = {"Тип", "Событие", "Шлейф", "Устройство"};
            firstString_ = 0;
            break;
        case kJournalKindK2:
            columns_ = {"Тип", "Время", "Событие", "Шлейф", "Устройство"};
            firstString_ = 1;
            break;
        case kJournalKindR7:
            columns_ = {"Тип", "Время", "Событие", "Объект", "Устройство", "Шлейф"};
            firstString_ = 1;
            break;
        default:
            columns_ = journalColumnTitles(kind_);
            firstString_ = 0;
            break;
    }
    classButtons_.fill(false);
    for (int i = 0; i < kEventValueFilters; ++i) {
        EventFilterState& f = filters_[static_cast<std::size_t>(i)];
        f = EventFilterState{};
        const auto it = std::find(columns_.begin(), columns_.end(), kFilterColumnTitle[i]);
        if (it != columns_.end()) f.column = static_cast<int>(it - columns_.begin());
    }
    rebuildLists();
}

int ActiveEventsModel::recordClass(std::size_t record) const {
    if (kind_ != kJournalKindK2ActiveEvents || record >= records_.size()) return 0;
    const JournalRecord& r = records_[record];
    if (r.empty() || !r[0] || r[0]->size() != 1) return 0;
    const int c = (*r[0])[0] - '0';
    return c >= 1 && c <= kEventClassButtons ? c : 0;
}

std::string ActiveEventsModel::cellText(std::size_t record, int column) const {
    if (record >= records_.size() || column < 0) return {};
    if (firstString_ == 1 && column == 0) return {};  // journals carry no class
    const auto s = static_cast<std::size_t>(column - firstString_);
    const JournalRecord& r = records_[record];
    return s < r.size() && r[s] ? *r[s] : std::string();
}

std::vector<std::string> ActiveEventsModel::cells(std::size_t record) const {
    std::vector<std::string> out;
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        out.push_back(cellText(record, static_cast<int>(c)));
    }
    return out;
}

void ActiveEventsModel::setClassButton(int cls, bool checked) {
    if (cls < 1 || cls > kEventClassButtons) return;
    classButtons_[static_cast<std::size_t>(cls - 1)] = checked;
    rebuildLists();
}

bool ActiveEventsModel::classButton(int cls) const {
    return cls >= 1 && cls <= kEventClassButtons &&
           classButtons_[static_cast<std::size_t>(cls - 1)];
}

void ActiveEventsModel::chooseValue(EventValueFilter f, int index) {
    EventFilterState& s = filters_[static_cast<std::size_t>(f)];
    if (index < 0 || static_cast<std::size_t>(index) >= s.values.size()) return;
    s.chosen = index;
    if (index == 0) s.minus = false;
    rebuildLists();
}

void ActiveEventsModel::refreshFile(const JournalFile& file) {
    const auto buttons = classButtons_;
    const auto filters = filters_;
    setFile(file);
    for (int cls = 1; cls <= kEventClassButtons; ++cls)
        setClassButton(cls, buttons[static_cast<std::size_t>(cls - 1)]);
    for (int i = 0; i < kEventValueFilters; ++i) {
        const EventFilterState& old = filters[static_cast<std::size_t>(i)];
        if (!old.on()) continue;
        const auto f = static_cast<EventValueFilter>(i);
        if (!chooseValue(f, old.values[static_cast<std::size_t>(old.chosen)])) continue;
        if (old.minus) toggleMode(f);
    }
}

bool ActiveEventsModel::chooseValue(EventValueFilter f, const std::string& text) {
    const EventFilterState& s = filters_[static_cast<std::size_t>(f)];
    const auto it = std::find(s.values.begin() + 1, s.values.end(), text);
    if (it == s.values.end()) return false;
    chooseValue(f, static_cast<int>(it - s.values.begin()));
    return true;
}

void ActiveEventsModel::toggleMode(EventValueFilter f) {
    EventFilterState& s = filters_[static_cast<std::size_t>(f)];
    if (!s.on()) return;
    s.minus = !s.minus;
    rebuildLists();
}

void ActiveEventsModel::resetFilters() {
    classButtons_.fill(false);
    for (EventFilterState& f : filters_) {
        f.chosen = 0;
        f.minus = false;
    }
    rebuildLists();
}

bool ActiveEventsModel::passesClassButtons(std::size_t record) const {
    if (std::none_of(classButtons_.begin(), classButtons_.end(), [](bool b) { return b; })) {
        return true;
    }
    const int c = recordClass(record);
    return c >= 1 && classButtons_[static_cast<std::size_t>(c - 1)];
}

bool ActiveEventsModel::passes(std::size_t record) const {
    if (!passesClassButtons(record)) return false;
    for (const EventFilterState& f : filters_) {
        if (!f.on()) continue;
        const bool equal =
            cellText(record, f.column) == f.values[static_cast<std::size_t>(f.chosen)];
        if (equal == f.minus) return false;
    }
    return true;
}

std::vector<std::size_t> ActiveEventsModel::shownRecords() const {
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i < records_.size(); ++i) {
        if (passes(i)) out.push_back(i);
    }
    return out;
}

void ActiveEventsModel::rebuildLists() {
    // Lists of the filters that are off follow the records the class buttons
    // let through; a list whose filter is on keeps its content.
    for (int i = 0; i < kEventValueFilters; ++i) {
        EventFilterState& f = filters_[static_cast<std::size_t>(i)];
        if (f.on()) continue;
        f.values.assign(1, eventFilterAllText(static_cast<EventValueFilter>(i)));
        f.chosen = 0;
        f.minus = false;
        if (f.column < 0) continue;
        for (std::size_t r = 0; r < records_.size(); ++r) {
            if (!passesClassButtons(r)) continue;
            std::string v = cellText(r, f.column);
            if (std::find(f.values.begin() + 1, f.values.end(), v) == f.values.end()) {
                f.values.push_back(std::move(v));
            }
        }
    }
}

std::string ActiveEventsModel::printTitle() const {
    return kind_ == kJournalKindK2ActiveEvents ? "Актуальные события." : "Журнал.";
}

ReportList ActiveEventsModel::reportList() const {
    ReportList list;
    for (const std::string& c : columns_)
        list.columns.push_back({c, c == "Тип" ? 40 : 150});
    for (std::size_t r : shownRecords())
        list.addRow(cells(r));
    return list;
}

}  // namespace tavrin
