#include "app/shell.h"

#include <cstdio>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <system_error>

#include "app/commands.h"
#include "app/device_flow.h"
#include "app/intel_hex.h"
#include "base/file_io.h"
#include "base/text.h"
#include "link/result_codes.h"
#include "registry/family_registry.h"

namespace tavrin {

namespace {

constexpr const char* kSaveTitle = "Сохранение базы";
constexpr const char* kSaved = "База сохранена";
constexpr const char* kSaveCancelled = "Сохранение отменено";

// The commands that execute() itself runs (file, family, device commands).
bool isShellCommand(int command) {
    if (isDeviceCommand(command) || familyOfCommand(command)) return true;
    if (command >= kCmdRecent1 && command <= kCmdRecent10) return true;
    switch (command) {
        case kCmdNew:
        case kCmdOpen:
        case kCmdSave:
        case kCmdSaveAs:
        case kCmdExportCsv:
        case kCmdTwoBases:
        case kCmdOpenLast:
            return true;
        default:
            return false;
    }
}

bool fileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(pathFromUtf8(path), ec);
}

}  // namespace

Shell::Shell(const AppContext& context, ShellHost& host, DatabaseFactory factory)
    : ctx_(context), host_(host), factory_(factory), doc_(context, std::move(factory)) {}

// The device-command flows of core, run through the window: operations on
// its worker thread, the analysis window as the gate, the write question
// with its "Сравнить..." button.
class Shell::FlowHost : public DeviceFlowHost {
  public:
    explicit FlowHost(Shell& shell) : shell_(shell) {}
    int run(const std::function<int(Progress&)>& operation) override {
        return shell_.host_.runDeviceOperation(operation);
    }
    int checkBeforeWrite(DBase& db) override { return shell_.host_.runWriteGate(db); }
    PromptAnswer confirmWrite(DBase& db, const std::string& question, const std::string& title,
                              const BackupResult* backup) override {
        if (!backup)
            return shell_.prompter().ask(question, title, PromptIcon::Question,
                                         PromptButtons::YesNo);
        // The changes run from the panel's database to the one written.
        const ShellHost::TreeSide side =
            shell_.shows(db) ? ShellHost::TreeSide::Theirs : ShellHost::TreeSide::None;
        const int role = db.role;
        return shell_.prompter().askWithAction(
            question, title, PromptIcon::Question, PromptButtons::YesNo, kOpenCompareButton,
            [this, backup, side, role] {
                shell_.host_.showDifferences(backup->changes, kPanelDatabaseTitle,
                                             kDatabaseToWriteTitle, side, role);
            });
    }
    void afterWrite(DBase&) override { shell_.host_.waitWithCursor(1000); }
    int readDatabase(DBase& db) override { return shell_.readKeepingOnFailure(db, true); }

    static constexpr const char* kPanelDatabaseTitle = "База прибора";
    static constexpr const char* kDatabaseToWriteTitle = "База для записи";
    static constexpr const char* kWrittenTitle = "Записанная база";

  private:
    Shell& shell_;
};

void Shell::loadSettings() {
    IniFile ini;
    ini.load(ctx_.settingsPath);
    settings_.load(ini);
}

void Shell::saveSettings() {
    IniFile ini;
    ini.load(ctx_.settingsPath);
    settings_.store(ini);
    ini.save(ctx_.settingsPath);
}

void Shell::start() {
    family_ = startupFamily(settings_.device);
    doc_.OnNewDocument(family_);
    reloadRecentFiles();
}

void Shell::setRightActive(bool right) {
    if (right && !twoBases_) right = false;
    if (rightActive_ == right) return;
    rightActive_ = right;
    host_.activeTreeChanged(right);
}

DBase* Shell::database() const {
    return doc_.database(activeRole());
}

void Shell::reloadRecentFiles() {
    IniFile ini;
    ini.load(ctx_.settingsPath);
    recent_ = RecentFiles();
    recent_.load(ini, familyTraits(family_).sectionName);
}

void Shell::addRecent(const std::string& path) {
    recent_ = addRecentFile(ctx_.settingsPath, familyTraits(family_).sectionName, path);
    host_.menusChanged();
}

void Shell::error(const std::string& text, const std::string& title) {
    prompter().message(text, title, PromptIcon::Error);
}

// ---- Save prompts, saving ------------------------------------------------------

