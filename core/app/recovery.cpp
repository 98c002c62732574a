#include "app/recovery.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <system_error>

#include "base/file_io.h"
#include "registry/family_registry.h"

namespace tavrin {

namespace fs = std::filesystem;

namespace {

constexpr const char* kInfoExtension = ".info";
constexpr const char* kInfoHeader = "tavrin recovery 1\n";

// The description: a header line, "key=value" lines, and the file name last
// ("file=" up to the end), so that no name can break the lines before it.
std::string describe(const DBase& db, int role, std::int64_t savedAt) {
    std::string text = kInfoHeader;
    text += "family=" + std::to_string(familyCode(db.family())) + "\n";
    text += "role=" + std::to_string(role) + "\n";
    text += "pid=" + std::to_string(ownProcessId()) + "\n";
    text += "saved=" + std::to_string(savedAt) + "\n";
    text += "file=" + db.filePath;
    return text;
}

bool parseNumber(const std::string& text, long long& out) {
    if (text.empty() || text.size() > 19) return false;
    long long v = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    out = v;
    return true;
}

std::optional<RecoveryCopy> readInfo(const fs::path& info) {
    Bytes bytes;
    if (!readWholeFile(info, bytes, nullptr, 64 * 1024)) return std::nullopt;
    const std::string text(bytes.begin(), bytes.end());
    if (text.rfind(kInfoHeader, 0) != 0) return std::nullopt;
    RecoveryCopy copy;
    copy.info = info;
    bool haveFamily = false, haveRole = false, havePid = false, haveSaved = false;
    std::size_t at = std::char_traits<char>::length(kInfoHeader);
    while (at < text.size()) {
        if (text.compare(at, 5, "file=") == 0) {
            copy.filePath = text.substr(at + 5);
            break;
        }
        const std::size_t end = text.find('\n', at);
        if (end == std::string::npos) return std::nullopt;
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) return std::nullopt;
        const std::string key = line.substr(0, eq);
        long long v = 0;
        if (!parseNumber(line.substr(eq + 1), v)) return std::nullopt;
        if (key == "family") {
            const auto f = familyFromCode(static_cast<int>(std::min(v, 99ll)));
            if (!f) return std::nullopt;
            copy.family = *f;
            haveFamily = true;
        } else if (key == "role") {
            if (v > 1) return std::nullopt;
            copy.role = static_cast<int>(v);
            haveRole = true;
        } else if (key == "pid") {
            copy.pid = static_cast<unsigned long>(v);
            havePid = true;
        } else if (key == "saved") {
            copy.savedAt = v;
            haveSaved = true;
        }
    }
    if (!haveFamily || !haveRole || !havePid || !haveSaved) return std::nullopt;
    return copy;
}

// The copy a description names: the file (or folder) of the same stem.
fs::path dataBeside(const fs::path& info, Family family) {
    fs::path data = info;
    data.replace_extension();
    const std::string extension = familyTraits(family).extension1;
    if (!extension.empty()) data += "." + extension;
    return data;
}

void removeQuietly(const fs::path& path) {
    std::error_code ec;
    fs::remove_all(path, ec);
}

std::string localTimeText(std::int64_t seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &t);
#else
    localtime_r(&t, &tm);
#endif
    char text[80];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d:%02d", tm.tm_mday, tm.tm_mon + 1,
                  tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return text;
}

}  // namespace

RecoveryStore::RecoveryStore(fs::path folder) : folder_(std::move(folder)) {}

fs::path RecoveryStore::folderFor(const AppContext& context) {
    return context.settingsPath.parent_path() / kFolderName;
}

std::int64_t RecoveryStore::now() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

fs::path RecoveryStore::dataPath(const DBase& db) const {
    fs::path p = folder_ / (std::to_string(ownProcessId()) + "-" + std::to_string(db.role));
    if (!db.extension1.empty()) p += "." + db.extension1;
    return p;
}

fs::path RecoveryStore::infoPath(int role) const {
    return folder_ / (std::to_string(ownProcessId()) + "-" + std::to_string(role) + kInfoExtension);
}

