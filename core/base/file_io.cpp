#include "base/file_io.h"

#include "base/text.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
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

constexpr std::size_t kMaxNamePrefix = 180;  // room for the suffix in a 255-unit name
const std::string kTemporaryTail = ".tmp~";

// The part of a file name that its temporary files begin with.
std::filesystem::path::string_type namePrefix(const std::filesystem::path& target) {
    auto name = target.filename().native();
    if (name.size() > kMaxNamePrefix) name.resize(kMaxNamePrefix);
    return name;
}

std::string randomTag() {
    static std::atomic<unsigned> counter{0};
    thread_local std::mt19937_64 engine{std::random_device{}() ^
                                        (static_cast<std::uint64_t>(counter.fetch_add(1)) << 32)};
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(engine()));
    return buf;
}

unsigned long currentProcessId();
bool processRunning(unsigned long pid);

std::filesystem::path temporaryName(const std::filesystem::path& target) {
    const std::string suffix =
        ".~" + std::to_string(currentProcessId()) + "-" + randomTag() + kTemporaryTail;
    std::filesystem::path name(namePrefix(target));
    name += suffix;
    return target.parent_path() / name;
}

// The process id in a temporary file's name ("<prefix>.~<pid>-<tag>.tmp~"), or
// nothing when the name is not one of ours.
std::optional<unsigned long> temporaryOwner(const std::string& name) {
    if (name.size() < kTemporaryTail.size() ||
        name.compare(name.size() - kTemporaryTail.size(), kTemporaryTail.size(), kTemporaryTail))
        return std::nullopt;
    const auto mark = name.rfind(".~");
    if (mark == std::string::npos) return std::nullopt;
    const auto dash = name.find('-', mark);
    if (dash == std::string::npos || dash == mark + 2) return std::nullopt;
    unsigned long pid = 0;
    for (std::size_t i = mark + 2; i < dash; ++i) {
        if (name[i] < '0' || name[i] > '9' || pid > 0xFFFFFFFFul) return std::nullopt;
        pid = pid * 10 + static_cast<unsigned long>(name[i] - '0');
    }
    const std::size_t tagEnd = name.size() - kTemporaryTail.size();
    if (tagEnd != dash + 17) return std::nullopt;
    for (std::size_t i = dash + 1; i < tagEnd; ++i) {
        if (!std::isxdigit(static_cast<unsigned char>(name[i]))) return std::nullopt;
    }
    return pid;
}

}  // namespace

std::filesystem::path temporaryNameBeside(const std::filesystem::path& target) {
    return temporaryName(target);
}

bool isOurTemporaryName(const std::string& fileName) {
    return temporaryOwner(fileName).has_value();
}

unsigned long ownProcessId() {
    return currentProcessId();
}

bool processIsRunning(unsigned long pid) {
    return pid == currentProcessId() || processRunning(pid);
}

std::filesystem::path resolveLinks(const std::filesystem::path& path) {
    std::filesystem::path p = path;
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code ec;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(p, ec))) return p;
        const std::filesystem::path next = std::filesystem::read_symlink(p, ec);
        if (ec) return p;
        p = next.is_absolute() ? next : p.parent_path() / next;
    }
    return p;
}

void removeStaleTemporaries(const std::filesystem::path& target) {
    const auto prefix = namePrefix(target);
    std::filesystem::path legacy = target.filename();
    legacy += kTemporaryTail;
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec), end;
    std::vector<std::filesystem::path> stale;
    for (; !ec && it != end; it.increment(ec)) {
        const std::filesystem::path name = it->path().filename();
        if (name == legacy) {
            stale.push_back(it->path());
            continue;
        }
        const auto& n = name.native();
        if (n.size() <= prefix.size() || n.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string rest = pathToUtf8(std::filesystem::path(n.substr(prefix.size())));
        const auto owner = temporaryOwner(rest);
        if (!owner || rest.rfind(".~", 0) != 0) continue;
        if (*owner != currentProcessId() && !processRunning(*owner)) stale.push_back(it->path());
    }
    for (const auto& p : stale)
        std::filesystem::remove(p, ec);
}

