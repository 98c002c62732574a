#include "base/file_batch.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace tavrin {

namespace {

FileError makeError(int code) {
    return FileError{code, systemErrorText(code)};
}

std::filesystem::path temporaryFor(const std::filesystem::path& path) {
    std::filesystem::path tmp = path;
    tmp += ".tmp~";
    return tmp;
}

#ifdef _WIN32

int writeTemporary(const std::filesystem::path& tmp, ByteSpan data) {
    HANDLE h = CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return lastSystemError();
    std::size_t done = 0;
    int code = 0;
    while (done < data.size()) {
        DWORD wrote = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 20));
        if (!WriteFile(h, data.data() + done, chunk, &wrote, nullptr) || wrote == 0) {
            code = lastSystemError();
            break;
        }
        done += wrote;
    }
    CloseHandle(h);
    return code;
}

// Windows has no flush of a whole volume without privileges: flush each file.
int flushAll(const std::vector<std::filesystem::path>& files, std::vector<int>& codes) {
    int first = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        HANDLE h = CreateFileW(files[i].c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        int code = 0;
        if (h == INVALID_HANDLE_VALUE || !FlushFileBuffers(h)) code = lastSystemError();
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        codes[i] = code;
        if (code && !first) first = code;
    }
    return first;
}

int renameOver(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return 0;
    }
    return lastSystemError();
}

void removeTemporary(const std::filesystem::path& tmp) {
    DeleteFileW(tmp.c_str());
}

#else

int writeTemporary(const std::filesystem::path& tmp, ByteSpan data) {
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return errno;
    std::size_t done = 0;
    int code = 0;
    while (done < data.size()) {
        const ssize_t wrote = ::write(fd, data.data() + done, data.size() - done);
        if (wrote < 0) {
            if (errno == EINTR) continue;
            code = errno;
            break;
        }
        done += static_cast<std::size_t>(wrote);
    }
    if (::close(fd) != 0 && code == 0) code = errno;
    return code;
}

// Each file is flushed by itself, several at a time: the file system
// gathers the flushes that wait together into one journal commit.
int flushAll(const std::vector<std::filesystem::path>& files, std::vector<int>& codes) {
    std::atomic<std::size_t> next{0};
    auto worker = [&]() {
        for (std::size_t i = next++; i < files.size(); i = next++) {
            const int fd = ::open(files[i].c_str(), O_WRONLY | O_CLOEXEC);
            int code = fd < 0 ? errno : 0;
            if (fd >= 0) {
                if (::fsync(fd) != 0) code = errno;
                ::close(fd);
            }
            codes[i] = code;
        }
    };
    const std::size_t threads = std::min<std::size_t>(files.size(), 32);
    std::vector<std::thread> pool;
    for (std::size_t t = 1; t < threads; ++t)
        pool.emplace_back(worker);
    worker();
    for (auto& t : pool)
        t.join();
    for (int c : codes) {
        if (c) return c;
    }
    return 0;
}

int renameOver(const std::filesystem::path& from, const std::filesystem::path& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

void removeTemporary(const std::filesystem::path& tmp) {
    ::unlink(tmp.c_str());
}

#endif

}  // namespace

AtomicWriteBatch::~AtomicWriteBatch() {
    for (const auto& e : pending_)
        removeTemporary(e.temporary);
}

bool AtomicWriteBatch::add(const std::filesystem::path& path, ByteSpan data, FileError* error) {
    const std::filesystem::path tmp = temporaryFor(path);
    const int code = writeTemporary(tmp, data);
    if (code != 0) {
        removeTemporary(tmp);
        if (error) *error = makeError(code);
        return false;
    }
    pending_.push_back({path, tmp});
    return true;
}

bool AtomicWriteBatch::commit(const ErrorHandler& onError) {
    std::vector<std::filesystem::path> temporaries;
    for (const auto& e : pending_)
        temporaries.push_back(e.temporary);
    std::vector<int> codes(pending_.size(), 0);
    flushAll(temporaries, codes);
    bool ok = true;
    for (std::size_t i = 0; i < pending_.size(); ++i) {
        int code = codes[i];
        if (code == 0) code = renameOver(pending_[i].temporary, pending_[i].target);
        if (code != 0) {
            removeTemporary(pending_[i].temporary);
            ok = false;
            if (onError) onError(pending_[i].target, makeError(code));
        }
    }
    pending_.clear();
    return ok;
}

}  // namespace tavrin