std::int64_t RecoveryStore::update(DBase& db, std::int64_t now) {
    const int role = db.role == 1 ? 1 : 0;
    State& s = state_[static_cast<std::size_t>(role)];
    if (db.modified == 0) {
        discard(role);
        return 0;
    }
    if (s.written != 0 && s.modified == db.modified) return 0;  // copied as it is
    if (s.written != 0 && now - s.written < kIntervalSeconds)
        return kIntervalSeconds - (now - s.written);

    std::error_code ec;
    fs::create_directories(folder_, ec);
    const fs::path data = dataPath(db);
    // A copy of another family (the family was switched) goes first.
    if (!data_[static_cast<std::size_t>(role)].empty() &&
        data_[static_cast<std::size_t>(role)] != data)
        removeQuietly(data_[static_cast<std::size_t>(role)]);
    const int modified = db.modified;
    // A copy that cannot be written (or that the family refuses to save yet,
    // e.g. an LCP still empty) shows nothing: the user's own save says why.
    // The context is the caller's own (never a const object); its prompter
    // is set aside for the save and put back.
    bool saved = false;
    {
        SilentPrompter silent;
        Prompter*& prompter = const_cast<AppContext&>(db.context()).prompter;
        Prompter* const shown = prompter;
        prompter = &silent;
        saved = db.SaveCopyToDisk(pathToUtf8(data));
        prompter = shown;
    }
    if (!saved) return 0;
    const std::string info = describe(db, role, now);
    if (!writeFileAtomic(infoPath(role),
                         ByteSpan(reinterpret_cast<const std::uint8_t*>(info.data()), info.size())))
        return 0;
    s.modified = modified;
    s.written = now;
    data_[static_cast<std::size_t>(role)] = data;
    return 0;
}

void RecoveryStore::discard(int role) {
    const std::size_t r = role == 1 ? 1 : 0;
    if (state_[r].written == 0 && data_[r].empty()) return;
    // The description first: a copy without one is never offered.
    removeQuietly(infoPath(static_cast<int>(r)));
    if (!data_[r].empty()) removeQuietly(data_[r]);
    state_[r] = State{};
    data_[r].clear();
}

void RecoveryStore::discardAll() {
    discard(0);
    discard(1);
    std::error_code ec;
    fs::remove(folder_, ec);  // only when nothing else is in it
}

std::vector<RecoveryCopy> RecoveryStore::leftBehind(std::int64_t now) const {
    std::vector<RecoveryCopy> copies;
    std::error_code ec;
    std::vector<fs::path> entries;
    for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(it->path());
    std::vector<fs::path> described;
    for (const fs::path& entry : entries) {
        if (entry.extension() != kInfoExtension) continue;
        const auto copy = readInfo(entry);
        if (!copy) {
            removeQuietly(entry);
            continue;
        }
        const fs::path data = dataBeside(entry, copy->family);
        described.push_back(data);
        if (processIsRunning(copy->pid)) continue;  // another program's live copy
        if (!fs::exists(data, ec) || now - copy->savedAt > kStaleSeconds) {
            removeQuietly(data);
            removeQuietly(entry);
            continue;
        }
        RecoveryCopy c = *copy;
        c.data = data;
        copies.push_back(std::move(c));
    }
    // A copy whose description never came, of a process that no longer runs.
    for (const fs::path& entry : entries) {
        if (entry.extension() == kInfoExtension) continue;
        if (std::find(described.begin(), described.end(), entry) != described.end()) continue;
        const std::string name = pathToUtf8(entry.stem());
        long long pid = 0;
        const std::size_t dash = name.find('-');
        if (dash == std::string::npos || !parseNumber(name.substr(0, dash), pid)) continue;
        if (!processIsRunning(static_cast<unsigned long>(pid))) removeQuietly(entry);
    }
    std::sort(copies.begin(), copies.end(),
              [](const RecoveryCopy& a, const RecoveryCopy& b) { return a.savedAt > b.savedAt; });
    return copies;
}

bool RecoveryStore::restore(const RecoveryCopy& copy, DBase& db) {
    if (db.family() != copy.family) return false;
    if (!db.LoadFromDisk(pathToUtf8(copy.data))) return false;
    db.filePath = copy.filePath;
    db.modified = std::max(db.modified, 1);
    return true;
}

void RecoveryStore::remove(const RecoveryCopy& copy) {
    removeQuietly(copy.info);
    removeQuietly(copy.data);
}

std::string RecoveryStore::question(const RecoveryCopy& copy) {
    const std::string name = copy.filePath.empty() ? "новая база без имени" : copy.filePath;
    return "Восстановить несохранённую базу?\n\n" + name + "\nизменения от " +
           localTimeText(copy.savedAt) +
           "\n\n«Да» — открыть копию, «Нет» — спросить при следующем запуске, «Отмена» — "
           "удалить копию.";
}

}  // namespace tavrin
