// TestRes: the window "Анализ базы данных". It lays out the three report
// lists of the correctness check on tabs ("Ошибки", "Устройства",
// "Функции"), lets the family fill them through CheckDatabase and keeps the
// outcome. A double-click on a finding asks to show its item in the tree.
// Opened by "Проверка корректности" it is modeless; as the gate of
// "Записать базу" it is modal and, when the outcome is 0, done at once
// without being shown.
#pragma once

#include <QDialog>
#include <QFont>
#include <array>
#include <cstdint>

#include "link/family_traits.h"
#include "report/report_list.h"

class QTabBar;
class QTableWidget;
class QPushButton;

namespace tavrin {
class DBase;
}

namespace tavrin::gui {

class TestRes : public QDialog {
    Q_OBJECT
  public:
    TestRes(DBase& database, bool writeGate, QWidget* parent = nullptr);

    // Runs the check and fills the lists; returns the outcome (0, or 2 for a
    // critical finding). The family sets its writable flag.
    int runCheck();
    int outcome() const { return outcome_; }
    bool writeGate() const { return writeGate_; }

    QTabBar* tabs() const { return tabs_; }
    // 0 remarks, 1 devices, 2 functions.
    QTableWidget* list(int index) const { return lists_[static_cast<std::size_t>(index)]; }
    QPushButton* okButton() const { return ok_; }
    const QFont& listFont() const { return font_; }

  signals:
    // A finding was double-clicked: show its item in the tree.
    void showItem(std::int32_t item);

  private:
    void showTab(int index);
    void fill(QTableWidget* table, const ReportList& list, bool centreNumbers);

    DBase& db_;
    bool writeGate_;
    int outcome_ = 0;
    QFont font_;
    QTabBar* tabs_;
    std::array<QTableWidget*, 3> lists_{};
    ReportList remarks_;
    QPushButton* ok_;
};

// The columns a family's lists start with (the family may lay out its own).
ReportList defaultDeviceColumns(const FamilyTraits& family);
ReportList defaultFunctionColumns(const FamilyTraits& family);

// The write gate of "Записать базу": runs the check in a modal TestRes, which
// closes by itself at outcome 0 and otherwise stays until "ОК". Returns the
// outcome; the write goes on only when the family's writable flag is set.
int runWriteGate(QWidget* parent, DBase& database);

}  // namespace tavrin::gui