bool Shell::savePrompt(bool right) {
    DBase* db = doc_.database(right ? 1 : 0);
    if (!db || db->modified == 0) return true;
    setRightActive(right);
    PromptAnswer answer = PromptAnswer::Yes;
    if (settings_.askSaveDatabase) {
        const std::string name = db->filePath.empty() ? "Новая" : db->filePath;
        answer = prompter().ask("База данных изменена.\n(" + name + ")\nСохранить?",
                                right ? "Правая" : "Левая", PromptIcon::Question,
                                PromptButtons::YesNoCancel);
    }
    if (answer == PromptAnswer::Cancel) return false;
    if (answer == PromptAnswer::Yes) {
        save(*db);
        if (db->modified != 0) return false;
    }
    return true;
}

bool Shell::save(DBase& db) {
    if (db.filePath.empty()) return saveAs(db);
    return saveTo(db, db.filePath);
}

bool Shell::saveTo(DBase& db, const std::string& path) {
    const std::string warning = db.SaveWarning(path);
    if (!warning.empty()) {
        if (prompter().ask(warning, kSaveTitle, PromptIcon::Warning,
                           PromptButtons::YesNoDefaultNo) != PromptAnswer::Yes) {
            host_.setStatusText(kSaveCancelled);
            return false;
        }
        db.ConfirmSave(path);
    }
    errno = 0;
    if (db.SaveToDisk(path)) {
        host_.setStatusText(kSaved);
        return true;
    }
    const int code = lastSystemError();
    error(code != 0 ? systemErrorText(code) : "Не удалось сохранить базу: " + path, kSaveTitle);
    return false;
}

bool Shell::saveAs(DBase& db) {
    std::optional<std::string> path;
    if (db.traits().folderDatabase) {
        path = host_.chooseFolder(kSaveTitle);
    } else {
        path = host_.chooseSaveFile(kSaveTitle, {{db.fileTypeText, "*." + db.extension1}},
                                    db.extension1);
        if (path && fileExists(pathWithExtension(*path, db.extension1).value_or(*path)) &&
            prompter().ask("База данных уже существует.\nУдалить устаревший файл?", kSaveTitle,
                           PromptIcon::Question, PromptButtons::YesNo) != PromptAnswer::Yes) {
            return false;
        }
    }
    if (!path) return false;
    if (!saveTo(db, *path)) return false;
    addRecent(*path);
    host_.databaseChanged(db.role);
    return true;
}

// ---- File commands -------------------------------------------------------------------

bool Shell::promptActive() {
    // The grid's pending values are written back first and then count as a
    // change like any other, so that dropping the database never loses them
    // unasked.
    if (!host_.commitPendingEdits()) return false;
    return savePrompt(rightActive_);
}

void Shell::newDatabase() {
    if (!promptActive()) return;
    doc_.ReplaceDatabase(activeRole());
    host_.databaseReplaced(activeRole());
}

bool Shell::openPath(const std::string& path) {
    DBase* db = database();
    if (!db) return false;
    const bool ok = db->LoadFromDisk(path);
    if (ok) addRecent(path);
    host_.databaseReplaced(activeRole());
    // A file that ended early was taken with defaults: say which.
    if (ok && !db->incompleteFileText.empty()) {
        prompter().message(db->incompleteFileText, "Чтение базы", PromptIcon::Warning);
    }
    return ok;
}

void Shell::openWithDialog() {
    DBase* db = database();
    if (!db || !promptActive()) return;
    std::optional<std::string> path;
    if (db->traits().folderDatabase) {
        path = host_.chooseFolder("Открытие базы");
    } else {
        path = host_.chooseOpenFile("Открытие базы", {{db->fileTypeText, db->openFilter},
                                                      {"БД приборов", "*.bta;*.ord"},
                                                      {"Все файлы", "*.*"}});
    }
    if (path) openPath(*path);
}

void Shell::openRecent(int index) {
    if (index < 0 || index >= RecentFiles::kCount) return;
    const std::string path = recent_.entry(index);
    if (path.empty()) return;
    if (!promptActive()) return;
    openPath(path);
}

