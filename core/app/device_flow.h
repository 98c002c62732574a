// The device-command flows that the gui's shell and the cli both run, with
// their texts in one place:
//
//   write    the gate (the correctness check, the question about a database
//            file that ended early), the backup of the panel's database, the
//            write question, the write, the read-back and what the user is
//            told; the result code is also the cli's exit code;
//   journal  the database is read first when none is loaded (the journal's
//            labels come from it), then the journal;
//   report   a command's result code turned into the text, its title and
//            whether it is an error message or a status text.
//
// The caller's side (running an operation on a worker thread with the cancel
// window, showing the check's lists, the question with its "Сравнить..."
// button) is a DeviceFlowHost.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "app/document.h"
#include "app/trusted_write.h"

namespace tavrin {

inline constexpr const char* kWriteRefusedText =
    "База некорректна. Запись БД в прибор недопустима.";
inline constexpr const char* kBackupFailedText =
    "Копия базы прибора не сохранена. База в прибор не записывалась.";
inline constexpr const char* kReadBackFailedText =
    "База записана, но прочитать ее из прибора для проверки не удалось.";

class DeviceFlowHost {
  public:
    virtual ~DeviceFlowHost() = default;
    // Runs one device operation and returns its code.
    virtual int run(const std::function<int(Progress&)>& operation) = 0;
    // The correctness check before a write: its outcome (2 = a critical
    // error, kResultNotImplemented = the family has no check).
    virtual int checkBeforeWrite(DBase& db) { return db.CheckDatabase(nullptr, nullptr, nullptr); }
    // The write question (Yes/No). `backup` is the backup just taken, with
    // what the write changes, or null when none is kept.
    virtual PromptAnswer confirmWrite(DBase& db, const std::string& question,
                                      const std::string& title, const BackupResult* backup);
    // After the backup was saved (before the question).
    virtual void backupTaken(const BackupResult&) {}
    // After the write's last frame, before the read-back.
    virtual void afterWrite(DBase&) {}
    // Reads the whole database before the journal; a failed read leaves no
    // half-read database behind.
    virtual int readDatabase(DBase& db);
};

struct WriteRequest {
    std::string title = "Запись базы";
    bool backup = false;  // save the panel's database first
    bool verify = false;  // read the database back after the write
    std::filesystem::path backupsFolder;
    // Makes the databases the backup and the read-back are read into; empty:
    // the family registry's.
    DatabaseFactory factory;
    // Writes a part of the database; empty: the whole database.
    std::function<int(Progress&)> write;
};

// Where the write stopped.
enum class WriteStage {
    Refused,             // the check found a critical error or the family has none
    IncompleteDeclined,  // a file that ended early was not confirmed
    Backup,              // the panel's database could not be saved
    Declined,            // the user answered No to the question
    Write,               // written (code 0) or the write failed
    Verify,              // written and read back (verified or not)
};

struct WriteOutcome {
    WriteStage stage = WriteStage::Refused;
    // The result code; the cli's exit code (2 for a refused database).
    int code = kResultOk;
    std::optional<BackupResult> backup;
    VerifyResult verify;
    // What the user is told (empty when the user declined).
    std::string text;
    // The text is an error message, not a status text.
    bool error = false;
};

// The backup and the read-back of a whole-database write, as the family's
// setting (in the settings file) and its panel allow. The built-in simulation
// keeps no panel to back up or read back.
WriteRequest wholeWriteRequest(const DBase& db, const std::filesystem::path& settingsPath,
                               DatabaseFactory factory = {});

WriteOutcome runWriteFlow(DBase& db, DeviceFlowHost& host, const WriteRequest& request);

struct JournalOutcome {
    int code = kResultOk;
    bool databaseRead = false;  // the database was read first (successfully)
    bool journalRead = false;   // the journal's read ran (whatever its code)
    std::string title;          // the failed step's title
    std::string text;
};

// "Прочитать журнал": the database first when none is loaded, then the journal.
JournalOutcome runReadJournalFlow(DBase& db, DeviceFlowHost& host);

struct CommandReport {
    std::string text;
    std::string title;
    bool error = false;  // a message box; otherwise the status text
};

// How a command's result is shown: "Отмена" follows a message the operation
// has shown already (or the user's own choice), so it goes to the status
// text, as do the results of reading the version and setting the clock.
CommandReport reportCommand(DBase& db, int command, int code);

}  // namespace tavrin
