// The "Талвир К2" database file: version 3 is written; versions 0..3 are
// read. Layout: i32 version; from version 1 the firmware version string as
// u32 byte count (with its 16-bit terminator) and UTF-16LE characters; then
// the sections below, item after item, with nothing in between.
#include <filesystem>

#include "base/file_io.h"
#include "base/text.h"
#include "families/k2/dbk2.h"

namespace tavrin {

using namespace k2;

namespace {

constexpr const char* kLoadTitle = "Чтение базы";
constexpr const char* kSaveTitle = "Сохранение базы";
constexpr const char* kNotADatabase = "Это не база данных";
constexpr const char* kNewerVersion = "Номер версии БД больше версии конфигуратора";
// No valid file comes near this; the rest of a larger file is not read.
constexpr std::size_t kMaxFileRead = 64 * 1024;

enum class Part {
    DeviceMap,
    Devices,
    Loops,
    KeyMap,
    KeyCodes,
    KeyData,
    Names,
    OldNames,
    Panel,
    BlockedDevices,
    BlockedLoops
};

// The sections of each file version, in file order.
constexpr Part kVersion01[] = {Part::DeviceMap, Part::Devices, Part::Loops,    Part::KeyMap,
                               Part::KeyCodes,  Part::KeyData, Part::OldNames, Part::Panel};
constexpr Part kVersion2[] = {Part::DeviceMap,      Part::Devices,     Part::Loops,    Part::KeyMap,
                              Part::KeyCodes,       Part::KeyData,     Part::OldNames, Part::Panel,
                              Part::BlockedDevices, Part::BlockedLoops};
constexpr Part kVersion3[] = {Part::DeviceMap,      Part::Devices,     Part::Loops, Part::KeyMap,
                              Part::KeyCodes,       Part::KeyData,     Part::Names, Part::Panel,
                              Part::BlockedDevices, Part::BlockedLoops};

// The name of a section as the user is told it took defaults.
const char* partName(Part part) {
    switch (part) {
        case Part::DeviceMap:
            return "список устройств";
        case Part::Devices:
            return "устройства";
        case Part::Loops:
            return "шлейфы";
        case Part::KeyMap:
            return "список ключей";
        case Part::KeyCodes:
            return "коды ключей";
        case Part::KeyData:
            return "свойства ключей";
        case Part::Names:
        case Part::OldNames:
            return "имена шлейфов";
        case Part::Panel:
            return "параметры прибора";
        case Part::BlockedDevices:
            return "блокировки устройств";
        case Part::BlockedLoops:
            return "блокировки шлейфов";
    }
    return "";
}

// Copies the bytes of one section out of the tables (file form).
Bytes sectionBytes(const DBK2& db, Part part) {
    Bytes out;
    auto add = [&out](const auto& a) { out.insert(out.end(), a.begin(), a.end()); };
    switch (part) {
        case Part::DeviceMap:
            add(db.deviceMap);
            break;
        case Part::Devices:
            for (const auto& d : db.devices)
                add(d);
            break;
        case Part::Loops:
            for (const auto& l : db.loops)
                out.insert(out.end(), l.begin(), l.begin() + kLoopStoredSize);
            break;
        case Part::KeyMap:
            add(db.keyMap);
            break;
        case Part::KeyCodes:
            for (const auto& k : db.keys)
                out.insert(out.end(), k.begin(), k.begin() + kKeyHalfSize);
            break;
        case Part::KeyData:
            for (const auto& k : db.keys)
                out.insert(out.end(), k.begin() + kKeyHalfSize, k.end());
            break;
        case Part::Names:
            for (const auto& n : db.names)
                add(n);
            break;
        case Part::OldNames:
            for (int i = 0; i < kOldNameCount; ++i)
                add(db.names[i]);
            break;
        case Part::Panel:
            add(db.panelBlock);
            break;
        case Part::BlockedDevices:
            add(db.blockedDevices);
            break;
        case Part::BlockedLoops:
            add(db.blockedLoops);
            break;
    }
    return out;
}

// Puts the bytes of one section (file form, full size) into the tables.
void setSectionBytes(DBK2& db, Part part, const Bytes& in) {
    std::size_t pos = 0;
    auto fill = [&](auto& a, std::size_t from, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i)
            a[from + i] = in[pos++];
    };
    switch (part) {
        case Part::DeviceMap:
            fill(db.deviceMap, 0, db.deviceMap.size());
            break;
        case Part::Devices:
            for (auto& d : db.devices)
                fill(d, 0, kDeviceRecordSize);
            break;
        case Part::Loops:
            for (auto& l : db.loops)
                fill(l, 0, kLoopStoredSize);
            break;
        case Part::KeyMap:
            fill(db.keyMap, 0, db.keyMap.size());
            break;
        case Part::KeyCodes:
            for (auto& k : db.keys)
                fill(k, 0, kKeyHalfSize);
            break;
        case Part::KeyData:
            for (auto& k : db.keys)
                fill(k, kKeyHalfSize, kKeyHalfSize);
            break;
        case Part::Names:
            for (auto& n : db.names)
                fill(n, 0, kNameSize);
            break;
        case Part::OldNames:
            for (int i = 0; i < kOldNameCount; ++i)
                fill(db.names[i], 0, kNameSize);
            break;
        case Part::Panel:
            fill(db.panelBlock, 0, db.panelBlock.size());
            break;
        case Part::BlockedDevices:
            fill(db.blockedDevices, 0, db.blockedDevices.size());
            break;
        case Part::BlockedLoops:
            fill(db.blockedLoops, 0, db.blockedLoops.size());
            break;
    }
}

// The section flag a part completes, or -1.
int sectionFlag(Part part) {
    switch (part) {
        case Part::DeviceMap:
            return kSecDeviceMap;
        case Part::Devices:
            return kSecDevices;
        case Part::Loops:
            return kSecLoops;
        case Part::KeyMap:
            return kSecKeyMap;
        case Part::KeyData:
            return kSecKeys;  // the second half completes the keys
        case Part::Names:
        case Part::OldNames:
            return kSecNames;
        case Part::Panel:
            return kSecPanel;
        default:
            return -1;
    }
}

}  // namespace

