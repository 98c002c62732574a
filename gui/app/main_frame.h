// CMainFrame: the main window. It renders what the core Shell decides: the
// menus of the selected family, the two toolbars, the status bar with the
// progress bar over its third pane, and the splitter with the trees, the
// grid and the status view. Menu and toolbar commands carry their command id
// as the action's data and go to the Shell; the commands whose windows live
// elsewhere (tree edits, journal, analysis, viewers) are handed on through
// the signals below.
#pragma once

#include <QMainWindow>
#include <QRect>
#include <QSet>
#include <QUrl>
#include <map>
#include <memory>

#include "app/commands.h"
#include "app/device_search.h"
#include "app/file_dialogs.h"
#include "app/recovery.h"
#include "app/shell.h"
#include "editor/c_tree.h"
#include "link/app_context.h"
#include "link/dbase.h"
#include "registry/family_registry.h"

class QAction;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QSplitter;
class QTabWidget;
class QTimer;
class QToolBar;

namespace tavrin::gui {

class GuiProgress;
class EditorViews;
class FindBar;
class ServiceWindows;

// Underlines the first letter of `text` (at a word start if it can) that no
// other entry of the same menu uses; a text that has a mnemonic keeps it.
QString withMnemonic(const QString& text, QSet<QChar>& used);
// A window rectangle moved and shrunk as little as needed to lie within `area`.
QRect clampToArea(const QRect& wanted, const QRect& area);
// Shortens a path longer than `maxChars` in the middle with an ellipsis.
QString elidePath(const QString& path, int maxChars);

class CMainFrame : public QMainWindow, public ShellHost {
    Q_OBJECT
  public:
    // Reads the settings, shapes the menus for the stored family and creates
    // the first document.
    explicit CMainFrame(const AppContext& context, DatabaseFactory factory = CreateDatabase,
                        QWidget* parent = nullptr);
    ~CMainFrame() override;

    Shell& shell() { return *shell_; }
    DBase* database() const { return shell_->document().main(); }
    // Sets the caption from the main database's window title; the caption
    // carries the unsaved marker ("*") while a database shown is modified.
    void updateCaption(std::size_t capacity);
    void updateModifiedMarker();
    // Start-up: offers the recovery copies that earlier runs left; true when
    // one was restored into the main database.
    bool offerRecovery();
    // The recovery copies of this run: written while a database is modified
    // and not saved, removed when it is saved, discarded or closed.
    RecoveryStore& recovery() { return *recovery_; }
    // Shows the window with the stored placement.
    void showAsStored();
    // Runs a command as the menu does.
    void runCommand(int command);
    // Opens the first of the files dropped on the window; false when none is local.
    bool openDropped(const QList<QUrl>& urls);

    // The action of a command (menus and toolbars share it), or nullptr.
    QAction* action(int command) const;
    QToolBar* mainToolBar() const { return mainBar_; }
    QToolBar* filterToolBar() const { return filterBar_; }
    QProgressBar* progressBar() const { return progress_; }
    QString statusText() const;
    // The views: the left and right trees, the grid's tab widget with its
    // text editor, and the status view below the grid.
    CTree* leftTree() const { return leftTree_; }
    CTree* rightTree() const { return rightTree_; }
    EditorViews* views() const { return views_; }
    QTabWidget* gridTabs() const { return gridTabs_; }
    QLineEdit* gridEditor() const { return gridEditor_; }
    // The find bar of "Поиск по БД" (hidden until asked for).
    FindBar* findBar() const { return findBar_; }

    // Test seams: the file dialogs, the port prober, the length of the waits.
    void setFileDialogs(FileDialogs* dialogs) { dialogs_ = dialogs; }
    void setPortProber(PortProber* prober) { prober_ = prober; }
    void setWaitFactor(double factor) { waitFactor_ = factor; }

