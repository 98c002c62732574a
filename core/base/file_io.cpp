#include "base/file_io.h"

#include "base/text.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace tavrin {

std::filesystem::path pathFromUtf8(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string pathToUtf8(const std::filesystem::path& path) {
    const std::u8string s = path.u8string();
    return std::string(s.begin(), s.end());
}

namespace {

FileError makeError(int code) {
    return FileError{code, systemErrorText(code)};
}

}  // namespace

#ifdef _WIN32

int lastSystemError() {
    return static_cast<int>(GetLastError());
}

std::string systemErrorText(int code) {
    // The common errors in Russian whatever the system's language.
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
            return "Не удается найти указанный файл";
        case ERROR_PATH_NOT_FOUND:
            return "Не удается найти указанный путь";
        case ERROR_ACCESS_DENIED:
            return "Отказано в доступе";
        case ERROR_SHARING_VIOLATION:
            return "Файл занят другим процессом";
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return "Недостаточно места на диске";
        case ERROR_WRITE_PROTECT:
            return "Носитель защищен от записи";
        case ERROR_INVALID_NAME:
            return "Недопустимое имя файла или папки";
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return "Файл уже существует";
        case ERROR_DIRECTORY:
            return "Это папка, а не файл";
        case ERROR_SEM_TIMEOUT:
            return "Превышен таймаут семафора";
        default:
            break;
    }
    wchar_t* buffer = nullptr;
    DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT),
        reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    if (n == 0) {
        n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<LPWSTR>(&buffer),
                           0, nullptr);
    }
    std::u16string text;
    if (n && buffer) text.assign(reinterpret_cast<const char16_t*>(buffer), n);
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' '))
        text.pop_back();
    if (text.empty()) return "Ошибка " + std::to_string(code);
    return utf16ToUtf8(text);
}

bool readWholeFile(const std::filesystem::path& path, Bytes& out, FileError* error,
                   std::size_t maxBytes, bool* truncated) {
    out.clear();
    if (truncated) *truncated = false;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        if (error) *error = makeError(lastSystemError());
        return false;
    }
    std::uint8_t buf[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(h, buf, sizeof buf, &got, nullptr)) {
            if (error) *error = makeError(lastSystemError());
            CloseHandle(h);
            return false;
        }
        if (got == 0) break;
        const std::size_t take = std::min<std::size_t>(got, maxBytes - out.size());
        out.insert(out.end(), buf, buf + take);
        if (out.size() >= maxBytes) {
            DWORD more = 0;
            if (truncated && ReadFile(h, buf, 1, &more, nullptr) && more) *truncated = true;
            if (take < got && truncated) *truncated = true;
            break;
        }
    }
    CloseHandle(h);
    return true;
}

bool writeFileAtomic(const std::filesystem::path& path, ByteSpan data, FileError* error) {
    std::filesystem::path tmp = path;
    tmp += L".tmp~";
    HANDLE h = CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        if (error) *error = makeError(lastSystemError());
        return false;
    }
    std::size_t done = 0;
    bool ok = true;
    while (done < data.size()) {
        DWORD wrote = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 20));
        if (!WriteFile(h, data.data() + done, chunk, &wrote, nullptr) || wrote == 0) {
            ok = false;
            break;
        }
        done += wrote;
    }
    if (ok && !FlushFileBuffers(h)) ok = false;
    const int code = ok ? 0 : lastSystemError();
    CloseHandle(h);
    if (ok && !MoveFileExW(tmp.c_str(), path.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const int moveCode = lastSystemError();
        DeleteFileW(tmp.c_str());
        if (error) *error = makeError(moveCode);
        return false;
    }
    if (!ok) {
        DeleteFileW(tmp.c_str());
        if (error) *error = makeError(code);
    }
    return ok;
}

#else

int lastSystemError() {
    return errno;
}

