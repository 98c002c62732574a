// The safe write of a database into a panel, shared by the gui shell and
// the cli's write-db:
//
//   1. backup   before anything is sent, the panel's database is read into
//               a database of its own and saved in the backups folder
//               ("backups" beside the settings file) as
//               "<family section>_<address>_<YYYY-MM-DD>_<HH-MM-SS>.<ext>";
//               what the write will change (panel → file) is compared item
//               by item, so the question can say how many items change;
//   2. write    the database is written as before;
//   3. verify   after the last frame the database is read back and compared
//               with what was sent: equal → verifiedText(); different → kResultWriteNotConfirmed
//               with the differing items.
//
// The backup is on by default for the families whose read is quick
// (FamilyTraits::backupByDefault) and is switched per family by the key
// "Копия_перед_записью" ("да"/"нет") of the family's settings section.
// The read-back is made where FamilyTraits::readBackAfterWrite says so; a
// console is not read back but compared by its checksums (and its objects
// record by record), which confirms the same at a fraction of the time. Both
// reads address the panel at the address of the database written. Every step closes the port at its
// end. A family whose panel cannot be read back answers kResultNotImplemented from the backup and
// the verify, never a success.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "app/document.h"
#include "base/seams.h"
#include "editor/db_diff.h"
#include "link/dbase.h"
#include "link/result_codes.h"

namespace tavrin {

inline constexpr const char* kBackupSettingKey = "Копия_перед_записью";
inline constexpr const char* kBackupsFolderName = "backups";
inline constexpr const char* kWriteVerifiedSuffix = ". Запись проверена.";
inline constexpr const char* kWriteWithoutBackupText =
    "Копия базы прибора перед записью не сохраняется.";
inline constexpr const char* kOpenCompareButton = "Сравнить...";

// Whether a write of the family saves a backup first, from the settings file.
bool backupBeforeWrite(const FamilyTraits& traits, const std::filesystem::path& settingsPath);
// Switches the family's backup in the settings file.
bool setBackupBeforeWrite(const FamilyTraits& traits, const std::filesystem::path& settingsPath,
                          bool on);
// The backups folder: "backups" beside the settings file.
std::filesystem::path backupsFolder(const std::filesystem::path& settingsPath);
// The file name of a backup taken now.
std::string backupFileName(const FamilyTraits& traits, int panelAddress, const LocalTime& now);

struct BackupFile {
    std::filesystem::path path;
    LocalTime taken;   // from the name
    int address = 0;   // the panel address, from the name
    int sequence = 1;  // 2, 3... for further backups taken in the same second ("_N")
};
// The backups of a family in the folder, newest first.
std::vector<BackupFile> listBackups(const FamilyTraits& traits,
                                    const std::filesystem::path& folder);

struct BackupResult {
    int code = kResultOk;
    std::filesystem::path path;      // the backup file (when code is 0)
    std::vector<DiffEntry> changes;  // from the panel's database to the one to write
    std::size_t changedItems = 0;
};

// Reads the panel's database (at the address `db` gives the panel) into a
// database made by `factory` (empty: the family registry's) and saves it in
// `folder`; compares it with `db`.
BackupResult backupPanel(DBase& db, const std::filesystem::path& folder, Progress& progress,
                         const DatabaseFactory& factory = {});

// The write question: "Подтвердите запись базы в прибор." with the panel
// address where the family shows it, then how many items change (after a
// backup) or that no backup is kept.
std::string writeQuestion(const DBase& db, const BackupResult* backup);

struct VerifyResult {
    int code = kResultOk;
    std::vector<DiffEntry> differences;  // from what was sent to what the panel holds
};

// The result text of a verified write: "Команда выполнена. Запись
// проверена." (after "Адрес=N. " where the family shows it).
std::string verifiedText(DBase& db);

// Reads the database back from the panel written to and compares it with `sent`.
VerifyResult verifyWrite(DBase& sent, Progress& progress, const DatabaseFactory& factory = {});

// The error text of a write the read-back did not confirm: the result text,
// then the differing items (at most `limit` lines, then how many more).
std::string notConfirmedText(DBase& db, const std::vector<DiffEntry>& differences,
                             std::size_t limit = 10);

}  // namespace tavrin
