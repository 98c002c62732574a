// CGrid: the parameter grid on screen. Under the tab control, the first tab
// is a self-drawn two-column table ("Параметры", "Значения") of the rows of
// the core GridModel; the second tab is the item's check list. A click on
// an editable value cell lays that kind's editor over the cell: GEdit for
// text, numbers, hexadecimal numbers and key numbers, GComboBox for value
// lists and the editable room-name list, a time editor "HH:mm" for times.
// Leaving the editor or pressing Enter in it ends the edit, and the typed
// value goes to the model's commit rules; the model decides, the grid draws
// (changed values blue, refused values red on white, the name column grey).
// Without a mouse: the arrows, Page Up/Down, Home and End move the current
// row (highlighted); F2 or Enter opens its editor, F4 or Alt+Down opens a
// list's entries; Enter ends the edit and Esc drops it. One click on a list
// value opens its entries at once.
#pragma once

#include <QAbstractScrollArea>
#include <QWidget>

#include <array>
#include <string>

#include "base/family.h"
#include "editor/grid_model.h"

class QListWidget;
class QListWidgetItem;
class QTabWidget;
class QTimeEdit;

namespace tavrin::gui {

class CGrid;
class GEdit;
class GComboBox;

// The self-drawn table of the first tab.
class GridTable : public QAbstractScrollArea {
    Q_OBJECT
  public:
    explicit GridTable(CGrid& grid, QWidget* parent = nullptr);

    int rowHeight() const;
    // The rectangle of a row's value cell (row 0 = the first parameter
    // below the header), in viewport coordinates.
    QRect valueRect(int row) const;
    QRect nameRect(int row) const;
    // The parameter row at a viewport point, or -1.
    int rowAt(const QPoint& pos) const;
    void updateScrollBar();
    // The current row (the one the keys act on), -1 when there are no rows.
    int currentRow() const { return current_; }
    void setCurrentRow(int row);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

  private:
    int columnSplit() const;
    void ensureVisible(int row);
    CGrid& grid_;
    int current_ = -1;
};

class CGrid : public QWidget, public GridListener {
    Q_OBJECT
  public:
    explicit CGrid(Prompter& prompter, QWidget* parent = nullptr);
    ~CGrid() override;

    GridModel& model() { return model_; }
    QTabWidget* tabs() const { return tabs_; }
    GridTable* table() const { return table_; }
    // The check list of the item's first further tab, and of tab `i` (0 or 1).
    QListWidget* checkList() const { return checkLists_[0]; }
    QListWidget* checkList(int i) const { return checkLists_[static_cast<std::size_t>(i)]; }
    GEdit* edit() const { return edit_; }
    GComboBox* combo() const { return combo_; }
    QTimeEdit* timeEdit() const { return time_; }

    // The family shown: sets the text length limit and the second tab's fixed
    // caption from the family's facts.
    void setFamily(Family family);
    int textLimit() const { return textLimit_; }

    // Lays the row's editor over its value cell and gives it the focus;
    // false for a read-only row.
    bool startEdit(int row);
    // Ends the edit of the row being edited: its value goes to the model.
    // False when the value was refused.
    bool commitEdit();
    int editingRow() const { return editing_; }
    // The editor laid over the cell being edited, or null.
    QWidget* activeEditor() const;
    // Moves the editor over its cell again (the table scrolled or resized).
    void placeEditor();
    // Puts the focus on the first refused (red) value, in its editor.
    void focusError();
    // Closes the editor without taking its value (the window is going).
    void abandonEdit();
    // Esc: closes the editor without taking its value and gives the table
    // the focus back.
    void cancelEdit();
    // Opens the current row's editor and, for a value list, its entries.
    bool startEditWithList(int row);
    // Opens the entries of the value list being edited.
    void openList();

  signals:
    // A value was committed (the Edit menu may follow).
    void edited();
    // A committed value was changed on its way in (brought to its limit):
    // the text says how, for the status bar.
    void note(const QString& text);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // ---- GridListener ------------------------------------------------------
    void rowsReset() override;
    void rowChanged(int row) override;
    void tabChanged() override;

    void fillCheckList();
    void fillCheckList(int tab);
    void checkChanged(int tab, QListWidgetItem* item);
    void hideEditors();

    GridModel model_;
    QTabWidget* tabs_ = nullptr;
    GridTable* table_ = nullptr;
    std::array<QListWidget*, 2> checkLists_{};
    GEdit* edit_ = nullptr;
    GComboBox* combo_ = nullptr;
    QTimeEdit* time_ = nullptr;
    int editing_ = -1;
    bool committing_ = false;
    bool fillingChecks_ = false;
    std::string fixedSecondTab_;
    int textLimit_ = 16;
};

}  // namespace tavrin::gui
