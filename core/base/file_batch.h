// Atomic replacement of several files as one batch.
//
// A save that writes many files (the "Версан С5" database folder) would pay
// one flush to disk per file with writeFileAtomic. The batch writes every
// temporary file beside its file, flushes them to disk together, and only
// then renames each over its file: an interrupted save still never leaves a
// half-written file in place of the user's.
#pragma once

#include <filesystem>
#include <functional>
#include <vector>

#include "base/bytes.h"
#include "base/file_io.h"

namespace tavrin {

class AtomicWriteBatch {
  public:
    AtomicWriteBatch() = default;
    AtomicWriteBatch(const AtomicWriteBatch&) = delete;
    AtomicWriteBatch& operator=(const AtomicWriteBatch&) = delete;
    // Removes the temporary files that were not committed.
    ~AtomicWriteBatch();

    // Writes the temporary file for `path`; false with the error when it
    // cannot be written (nothing of it is left behind).
    bool add(const std::filesystem::path& path, ByteSpan data, FileError* error = nullptr);

    using ErrorHandler = std::function<void(const std::filesystem::path&, const FileError&)>;
    // Flushes every temporary file to disk. Each failure is passed to
    // `onError` with the file's path. True when all are on disk; after a
    // failure nothing should be renamed.
    bool flush(const ErrorHandler& onError);
    // Flushes (unless flush() succeeded already), then renames each file over
    // its target and flushes the folders. When a flush failed nothing is
    // renamed. A failed rename is passed to `onError` and the others go on.
    // True when every file was replaced.
    bool commit(const ErrorHandler& onError);

  private:
    struct Entry {
        std::filesystem::path target;  // links resolved
        TemporaryFile temporary;       // open until flushed
    };
    std::vector<Entry> pending_;
    bool flushed_ = false;
};

}  // namespace tavrin
