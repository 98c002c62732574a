#include "base/file_batch.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace tavrin {

namespace {

FileError makeError(int code) {
    return FileError{code, systemErrorText(code)};
}

void discard(TemporaryFile& tmp) {
    closeTemporary(tmp);
    std::error_code ec;
    std::filesystem::remove(tmp.path, ec);
}

// Each file is flushed by itself, several at a time: the file system
// gathers the flushes that wait together into one journal commit.
void flushAll(std::vector<TemporaryFile*>& files, std::vector<int>& codes) {
    std::atomic<std::size_t> next{0};
    auto worker = [&]() {
        for (std::size_t i = next++; i < files.size(); i = next++) {
            int code = flushTemporary(*files[i]);
            const int closed = closeTemporary(*files[i]);
            codes[i] = code ? code : closed;
        }
    };
    const std::size_t threads = std::min<std::size_t>(files.size(), 32);
    std::vector<std::thread> pool;
    for (std::size_t t = 1; t < threads; ++t)
        pool.emplace_back(worker);
    worker();
    for (auto& t : pool)
        t.join();
}

}  // namespace

AtomicWriteBatch::~AtomicWriteBatch() {
    for (auto& e : pending_)
        discard(e.temporary);
}

bool AtomicWriteBatch::add(const std::filesystem::path& path, ByteSpan data, FileError* error) {
    Entry e;
    e.target = resolveLinks(path);
    removeStaleTemporaries(e.target);
    int code = createTemporaryBeside(e.target, e.temporary);
    if (code == 0) code = writeTemporary(e.temporary, data);
    if (code != 0) {
        discard(e.temporary);
        if (error) *error = makeError(code);
        return false;
    }
    pending_.push_back(std::move(e));
    return true;
}

bool AtomicWriteBatch::flush(const ErrorHandler& onError) {
    std::vector<TemporaryFile*> files;
    for (auto& e : pending_)
        files.push_back(&e.temporary);
    std::vector<int> codes(pending_.size(), 0);
    flushAll(files, codes);
    bool ok = true;
    for (std::size_t i = 0; i < pending_.size(); ++i) {
        if (codes[i] == 0) continue;
        ok = false;
        if (onError) onError(pending_[i].target, makeError(codes[i]));
    }
    flushed_ = ok;
    return ok;
}

bool AtomicWriteBatch::commit(const ErrorHandler& onError) {
    if (!flushed_ && !flush(onError)) {
        for (auto& e : pending_)
            discard(e.temporary);
        pending_.clear();
        return false;
    }
    bool ok = true;
    std::vector<std::filesystem::path> folders;
    for (auto& e : pending_) {
        const int code = renameReplacing(e.temporary.path, e.target);
        if (code != 0) {
            discard(e.temporary);
            ok = false;
            if (onError) onError(e.target, makeError(code));
            continue;
        }
        if (std::find(folders.begin(), folders.end(), e.target.parent_path()) == folders.end())
            folders.push_back(e.target.parent_path());
    }
    for (const auto& f : folders) {
        if (const int code = syncFolder(f); code != 0) {
            ok = false;
            if (onError) onError(f, makeError(code));
        }
    }
    pending_.clear();
    flushed_ = false;
    return ok;
}

}  // namespace tavrin
