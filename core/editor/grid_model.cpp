#include "editor/grid_model.h"

#include <cstdio>

#include "base/text.h"

namespace tavrin {

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string trimRight(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.pop_back();
    return s;
}

std::string formatNumber(std::int32_t v, EditorKind kind) {
    char buf[16];
    if (kind == EditorKind::Hex) {
        std::snprintf(buf, sizeof buf, "%04X", static_cast<unsigned>(v) & 0xFFFFu);
    } else {
        std::snprintf(buf, sizeof buf, "%d", v);
    }
    return buf;
}

// At most this many bytes of an editor's text are read.
constexpr std::size_t kMaxEditText = 100;

}  // namespace

bool parseGridNumber(const std::string& textIn, int radix, std::int64_t& value) {
    const std::string text = trimRight(textIn);
    value = 0;
    if (radix == 16) {
        if (text.size() > 4) return false;
        for (char c : text) {
            const int d = hexDigit(c);
            if (d < 0) return false;
            value = value * 16 + d;
        }
        return true;
    }
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        // Saturate: the clamp to the row's maximum follows.
        if (value < 1'000'000'000) value = value * 10 + (c - '0');
    }
    return true;
}

bool parseKeyNumber(const std::string& text, std::array<std::uint8_t, 6>& key) {
    std::array<std::uint8_t, 6> out{};
    std::size_t i = 0;
    int count = 0;
    while (true) {
        while (i < text.size() && text[i] == ' ')
            ++i;
        if (i >= text.size()) break;
        if (count == 6) return false;
        int v = 0, digits = 0;
        while (i < text.size() && text[i] != ' ') {
            const int d = hexDigit(text[i]);
            if (d < 0 || ++digits > 2) return false;
            v = v * 16 + d;
            ++i;
        }
        out[static_cast<std::size_t>(count++)] = static_cast<std::uint8_t>(v);
    }
    if (count != 6) return false;
    key = out;
    return true;
}

std::string formatKeyNumber(const std::array<std::uint8_t, 6>& key) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%02X %02X %02X %02X %02X %02X", key[0], key[1], key[2], key[3],
                  key[4], key[5]);
    return buf;
}

bool parseTime(const std::string& textIn, int& hours, int& minutes) {
    const std::string text = trimRight(textIn);
    const auto colon = text.find(':');
    if (colon == std::string::npos || colon == 0 || colon > 2 || text.size() - colon != 3)
        return false;
    int h = 0, m = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i == colon) continue;
        if (text[i] < '0' || text[i] > '9') return false;
        (i < colon ? h : m) = (i < colon ? h : m) * 10 + (text[i] - '0');
    }
    if (h > 23 || m > 59) return false;
    hours = h;
    minutes = m;
    return true;
}

GridModel::GridModel(Prompter& prompter) : prompter_(prompter) {}
GridModel::~GridModel() = default;

void GridModel::setFamily(std::unique_ptr<FamilyGrid> family) {
    clear();
    family_ = std::move(family);
}

void GridModel::clear() {
    work_.reset();
    rows_.clear();
    shownName_.clear();
    shownText_.clear();
    tabs_.assign(1, CheckList{});
    db_ = nullptr;
    code_ = 0;
    modified_ = false;
    userModified_ = false;
    if (listener_) listener_->rowsReset();
}

void GridModel::show(DBase* db, ItemCode code, bool topLevel) {
    work_.reset();
    rows_.clear();
    shownName_.clear();
    shownText_.clear();
    tabs_.assign(1, CheckList{});
    modified_ = false;
    userModified_ = false;
    db_ = db;
    code_ = code;
    topLevel_ = topLevel;
    if (db && family_) work_ = family_->load(*db, code, topLevel);
    if (work_) {
        buildItem();
        for (const GridRow& r : rows_) {
            shownName_.push_back(r.name);
            shownText_.push_back(r.text);
        }
        applyDefaults();
    }
    if (listener_) listener_->rowsReset();
}

// Replaces list values that no entry carries by the row's default entry; the
// correction counts as a change so that write-back stores it.
void GridModel::applyDefaults() {
    bool again = true;
    // A corrected row may change the rows derived from it; settle them all.
    for (int pass = 0; again && pass < 4; ++pass) {
        again = false;
        for (GridRow& r : rows_) {
            if (r.kind != EditorKind::List || r.list.indexOfValue(r.value) >= 0) continue;
            if (r.defaultEntry < 0 || r.defaultEntry >= static_cast<int>(r.list.entries.size())) {
                r.text.clear();
                continue;
            }
            const ListEntry& e = r.list.entries[static_cast<std::size_t>(r.defaultEntry)];
            r.value = e.value;
            r.text = e.text;
            r.changed = true;
            modified_ = true;
            family_->applyRow(*work_, r);
            if (r.rebuildsRows) {
                rebuildRows();
                again = true;
                break;
            }
        }
    }
}

