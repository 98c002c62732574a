#include "journal/journal_model.h"

#include "files/journal_file.h"

#include <algorithm>

#include "base/text.h"

namespace tavrin {

namespace {

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

bool foldedMatch(std::u16string_view text, std::u16string_view needle) {
    if (needle.empty() || text.size() < needle.size()) return false;
    for (std::size_t at = 0; at + needle.size() <= text.size(); ++at) {
        if (at > 0 && !isBlank(text[at - 1])) continue;
        if (text.compare(at, needle.size(), needle) == 0) return true;
    }
    return false;
}

bool recordMatches(const JournalRecord& record, std::size_t columns, std::u16string_view needle) {
    const std::size_t n = std::min(columns, record.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (record[i] && foldedMatch(foldCase(utf8ToUtf16(*record[i])), needle)) return true;
    }
    return false;
}

std::string groupRowText(int level, const std::string& value, int count) {
    const std::string indent(static_cast<std::size_t>(level) * 4, ' ');
    return indent + (value.empty() ? "(0)" : value) + " --- [" + std::to_string(count) + "]";
}

}  // namespace

std::vector<std::string> journalColumnTitles(std::uint32_t kind) {
    switch (kind) {
        case kJournalKindK2:
        case kJournalKindK2ActiveEvents:
            return {"Время", "Событие", "Шлейф", "Устройство"};
        case kJournalKindR7:
            return {"Время", "Событие", "Объект", "Устройство", "Шлейф"};
        case kJournalKindS5:
            return {"Время", "Событие", "Объект", "Устройство", "LCP", "Ключ"};
        default:
            return {};
    }
}

bool matchesAtWordStart(const std::string& text, const std::string& needle) {
    return foldedMatch(foldCase(utf8ToUtf16(text)), foldCase(utf8ToUtf16(needle)));
}

int journalMove(JournalMove move, int selected, int topRow, int rowsPerPage, int rowCount) {
    if (rowCount <= 0) return -1;
    const int last = rowCount - 1;
    const int page = std::max(rowsPerPage, 1);
    int row = selected;
    switch (move) {
        case JournalMove::First:
            row = 0;
            break;
        case JournalMove::PageBack:
            row = topRow - page;
            break;
        case JournalMove::PreviousRow:
            row = selected - 1;
            break;
        case JournalMove::NextRow:
            row = selected + 1;
            break;
        case JournalMove::PageForward:
            row = selected + page;
            break;
        case JournalMove::Last:
            row = last;
            break;
    }
    return std::clamp(row, 0, last);
}

JournalModel::JournalModel(std::vector<std::string> columns, std::vector<JournalRecord> records) {
    setContent(std::move(columns), std::move(records));
}

void JournalModel::setContent(std::vector<std::string> columns,
                              std::vector<JournalRecord> records) {
    columns_ = std::move(columns);
    records_ = std::move(records);
    if (records_.size() > kJournalMaxShown) records_.resize(kJournalMaxShown);
    descending_.assign(columns_.size(), false);
    sortColumn_ = -1;
    std::erase_if(groupColumns_,
                  [&](int c) { return c < 0 || static_cast<std::size_t>(c) >= columns_.size(); });
    expanded_.clear();
    rebuild();
}

std::string JournalModel::cell(std::size_t record, int column) const {
    if (record >= records_.size() || column < 0) return {};
    const JournalRecord& r = records_[record];
    const auto c = static_cast<std::size_t>(column);
    return c < r.size() && r[c] ? *r[c] : std::string();
}

void JournalModel::setInclude(const std::string& text) {
    include_ = utf8Prefix(text, kJournalFilterMaxChars);
    includeFolded_ = foldCase(utf8ToUtf16(include_));
    rebuild();
}

void JournalModel::setExclude(const std::string& text) {
    exclude_ = utf8Prefix(text, kJournalFilterMaxChars);
    excludeFolded_ = foldCase(utf8ToUtf16(exclude_));
    rebuild();
}

JournalTimeOrder journalTimeOrder(std::uint32_t kind) {
    return kind == kJournalKindS5 ? JournalTimeOrder::DayFirst : JournalTimeOrder::YearFirst;
}

long long journalTimeKey(const std::string& text, JournalTimeOrder order) {
    // "aa/bb/cc hh:mm:ss", two digits each.
    static constexpr std::size_t kDigitsAt[] = {0, 3, 6, 9, 12, 15};
    if (text.size() != 17) return -1;
    int v[6];
    for (int i = 0; i < 6; ++i) {
        const std::size_t at = kDigitsAt[i];
        const char a = text[at], b = text[at + 1];
        if (a < '0' || a > '9' || b < '0' || b > '9') return -1;
        if (i < 5 && text[at + 2] != (i < 2 ? '/' : i == 2 ? ' ' : ':')) return -1;
        v[i] = (a - '0') * 10 + (b - '0');
    }
    const int year = order == JournalTimeOrder::DayFirst ? v[2] : v[0];
    const int day = order == JournalTimeOrder::DayFirst ? v[0] : v[2];
    long long key = year;
    for (const int part : {v[1], day, v[3], v[4], v[5]})
        key = key * 100 + part;
    return key;
}

void JournalModel::setTimeOrder(JournalTimeOrder order) {
    timeOrder_ = order;
    rebuild();
}

void JournalModel::setTimeRange(const std::string& from, const std::string& to) {
    timeFrom_ = utf8Prefix(from, kJournalTimeMaxChars);
    timeTo_ = utf8Prefix(to, kJournalTimeMaxChars);
    timeRangeOn_ = true;
    rebuild();
}

void JournalModel::setTimeRangeOn(bool on) {
    timeRangeOn_ = on;
    rebuild();
}

bool JournalModel::sortByColumn(int column) {
    if (!groupColumns_.empty() || column < 0 ||
        static_cast<std::size_t>(column) >= columns_.size()) {
        return false;
    }
    descending_[static_cast<std::size_t>(column)] = !descending_[static_cast<std::size_t>(column)];
    sortColumn_ = column;
    rebuild();
    return true;
}

bool JournalModel::descending(int column) const {
    return column >= 0 && static_cast<std::size_t>(column) < descending_.size() &&
           descending_[static_cast<std::size_t>(column)];
}

bool JournalModel::addGroupColumn(int column) {
    if (column < 0 || static_cast<std::size_t>(column) >= columns_.size() ||
        groupColumns_.size() >= kJournalMaxGroupLevels ||
        std::find(groupColumns_.begin(), groupColumns_.end(), column) != groupColumns_.end()) {
        return false;
    }
    groupColumns_.push_back(column);
    rebuild();
    return true;
}

bool JournalModel::removeGroupColumn(int column) {
    const auto it = std::find(groupColumns_.begin(), groupColumns_.end(), column);
    if (it == groupColumns_.end()) return false;
    groupColumns_.erase(it);
    rebuild();
    return true;
}

bool JournalModel::moveGroupLevel(std::size_t from, std::size_t to) {
    if (from >= groupColumns_.size() || to >= groupColumns_.size()) return false;
    const int c = groupColumns_[from];
    groupColumns_.erase(groupColumns_.begin() + static_cast<long>(from));
    groupColumns_.insert(groupColumns_.begin() + static_cast<long>(to), c);
    rebuild();
    return true;
}

bool JournalModel::toggleGroup(std::size_t row) {
    if (row >= rows_.size() || !rows_[row].group) return false;
    const std::string& key = rowKeys_[row];
    if (rows_[row].expanded) {
        expanded_.erase(key);
        if (expandAll_) {
            // Leaving "all open": keep the other groups open as they are shown.
            expandAll_ = false;
            for (std::size_t i = 0; i < rows_.size(); ++i) {
                if (rows_[i].group && i != row) expanded_.insert(rowKeys_[i]);
            }
        }
    } else {
        expanded_.insert(key);
    }
    rebuild();
    return true;
}

void JournalModel::setExpandAll(bool all) {
    expandAll_ = all;
    rebuild();
}

bool JournalModel::resetFilters() {
    const bool changed =
        !groupColumns_.empty() || timeRangeOn_ || !include_.empty() || !exclude_.empty();
    groupColumns_.clear();
    timeRangeOn_ = false;
    include_.clear();
    exclude_.clear();
    includeFolded_.clear();
    excludeFolded_.clear();
    if (changed) rebuild();
    return changed;
}

bool JournalModel::passes(const JournalRecord& record) const {
    if (!includeFolded_.empty() && !recordMatches(record, columns_.size(), includeFolded_)) {
        return false;
    }
    if (!excludeFolded_.empty() && recordMatches(record, columns_.size(), excludeFolded_)) {
        return false;
    }
    if (timeRangeOn_) {
        // The moments the texts name; a text that names none compares as text.
        const std::string time = !record.empty() && record[0] ? *record[0] : std::string();
        const long long at = journalTimeKey(time, timeOrder_);
        const long long from = journalTimeKey(timeFrom_, timeOrder_);
        const long long to = journalTimeKey(timeTo_, timeOrder_);
        const bool before = at >= 0 && from >= 0 ? at < from : time < timeFrom_;
        const bool after = at >= 0 && to >= 0 ? at > to : time > timeTo_;
        if (before || after) return false;
    }
    return true;
}

void JournalModel::rebuild() {
    std::vector<std::size_t> kept;
    kept.reserve(records_.size());
    for (std::size_t i = 0; i < records_.size(); ++i) {
        if (passes(records_[i])) kept.push_back(i);
    }
    if (descending(0)) std::reverse(kept.begin(), kept.end());
    if (sortColumn_ >= 0) {
        const int c = sortColumn_;
        const bool down = descending(c);
        std::stable_sort(kept.begin(), kept.end(), [&](std::size_t a, std::size_t b) {
            const std::string ta = cell(a, c);
            const std::string tb = cell(b, c);
            return down ? tb < ta : ta < tb;
        });
    }
    rows_.clear();
    rowKeys_.clear();
    if (groupColumns_.empty()) {
        rows_.reserve(kept.size());
        for (std::size_t r : kept) {
            JournalRow row;
            row.record = r;
            rows_.push_back(row);
        }
        rowKeys_.resize(rows_.size());
        return;
    }
    addGroups(kept, 0, std::string());
}

void JournalModel::addGroups(const std::vector<std::size_t>& records, std::size_t level,
                             const std::string& parentKey) {
    if (level == groupColumns_.size()) {
        for (std::size_t r : records) {
            JournalRow row;
            row.level = static_cast<int>(level);
            row.record = r;
            rows_.push_back(row);
            rowKeys_.emplace_back();
        }
        return;
    }
    // Groups in the order their values first appear.
    const int column = groupColumns_[level];
    std::vector<std::string> values;
    std::vector<std::vector<std::size_t>> members;
    for (std::size_t r : records) {
        const std::string v = cell(r, column);
        const auto it = std::find(values.begin(), values.end(), v);
        if (it == values.end()) {
            values.push_back(v);
            members.push_back({r});
        } else {
            members[static_cast<std::size_t>(it - values.begin())].push_back(r);
        }
    }
    for (std::size_t g = 0; g < values.size(); ++g) {
        // The key names the group by its path of values; '\x1f' never occurs in them.
        const std::string key = parentKey + '\x1f' + std::to_string(column) + '=' + values[g];
        JournalRow row;
        row.group = true;
        row.level = static_cast<int>(level);
        row.column = column;
        row.count = static_cast<int>(members[g].size());
        row.text = groupRowText(row.level, values[g], row.count);
        row.expanded = expandAll_ || expanded_.count(key) > 0;
        rows_.push_back(row);
        rowKeys_.push_back(key);
        if (row.expanded) addGroups(members[g], level + 1, key);
    }
}

std::string JournalModel::rowCell(const JournalRow& row, int column) const {
    if (row.group) return column == 0 ? row.text : std::string();
    return cell(row.record, column);
}

ReportList JournalModel::reportList(const std::vector<int>& widths) const {
    ReportList list;
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        list.columns.push_back({columns_[c], c < widths.size() ? widths[c] : 100});
    }
    for (const JournalRow& row : rows_) {
        std::vector<std::string> cells;
        for (std::size_t c = 0; c < columns_.size(); ++c) {
            cells.push_back(rowCell(row, static_cast<int>(c)));
        }
        list.addRow(std::move(cells));
    }
    return list;
}

}  // namespace tavrin
