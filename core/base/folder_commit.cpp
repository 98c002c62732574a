#include "base/folder_commit.h"

#include <sstream>

namespace tavrin {

namespace fs = std::filesystem;

std::function<bool(const std::string&)> FolderCommit::testHook;

namespace {

constexpr const char* kForward = "tavrin-commit 1 forward";
constexpr const char* kBack = "tavrin-commit 1 back";
constexpr const char* kNone = "-";

FileError makeError(int code) {
    return FileError{code, systemErrorText(code)};
}

// A plain file name of the folder: no folder part, nothing that leads out.
bool plainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\\:\0\n\r", 7)) == std::string::npos;
}

bool present(const fs::path& p) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec));
}

int removeFile(const fs::path& p) {
    std::error_code ec;
    fs::remove(p, ec);
    return ec ? ec.value() : 0;
}

// A backup of `file` under a fresh name: a hard link, or a flushed copy.
int makeBackup(const fs::path& file, fs::path& backup) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        backup = temporaryNameBeside(file);
        std::error_code ec;
        fs::create_hard_link(file, backup, ec);
        if (!ec) return 0;
        if (ec == std::errc::file_exists) continue;
        break;
    }
    Bytes data;
    FileError error;
    if (!readWholeFile(file, data, &error, std::size_t(1) << 30))
        return error.code ? error.code : EIO;
    TemporaryFile copy;
    int code = createTemporaryBeside(file, copy);
    if (code != 0) return code;
    code = writeTemporary(copy, data);
    if (code == 0) code = flushTemporary(copy);
    const int closed = closeTemporary(copy);
    if (code == 0) code = closed;
    if (code != 0) {
        removeFile(copy.path);
        return code;
    }
    backup = copy.path;
    return 0;
}

struct RecordEntry {
    bool write = false;
    std::string name, temporary, backup;
};

std::string recordText(bool forward, const std::vector<RecordEntry>& entries) {
    std::string text = std::string(forward ? kForward : kBack) + "\n";
    for (const auto& e : entries) {
        text += e.write ? "W\t" : "D\t";
        text += e.name + "\t" + (e.write ? e.temporary : kNone) + "\t" +
                (e.backup.empty() ? kNone : e.backup) + "\n";
    }
    return text;
}

int writeRecord(const fs::path& folder, bool forward, const std::vector<RecordEntry>& entries) {
    const std::string text = recordText(forward, entries);
    FileError error;
    if (writeFileAtomic(folder / FolderCommit::kRecordName, Bytes(text.begin(), text.end()),
                        &error))
        return 0;
    return error.code ? error.code : EIO;
}

// Parses a record; false for anything that is not one we wrote.
bool parseRecord(const std::string& text, bool& forward, std::vector<RecordEntry>& entries) {
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line)) return false;
    if (line == kForward) {
        forward = true;
    } else if (line == kBack) {
        forward = false;
    } else {
        return false;
    }
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            f.push_back(line.substr(start, tab - start));
        f.push_back(line.substr(start));
        if (f.size() != 4 || (f[0] != "W" && f[0] != "D")) return false;
        RecordEntry e;
        e.write = f[0] == "W";
        e.name = f[1];
        e.temporary = e.write ? f[2] : std::string();
        e.backup = f[3] == kNone ? std::string() : f[3];
        if (!plainName(e.name) || isOurTemporaryName(e.name)) return false;
        if (e.write && (!plainName(e.temporary) || !isOurTemporaryName(e.temporary))) return false;
        if (!e.backup.empty() && (!plainName(e.backup) || !isOurTemporaryName(e.backup)))
            return false;
        entries.push_back(e);
    }
    return true;
}

// Completes a change from its record: forward puts every new file in place
// and deletes; back puts every old file back. Idempotent.
int complete(const fs::path& folder, bool forward, const std::vector<RecordEntry>& entries) {
    int first = 0;
    const auto note = [&first](int code) {
        if (code && !first) first = code;
    };
    for (const auto& e : entries) {
        const fs::path target = folder / e.name;
        if (forward) {
            if (e.write) {
                if (present(folder / e.temporary))
                    note(renameReplacing(folder / e.temporary, target));
            } else if (present(target)) {
                note(removeFile(target));
            }
        } else {
            if (!e.backup.empty() && present(folder / e.backup)) {
                note(renameReplacing(folder / e.backup, target));
            } else if (e.backup.empty() && e.write && !present(folder / e.temporary) &&
                       present(target)) {
                note(removeFile(target));  // it was new: take it away again
            }
            if (e.write && present(folder / e.temporary)) note(removeFile(folder / e.temporary));
        }
    }
    if (first) return first;
    note(syncFolder(folder));
    if (first) return first;
    for (const auto& e : entries) {
        if (!e.backup.empty()) removeFile(folder / e.backup);
    }
    note(removeFile(folder / FolderCommit::kRecordName));
    syncFolder(folder);
    return first;
}

}  // namespace

