// Whole-file reads and atomic replacement.
//
// Paths are std::filesystem::path; texts that name them are UTF-8 and pass
// through pathFromUtf8/pathToUtf8 so that Windows gets its wide API.
#pragma once

#include <cstdint>
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

// Reads only regular files: a folder, a device, a pipe or a socket is
// refused at once (never waited on) with kNotARegularFileText.
inline constexpr const char* kNotARegularFileText = "Это не обычный файл";

// Replaces the file atomically: writes a temporary file beside it, flushes it
// to disk, renames it over the old one and flushes the folder. A failed or
// interrupted save leaves the old file as it was. A symbolic link is followed:
// the file it leads to is replaced and the link stays. The file keeps its
// permissions (a new one gets the default ones).
bool writeFileAtomic(const std::filesystem::path& path, ByteSpan data, FileError* error = nullptr);

// ---- Temporary files beside a saved file ------------------------------------
//
// A temporary file is named "<file name>.~<process id>-<random>.tmp~" and is
// created exclusively, never through a symbolic link planted at its name.
// Those left behind by a process that no longer runs (a killed save) are
// removed by the next save of the same file.

// The file a chain of symbolic links ends at (the path itself when it is no
// link; relative links are taken from their own folder). Stops after 40 links.
std::filesystem::path resolveLinks(const std::filesystem::path& path);

// A fresh name of our naming beside `target` (nothing is created).
std::filesystem::path temporaryNameBeside(const std::filesystem::path& target);

// An open temporary file; the handle is a file descriptor on POSIX and a
// HANDLE (cast) on Windows.
struct TemporaryFile {
    std::filesystem::path path;
    std::intptr_t handle = -1;
};
// Creates a new temporary file beside `target` (which should already be
// resolved). It gets the permissions and, where allowed, the owner of
// `target` when that exists. 0, or the system error.
int createTemporaryBeside(const std::filesystem::path& target, TemporaryFile& out);
// Writes all of data; 0 or the system error.
int writeTemporary(const TemporaryFile& file, ByteSpan data);
// Flushes the file to disk; 0 or the system error.
int flushTemporary(const TemporaryFile& file);
// Closes the handle (the file stays); 0 or the system error.
int closeTemporary(TemporaryFile& file);
// Renames over the target, replacing it; 0 or the system error.
int renameReplacing(const std::filesystem::path& from, const std::filesystem::path& to);
// Flushes a folder's entries (the renames in it) to disk; 0 or the system
// error. Nothing to do on Windows, where the rename is written through.
int syncFolder(const std::filesystem::path& folder);
// Removes the temporary files of our naming beside `target` whose process no
// longer runs, and the fixed-name "<file name>.tmp~" of earlier versions.
void removeStaleTemporaries(const std::filesystem::path& target);
// True when the name is one of our temporary files' names (any file).
bool isOurTemporaryName(const std::string& fileName);

// This process's id, and whether a process of that id runs now (files of
// our naming carry the id of the process that made them).
unsigned long ownProcessId();
bool processIsRunning(unsigned long pid);

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
// The message for a file name that has no extension to write.
std::string noExtensionText(const std::string& path, std::string_view extension);

}  // namespace tavrin
