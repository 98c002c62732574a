// The service windows of the main window: the analysis window (modeless for
// "Проверка корректности", modal as the gate of "Записать базу"), the
// journal dialog, the active-events view, the dustiness view and the
// database printout. At most one window of each kind is open; opening a new
// one replaces the old.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

#include "editor/db_diff.h"
#include "report/comparison_rows.h"

#include "service/service_types.h"

class QWidget;

namespace tavrin {
class DBase;
}

namespace tavrin::gui {

class CJournal;
class CompareWindow;
class DLArchive;
class DLJournal;
class DLZapil;
class TestRes;

// A console's comparison as differences: a part whose sums disagree is a
// changed row (the first record found different, else the sum), a part only
// one side has is added or removed, and a part that could not be compared
// is a row too, so the window never says "Нет различий" for a console it did
// not fully compare. The parts found equal are named in `equalParts`.
std::vector<DiffEntry> consoleDifferences(const ComparisonRows& rows, QString* equalParts);

class ServiceWindows : public QObject {
    Q_OBJECT
  public:
    // `database` gives the database of the active tree (may be null);
    // `refreshTree` rebuilds the tree after a check that opens no window.
    ServiceWindows(QWidget* frame, std::function<DBase*()> database, DeviceRunner runner,
                   StatusSink status, std::function<void()> refreshTree);

    // Runs a window command ("Проверка корректности", "Печать базы",
    // "Журнал", "Актуальные события", "Запыленность датчиков"); false when
    // the id is not one of them.
    bool command(int id);
    // The gate of "Записать базу"; returns the outcome of the check.
    int writeGate(DBase& database);

    void showCheck();
    void showJournal();
    // A journal file of the console's archive in the journal window.
    void showJournalFile(const std::string& path);
    // A console family: the comparison after "Сличение баз" (in the
    // compare window, as any other), the archive.
    void showComparison();
    void showArchive();
    // The differences from the database of tree `role` to another one in
    // the compare window; a chosen row asks for its item in that tree.
    CompareWindow* showDifferences(std::vector<DiffEntry> entries, const QString& oursTitle,
                                   const QString& theirsTitle, int role);
    void showActiveEvents();
    void showDustiness();
    void printDatabase();
    // The databases were replaced, loaded or read: the viewers opened for
    // another family close.
    void databaseShown();

    // The open windows, or nullptr.
    TestRes* analysisWindow() const;
    DLJournal* journalWindow() const;
    CJournal* eventsWindow() const;
    DLZapil* dustWindow() const;
    DLArchive* archiveWindow() const;
    CompareWindow* differencesWindow() const;

  signals:
    // The comparison window asks to show this item in the tree.
    void showItem(std::int32_t item);
    // The compare window asks to show an item of tree `role` (by its codes
    // from the top; the nearest parent when the tree lacks it).
    void showItemPath(int role, const tavrin::ItemPath& path);

  private:
    template <class W>
    void replace(QPointer<W>& slot, W* window);

    QWidget* frame_;
    std::function<DBase*()> database_;
    DeviceRunner runner_;
    StatusSink status_;
    std::function<void()> refreshTree_;
    QPointer<TestRes> check_;
    QPointer<DLJournal> journal_;
    QPointer<CJournal> events_;
    QPointer<DLZapil> dust_;
    QPointer<DLArchive> archive_;
    QPointer<CompareWindow> differences_;
};

}  // namespace tavrin::gui
