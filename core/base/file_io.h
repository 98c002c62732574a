// Whole-file reads and atomic replacement.
//
// Paths are std::filesystem::path; texts that name them are UTF-8 and pass
// through pathFromUtf8/pathToUtf8 so that Windows gets its wide API.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "base/bytes.h"

namespace tavrin {

std::filesystem::path pathFromUtf8(const std::string& utf8);
std::string pathToUtf8(const std::filesystem::path& path);

struct FileError {
    int code = 0;         // the system's error number (errno / GetLastError)
    std::string message;  // the system's text for it, UTF-8
    explicit operator bool() const { return code != 0 || !message.empty(); }
};

// Reads a whole file, at most maxBytes of it (the rest is not read, and
// `truncated` is set when given). False with the system error on failure.
bool readWholeFile(const std::filesystem::path& path, Bytes& out, FileError* error = nullptr,
                   std::size_t maxBytes = 64u << 20, bool* truncated = nullptr);

// Replaces the file atomically: writes a temporary file beside it, flushes it
// to disk, then renames it over the old one. A failed or interrupted save
// leaves the old file as it was.
bool writeFileAtomic(const std::filesystem::path& path, ByteSpan data, FileError* error = nullptr);

// The operating system's message text for an error number in Russian
// (UTF-8, no trailing line break): the system's own when it is Russian,
// else the program's text of the common numbers.
std::string systemErrorText(int code);
// The calling thread's last error number (errno / GetLastError).
int lastSystemError();

// The path a file of the given extension (without dot) is written to: the
// path as it is when its extension already is that one in any letter case
// ("X.BTA" stays "X.BTA"), otherwise with its extension replaced by the
// given one. Nothing when the file name has no '.'.
std::optional<std::string> pathWithExtension(const std::string& path, std::string_view extension);

}  // namespace tavrin
