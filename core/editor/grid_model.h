// The parameter grid as a model: the rows of the item selected in the tree,
// their editors and value lists, the commit rules of typed and chosen
// values, the second tab's check list, and the write-back into the
// family's records.
//
// The rows are built by the family (FamilyGrid) from a working copy of the
// item's records. Every commit goes into that working copy at once, so that
// rows which depend on another row (a device's loop choosing the list of its
// relay condition, say) are derived again from it; the database itself is
// written only by writeBack(), when the tree leaves the item.
//
// A view renders rows() and secondTab(), calls the commit functions when an
// edit ends and listens for changes through GridListener. Single-threaded:
// the user-interface thread owns the model.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/seams.h"
#include "editor/value_list.h"
#include "link/dbase.h"

namespace tavrin {

// How a value cell is shown and edited.
enum class EditorKind {
    Text = 1,        // text, stored in the family's 8-bit code page
    Number = 2,      // decimal, 0 to the row's maximum
    Number5 = 3,     // decimal, 0 to 65535
    List = 4,        // one entry of the row's list
    NameCombo = 5,   // a name from the row's list, or typed
    Hex = 9,         // four hexadecimal digits
    KeyNumber = 10,  // six bytes "%02X %02X %02X %02X %02X %02X"
    Time = 11,       // "HH:mm"
    ReadOnly = 12,   // shown only
};

// The message of a refused value (shown without a caption).
inline constexpr const char* kParameterError = "Ошибка в параметре!";

struct GridRow {
    std::string name;
    EditorKind kind = EditorKind::ReadOnly;
    int field = 0;                      // what the row edits: the family's own field number
    std::string text;                   // the value cell as shown
    std::int32_t value = 0;             // the stored value (numbers, lists, time as h*60+m)
    std::array<std::uint8_t, 6> key{};  // KeyNumber rows
    ValueList list;                     // List and NameCombo rows
    int defaultEntry = -1;  // List rows: the entry shown for a value no entry carries; -1 none
    std::int32_t minimum = 0;
    std::int32_t maximum = 255;
    bool changed = false;       // differs from the value shown first (drawn blue)
    bool error = false;         // refused (drawn red); the text keeps what was typed
    bool rebuildsRows = false;  // a commit derives the rows again (dependent rows)

    bool editable() const { return kind != EditorKind::ReadOnly; }
};

// The second tab: one mark per entry.
struct CheckEntry {
    std::string label;
    std::int32_t value = 0;  // the family's own number for the entry (a loop index, ...)
    bool checked = false;
};

struct CheckList {
    std::string caption;  // "Применимость ключа", ...; empty when the item has no second tab
    std::vector<CheckEntry> entries;
    bool editable = true;

    bool present() const { return !caption.empty(); }
};

// The family's working copy of the item being shown.
class GridWork {
  public:
    virtual ~GridWork() = default;
};

// What a family supplies to the grid.
class FamilyGrid {
  public:
    virtual ~FamilyGrid() = default;
    // A working copy of the item's records, or null when the item has no rows.
    // `topLevel`: the item is the tree's root (whose code may also name an
    // element, as 0 does in "Талвир К2").
    virtual std::unique_ptr<GridWork> load(const DBase& db, ItemCode code, bool topLevel) = 0;
    // The rows and second tab of the item, from the working copy.
    virtual void buildRows(const DBase& db, const GridWork& work, std::vector<GridRow>& rows,
                           CheckList& tab) = 0;
    // Puts a committed row value into the working copy.
    virtual void applyRow(GridWork& work, const GridRow& row) = 0;
    // Sets one mark of the second tab in the working copy; false with the
    // message in `refusal` (may be empty) when the mark is not allowed.
    virtual bool applyCheck(GridWork& work, const CheckEntry& entry, bool checked,
                            std::string& refusal) = 0;
    // Further tabs after the first check list (an item may have two); empty
    // by default.
    virtual void buildMoreTabs(const DBase& /*db*/, const GridWork& /*work*/,
                               std::vector<CheckList>& /*tabs*/) {}
    // Sets one mark of the check list `tab` (0: the one of buildRows).
    virtual bool applyTabCheck(GridWork& work, int tab, const CheckEntry& entry, bool checked,
                               std::string& refusal) {
        if (tab == 0) return applyCheck(work, entry, checked, refusal);
        refusal.clear();
        return false;
    }
    // Writes the working copy into the database's records.
    virtual void store(DBase& db, const GridWork& work) = 0;
    // The longest text a Text or NameCombo row takes (characters).
    virtual std::size_t textLimit() const = 0;
};

class GridListener {
  public:
    virtual ~GridListener() = default;
    virtual void rowsReset() {}      // all rows (and the second tab) built anew
    virtual void rowChanged(int) {}  // one row's text or flags changed
    virtual void tabChanged() {}     // the marks of the second tab changed
};

struct WriteBackResult {
    bool hasError = false;  // a row is refused: the tree keeps the item
    bool written = false;   // values went into the records
};

// Parsing helpers of the commit rules (exposed for the cli and the tests).
// Decimal: digits only (trailing blanks removed), saturating; hexadecimal:
// at most four hex digits, padded on the left. False on a wrong form.
bool parseGridNumber(const std::string& text, int radix, std::int64_t& value);
// Six hexadecimal bytes separated by blanks.
bool parseKeyNumber(const std::string& text, std::array<std::uint8_t, 6>& key);
std::string formatKeyNumber(const std::array<std::uint8_t, 6>& key);
// The first character of a UTF-8 text that Windows-1251 (the databases' 8-bit
// text) cannot hold, or empty; and the message of a value refused for it,
// which names the character.
std::string unstorableCharacter(const std::string& utf8);
std::string unstorableMessage(const std::string& character);
// "HH:MM" (or "H:MM"), hours 0..23, minutes 0..59.
bool parseTime(const std::string& text, int& hours, int& minutes);

class GridModel {
  public:
    explicit GridModel(Prompter& prompter);
    ~GridModel();