namespace {

// Russian texts of the error numbers a user meets with files and ports.
const char* russianErrno(int code) {
    switch (code) {
        case EPERM:
            return "Операция не позволена";
        case ENOENT:
            return "Нет такого файла или каталога";
        case EIO:
            return "Ошибка ввода/вывода";
        case ENXIO:
            return "Нет такого устройства или адреса";
        case EBADF:
            return "Неверный дескриптор файла";
        case EAGAIN:
            return "Ресурс временно недоступен";
        case ENOMEM:
            return "Невозможно выделить память";
        case EACCES:
            return "Отказано в доступе";
        case EBUSY:
            return "Устройство или ресурс занято";
        case EEXIST:
            return "Файл существует";
        case ENODEV:
            return "Нет такого устройства";
        case ENOTDIR:
            return "Это не каталог";
        case EISDIR:
            return "Это каталог";
        case EINVAL:
            return "Недопустимый аргумент";
        case EMFILE:
            return "Слишком много открытых файлов";
        case ENOTTY:
            return "Неподходящий ioctl для устройства";
        case EFBIG:
            return "Файл слишком велик";
        case ENOSPC:
            return "На устройстве не осталось свободного места";
        case EROFS:
            return "Файловая система доступна только для чтения";
        case ENAMETOOLONG:
            return "Слишком длинное имя файла";
        case ELOOP:
            return "Слишком много уровней символических ссылок";
        case ETIMEDOUT:
            return "Время ожидания истекло";
        case EDQUOT:
            return "Превышена дисковая квота";
        default:
            return nullptr;
    }
}

bool hasCyrillic(const std::string& utf8) {
    // Cyrillic letters start with the UTF-8 lead bytes 0xD0 and 0xD1.
    return std::any_of(utf8.begin(), utf8.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b == 0xD0 || b == 0xD1;
    });
}

}  // namespace

std::string systemErrorText(int code) {
    // The system's text when it is Russian already, else our own; an
    // unknown number keeps the system's text behind a Russian prefix.
    const std::string system = std::strerror(code);
    if (hasCyrillic(system)) return system;
    if (const char* own = russianErrno(code)) return own;
    return "Системная ошибка " + std::to_string(code) + " (" + system + ")";
}

bool readWholeFile(const std::filesystem::path& path, Bytes& out, FileError* error,
                   std::size_t maxBytes, bool* truncated) {
    out.clear();
    if (truncated) *truncated = false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = makeError(errno);
        return false;
    }
    std::uint8_t buf[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buf, sizeof buf);
        if (got < 0) {
            if (errno == EINTR) continue;
            if (error) *error = makeError(errno);
            ::close(fd);
            return false;
        }
        if (got == 0) break;
        const std::size_t take =
            std::min<std::size_t>(static_cast<std::size_t>(got), maxBytes - out.size());
        out.insert(out.end(), buf, buf + take);
        if (out.size() >= maxBytes) {
            if (truncated) {
                if (take < static_cast<std::size_t>(got) || ::read(fd, buf, 1) > 0)
                    *truncated = true;
            }
            break;
        }
    }
    ::close(fd);
    return true;
}

bool writeFileAtomic(const std::filesystem::path& path, ByteSpan data, FileError* error) {
    std::filesystem::path tmp = path;
    tmp += ".tmp~";
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (error) *error = makeError(errno);
        return false;
    }
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
    if (code == 0 && ::fsync(fd) != 0) code = errno;
    if (::close(fd) != 0 && code == 0) code = errno;
    if (code == 0 && std::rename(tmp.c_str(), path.c_str()) != 0) code = errno;
    if (code != 0) {
        ::unlink(tmp.c_str());
        if (error) *error = makeError(code);
        return false;
    }
    return true;
}

#endif

std::optional<std::string> pathWithExtension(const std::string& path, std::string_view extension) {
    // The extension is what follows the last '.' of the file name itself.
    const auto dot = path.find_last_of('.');
    const auto slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::nullopt;
    const std::string_view current = std::string_view(path).substr(dot + 1);
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    const bool same = current.size() == extension.size() &&
                      std::equal(current.begin(), current.end(), extension.begin(),
                                 [&](char a, char b) { return lower(a) == lower(b); });
    if (same) return path;
    return path.substr(0, dot + 1) + std::string(extension);
}

}  // namespace tavrin
