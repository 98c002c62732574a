// Replacing several files of one folder as one change: after a failure or a
// kill at any moment the folder holds either all the old files or all the
// new ones, deletions included.
//
// The new contents are written to temporary files beside their files and
// flushed; the files to be replaced or deleted are kept as backups (hard
// links, or copies where the file system has none); then a commit record
// ".tavrin-commit" naming all of them is written atomically, the renames and
// deletions are done, and the record and backups are removed. A rename that
// fails turns the record into a roll-back record and puts the backups back.
// A record found in the folder (a save was killed) is completed by
// recover(): rolled forward when it is a commit record, back when it is a
// roll-back record. Loading and saving call recover() first.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/file_io.h"

namespace tavrin {

class FolderCommit {
  public:
    static constexpr const char* kRecordName = ".tavrin-commit";

    explicit FolderCommit(std::filesystem::path folder);
    FolderCommit(const FolderCommit&) = delete;
    FolderCommit& operator=(const FolderCommit&) = delete;
    // Removes what was staged and not committed.
    ~FolderCommit();

    // Writes the new content of a file of the folder (a plain name) beside
    // it; false with the error when it cannot be written.
    bool write(const std::string& name, ByteSpan data, FileError* error = nullptr);
    // Puts a file of the folder on the list of files to delete with the
    // commit (nothing happens when it does not exist then).
    void remove(const std::string& name);

    using ErrorHandler = std::function<void(const std::string& name, const FileError&)>;
    // Makes the change. True when every file was replaced and deleted; on
    // false the folder holds the old files and each reason went to onError.
    bool commit(const ErrorHandler& onError);

    // Completes a change that a killed save left in the folder. False with
    // the error when a record was found and could not be completed (it stays
    // for the next attempt).
    static bool recover(const std::filesystem::path& folder, FileError* error = nullptr);

    // Tests only: called at each step ("staged", "backups", "record",
    // "rename:<name>", "delete:<name>", "renamed", "cleanup"); returning false
    // stops the commit there as a kill would, leaving everything on disk.
    static std::function<bool(const std::string& step)> testHook;

  private:
    struct Entry {
        std::string name;         // the file in the folder
        TemporaryFile temporary;  // the new content; no path for a deletion
        std::string backup;       // the old file's backup name, empty when absent
    };
    bool step(const std::string& name);
    void discardAll();

    std::filesystem::path folder_;
    std::vector<Entry> entries_;
    bool stopped_ = false;
};

}  // namespace tavrin