FolderCommit::FolderCommit(fs::path folder) : folder_(std::move(folder)) {}

FolderCommit::~FolderCommit() {
    if (!stopped_) discardAll();
}

void FolderCommit::discardAll() {
    for (auto& e : entries_) {
        closeTemporary(e.temporary);
        if (!e.temporary.path.empty()) removeFile(e.temporary.path);
        if (!e.backup.empty()) removeFile(folder_ / e.backup);
    }
    entries_.clear();
}

bool FolderCommit::step(const std::string& name) {
    if (testHook && !testHook(name)) {
        stopped_ = true;
        for (auto& e : entries_)
            closeTemporary(e.temporary);
        return false;
    }
    return true;
}

bool FolderCommit::write(const std::string& name, ByteSpan data, FileError* error) {
    Entry e;
    e.name = name;
    const fs::path target = folder_ / name;
    removeStaleTemporaries(target);
    int code = createTemporaryBeside(target, e.temporary);
    if (code == 0) code = writeTemporary(e.temporary, data);
    if (code != 0) {
        closeTemporary(e.temporary);
        if (!e.temporary.path.empty()) removeFile(e.temporary.path);
        if (error) *error = makeError(code);
        return false;
    }
    entries_.push_back(std::move(e));
    return true;
}

void FolderCommit::remove(const std::string& name) {
    Entry e;
    e.name = name;
    entries_.push_back(std::move(e));
}

bool FolderCommit::commit(const ErrorHandler& onError) {
    const auto fail = [&](const std::string& name, int code) {
        if (onError) onError(name, makeError(code));
        discardAll();
        return false;
    };
    // The new contents on disk.
    for (auto& e : entries_) {
        if (e.temporary.path.empty()) continue;
        int code = flushTemporary(e.temporary);
        const int closed = closeTemporary(e.temporary);
        if (code == 0) code = closed;
        if (code != 0) return fail(e.name, code);
    }
    if (!step("staged")) return false;
    // Backups of every file that is replaced or deleted.
    for (auto& e : entries_) {
        const fs::path target = folder_ / e.name;
        if (!present(target)) continue;
        fs::path backup;
        if (const int code = makeBackup(target, backup); code != 0) return fail(e.name, code);
        e.backup = pathToUtf8(backup.filename());
    }
    if (const int code = syncFolder(folder_); code != 0) return fail(kRecordName, code);
    if (!step("backups")) return false;

    std::vector<RecordEntry> record;
    for (const auto& e : entries_) {
        record.push_back(
            {!e.temporary.path.empty(), e.name, pathToUtf8(e.temporary.path.filename()), e.backup});
    }
    if (const int code = writeRecord(folder_, true, record); code != 0) {
        removeFile(folder_ / kRecordName);
        return fail(kRecordName, code);
    }
    if (!step("record")) return false;

    // From here on the change is decided: a kill is rolled forward.
    for (const auto& e : entries_) {
        const fs::path target = folder_ / e.name;
        int code = 0;
        if (!e.temporary.path.empty()) {
            if (!step("rename:" + e.name)) return false;
            code = renameReplacing(e.temporary.path, target);
        } else {
            if (!step("delete:" + e.name)) return false;
            if (present(target)) code = removeFile(target);
        }
        if (code != 0) {
            // Put the old files back; a kill during that is rolled back too.
            if (onError) onError(e.name, makeError(code));
            if (writeRecord(folder_, false, record) == 0) complete(folder_, false, record);
            discardAll();
            return false;
        }
    }
    if (!step("renamed")) return false;
    const int code = complete(folder_, true, record);
    for (auto& e : entries_)
        e.temporary.path.clear();  // renamed
    entries_.clear();
    if (!step("cleanup")) return false;
    if (code != 0) {
        // Everything is in place; only the flush or the clean-up failed.
        if (onError) onError(kRecordName, makeError(code));
        return false;
    }
    return true;
}

bool FolderCommit::recover(const fs::path& folder, FileError* error) {
    const fs::path recordPath = folder / kRecordName;
    if (!present(recordPath)) return true;
    Bytes bytes;
    FileError readError;
    if (!readWholeFile(recordPath, bytes, &readError, 1u << 20)) {
        if (error) *error = readError;
        return false;
    }
    bool forward = true;
    std::vector<RecordEntry> entries;
    if (!parseRecord(std::string(bytes.begin(), bytes.end()), forward, entries)) {
        // Not a record of ours: leave the folder as it is.
        if (error) *error = FileError{EINVAL, "Запись о незавершённом сохранении повреждена"};
        return false;
    }
    if (const int code = complete(folder, forward, entries); code != 0) {
        if (error) *error = makeError(code);
        return false;
    }
    return true;
}

}  // namespace tavrin