void Shell::exportCsv() {
    DBase* db = database();
    if (!db) return;
    const std::string title = "Сохранение базы в *.csv";
    const auto path = host_.chooseSaveFile(title, {{"Файлы CSV", "*.csv"}}, "csv");
    if (!path) return;
    if (fileExists(pathWithExtension(*path, "csv").value_or(*path)) &&
        prompter().ask("Файл уже существует.\nУдалить устаревший файл?", title,
                       PromptIcon::Question, PromptButtons::YesNo) != PromptAnswer::Yes) {
        return;
    }
    errno = 0;
    if (db->ExportCsv(*path)) {
        host_.setStatusText(kSaved);
    } else {
        const int code = lastSystemError();
        error(code != 0 ? systemErrorText(code) : "Не удалось записать файл: " + *path,
              "Вывод базы");
    }
}

void Shell::toggleTwoBases() {
    twoBases_ = !twoBases_;
    if (!twoBases_) setRightActive(false);
    host_.twoBasesChanged(twoBases_);
}

// ---- Family switch and closing -----------------------------------------------------

bool Shell::switchFamily(Family family) {
    if (family == family_) return false;
    if (!host_.commitPendingEdits()) return false;
    host_.clearViewsForSwitch();
    // Both databases, also a modified second one after "Две базы" was
    // switched off: the left, then the right.
    if (!savePrompt(false)) return false;
    if (!savePrompt(true)) return false;
    settings_.device = familyCode(family);
    writeProfileString(ctx_.settingsPath, kGeneralSection, "Прибор",
                       std::to_string(familyCode(family)));
    family_ = family;
    if (twoBases_) {
        twoBases_ = false;
        host_.twoBasesChanged(false);
    }
    setRightActive(false);
    doc_.OnNewDocument(family_);
    reloadRecentFiles();
    host_.menusChanged();
    host_.databaseReplaced(0);
    host_.databaseReplaced(1);
    return true;
}

bool Shell::offerRecovery(RecoveryStore& store, std::int64_t now,
                          const std::function<bool(Family)>& switchTo) {
    for (const RecoveryCopy& copy : store.leftBehind(now)) {
        const PromptAnswer answer =
            prompter().ask(RecoveryStore::question(copy), RecoveryStore::kQuestionTitle,
                           PromptIcon::Question, PromptButtons::YesNoCancel);
        if (answer == PromptAnswer::Cancel) {
            RecoveryStore::remove(copy);
            continue;
        }
        if (answer != PromptAnswer::Yes) continue;
        if (copy.family != family_) {
            const bool switched = switchTo ? switchTo(copy.family) : switchFamily(copy.family);
            if (!switched || copy.family != family_) continue;
        }
        DBase* db = doc_.main();
        if (!db || !RecoveryStore::restore(copy, *db)) {
            if (db) db->ResetDatabase();
            error("Не удалось восстановить базу из копии:\n" + pathToUtf8(copy.data),
                  RecoveryStore::kQuestionTitle);
            host_.databaseReplaced(0);
            continue;
        }
        host_.resetTreeState();
        host_.databaseReplaced(0);
        // This run's copy first: the database is never without one.
        store.update(*db, now);
        RecoveryStore::remove(copy);
        return true;
    }
    return false;
}

bool Shell::queryClose() {
    if (!host_.commitPendingEdits()) return false;
    // The second database is offered even when "Две базы" is off now.
    if (!savePrompt(false)) return false;
    if (!savePrompt(true)) return false;
    setRightActive(false);
    return true;
}

void Shell::storePlacement(const Placement& p) {
    IniFile ini;
    ini.load(ctx_.settingsPath);
    const auto s = kGeneralSection;
    if (p.maximized) {
        for (const char* key : {"Верх", "Слева", "Ширина", "Высота"})
            ini.set(s, key, "0");
        ini.set(s, "Состояние", "1");
    } else {
        ini.setInt(s, "Верх", p.top);
        ini.setInt(s, "Слева", p.left);
        ini.setInt(s, "Ширина", p.width);
        ini.setInt(s, "Высота", p.height);
        ini.set(s, "Состояние", "0");
        ini.setInt(s, "Ширина1", p.splitter);
    }
    ini.save(ctx_.settingsPath);
}

void Shell::storeFolder(const std::string& folder) {
    writeProfileString(ctx_.settingsPath, kGeneralSection, "Папка",
                       IniFile::quoted(utf8Prefix(folder, kFolderMaxChars)));
}

// ---- Commands ------------------------------------------------------------------------

