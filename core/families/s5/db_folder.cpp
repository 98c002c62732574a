#include "families/s5/db_folder.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "base/file_io.h"
#include "base/folder_commit.h"
#include "base/text.h"
#include "families/s5/dbs5.h"

namespace tavrin::s5 {

namespace {

std::string lcpFileName(const char* stem, int lcp) {
    char name[32];
    std::snprintf(name, sizeof name, "%s.0%02d", stem, lcp);
    return name;
}

}  // namespace

std::string deviceFileName(int lcp) {
    return lcpFileName("DBAU", lcp);
}
std::string objectFileName(int lcp) {
    return lcpFileName("DBOBJ", lcp);
}
std::string keyFileName(int lcp) {
    return lcpFileName("DBKEY", lcp);
}

// ---- Parsers -----------------------------------------------------------------------------

int parseDevices(ByteSpan data, LcpDatabase& lcp) {
    const int n = static_cast<int>(std::min<std::size_t>(data.size() / dev::kDiskSize, kSlots));
    for (int i = 0; i < n; ++i) {
        lcp.devices[i] = deviceFromDisk(data.data() + static_cast<std::size_t>(i) * dev::kDiskSize);
        lcp.deviceUsedFlags[i] = 1;
    }
    lcp.deviceCount = n;
    return n;
}

int parseObjects(ByteSpan data, LcpDatabase& lcp) {
    const int n = static_cast<int>(std::min<std::size_t>(data.size() / obj::kDiskSize, kSlots));
    for (int i = 0; i < n; ++i) {
        lcp.objects[i] = objectFromDisk(data.data() + static_cast<std::size_t>(i) * obj::kDiskSize);
        lcp.objectUsedFlags[i] = 1;
    }
    lcp.objectCount = n;
    return n;
}

int parseKeys(ByteSpan data, std::span<KeyRecord> keys, std::span<std::uint8_t> used) {
    const std::size_t capacity = std::min(keys.size(), used.size());
    const int n = static_cast<int>(std::min(data.size() / key::kDiskSize, capacity));
    for (int i = 0; i < n; ++i) {
        keys[i] = keyFromDisk(data.data() + static_cast<std::size_t>(i) * key::kDiskSize);
        used[i] = 1;
    }
    return n;
}

void parseMessages(ByteSpan data, std::array<std::string, kMessages>& messages) {
    ByteReader in(data);
    for (auto& m : messages)
        m.clear();
    for (auto& m : messages) {
        const std::uint32_t length = in.u32();
        if (!in.ok()) return;
        if (length <= 1) continue;
        if (length > in.remaining()) return;  // runs past the end: this and the rest absent
        const std::size_t start = in.position();
        in.skip(length);
        const auto* text = reinterpret_cast<const char*>(data.data() + start);
        m.assign(text, std::find(text, text + length - 1, '\0'));
    }
}

std::vector<std::string> parseArchiveList(ByteSpan data) {
    std::vector<std::string> list;
    const std::size_t n = std::min(data.size() / kArchiveEntrySize, kMaxArchiveEntries);
    list.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const auto* name = reinterpret_cast<const char*>(data.data() + i * kArchiveEntrySize);
        const auto* end = std::find(name, name + kArchiveEntrySize, '\0');
        list.push_back(cp1251ToUtf8(std::string_view(name, static_cast<std::size_t>(end - name))));
    }
    return list;
}

// ---- Writers --------------------------------------------------------------------------------

Bytes serializeDevices(LcpDatabase& lcp) {
    Bytes out;
    const int n = std::clamp(lcp.deviceCount, 0, kSlots);
    out.reserve(static_cast<std::size_t>(n) * dev::kDiskSize);
    for (int i = 0; i < n; ++i) {
        storeDeviceChecksum(lcp.devices[i]);
        std::uint8_t image[dev::kDiskSize];
        deviceToDisk(lcp.devices[i], image);
        out.insert(out.end(), image, image + dev::kDiskSize);
    }
    return out;
}

Bytes serializeObjects(LcpDatabase& lcp) {
    Bytes out;
    const int n = std::clamp(lcp.objectCount, 0, kSlots);
    out.reserve(static_cast<std::size_t>(n) * obj::kDiskSize);
    for (int i = 0; i < n; ++i) {
        storeObjectChecksums(lcp.objects[i]);
        std::uint8_t image[obj::kDiskSize];
        objectToDisk(lcp.objects[i], image);
        out.insert(out.end(), image, image + obj::kDiskSize);
    }
    return out;
}

