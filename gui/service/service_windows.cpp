#include "service/service_windows.h"
#include "registry/family_registry.h"

#include <QWidget>

#include "app/commands.h"
#include "journal/active_events_window.h"
#include "journal/journal_window.h"
#include "link/console_operations.h"
#include "link/dbase.h"
#include "link/result_codes.h"
#include "report/report_list.h"
#include "service/analysis_window.h"
#include "service/compare_window.h"
#include "service/console_windows.h"
#include "service/dustiness_window.h"
#include "service/list_printer.h"
#include "settings/settings.h"

namespace tavrin::gui {

ServiceWindows::ServiceWindows(QWidget* frame, std::function<DBase*()> database,
                               DeviceRunner runner, StatusSink status,
                               std::function<void()> refreshTree)
    : QObject(frame),
      frame_(frame),
      database_(std::move(database)),
      runner_(std::move(runner)),
      status_(std::move(status)),
      refreshTree_(std::move(refreshTree)) {}

TestRes* ServiceWindows::analysisWindow() const {
    return check_.data();
}

DLJournal* ServiceWindows::journalWindow() const {
    return journal_.data();
}

CJournal* ServiceWindows::eventsWindow() const {
    return events_.data();
}

DLZapil* ServiceWindows::dustWindow() const {
    return dust_.data();
}

DLArchive* ServiceWindows::archiveWindow() const {
    return archive_.data();
}

CompareWindow* ServiceWindows::differencesWindow() const {
    return differences_.data();
}

template <class W>
void ServiceWindows::replace(QPointer<W>& slot, W* window) {
    if (slot) delete slot.data();
    slot = window;
    window->setAttribute(Qt::WA_DeleteOnClose);
}

bool ServiceWindows::command(int id) {
    switch (id) {
        case kCmdCheck:
            showCheck();
            return true;
        case kCmdPrint:
            printDatabase();
            return true;
        case kCmdJournal:
            showJournal();
            return true;
        case kCmdActiveEvents:
            showActiveEvents();
            return true;
        case kCmdDustiness:
            showDustiness();
            return true;
        case kCmdCompare:
            showComparison();
            return true;
        case kCmdArchive:
            showArchive();
            return true;
        default:
            return false;
    }
}

int ServiceWindows::writeGate(DBase& database) {
    if (check_) delete check_.data();
    return runWriteGate(frame_, database);
}

void ServiceWindows::showCheck() {
    DBase* db = database_();
    if (!db) return;
    if (!db->traits().commands.analysisWindow) {
        // The family marks its findings in the tree instead of a window; a
        // critical one is said in a message.
        ReportList remarks;
        const int outcome = db->CheckDatabase(&remarks, nullptr, nullptr);
        if (outcome == kResultNotImplemented) {
            db->context().prompter->message(db->DescribeResult(kResultNotImplemented),
                                            "Проверка корректности", PromptIcon::Error);
            return;
        }
        if (outcome == 2) {
            std::string text;
            for (const auto& row : remarks.rows) {
                for (std::size_t i = 0; i < row.size(); ++i)
                    text += (i ? ": " : (text.empty() ? "" : "\n")) + row[i];
            }
            db->context().prompter->message(text, "Проверка корректности", PromptIcon::Error);
        }
        if (refreshTree_) refreshTree_();
        return;
    }
    auto* window = new TestRes(*db, false, frame_);
    replace(check_, window);
    connect(window, &TestRes::showItem, this, &ServiceWindows::showItem);
    if (window->runCheck() == kResultNotImplemented) {
        // The family has no correctness check yet: say so instead of empty lists.
        delete check_.data();
        db->context().prompter->message(db->DescribeResult(kResultNotImplemented),
                                        "Проверка корректности", PromptIcon::Error);
        return;
    }
    window->show();
}

void ServiceWindows::showJournal() {
    DBase* db = database_();
    if (!db) return;
    auto* window = new DLJournal(
        database_, pathToUtf8(db->context().programFolder / db->journalFileName), frame_);
    replace(journal_, window);
    window->show();
    window->openStartFile();
}

void ServiceWindows::showJournalFile(const std::string& path) {
    if (!database_()) return;
    auto* window = new DLJournal(database_, path, frame_);
    replace(journal_, window);
    window->show();
    window->openStartFile();
}

std::vector<DiffEntry> consoleDifferences(const ComparisonRows& rows, QString* equalParts) {
    std::vector<DiffEntry> entries;
    QStringList equal;
    for (const ComparisonRow& r : rows) {
        if (r.same) {
            equal << QString::fromStdString(r.path);
            continue;
        }
        DiffEntry e;
        e.path = r.path;
        const ItemPath item = r.item != 0 ? ItemPath{kNoItem, r.item} : ItemPath{};
        e.ours = item;
        e.ourText = r.ours;
        e.theirText = r.theirs;
        if (r.verdict == compareStateText(CompareState::OnlyComputer)) {
            e.kind = DiffEntry::Kind::Removed;
        } else if (r.verdict == compareStateText(CompareState::OnlyConsole)) {
            e.kind = DiffEntry::Kind::Added;
            e.ours.clear();
            e.theirs = item;
        } else if (r.verdict == compareStateText(CompareState::Different)) {
            e.row = r.row >= 0 ? "Запись " + std::to_string(r.row + 1) : "Контрольная сумма";
        } else {
            e.row = r.verdict;
        }
        entries.push_back(std::move(e));
    }
    if (!equal.isEmpty())
        *equalParts = QString::fromUtf8("Совпадают: ") + equal.join(QStringLiteral(", "));
    return entries;
}

void ServiceWindows::showComparison() {
    DBase* db = database_();
    if (!db) return;
    const ConsoleOperations* console = consoleOperations(*db);
    QString note;
    std::vector<DiffEntry> entries =
        consoleDifferences(console ? comparisonRows(*console) : ComparisonRows{}, &note);
    CompareWindow* window = showDifferences(std::move(entries), QString::fromUtf8("Компьютер"),
                                            QString::fromUtf8("Пульт"), db->role);
    window->setWindowTitle(QString::fromUtf8("Сличение баз"));
    window->setNote(note);
}

void ServiceWindows::showArchive() {
    if (!database_()) return;
    auto* window = new DLArchive(database_, runner_, status_, frame_);
    replace(archive_, window);
    connect(window, &DLArchive::journalReady, this,
            [this](const std::string& path) { showJournalFile(path); });
    window->show();
}

CompareWindow* ServiceWindows::showDifferences(std::vector<DiffEntry> entries,
                                               const QString& oursTitle, const QString& theirsTitle,
                                               int role) {
    auto* window = new CompareWindow(std::move(entries), oursTitle, theirsTitle, frame_);
    replace(differences_, window);
    // A row of an item only in the other database has no path of ours:
    // its nearest parent there is the place it would take here.
    connect(window, &CompareWindow::itemActivated, this,
            [this, role](const ItemPath& ours, const ItemPath& theirs) {
                if (const ItemPath path = CompareWindow::treePath(ours, theirs); !path.empty())
                    emit showItemPath(role, path);
            });
    window->show();
    return window;
}

void ServiceWindows::showActiveEvents() {
    DBase* db = database_();
    if (!db) return;
    auto* window =
        new CJournal(database_, pathToUtf8(db->context().programFolder / db->journalFileName2),
                     runner_, status_, frame_);
    replace(events_, window);
    window->show();
    window->openStartFile();
}

void ServiceWindows::showDustiness() {
    DBase* db = database_();
    if (!db) return;
    auto* window = new DLZapil(database_, runner_, status_, frame_);
    replace(dust_, window);
    window->show();
    window->start();
}

void ServiceWindows::databaseShown() {
    // A viewer of another family's files does not outlive the family switch.
    const DBase* db = database_();
    const int family = db ? db->familyCode : 0;
    auto closeOther = [family](auto& slot) {
        if (slot && slot->family() != family) delete slot.data();
    };
    closeOther(journal_);
    closeOther(events_);
    closeOther(dust_);
    closeOther(archive_);
}

void ServiceWindows::printDatabase() {
    if (DBase* db = database_()) gui::printDatabase(frame_, *db);
}

}  // namespace tavrin::gui