bool Shell::execute(int command) {
    DBase* db = database();
    const bool valid = db && db->databaseValid;
    if (const auto refusal = checkCommand(command, family_, valid)) {
        error(refusal->text, refusal->title);
        return true;
    }
    // Every command that saves, sends, reads, replaces or rebuilds the
    // database takes the grid's pending values first; a refused value stops
    // it. (Closing does the same in queryClose.)
    if (command != kCmdExit && isShellCommand(command) && !host_.commitPendingEdits()) return true;
    if (isDeviceCommand(command)) {
        runDeviceCommand(command);
        return true;
    }
    if (command >= kCmdRecent1 && command <= kCmdRecent10) {
        openRecent(command - kCmdRecent1);
        return true;
    }
    if (const std::optional<Family> f = familyOfCommand(command)) {
        switchFamily(*f);
        return true;
    }
    switch (command) {
        case kCmdNew:
            newDatabase();
            return true;
        case kCmdOpen:
            openWithDialog();
            return true;
        case kCmdSave:
            if (db) save(*db);
            return true;
        case kCmdSaveAs:
            if (db) saveAs(*db);
            return true;
        case kCmdExportCsv:
            exportCsv();
            return true;
        case kCmdTwoBases:
            toggleTwoBases();
            return true;
        case kCmdOpenLast:
            host_.hideStatusView();
            if (!recent_.entry(0).empty()) {
                openRecent(0);
            } else {
                openWithDialog();
            }
            return true;
        case kCmdExit:
            host_.closeWindow();
            return true;
        default:
            return false;
    }
}

void Shell::runDeviceCommand(int command) {
    DBase* db = database();
    if (!db) return;
    if (const auto refusal = checkCommand(command, family_, db->databaseValid)) {
        error(refusal->text, refusal->title);
        return;
    }
    if (ConsoleOperations* console = consoleOperations(*db);
        console && db->traits().commands.consoleCommands) {
        // The console's status texts reach the status bar while it works.
        console->setStatusSink([this](const std::string& text) { host_.postStatusText(text); });
        consoleCommand(*db, *console, command);
        console->setStatusSink(nullptr);
        return;
    }
    switch (command) {
        case kCmdReadDatabase:
            readDatabase(*db);
            return;
        case kCmdWriteDatabase:
            writeDatabase(*db);
            return;
        case kCmdRestoreBackup:
            restoreBackup(*db);
            return;
        case kCmdReadJournal:
            readJournal(*db);
            return;
        case kCmdFirmware:
            firmware(*db);
            return;
        case kCmdReadActiveEvents:
            if (runAndReport(*db, command, [db](Progress& p) { return db->ReadActiveEvents(p); }) ==
                0) {
                host_.showActiveEvents();
            }
            return;
        case kCmdReadDustiness:
            if (runAndReport(*db, command, [db](Progress& p) { return db->ReadDustiness(p, 0); }) ==
                0) {
                host_.showDustiness();
            }
            return;
        case kCmdReadVersion:
            if (runAndReport(*db, command, [db](Progress&) {
                    const int code = db->ReadVersion();
                    db->ClosePort();
                    return code;
                }) == 0) {
                host_.databaseChanged(activeRole());
                // Say what was read, not only that the command went through.
                if (!db->firmwareVersionText.empty())
                    host_.setStatusText("Версия ПО прибора: " + db->firmwareVersionText);
            }
            return;
        case kCmdSetTime: {
            // The time sent is the local time when the command starts; the
            // status bar names it after a success.
            SystemClock system;
            const LocalTime t =
                (ctx_.clock ? *ctx_.clock : static_cast<const Clock&>(system)).now();
            if (runAndReport(*db, command, [db](Progress&) { return db->SetDeviceTime(); }) == 0) {
                char text[64];
                std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d:%02d", t.day, t.month,
                              t.year, t.hour, t.minute, t.second);
                host_.setStatusText(std::string("Время прибора установлено: ") + text);
            }
            host_.waitWithCursor(3000);
            return;
        }
        case kCmdReadTime:
            // The clock query shows the panel's time in its own message box.
            runAndReport(*db, command, [db](Progress&) { return db->QueryDeviceTime(); });
            return;
        default:
            return;
    }
}

int Shell::runAndReport(DBase& db, int command, const std::function<int(Progress&)>& op) {
    const int code = host_.runDeviceOperation(op);
    const CommandReport report = reportCommand(db, command, code);
    if (report.error) {
        error(report.text, report.title);
    } else {
        host_.setStatusText(report.text);
    }
    return code;
}

