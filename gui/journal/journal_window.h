// DLJournal: the journal dialog. It shows a journal file through core's
// JournalModel: the columns of the file's family, paging buttons, sorting by
// a header click, the include and exclude texts, the time range with its
// dialog and check box, grouping by up to four column headers dragged onto
// the strip above the list, "Сброс всех фильтров", opening and saving files
// and printing the shown rows.
#pragma once

#include <string>

#include "files/journal_file.h"
#include "journal/journal_model.h"
#include "service/service_types.h"
#include "service/viewer_window.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QToolBar;
class QTreeView;

class QLabel;

namespace tavrin {
class DBase;
}

namespace tavrin::gui {

class GroupStrip;
class JournalHeader;
class JournalTableModel;

class DLJournal : public ViewerWindow {
    Q_OBJECT
  public:
    // `path` is the file shown first (opened by openStartFile()).
    // `database` gives the current database of the family the window was
    // opened for; the window asks it anew for every command, so a database
    // replaced meanwhile ("Создать") is never used after it is gone.
    DLJournal(DatabaseGetter database, std::string path, QWidget* parent = nullptr);
    ~DLJournal() override;

    // Reads the file given at construction: a missing one shows "Файл не
    // найден!" and leaves the list empty. True when the file was read.
    bool openStartFile();
    // Reads another file; the old content stays when it cannot be read.
    bool loadFile(const std::string& path);

    // Commands.
    bool openFile();
    bool saveAs();
    void print();
    void move(JournalMove move);
    bool chooseTimeRange();
    void resetFilters();
    // A column header dropped on the grouping strip.
    void groupBy(int column);
    // Opens or closes the group shown at `row` (its expand sign).
    bool toggleGroup(int row);

    const JournalModel& model() const { return model_; }
    const JournalFile& file() const { return file_; }
    const std::string& path() const { return path_; }
    QTreeView* view() const { return view_; }
    JournalHeader* header() const { return header_; }
    GroupStrip* strip() const { return strip_; }
    QLineEdit* includeEdit() const { return include_; }
    QLineEdit* excludeEdit() const { return exclude_; }
    QCheckBox* timeRangeBox() const { return timeBox_; }
    QPushButton* button(int id) const;
    int selectedRow() const;
    int rowsPerPage() const;

  public:
    // "Записей: N из M": the records the filters let through, of all.
    QString countText() const;

  private:
    QLabel* count_ = nullptr;
    void refill();
    void layOutColumns();
    void syncControls();
    void onRowClicked(const QModelIndex& index, const QPoint& pos);
    void selectRow(int row);

    std::string path_;
    JournalFile file_;
    JournalModel model_;
    JournalTableModel* table_;
    GroupStrip* strip_;
    QTreeView* view_;
    JournalHeader* header_;
    QLineEdit* include_;
    QLineEdit* exclude_;
    QCheckBox* timeBox_;
    std::vector<std::pair<int, QPushButton*>> buttons_;
};

}  // namespace tavrin::gui