Bytes serializeKeys(std::span<KeyRecord> keys, int count) {
    Bytes out;
    const int n = std::clamp(count, 0, static_cast<int>(keys.size()));
    out.reserve(static_cast<std::size_t>(n) * key::kDiskSize);
    for (int i = 0; i < n; ++i) {
        storeKeyChecksum(keys[i]);
        std::uint8_t image[key::kDiskSize];
        keyToDisk(keys[i], image);
        out.insert(out.end(), image, image + key::kDiskSize);
    }
    return out;
}

Bytes serializeMessages(const std::array<std::string, kMessages>& messages) {
    ByteWriter out;
    for (const auto& m : messages) {
        // Only the text before a zero byte survives a reload.
        const std::size_t n = std::min(m.size(), m.find('\0'));
        if (n == 0) {
            out.u32(0);
            continue;
        }
        out.u32(static_cast<std::uint32_t>(n + 1));
        out.bytes({reinterpret_cast<const std::uint8_t*>(m.data()), n});
        out.u8(0);
    }
    return out.take();
}

}  // namespace tavrin::s5

// ---- DBS5: loading and saving the folder -------------------------------------------------------

namespace tavrin {

using namespace s5;
namespace fs = std::filesystem;

namespace {

constexpr const char* kLoadCaption = "Чтение базы";
constexpr const char* kSaveCaption = "Сохранение базы";

bool fileExists(const fs::path& p) {
    std::error_code ec;
    return fs::exists(p, ec);
}

// Reads a file of the folder, at most `maxBytes` of it; on failure shows the
// system's error text and returns false.
bool readFolderFile(Prompter& prompter, const fs::path& p, std::size_t maxBytes, Bytes& out) {
    FileError error;
    if (readWholeFile(p, out, &error, maxBytes)) return true;
    prompter.message(error.message, kLoadCaption, PromptIcon::Error);
    return false;
}

// Writes the file's new content beside it; the commit replaces the files
// together at the end of the save.
bool writeFolderFile(Prompter& prompter, FolderCommit& commit, const std::string& name,
                     const Bytes& data) {
    FileError error;
    if (commit.write(name, data, &error)) return true;
    prompter.message(error.message, kSaveCaption, PromptIcon::Error);
    return false;
}

// Completes a save that was killed in this folder; says why when it cannot.
void recoverFolder(Prompter& prompter, const fs::path& folder, const char* caption) {
    FileError error;
    if (!FolderCommit::recover(folder, &error))
        prompter.message(error.message + "\n" + pathToUtf8(folder), caption, PromptIcon::Error);
}

enum class LcpLoad { Present, Absent, Failed };

// Loads LCP `lcp.number`. Its outcome is the AND of its reads: one file that
// cannot be read fails the LCP, whatever the others gave.
LcpLoad loadLcp(Prompter& prompter, const fs::path& folder, LcpDatabase& lcp) {
    const int n = static_cast<int>(lcp.number);
    bool outcome = true;
    Bytes data;
    const fs::path devices = folder / deviceFileName(n);
    if (fileExists(devices)) {
        if (readFolderFile(prompter, devices, kSlots * dev::kDiskSize, data))
            parseDevices(data, lcp);
        else
            outcome = false;
    }
    const fs::path objects = folder / objectFileName(n);
    if (fileExists(objects)) {
        if (readFolderFile(prompter, objects, kSlots * obj::kDiskSize, data))
            parseObjects(data, lcp);
        else
            outcome = false;
    }
    const fs::path keys = folder / keyFileName(n);
    if (fileExists(keys)) {
        if (readFolderFile(prompter, keys, kSlots * key::kDiskSize, data))
            lcp.keyCount = parseKeys(data, lcp.keys, lcp.keyUsedFlags);
        else
            outcome = false;
    }
    lcp.changed = false;
    if (!outcome) return LcpLoad::Failed;
    return lcp.empty() ? LcpLoad::Absent : LcpLoad::Present;
}

// Stages the files of an LCP's kinds that hold records (the files of the
// empty kinds are among the folder's removals). False with `written` false
// when a file could not be staged; false with `written` true for an LCP
// that is saved without records (a warning).
bool saveLcp(Prompter& prompter, FolderCommit& commit, LcpDatabase& lcp, bool& written) {
    const int n = static_cast<int>(lcp.number);
    written = false;
    if (lcp.deviceCount > 0 &&
        !writeFolderFile(prompter, commit, deviceFileName(n), serializeDevices(lcp))) {
        return false;
    }
    if (lcp.objectCount > 0 &&
        !writeFolderFile(prompter, commit, objectFileName(n), serializeObjects(lcp))) {
        return false;
    }
    if (lcp.keyCount > 0 &&
        !writeFolderFile(prompter, commit, keyFileName(n), serializeKeys(lcp.keys, lcp.keyCount))) {
        return false;
    }
    written = true;
    if (lcp.empty()) {
        // An LCP without records leaves no files, and loading stops at the
        // first LCP without files: say so instead of failing silently.
        prompter.message("LCP " + std::to_string(n) +
                             " не содержит записей и не сохранен.\n"
                             "LCP с большими адресами не будут прочитаны из папки.",
                         kSaveCaption, PromptIcon::Warning);
        return false;
    }
    lcp.changed = false;
    return true;
}

// Whether a kind of records keeps its file: a record of it is in use
// (packing before the save drops the others).
bool keepsRecords(int count, const std::uint8_t* used) {
    const int n = std::clamp(count, 0, kSlots);
    return std::any_of(used, used + n, [](std::uint8_t u) { return u != 0; });
}

// "DBAU.003, DBOBJ.003" (the first names, then how many in all).
std::string nameList(const std::vector<std::string>& names) {
    constexpr std::size_t kShown = 12;
    std::string text;
    for (std::size_t i = 0; i < names.size() && i < kShown; ++i)
        text += (i ? ", " : "") + names[i];
    if (names.size() > kShown) text += " ... (всего " + std::to_string(names.size()) + ")";
    return text;
}

std::string foreignFilesText(const std::string& path, const std::vector<std::string>& names) {
    return "В папке\n" + path + "\nесть файлы другой базы, которых нет в сохраняемой:\n" +
           nameList(names) + "\nПри чтении папки они смешались бы с этой базой.";
}

}  // namespace

bool DBS5::pathFits(const std::string& path, const char* caption) {
    if (utf16Length(path) <= kMaxFolderPath) return true;
    ctx_.prompter->message(
        "Путь к папке базы длиннее " + std::to_string(kMaxFolderPath) + " символов:\n" + path,
        caption, PromptIcon::Error);
    return false;
}

bool DBS5::LoadFromDisk(const std::string& path) {
    if (!pathFits(path, kLoadCaption)) return false;
    const fs::path folder = pathFromUtf8(path);
    std::error_code ec;
    if (path.empty() || !fs::is_directory(folder, ec)) return false;
    Prompter& prompter = *ctx_.prompter;
    recoverFolder(prompter, folder, kLoadCaption);
    ResetDatabase();

    // LCPs are consecutive from 1: the first absent one ends the table. One
    // that cannot be read ends it too, and the folder then holds more than
    // this database: the load is partial.
    for (int l = 1; l <= kMaxLcps; ++l) {
        auto d = std::make_unique<LcpDatabase>(l);
        const LcpLoad outcome = loadLcp(prompter, folder, *d);
        if (outcome == LcpLoad::Failed) {
            folderReadIncomplete = true;
            unreadLcp = l;
        }
        if (outcome != LcpLoad::Present) break;
        lcps[l] = std::move(d);
    }

    Bytes data;
    const fs::path keys = folder / kCommonKeysFile;
    if (fileExists(keys) &&
        readFolderFile(prompter, keys, static_cast<std::size_t>(kCommonKeys) * key::kDiskSize,
                       data)) {
        commonKeyCount = parseKeys(data, commonKeys, commonKeyUsed);
        filePath = path;
    }
    const fs::path messagesFile = folder / kMessagesFile;
    if (fileExists(messagesFile) &&
        readFolderFile(prompter, messagesFile, kMaxMessagesFileSize, data)) {
        parseMessages(data, messages);
    }
    databaseValid = true;
    modified = 0;
    const fs::path archive = folder / kArchiveFile;
    if (fileExists(archive) &&
        readFolderFile(prompter, archive, kMaxArchiveEntries * kArchiveEntrySize, data)) {
        archiveList = parseArchiveList(data);
    }
    databaseFolder = path;
    folderLcpCount = lcpCount();
    return true;
}

bool DBS5::isDatabaseFolder(const std::string& path) const {
    if (databaseFolder.empty() || path.empty()) return false;
    std::error_code ec;
    const bool same = fs::equivalent(pathFromUtf8(path), pathFromUtf8(databaseFolder), ec);
    return !ec && same;
}

std::vector<DBS5::FolderRemoval> DBS5::folderRemovals(const std::string& path, bool packed) const {
    std::vector<FolderRemoval> out;
    const fs::path folder = pathFromUtf8(path);
    std::error_code ec;
    if (path.empty() || !fs::is_directory(folder, ec)) return out;
    const bool own = isDatabaseFolder(path);
    // After a load that stopped at an LCP it could not read the folder holds
    // more than this database knows: nothing is deleted there.
    if (own && folderReadIncomplete) return out;
    const int count = lcpCount();
    const auto consider = [&](const std::string& name, int l) {
        if (fileExists(folder / name)) out.push_back({name, own && l <= folderLcpCount});
    };
    for (int l = 1; l <= kMaxLcps; ++l) {
        const LcpDatabase* d = l <= count ? lcps[l].get() : nullptr;
        const auto keeps = [packed](int n, const std::uint8_t* used) {
            return packed ? n > 0 : keepsRecords(n, used);
        };
        if (!d || !keeps(d->deviceCount, d->deviceUsedFlags.data())) consider(deviceFileName(l), l);
        if (!d || !keeps(d->objectCount, d->objectUsedFlags.data())) consider(objectFileName(l), l);
        if (!d || !keeps(d->keyCount, d->keyUsedFlags.data())) consider(keyFileName(l), l);
    }
    return out;
}

std::vector<std::string> DBS5::foreignFolderFiles(const std::string& path) const {
    std::vector<std::string> names;
    for (const FolderRemoval& r : folderRemovals(path, false))
        if (!r.own) names.push_back(r.name);
    return names;
}

std::string DBS5::SaveWarning(const std::string& path) const {
    if (folderReadIncomplete && isDatabaseFolder(path)) {
        return "База в папке\n" + path + "\nпрочитана не полностью: файлы LCP " +
               std::to_string(unreadLcp) +
               " не удалось прочитать, LCP с большими номерами не загружены.\n"
               "Сохранить базу в эту папку? Непрочитанные файлы не будут удалены.";
    }
    const std::vector<std::string> foreign = foreignFolderFiles(path);
    if (foreign.empty()) return {};
    return foreignFilesText(path, foreign) + "\nУдалить эти файлы и сохранить базу в эту папку?";
}

void DBS5::ConfirmSave(const std::string& path) {
    confirmedSaveFolder = path;
}

bool DBS5::SaveCopyToDisk(const std::string& path) {
    const std::string folder0 = databaseFolder;
    const int lcpCount0 = folderLcpCount;
    const bool incomplete0 = folderReadIncomplete;
    const int unread0 = unreadLcp;
    ConfirmSave(path);  // the program's own folder: an older copy's files go
    const bool saved = DBase::SaveCopyToDisk(path);
    databaseFolder = folder0;
    folderLcpCount = lcpCount0;
    folderReadIncomplete = incomplete0;
    unreadLcp = unread0;
    return saved;
}

bool DBS5::SaveToDisk(const std::string& path) {
    // A confirmation holds for this save only.
    const bool confirmed = !confirmedSaveFolder.empty() && confirmedSaveFolder == path;
    confirmedSaveFolder.clear();
    if (!pathFits(path, kSaveCaption)) return false;
    Prompter& prompter = *ctx_.prompter;
    const fs::path folder = pathFromUtf8(path);
    std::error_code ec;
    if (path.empty() || !fs::is_directory(folder, ec)) {
        ec.clear();
        if (path.empty() || !fs::create_directories(folder, ec) || ec) {
            prompter.message(systemErrorText(ec ? ec.value() : ENOENT), kSaveCaption,
                             PromptIcon::Error);
            return false;
        }
    }
    Pack();
    recoverFolder(prompter, folder, kSaveCaption);

    // The folder must load as exactly this database afterwards: every
    // database file of ours it does not write is deleted with the commit.
    // Files of another database go only when the user agreed; files of other
    // names are never touched.
    const bool ownFolder = isDatabaseFolder(path);
    const std::vector<FolderRemoval> removals = folderRemovals(path, true);
    std::vector<std::string> foreign;
    for (const FolderRemoval& r : removals)
        if (!r.own) foreign.push_back(r.name);
    if (!foreign.empty() && !confirmed) {
        prompter.message(foreignFilesText(path, foreign) + "\nБаза не сохранена.", kSaveCaption,
                         PromptIcon::Error);
        return false;
    }
    // Every file is staged first and the folder changes as a whole: a file
    // that cannot be written leaves the folder as it was.
    FolderCommit commit(folder);
    bool result = true;
    const int count = lcpCount();
    for (int l = 1; l <= count; ++l) {
        bool written = false;
        if (!saveLcp(prompter, commit, *lcps[l], written)) {
            if (!written) return false;
            result = false;  // an LCP without records: saved, with its warning
        }
    }
    for (const FolderRemoval& r : removals)
        commit.remove(r.name);
    if (!writeFolderFile(prompter, commit, kCommonKeysFile,
                         serializeKeys(commonKeys, commonKeyCount)) ||
        !writeFolderFile(prompter, commit, kMessagesFile, serializeMessages(messages))) {
        return false;
    }
    const bool replaced = commit.commit([&](const std::string&, const FileError& error) {
        prompter.message(error.message, kSaveCaption, PromptIcon::Error);
    });
    if (!replaced) return false;

    if (result) {
        modified = 0;
        filePath = path;
        if (!ownFolder) folderReadIncomplete = false;  // a folder this save filled
        databaseFolder = path;
        if (!folderReadIncomplete) folderLcpCount = count;
    }
    return result;
}

}  // namespace tavrin