bool DBK2::ParseFile(ByteSpan data) {
    ByteReader in(data);
    const std::int32_t version = in.i32();
    if (!in.ok() || version < 0 || version > kMaxKnownVersion) {
        ctx_.prompter->message(kNotADatabase, kLoadTitle, PromptIcon::Error);
        return false;
    }
    if (version > kFileVersion) {
        ctx_.prompter->message(kNewerVersion, kLoadTitle, PromptIcon::Error);
        return false;
    }
    loadedFileVersion = version;
    if (version >= 1) {
        const std::uint32_t length = in.u32();
        // A count above the limit is not read: the sections follow the count.
        if (length > 2 && length <= kMaxVersionStringBytes) {
            Bytes raw(std::min<std::size_t>(length, in.remaining()));
            in.bytes(raw);
            std::u16string text;
            for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
                const char16_t c = static_cast<char16_t>(raw[i] | (raw[i + 1] << 8));
                if (c == 0) break;
                text.push_back(c);
            }
            // The field holds at most 8 characters.
            if (text.size() > kMaxVersionChars) text.resize(kMaxVersionChars);
            if (!text.empty() && (text.back() >= 0xD800 && text.back() < 0xDC00)) text.pop_back();
            firmwareVersionText = utf16ToUtf8(text);
        }
    }
    std::span<const Part> parts = version == 3   ? std::span<const Part>(kVersion3)
                                  : version == 2 ? std::span<const Part>(kVersion2)
                                                 : std::span<const Part>(kVersion01);
    // A short file is taken: the sections beyond its end keep their
    // defaults, and the user is told which ones.
    std::string missing;
    for (const Part part : parts) {
        Bytes section = sectionBytes(*this, part);
        const std::size_t avail = std::min(section.size(), in.remaining());
        if (avail < section.size())
            missing += std::string(missing.empty() ? "" : ", ") + partName(part);
        if (avail == 0) continue;
        in.bytes(MutableByteSpan(section.data(), avail));
        setSectionBytes(*this, part, section);
        const int flag = sectionFlag(part);
        if (avail == section.size() && flag >= 0) sectionValid[flag] = true;
    }
    if (!missing.empty()) {
        incompleteFileText =
            "Файл базы неполный: он кончается раньше, чем положено.\n"
            "Значения по умолчанию получили: " +
            missing + ".";
    }
    return true;
}

bool DBK2::LoadFromDisk(const std::string& path) {
    const std::filesystem::path file = pathFromUtf8(path);
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return false;
    Bytes data;
    FileError error;
    if (!readWholeFile(file, data, &error, kMaxFileRead)) {
        ctx_.prompter->message(error.message, kLoadTitle, PromptIcon::Error);
        return false;
    }
    if (!LoadFromBytes(data)) return false;
    filePath = path;
    return true;
}

bool DBK2::LoadFromBytes(ByteSpan data) {
    ResetDatabase();
    if (!ParseFile(data)) {
        ResetDatabase();
        return false;
    }
    databaseValid = true;
    modified = 0;
    return true;
}

Bytes DBK2::SerializeFile() {
    UpdateChecksums();
    ByteWriter out;
    out.i32(kFileVersion);
    const std::u16string text = utf8ToUtf16(firmwareVersionText);
    out.u32(static_cast<std::uint32_t>(2 * text.size() + 2));
    if (!text.empty()) {
        for (const char16_t c : text)
            out.u16(c);
        out.u16(0);
    }
    for (const Part part : kVersion3)
        out.bytes(sectionBytes(*this, part));
    return out.take();
}

bool DBK2::SaveToDisk(const std::string& path) {
    // The file is written with the first extension; the user's spelling of it
    // ("X.BTA") is kept.
    const auto written = pathWithExtension(path, extension1);
    if (!written) {
        ctx_.prompter->message(noExtensionText(path, extension1), kSaveTitle, PromptIcon::Error);
        return false;
    }
    const std::string& target = *written;
    const Bytes data = SerializeFile();
    FileError error;
    if (!writeFileAtomic(pathFromUtf8(target), data, &error)) {
        ctx_.prompter->message(error.message, kSaveTitle, PromptIcon::Error);
        return false;
    }
    filePath = target;
    modified = 0;
    return true;
}

}  // namespace tavrin