void GridModel::rebuildRows() {
    std::vector<GridRow> old = std::move(rows_);
    buildItem();
    for (GridRow& r : rows_) {
        for (const GridRow& o : old) {
            if (o.name == r.name && o.error) {
                r.error = true;
                r.text = o.text;
            }
        }
        for (std::size_t i = 0; i < shownName_.size(); ++i) {
            if (shownName_[i] == r.name) r.changed = shownText_[i] != r.text;
        }
    }
    if (listener_) listener_->rowsReset();
}

// The rows and check lists of the item, from the working copy.
void GridModel::buildItem() {
    rows_.clear();
    tabs_.assign(1, CheckList{});
    family_->buildRows(*db_, *work_, rows_, tabs_.front());
    family_->buildMoreTabs(*db_, *work_, tabs_);
}

int GridModel::findRow(const std::string& name) const {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].name == name) return static_cast<int>(i);
    }
    return -1;
}

bool GridModel::hasError() const {
    for (const GridRow& r : rows_) {
        if (r.error) return true;
    }
    return false;
}

bool GridModel::refuse(int row, const std::string& text, const std::string& message) {
    GridRow& r = rows_[static_cast<std::size_t>(row)];
    r.text = text;
    r.error = true;
    if (listener_) listener_->rowChanged(row);
    prompter_.message(message.empty() ? std::string(kParameterError) : message, "",
                      PromptIcon::Error);
    return false;
}

std::string unstorableCharacter(const std::string& utf8) {
    const std::u16string t = utf8ToUtf16(utf8);
    for (std::size_t i = 0; i < t.size(); ++i) {
        const bool pair = t[i] >= 0xD800 && t[i] < 0xDC00 && i + 1 < t.size();
        const std::u16string one = t.substr(i, pair ? 2 : 1);
        const std::string c = utf16ToUtf8(one);
        if (!fitsCp1251(c)) return c;
        if (pair) ++i;
    }
    return {};
}

std::string unstorableMessage(const std::string& character) {
    return std::string(kParameterError) + "\nСимвол \"" + character +
           "\" нельзя записать в базу: его нет в кодировке Windows-1251.";
}

void GridModel::committed(int row) {
    GridRow& r = rows_[static_cast<std::size_t>(row)];
    userModified_ = userModified_ || modified_;
    r.error = false;
    for (std::size_t i = 0; i < shownName_.size(); ++i) {
        if (shownName_[i] == r.name) r.changed = r.changed || shownText_[i] != r.text;
    }
    family_->applyRow(*work_, r);
    if (r.rebuildsRows) {
        rebuildRows();
        applyDefaults();
    } else if (listener_) {
        listener_->rowChanged(row);
    }
}