int Shell::readKeepingOnFailure(DBase& db, bool closePort,
                                const std::function<int(Progress&)>& read) {
    const auto run = [&db, closePort, &read](Progress& p) {
        const int c = read ? read(p) : db.ReadFromDevice(p);
        if (closePort) db.ClosePort();
        return c;
    };
    // A family whose read restores the database itself needs no copy.
    if (db.traits().commands.readKeepsDatabase) return host_.runDeviceOperation(run);
    // Keep what the database holds in a temporary copy: the read overwrites
    // the database as it goes, and a failed read must not lose it.
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path backup;
    const bool holdsData = db.databaseValid || db.modified != 0;
    if (holdsData) {
        static unsigned serial = 0;
        backup = fs::temp_directory_path(ec) /
                 ("tavrin-read-" + std::to_string(reinterpret_cast<std::uintptr_t>(&db)) + "-" +
                  std::to_string(++serial) + (db.extension1.empty() ? "" : "." + db.extension1));
        if (ec) backup.clear();
    }
    const std::string path = db.filePath;
    const int modified = db.modified;
    const bool valid = db.databaseValid;
    bool saved = false;
    if (!backup.empty()) {
        saved = db.SaveCopyToDisk(pathToUtf8(backup));
    }
    const int code = host_.runDeviceOperation(run);
    if (code != 0) {
        if (saved && db.LoadFromDisk(pathToUtf8(backup))) {
            db.filePath = path;
            db.modified = modified;
            db.databaseValid = valid;
        } else {
            db.ResetDatabase();
        }
    }
    if (!backup.empty()) fs::remove_all(backup, ec);
    return code;
}

void Shell::readDatabase(DBase& db) {
    // The database about to be replaced is offered for saving first.
    if (!savePrompt(db.role == 1)) return;
    // A slow line takes minutes for a whole table: say so before it starts.
    if (const double seconds = db.EstimatedReadSeconds(); seconds > 0 && !db.simulation) {
        host_.setStatusText("Чтение базы прибора: около " +
                            std::to_string(static_cast<int>(seconds + 0.5)) + " с");
    }
    const int code = readKeepingOnFailure(db, false);
    host_.resetTreeState();
    const std::string text = db.DescribeResult(code);
    if (code == 0) {
        host_.setStatusText(text);
        if (db.modified == 0) db.modified = 1;
        host_.databaseReplaced(db.role);
        saveAs(db);
    } else {
        host_.databaseChanged(db.role);
        error(text, deviceCommandTitle(kCmdReadDatabase));
    }
}

void Shell::writeDatabase(DBase& db, const std::function<int(Progress&)>& write) {
    // A part of a console family's database is written as it stands; the
    // whole database with the backup and the read-back its family's setting
    // and panel allow.
    WriteRequest request;
    if (!write) request = wholeWriteRequest(db, ctx_.settingsPath, factory_);
    request.title = deviceCommandTitle(kCmdWriteDatabase);
    request.write = write;
    writeThrough(db, request);
}

void Shell::writeThrough(DBase& db, const WriteRequest& request) {
    FlowHost flow(*this);
    const WriteOutcome out = runWriteFlow(db, flow, request);
    const bool sent = out.stage == WriteStage::Write || out.stage == WriteStage::Verify;
    // Writing packs the database first: the tree shows the records where they
    // are now (a backup written from a database of its own is not shown).
    if (sent && shows(db) && (request.write || db.traits().commands.consoleCommands))
        host_.databaseChanged(db.role);
    if (out.text.empty()) return;
    if (!out.error) {
        host_.setStatusText(out.text);
    } else if (out.code == kResultWriteNotConfirmed) {
        // What differs is offered in the compare window.
        // The differences run from the database written to the panel's.
        const std::vector<DiffEntry> differences = out.verify.differences;
        const TreeSide side = shows(db) ? TreeSide::Ours : TreeSide::None;
        const int role = db.role;
        prompter().askWithAction(out.text, request.title, PromptIcon::Error, PromptButtons::Ok,
                                 kOpenCompareButton, [this, differences, side, role] {
                                     host_.showDifferences(differences, FlowHost::kWrittenTitle,
                                                           FlowHost::kPanelDatabaseTitle, side,
                                                           role);
                                 });
    } else {
        error(out.text, request.title);
    }
}

