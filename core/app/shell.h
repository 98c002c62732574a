// Shell: what the main window decides, without drawing. It holds the general
// settings, the document, the selected family, the active tree and the
// recent-file list, and runs every command of the menu table: the file
// commands with their save prompts, the family switch, the device commands
// with their checks, questions, follow-ups and result messages.
//
// The window behind it implements ShellHost (file dialogs, views, the status
// bar, running a device operation on its worker thread). Messages and
// questions go through the context's Prompter. Everything here runs on the
// user-interface thread; only the operation passed to runDeviceOperation
// runs elsewhere.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/device_flow.h"
#include "app/document.h"
#include "app/recent_files.h"
#include "app/recovery.h"
#include "app/trusted_write.h"
#include "base/file_filter.h"
#include "link/app_context.h"
#include "link/console_operations.h"
#include "settings/settings.h"

namespace tavrin {

class ShellHost {
  public:
    virtual ~ShellHost() = default;

    // File dialogs; nothing when the user cancels. The save dialog never
    // asks about overwriting itself (the shell does).
    virtual std::optional<std::string> chooseOpenFile(const std::string& title,
                                                      const std::vector<FileFilter>& filters) = 0;
    virtual std::optional<std::string> chooseSaveFile(const std::string& title,
                                                      const std::vector<FileFilter>& filters,
                                                      const std::string& defaultExtension) = 0;
    // A database folder ("Версан С5").
    virtual std::optional<std::string> chooseFolder(const std::string& title) = 0;

    // The status-bar progress bar (used on the user-interface thread for the
    // firmware file; the device operations get their own through
    // runDeviceOperation).
    virtual Progress& progress() = 0;
    virtual void setStatusText(const std::string& text) = 0;

    // Runs a device operation with the wait cursor, the progress bar and the
    // cancel window and returns its result code.
    virtual int runDeviceOperation(const std::function<int(Progress&)>& operation) = 0;
    // Waits with the wait cursor (after setting the clock and writing).
    virtual void waitWithCursor(unsigned ms) = 0;

    // The database of a role was changed: caption, tree, grid.
    virtual void databaseChanged(int role) = 0;
    // The database of a role holds another database now (opened, created,
    // read): besides databaseChanged, the undo entries and the buffer that
    // came from the old one go.
    virtual void databaseReplaced(int role) { databaseChanged(role); }
    // The family or the recent-file list changed: rebuild the menus.
    virtual void menusChanged() = 0;
    // The tree of a role became the active one.
    virtual void activeTreeChanged(bool right) = 0;
    // The two-database mode was switched.
    virtual void twoBasesChanged(bool on) = 0;

    // Writes the grid's pending values back into the database of the active
    // tree, with their undo record, as leaving the item does. False when a
    // value is refused: the command stops and the focus stays on the value.
    virtual bool commitPendingEdits() { return true; }
    // Clears the tree's undo list and buffer state (after a database read)
    // and rebuilds the tree-filter toolbar.
    virtual void resetTreeState() {}
    // Clears the grid and the tree state before a family switch.
    virtual void clearViewsForSwitch() {}
    // Hides the status view (before "Считать последнюю сохраненную базу").
    virtual void hideStatusView() {}
    // Windows that follow a device command.
    virtual void showJournal() {}
    virtual void showActiveEvents() {}
    virtual void showDustiness() {}
    // The modal analysis window as the write gate: runs CheckDatabase and
    // returns its code (2 = critical error).
    virtual int runWriteGate(DBase& database) {
        return database.CheckDatabase(nullptr, nullptr, nullptr);
    }
    virtual void closeWindow() {}

    // A console family: the comparison window after "Сличение баз" and the
    // archive window after "Прочитать список архива".
    virtual void showComparison() {}
    virtual void showArchive() {}
    // "Обновить ПО прибора с SD карты": the program's name on the SD card and
    // where it goes; nothing when the user cancels.
    struct ProgramChoice {
        std::string name;
        int target = 0;
    };
    virtual std::optional<ProgramChoice> chooseProgramTarget(
        const std::vector<ProgramTarget>& /*targets*/) {
        return std::nullopt;
    }
    // Which database of a comparison the tree shows: the first (ours), the
    // second (theirs) or neither (a backup written from a database of its own).
    enum class TreeSide { None, Ours, Theirs };
    // The compare window over `entries` (from `oursTitle`'s database to
    // `theirsTitle`'s): the write question's and the failed check's
    // "Сравнить...". A chosen row selects its item in the tree of `role`
    // when that tree shows the `side` database.
    virtual void showDifferences(const std::vector<DiffEntry>& /*entries*/,
                                 const std::string& /*oursTitle*/,
                                 const std::string& /*theirsTitle*/, TreeSide /*side*/,
                                 int /*role*/) {}
    // "Восстановить из копии...": the backup to write, from the family's
    // backups listed newest first; nothing when the user cancels.
    virtual std::optional<std::filesystem::path> chooseBackup(
        const std::vector<BackupFile>& /*backups*/) {
        return std::nullopt;
    }
    // The code of the active tree's current item (0 when there is none).
    virtual std::int32_t currentItem() { return 0; }
    // A status text from a running operation (its own thread).
    virtual void postStatusText(const std::string& text) { setStatusText(text); }
};

class Shell {
  public:
    Shell(const AppContext& context, ShellHost& host, DatabaseFactory factory);