    // ---- ShellHost ---------------------------------------------------------------
    std::optional<std::string> chooseOpenFile(const std::string& title,
                                              const std::vector<FileFilter>& filters) override;
    std::optional<std::string> chooseSaveFile(const std::string& title,
                                              const std::vector<FileFilter>& filters,
                                              const std::string& defaultExtension) override;
    std::optional<std::string> chooseFolder(const std::string& title) override;
    Progress& progress() override;
    void setStatusText(const std::string& text) override;
    int runDeviceOperation(const std::function<int(Progress&)>& operation) override;
    void waitWithCursor(unsigned ms) override;
    void databaseChanged(int role) override;
    void databaseReplaced(int role) override;
    void menusChanged() override;
    void activeTreeChanged(bool right) override;
    void twoBasesChanged(bool on) override;
    void resetTreeState() override;
    bool commitPendingEdits() override;
    void clearViewsForSwitch() override;
    void hideStatusView() override;
    // The journal, active-events and dustiness windows after a device read.
    void showJournal() override { emit windowCommand(kCmdJournal); }
    void showActiveEvents() override { emit windowCommand(kCmdActiveEvents); }
    void showDustiness() override { emit windowCommand(kCmdDustiness); }
    // A console family's comparison and archive windows, its program choice,
    // the tree's current item, and status texts from the operation's thread.
    void showComparison() override { emit windowCommand(kCmdCompare); }
    void showArchive() override { emit windowCommand(kCmdArchive); }
    std::optional<ProgramChoice> chooseProgramTarget(
        const std::vector<ProgramTarget>& targets) override;
    std::int32_t currentItem() override;
    void postStatusText(const std::string& text) override;
    // Shows an item of the active tree (the comparison window's rows).
    void showTreeItem(std::int32_t item);
    void closeWindow() override;
    // The modal analysis window in front of "Записать базу".
    int runWriteGate(DBase& database) override;
    // The compare window, modal over the question or message that offers it.
    void showDifferences(const std::vector<DiffEntry>& entries, const std::string& oursTitle,
                         const std::string& theirsTitle, TreeSide side, int role) override;
    std::optional<std::filesystem::path> chooseBackup(
        const std::vector<BackupFile>& backups) override;

    // The analysis, journal, active-events and dustiness windows.
    ServiceWindows* services() const { return services_; }

  signals:
    // Edit commands for the active tree (undo, cut, copy, paste, delete, add, buffer).
    void treeCommand(int command);
    // Show or hide a group of the tree (107..112), with the new state.
    void treeFilterChanged(int command, bool hidden);
    // Commands whose windows are not part of the shell (journal, analysis,
    // viewers, printing, database search, clock dialog).
    void windowCommand(int command);
    // The database of a role was replaced, loaded or read: the tree of that
    // role rebuilds itself and drops buffer and undo entries of the old one.
    void databaseShown(int role);
    // The two-database mode was switched on or off.
    void twoBasesToggled(bool on);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QAction* makeAction(int command, const QString& text);
    void buildToolBars();
    void rebuildMenus();
    // Sets the filter buttons' states and tooltips from the active tree's
    // shown and hidden groups.
    void rebuildFilterToolBar();
    void applyFamilyLook();
    void syncChecks();
    void switchFamily(Family family);
    void programSettings();
    void portSettings();
    void portSearch();
    // "Сравнить с файлом...": a file or folder of the family against the
    // active tree's database, in the compare window.
    void compareWithFile();
    void about();
    // Brings the recovery copies in step with the databases, now or (within
    // the interval of the last copy) by a timer.
    void keepRecoveryCopies();

    const AppContext& ctx_;
    DatabaseFactory factory_;
    std::unique_ptr<Shell> shell_;
    QtFileDialogs qtDialogs_;
    FileDialogs* dialogs_ = &qtDialogs_;
    std::unique_ptr<DatabasePortProber> defaultProber_;
    PortProber* prober_ = nullptr;
    double waitFactor_ = 1.0;

    std::map<int, QAction*> actions_;
    QToolBar* mainBar_ = nullptr;
    QToolBar* filterBar_ = nullptr;
    QLabel* statusPanes_[3] = {};
    QProgressBar* progress_ = nullptr;
    std::unique_ptr<GuiProgress> guiProgress_;
    QSplitter* splitter_ = nullptr;
    QSplitter* treePane_ = nullptr;
    EditorViews* views_ = nullptr;
    CTree* leftTree_ = nullptr;
    CTree* rightTree_ = nullptr;
    QTabWidget* gridTabs_ = nullptr;
    QLineEdit* gridEditor_ = nullptr;
    QPlainTextEdit* statusView_ = nullptr;
    FindBar* findBar_ = nullptr;
    ServiceWindows* services_ = nullptr;
    std::unique_ptr<RecoveryStore> recovery_;
    QTimer* recoveryTimer_ = nullptr;
    int deviceOperations_ = 0;  // a copy is never taken while one runs
};

}  // namespace tavrin::gui