void Shell::restoreBackup(DBase& db) {
    const std::string title = deviceCommandTitle(kCmdRestoreBackup);
    const auto backups = listBackups(db.traits(), backupsFolder(ctx_.settingsPath));
    if (backups.empty()) {
        prompter().message("Копий баз прибора \"" + std::string(db.traits().name) +
                               "\" нет.\nКопия сохраняется перед записью базы в прибор.",
                           title, PromptIcon::Information);
        return;
    }
    const auto chosen = host_.chooseBackup(backups);
    if (!chosen) return;
    // The backup is written from a database of its own: the open one stays.
    std::unique_ptr<DBase> copy = factory_(db.family(), db.role, ctx_);
    if (!copy || !copy->LoadFromDisk(pathToUtf8(*chosen))) {
        error("Не удалось прочитать копию базы: " + pathToUtf8(*chosen), title);
        return;
    }
    WriteRequest request = wholeWriteRequest(*copy, ctx_.settingsPath, factory_);
    request.title = title;
    writeThrough(*copy, request);
}

void Shell::readJournal(DBase& db) {
    FlowHost flow(*this);
    const JournalOutcome out = runReadJournalFlow(db, flow);
    if (out.databaseRead) {
        if (db.modified == 0) db.modified = 1;
        host_.databaseReplaced(db.role);
    } else if (!out.journalRead) {
        host_.databaseChanged(db.role);
    }
    if (out.code == 0) {
        host_.setStatusText(out.text);
        host_.showJournal();
    } else {
        error(out.text, out.title);
    }
}

void Shell::firmware(DBase& db) {
    const std::string title = deviceCommandTitle(kCmdFirmware);
    const auto path = host_.chooseOpenFile(
        "Загрузка ПО с диска",
        {{std::string("Программа для ") + db.traits().name, db.firmwareFilter}});
    if (!path) return;
    Bytes image;
    if (db.traits().commands.firmwareUpdate) {
        Bytes text;
        FileError fileError;
        if (!readWholeFile(pathFromUtf8(*path), text, &fileError)) {
            error(fileError.code ? systemErrorText(fileError.code) : fileError.message,
                  kHexReadTitle);
            return;
        }
        host_.setStatusText("Чтение и обработка программы с диска");
        HexImage hex = readIntelHex(text, &host_.progress());
        host_.progress().setVisible(false);
        if (!hex.ok) {
            host_.setStatusText("");
            error(hex.error, kHexReadTitle);
            return;
        }
        host_.setStatusText("");
        image = std::move(hex.image);
    } else {
        FileError fileError;
        if (!readWholeFile(pathFromUtf8(*path), image, &fileError)) {
            error(fileError.code ? systemErrorText(fileError.code) : fileError.message,
                  kHexReadTitle);
            return;
        }
    }
    if (prompter().ask("Подтвердите запись новой программы в прибор", title, PromptIcon::Question,
                       PromptButtons::YesNo) != PromptAnswer::Yes) {
        return;
    }
    host_.setStatusText("Запись ПО прибора...");
    runAndReport(db, kCmdFirmware,
                 [&db, &image](Progress& p) { return db.WriteFirmware(p, image); });
}

// ---- Console commands ----------------------------------------------------------------

void Shell::readConsolePart(DBase& db, ConsoleOperations& console, ConsolePart part,
                            int lcpNumber) {
    const int code = readKeepingOnFailure(db, false, [&console, part, lcpNumber](Progress& p) {
        return console.ReadPart(p, part, lcpNumber);
    });
    host_.resetTreeState();
    const std::string text = db.DescribeResult(code);
    if (code == 0) {
        host_.setStatusText(text);
        if (db.modified == 0) db.modified = 1;
        host_.databaseChanged(db.role);
    } else {
        host_.databaseChanged(db.role);
        error(text, deviceCommandTitle(kCmdReadDatabase));
    }
}