bool writeFileAtomic(const std::filesystem::path& path, ByteSpan data, FileError* error) {
    const std::filesystem::path target = resolveLinks(path);
    removeStaleTemporaries(target);
    TemporaryFile tmp;
    int code = createTemporaryBeside(target, tmp);
    if (code == 0) {
        code = writeTemporary(tmp, data);
        if (code == 0) code = flushTemporary(tmp);
        const int closed = closeTemporary(tmp);
        if (code == 0) code = closed;
        if (code == 0) code = renameReplacing(tmp.path, target);
        if (code != 0) {
            std::error_code ec;
            std::filesystem::remove(tmp.path, ec);
        }
    }
    if (code == 0) code = syncFolder(target.parent_path());
    if (code != 0) {
        if (error) *error = makeError(code);
        return false;
    }
    return true;
}

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
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        if (error) *error = FileError{ERROR_INVALID_FUNCTION, kNotARegularFileText};
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

namespace {

bool processRunning(unsigned long pid) {
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!h) return GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
    CloseHandle(h);
    return running;
}

unsigned long currentProcessId() {
    return GetCurrentProcessId();
}

HANDLE handleOf(const TemporaryFile& f) {
    return reinterpret_cast<HANDLE>(f.handle);
}

}  // namespace

int createTemporaryBeside(const std::filesystem::path& target, TemporaryFile& out) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path tmp = temporaryName(target);
        // CREATE_NEW fails on any existing name, a planted link included.
        HANDLE h = CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            const int code = lastSystemError();
            if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) continue;
            return code;
        }
        out.path = tmp;
        out.handle = reinterpret_cast<std::intptr_t>(h);
        return 0;
    }
    return ERROR_FILE_EXISTS;
}

int writeTemporary(const TemporaryFile& file, ByteSpan data) {
    std::size_t done = 0;
    while (done < data.size()) {
        DWORD wrote = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 20));
        if (!WriteFile(handleOf(file), data.data() + done, chunk, &wrote, nullptr) || wrote == 0)
            return lastSystemError();
        done += wrote;
    }
    return 0;
}

int flushTemporary(const TemporaryFile& file) {
    return FlushFileBuffers(handleOf(file)) ? 0 : lastSystemError();
}

int closeTemporary(TemporaryFile& file) {
    if (file.handle == -1) return 0;
    const bool ok = CloseHandle(handleOf(file));
    file.handle = -1;
    return ok ? 0 : lastSystemError();
}

int renameReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 0;
    return lastSystemError();
}

int syncFolder(const std::filesystem::path&) {
    return 0;
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
    // Without O_NONBLOCK the open of a pipe would wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (error) *error = makeError(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int code = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        if (error) *error = FileError{code, kNotARegularFileText};
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

namespace {

bool processRunning(unsigned long pid) {
    if (pid == 0 || pid > 0x7FFFFFFFul) return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

unsigned long currentProcessId() {
    return static_cast<unsigned long>(::getpid());
}

}  // namespace

int createTemporaryBeside(const std::filesystem::path& target, TemporaryFile& out) {
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path tmp = temporaryName(target);
        // Exclusive and without following a link planted at the name; readable
        // by the owner only until it has the old file's permissions.
        const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                              exists ? 0600 : 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return errno;
        }
        if (exists) {
            if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) {
                [[maybe_unused]] const int ignored = ::fchown(fd, st.st_uid, st.st_gid);
            }
            if (::fchmod(fd, st.st_mode & 07777) != 0) {
                const int code = errno;
                ::close(fd);
                ::unlink(tmp.c_str());
                return code;
            }
        }
        out.path = tmp;
        out.handle = fd;
        return 0;
    }
    return EEXIST;
}

int writeTemporary(const TemporaryFile& file, ByteSpan data) {
    const int fd = static_cast<int>(file.handle);
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t wrote = ::write(fd, data.data() + done, data.size() - done);
        if (wrote < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return 0;
}

int flushTemporary(const TemporaryFile& file) {
    return ::fsync(static_cast<int>(file.handle)) == 0 ? 0 : errno;
}

int closeTemporary(TemporaryFile& file) {
    if (file.handle == -1) return 0;
    const int r = ::close(static_cast<int>(file.handle));
    file.handle = -1;
    return r == 0 ? 0 : errno;
}

int renameReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int syncFolder(const std::filesystem::path& folder) {
    const std::filesystem::path p = folder.empty() ? std::filesystem::path(".") : folder;
    const int fd = ::open(p.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    int code = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    // Some file systems cannot flush a folder; their renames are as durable as
    // they get.
    if (code == EINVAL || code == ENOTSUP) code = 0;
    return code;
}

#endif

std::string noExtensionText(const std::string& path, std::string_view extension) {
    return "У имени файла нет расширения (." + std::string(extension) + "):\n" + path;
}

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