    void setFamily(std::unique_ptr<FamilyGrid> family);
    void setListener(GridListener* listener) { listener_ = listener; }

    // Shows an item: builds its rows from the database (no rows when the item
    // has none). A list value that no entry carries is replaced by the row's
    // default entry and marks the grid modified at once.
    void show(DBase* db, ItemCode code, bool topLevel = false);
    void clear();

    bool hasItem() const { return work_ != nullptr; }
    ItemCode item() const { return code_; }
    bool itemIsTopLevel() const { return topLevel_; }
    DBase* database() const { return db_; }
    const std::vector<GridRow>& rows() const { return rows_; }
    // The first check list (empty caption when the item has none) and every
    // check list of the item, the first one included.
    const CheckList& secondTab() const { return tabs_.front(); }
    const std::vector<CheckList>& tabs() const { return tabs_; }
    // The index of the row with that name, or -1.
    int findRow(const std::string& name) const;
    bool modified() const { return modified_; }
    // Some value was committed by the user (not only corrected on show).
    bool userModified() const { return userModified_; }
    bool hasError() const;

    // Commits an edit of a row. Text: typed text for Text, numbers, key
    // numbers, names and time ("HH:MM"); for List rows the entry's text.
    // False when the value is refused: the row keeps the text, turns to
    // error and "Ошибка в параметре!" is shown.
    // What the last commit changed in the typed value (a number brought to
    // its limit), for the status bar; empty when the value was taken as typed.
    const std::string& commitNote() const { return note_; }
    bool commitText(int row, const std::string& text);
    // Commits the choice of a list entry.
    bool commitEntry(int row, int entry);
    bool commitTime(int row, int hours, int minutes);
    // Sets a mark of the second tab; false (with the family's message shown)
    // when refused.
    bool setCheck(int index, bool checked) { return setCheck(0, index, checked); }
    bool setCheck(int tab, int index, bool checked);

    // Leaves the item: reports errors, and when modified writes the working
    // copy into the records and raises the database's change counter.
    WriteBackResult writeBack();

  private:
    void rebuildRows();
    void buildItem();
    void applyDefaults();
    bool refuse(int row, const std::string& text, const std::string& message = {});
    void committed(int row);

    Prompter& prompter_;
    std::unique_ptr<FamilyGrid> family_;
    GridListener* listener_ = nullptr;
    DBase* db_ = nullptr;
    ItemCode code_ = 0;
    bool topLevel_ = false;
    std::unique_ptr<GridWork> work_;
    std::vector<GridRow> rows_;
    std::vector<std::string> shownText_;  // the text of each row when first shown, by name
    std::vector<std::string> shownName_;
    std::vector<CheckList> tabs_ = std::vector<CheckList>(1);
    std::string note_;
    bool modified_ = false;
    bool userModified_ = false;
};

}  // namespace tavrin