void Shell::consoleCommand(DBase& db, ConsoleOperations& console, int command) {
    const auto currentLcp = [&]() -> int {
        const int l = console.lcpOfItem(host_.currentItem());
        if (l == 0) error("Выберите LCP в дереве", deviceCommandTitle(command));
        return l;
    };
    switch (command) {
        case kCmdReadDatabase:
        case kCmdReadAll:
            readDatabase(db);
            return;
        case kCmdReadConsoleKeys:
            if (promptActive()) readConsolePart(db, console, ConsolePart::ConsoleKeys, 0);
            return;
        case kCmdReadLcp:
            if (const int l = currentLcp(); l != 0 && promptActive())
                readConsolePart(db, console, ConsolePart::Lcp, l);
            return;
        case kCmdWriteDatabase:
        case kCmdWriteAll:
            writeDatabase(db);
            return;
        case kCmdRestoreBackup:
            restoreBackup(db);
            return;
        case kCmdWriteConsoleKeys:
            writeDatabase(db, [&console](Progress& p) {
                return console.WritePart(p, ConsolePart::ConsoleKeys, 0);
            });
            return;
        case kCmdWriteLcp:
            if (const int l = currentLcp(); l != 0) {
                writeDatabase(db, [&console, l](Progress& p) {
                    return console.WritePart(p, ConsolePart::Lcp, l);
                });
            }
            return;
        case kCmdCompare:
            if (runAndReport(db, command, [&console](Progress& p) {
                    return console.CompareWithDevice(p);
                }) == 0) {
                host_.databaseChanged(db.role);  // packed before the comparison
                host_.showComparison();
            }
            return;
        case kCmdReadArchiveList:
            if (runAndReport(db, command,
                             [&console](Progress& p) { return console.ReadArchiveList(p); }) == 0)
                host_.showArchive();
            return;
        case kCmdFirmware: {
            const auto path = host_.chooseOpenFile(
                "Загрузка ПО с диска",
                {{std::string("Программа для ") + db.traits().name, db.firmwareFilter}});
            if (!path) return;
            if (prompter().ask("Подтвердите запись новой программы в прибор",
                               deviceCommandTitle(command), PromptIcon::Question,
                               PromptButtons::YesNo) != PromptAnswer::Yes) {
                return;
            }
            const std::string name = pathToUtf8(pathFromUtf8(*path).filename());
            runAndReport(db, command, [&console, &name, &path](Progress& p) {
                return console.WriteFileToDevice(p, name, *path);
            });
            return;
        }
        case kCmdUpdateFromSd: {
            const auto choice = host_.chooseProgramTarget(console.programTargets());
            if (!choice) return;
            runAndReport(db, command, [&console, &choice](Progress&) {
                return console.ReplaceProgram(choice->name, choice->target);
            });
            return;
        }
        default:
            if (command >= kCmdS5Extra1 && command <= kCmdS5Extra5) {
                static constexpr int kKinds[] = {1, 2, 4, 8, 0x0F};
                const int kinds = kKinds[command - kCmdS5Extra1];
                runAndReport(db, command, [&console, kinds](Progress&) {
                    return console.ClearActiveEvents(kinds);
                });
                return;
            }
            break;
    }
    // The commands every family has.
    switch (command) {
        case kCmdReadJournal:
            readJournal(db);
            return;
        case kCmdReadDustiness:
            if (runAndReport(db, command, [&db](Progress& p) { return db.ReadDustiness(p, 0); }) ==
                0)
                host_.showDustiness();
            return;
        case kCmdReadVersion:
            if (runAndReport(db, command, [&db](Progress&) {
                    const int code = db.ReadVersion();
                    db.ClosePort();
                    return code;
                }) == 0) {
                host_.databaseChanged(activeRole());
            }
            return;
        case kCmdSetTime:
            runAndReport(db, command, [&db](Progress&) { return db.SetDeviceTime(); });
            host_.waitWithCursor(3000);
            return;
        default:
            runAndReport(db, command, [](Progress&) { return int{kResultNotImplemented}; });
            return;
    }
}

// ---- Passwords -------------------------------------------------------------------------

bool passwordAccepted(std::u16string_view typed, std::u16string_view stored) {
    return typed.substr(0, kPasswordMaxChars) == stored.substr(0, kPasswordMaxChars);
}

bool changePassword(GeneralSettings& settings, std::u16string_view current,
                    std::u16string_view newPassword, std::u16string_view confirmation,
                    Prompter& prompter) {
    if (current.substr(0, kPasswordMaxChars) != settings.password) {
        prompter.message("Старый пароль не подтвержден!", "Смена пароля", PromptIcon::Error);
        return false;
    }
    if (newPassword != confirmation) {
        prompter.message("Новый пароль не подтвержден!", "Смена пароля", PromptIcon::Error);
        return false;
    }
    if (!passwordStorable(newPassword)) {
        prompter.message("Пароль содержит недопустимый символ!", "Смена пароля", PromptIcon::Error);
        return false;
    }
    settings.password = std::u16string(newPassword.substr(0, kPasswordMaxChars));
    settings.passwordOn = !settings.password.empty();
    return true;
}

}  // namespace tavrin
