// The recovery copy of a database that is modified and not saved: if the
// program ends without saving (a crash, a kill, a power cut), the next start
// offers the copy back.
//
// The copies live in the folder "recovery" beside the settings file, one per
// database of a running program, named "<process id>-<role>" with the
// family's extension (a "Версан С5" copy is a folder), and a description
// "<process id>-<role>.info" beside it. The copy is written by the family's
// own save (a temporary file renamed over the old copy, a folder committed
// as a whole), the description after it in the same way, so a description
// always names a complete copy. A copy is written when the database changed
// since the last one, at most once in kIntervalSeconds, and removed once the
// database is saved, discarded or closed.
//
// Copies whose process no longer runs are the ones left by a run that ended
// without removing them; they stay until the user restores them, or until
// they are kStaleSeconds old.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "base/family.h"
#include "link/app_context.h"
#include "link/dbase.h"

namespace tavrin {

struct RecoveryCopy {
    std::filesystem::path data;  // the copy: a file, or a folder ("Версан С5")
    std::filesystem::path info;  // its description
    Family family = Family::K2;
    int role = 0;
    unsigned long pid = 0;     // the process that wrote it
    std::int64_t savedAt = 0;  // seconds since 1970-01-01 UTC
    std::string filePath;      // the database's own file (UTF-8); empty when it had none
};

class RecoveryStore {
  public:
    static constexpr std::int64_t kIntervalSeconds = 30;
    static constexpr std::int64_t kStaleSeconds = 14 * 24 * 3600;
    static constexpr const char* kFolderName = "recovery";
    static constexpr const char* kQuestionTitle = "Восстановление базы";

    explicit RecoveryStore(std::filesystem::path folder);
    // The folder beside the settings file of a context.
    static std::filesystem::path folderFor(const AppContext& context);
    const std::filesystem::path& folder() const { return folder_; }

    // Keeps the copy of one database in step with it at time `now` (seconds
    // since 1970): a modified database that changed since its last copy gets
    // a new one when the last is kIntervalSeconds old; a database that is not
    // modified loses its copy. Returns the seconds until a change not yet
    // copied may be (0 when nothing waits). The database itself is left as
    // it was (its file name and modified state).
    std::int64_t update(DBase& db, std::int64_t now);
    // Removes this process's copy of one database, or of all.
    void discard(int role);
    void discardAll();

    // The copies of earlier runs whose process no longer runs, newest first.
    // Copies older than kStaleSeconds, descriptions without their copy and
    // copies without a description (a kill between the two) are removed on
    // the way.
    std::vector<RecoveryCopy> leftBehind(std::int64_t now) const;
    // Loads a copy into a database of its family. On success the database
    // names the copy's own file and is modified; false leaves the copy.
    static bool restore(const RecoveryCopy& copy, DBase& db);
    static void remove(const RecoveryCopy& copy);
    // The question that offers a copy back: its file name and its time.
    static std::string question(const RecoveryCopy& copy);

    // The current time in seconds since 1970.
    static std::int64_t now();

  private:
    struct State {
        int modified = 0;          // the database's counter when copied
        std::int64_t written = 0;  // when; 0 = there is no copy
    };
    std::filesystem::path dataPath(const DBase& db) const;
    std::filesystem::path infoPath(int role) const;

    std::filesystem::path folder_;
    std::array<State, 2> state_{};
    std::array<std::filesystem::path, 2> data_{};
};

}  // namespace tavrin