bool GridModel::commitText(int row, const std::string& textIn) {
    if (!work_ || row < 0 || row >= static_cast<int>(rows_.size())) return false;
    GridRow& r = rows_[static_cast<std::size_t>(row)];
    note_.clear();
    const std::string text = textIn.substr(0, kMaxEditText);
    switch (r.kind) {
        case EditorKind::ReadOnly:
            return false;
        case EditorKind::Text: {
            const std::string cut = utf8Prefix(text, family_->textLimit());
            // The database keeps 8-bit text: a character it cannot hold is
            // refused, not stored as "?".
            if (const std::string bad = unstorableCharacter(cut); !bad.empty())
                return refuse(row, text, unstorableMessage(bad));
            if (cut != r.text) {
                r.text = cut;
                r.changed = true;
                modified_ = true;
            }
            break;
        }
        case EditorKind::Number:
        case EditorKind::Number5:
        case EditorKind::Hex: {
            std::int64_t v = 0;
            if (!parseGridNumber(text, r.kind == EditorKind::Hex ? 16 : 10, v))
                return refuse(row, text);
            const std::int32_t clamped = static_cast<std::int32_t>(
                v < r.minimum ? r.minimum : (v > r.maximum ? r.maximum : v));
            if (clamped != r.value) modified_ = true;
            r.value = clamped;
            r.text = formatNumber(clamped, r.kind);
            if (clamped != v) {
                note_ = "\"" + r.name + "\": " + text + " заменено на " + r.text + " (допустимо " +
                        formatNumber(r.minimum, r.kind) + ".." + formatNumber(r.maximum, r.kind) +
                        ")";
            }
            break;
        }
        case EditorKind::KeyNumber: {
            std::array<std::uint8_t, 6> key{};
            if (!parseKeyNumber(text, key)) return refuse(row, text);
            if (key != r.key) modified_ = true;
            r.key = key;
            r.text = formatKeyNumber(key);
            break;
        }
        case EditorKind::Time: {
            int h = 0, m = 0;
            if (!parseTime(text, h, m)) return refuse(row, text);
            return commitTime(row, h, m);
        }
        case EditorKind::List: {
            const int entry = r.list.indexOfText(text);
            if (entry < 0) return refuse(row, text);
            return commitEntry(row, entry);
        }
        case EditorKind::NameCombo: {
            const std::string cut = utf8Prefix(text, family_->textLimit());
            if (const std::string bad = unstorableCharacter(cut); !bad.empty())
                return refuse(row, text, unstorableMessage(bad));
            int entry = r.list.indexOfText(cut);
            if (entry < 0) {
                // A typed name joins the top of the list.
                r.list.entries.insert(r.list.entries.begin(), ListEntry{cut, 255});
                entry = 0;
            }
            const ListEntry& e = r.list.entries[static_cast<std::size_t>(entry)];
            if (e.text != r.text || e.value != r.value) modified_ = true;
            r.value = e.value;
            r.text = e.text;
            break;
        }
    }
    committed(row);
    return true;
}

bool GridModel::commitEntry(int row, int entry) {
    if (!work_ || row < 0 || row >= static_cast<int>(rows_.size())) return false;
    GridRow& r = rows_[static_cast<std::size_t>(row)];
    if (r.kind != EditorKind::List && r.kind != EditorKind::NameCombo) return false;
    if (entry < 0 || entry >= static_cast<int>(r.list.entries.size())) return refuse(row, r.text);
    const ListEntry& e = r.list.entries[static_cast<std::size_t>(entry)];
    if (e.value != r.value || e.text != r.text) modified_ = true;
    r.value = e.value;
    r.text = e.text;
    committed(row);
    return true;
}

bool GridModel::commitTime(int row, int hours, int minutes) {
    if (!work_ || row < 0 || row >= static_cast<int>(rows_.size())) return false;
    GridRow& r = rows_[static_cast<std::size_t>(row)];
    if (r.kind != EditorKind::Time) return false;
    if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59) return refuse(row, r.text);
    const std::int32_t v = hours * 60 + minutes;
    if (v != r.value) modified_ = true;
    r.value = v;
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d:%02d", hours, minutes);
    r.text = buf;
    committed(row);
    return true;
}

bool GridModel::setCheck(int tab, int index, bool checked) {
    if (!work_ || tab < 0 || tab >= static_cast<int>(tabs_.size())) return false;
    const CheckList& list = tabs_[static_cast<std::size_t>(tab)];
    if (!list.editable || index < 0 || index >= static_cast<int>(list.entries.size())) return false;
    CheckEntry entry = list.entries[static_cast<std::size_t>(index)];
    if (entry.checked == checked) return true;
    std::string refusal;
    if (!family_->applyTabCheck(*work_, tab, entry, checked, refusal)) {
        if (!refusal.empty()) prompter_.message(refusal, "", PromptIcon::Error);
        return false;
    }
    modified_ = true;
    userModified_ = true;
    // The marks may feed rows (a loop's links): derive both again.
    rebuildRows();
    if (listener_) listener_->tabChanged();
    return true;
}

WriteBackResult GridModel::writeBack() {
    WriteBackResult result;
    if (!work_) return result;
    result.hasError = hasError();
    if (result.hasError || !modified_) return result;
    family_->store(*db_, *work_);
    ++db_->modified;
    modified_ = false;
    userModified_ = false;
    result.written = true;
    // The values just written are now the ones "shown first".
    shownName_.clear();
    shownText_.clear();
    for (GridRow& r : rows_) {
        r.changed = false;
        shownName_.push_back(r.name);
        shownText_.push_back(r.text);
    }
    if (listener_) listener_->rowsReset();
    return result;
}

}  // namespace tavrin