    // Reads the general settings (the settings file path of the context).
    void loadSettings();
    // Writes every general key.
    void saveSettings();
    GeneralSettings& settings() { return settings_; }

    // The first document: the family that "Прибор" selects at start-up.
    void start();

    Family family() const { return family_; }
    CKvitorDoc& document() { return doc_; }
    bool rightActive() const { return rightActive_; }
    void setRightActive(bool right);
    bool twoBases() const { return twoBases_; }
    // The database of the active tree (may be null).
    DBase* database() const;

    const RecentFiles& recentFiles() const { return recent_; }
    void reloadRecentFiles();

    // Runs a command; false when the id is not one of the shell's.
    bool execute(int command);
    // Loads a file into the active database (command line, dropped files,
    // recent entries); true on success.
    bool openPath(const std::string& path);
    // Selects a family with every step of the switch; false when abandoned
    // or already selected.
    bool switchFamily(Family family);
    // The save prompts of closing; false keeps the program running.
    bool queryClose();
    // Window placement of closing (section "Общее").
    struct Placement {
        bool maximized = false;
        int top = 0, left = 0, width = 0, height = 0, splitter = 0;
    };
    void storePlacement(const Placement& placement);
    // "Папка" at the end of the run.
    void storeFolder(const std::string& folder);

    // Offers the recovery copies that earlier runs left, newest first: "Да"
    // loads one into the main database (switching to its family with
    // `switchTo`, the shell's own switch when empty), keeps this run's copy
    // of it and removes the old one; "Нет" keeps the copy for the next
    // start; "Отмена" removes it. True when a copy was restored.
    bool offerRecovery(RecoveryStore& store, std::int64_t now,
                       const std::function<bool(Family)>& switchTo = nullptr);

    // The save prompt for the database of one tree; false abandons the command.
    bool savePrompt(bool right);
    // Writes the grid's pending values back, then the save prompt of the
    // active tree; false abandons the command.
    bool promptActive();

    // The pieces of the device commands, public for the window's toolbar.
    void runDeviceCommand(int command);

  private:
    class FlowHost;
    friend class FlowHost;

    Prompter& prompter() const { return *ctx_.prompter; }
    void error(const std::string& text, const std::string& title);
    bool save(DBase& db);
    bool saveAs(DBase& db);
    bool saveTo(DBase& db, const std::string& path);
    void newDatabase();
    void openWithDialog();
    void openRecent(int index);
    void exportCsv();
    void toggleTwoBases();
    void addRecent(const std::string& path);
    int activeRole() const { return rightActive_ ? 1 : 0; }
    using TreeSide = ShellHost::TreeSide;
    // Whether `db` is one of the databases the trees show.
    bool shows(const DBase& db) const { return doc_.database(db.role) == &db; }

    void readDatabase(DBase& db);
    // Reads the database (or with `read`, a part of it) from the panel; a
    // failed read leaves the database as it was before (kept in a temporary
    // copy meanwhile). Returns the code.
    int readKeepingOnFailure(DBase& db, bool closePort,
                             const std::function<int(Progress&)>& read = nullptr);
    // The whole database, or with `write` a part of it.
    void writeDatabase(DBase& db, const std::function<int(Progress&)>& write = nullptr);
    void writeThrough(DBase& db, const WriteRequest& request);
    // The commands of a console family.
    void consoleCommand(DBase& db, ConsoleOperations& console, int command);
    void readConsolePart(DBase& db, ConsoleOperations& console, ConsolePart part, int lcp);
    void readJournal(DBase& db);
    // "Восстановить из копии...": a backup of the family written to the
    // panel through the write's gate and question.
    void restoreBackup(DBase& db);
    void firmware(DBase& db);
    // Runs one operation and turns its code into the status text or a message.
    int runAndReport(DBase& db, int command, const std::function<int(Progress&)>& op);

    const AppContext& ctx_;
    ShellHost& host_;
    DatabaseFactory factory_;
    CKvitorDoc doc_;
    GeneralSettings settings_;
    RecentFiles recent_;
    Family family_ = Family::K2;
    bool rightActive_ = false;
    bool twoBases_ = false;
};

// The start-up password check: at most 19 typed characters, compared with
// the stored password exactly (case-sensitive).
bool passwordAccepted(std::u16string_view typed, std::u16string_view stored);

// Page "Доступ": changes the stored password and the flag "А", or shows one
// of the refusals (a wrong current password, a confirmation that differs, a
// character the settings file cannot keep). True when the password was changed.
bool changePassword(GeneralSettings& settings, std::u16string_view current,
                    std::u16string_view newPassword, std::u16string_view confirmation,
                    Prompter& prompter);

}  // namespace tavrin
