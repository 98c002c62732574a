// The pieces of the journal dialog's list: the table model over core's
// JournalModel rows, the header whose columns can be dragged onto the
// grouping strip (a click still sorts), the grouping strip with one box per
// level, and the time-range dialog.
#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <QFrame>
#include <QHeaderView>
#include <vector>

#include "journal/journal_model.h"

class QLabel;
class QLineEdit;
class QHBoxLayout;

namespace tavrin::gui {

// Mime types of the drags: a column index, or a grouping level index.
inline constexpr const char* kColumnMime = "application/x-tavrin-journal-column";
inline constexpr const char* kGroupLevelMime = "application/x-tavrin-journal-group-level";

class JournalTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit JournalTableModel(const JournalModel& model, QObject* parent = nullptr)
        : QAbstractTableModel(parent), model_(model) {}
    // The core model changed: everything is shown anew.
    void refresh();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    const JournalModel& model_;
};

// A header that starts a drag of its column when the mouse moves with the
// button held; a press and release without moving is a click (sorting).
class JournalHeader : public QHeaderView {
    Q_OBJECT
  public:
    explicit JournalHeader(QWidget* parent = nullptr);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    bool onSectionEdge(const QPoint& pos) const;
    int pressed_ = -1;
    QPoint pressPos_;
    bool passOn_ = false;
};

// The strip above the list: empty it shows the hint, otherwise one box per
// grouping level (outermost first). Boxes can be picked up: dropped on the
// strip they move to that place, dropped elsewhere the level goes.
class GroupStrip : public QFrame {
    Q_OBJECT
  public:
    explicit GroupStrip(QWidget* parent = nullptr);
    void setLevels(const std::vector<QString>& titles);
    int levelCount() const { return static_cast<int>(boxes_.size()); }
    QLabel* box(int level) const { return boxes_[static_cast<std::size_t>(level)]; }
    QLabel* hint() const { return hint_; }
    // The place a drop at x takes among the boxes.
    int placeAt(int x) const;

  signals:
    void columnDropped(int column);
    void levelMoved(int from, int to);
    void levelRemoved(int level);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QHBoxLayout* layout_;
    QLabel* hint_;
    std::vector<QLabel*> boxes_;
    int pressedBox_ = -1;
    QPoint pressPos_;
};

// "Временной диапазон": the start and end of the range as two texts of at
// most 19 characters in the journal's time form.
class TimeRangeDialog : public QDialog {
    Q_OBJECT
  public:
    TimeRangeDialog(const QString& from, const QString& to, QWidget* parent = nullptr);
    QString from() const;
    QString to() const;
    QLineEdit* fromEdit() const { return from_; }
    QLineEdit* toEdit() const { return to_; }

  private:
    QLineEdit* from_;
    QLineEdit* to_;
};

}  // namespace tavrin::gui
