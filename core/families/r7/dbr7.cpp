#include "families/r7/dbr7.h"

#include <filesystem>
#include <vector>

#include "base/file_io.h"
#include "families/r7/compaction.h"
#include "families/r7/db_file.h"
#include "families/r7/element_types.h"
#include "link/result_codes.h"

namespace tavrin {

using namespace r7;

namespace {

constexpr const char* kTitleRead = "Чтение базы";
constexpr const char* kTitleReadDisk = "Чтение базы с диска";
// The title of the version 0 message is the program's own, spelling included.
constexpr const char* kTitleReadDiskV0 = "Чтекие базы с диска";
constexpr const char* kTitleSave = "Сохранение базы";
constexpr const char* kEndOfFile = "Обнаружен конец файла";
constexpr const char* kNoPanelRecord =
    "Первая запись файла не прибор: файл не является базой Ордиса Р7 или поврежден.";

}  // namespace

DBR7::DBR7(int roleIn, const AppContext& context)
    : DBase(r7Traits(), roleIn, context), table_(std::make_unique<ElementTable>()) {
    LoadPortSettings();
    DBR7::ResetDatabase();
}

DBR7::~DBR7() = default;

void DBR7::ResetDatabase() {
    for (auto& r : *table_)
        r.clear();
    maxElementId_ = 0;
    CreateElement(kTypePanel, -1);
    (*table_)[0].bytes[kOffAddress] = 1;
    modified = 0;
    filePath.clear();
    incompleteFileText.clear();
    databaseValid = false;
    firmwareVersion = -1;
    firmwareVersionText.clear();
    fileVersion_ = -1;
}

// ---- Files ----------------------------------------------------------------------

bool DBR7::LoadFromDisk(const std::string& path) {
    const std::filesystem::path file = pathFromUtf8(path);
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return false;
    Bytes data;
    FileError error;
    if (!readWholeFile(file, data, &error, kMaxFileBytes)) {
        ctx_.prompter->message(error.message, kTitleRead, PromptIcon::Error);
        return false;
    }

    ResetDatabase();
    const FileDecode read = decodeFile(data, *table_);
    // A file too short for its version number, or a version 1 or 2 file
    // that ends early, is refused and leaves the empty database.
    if (!read.versionRead || (read.shortRecord && read.version >= 1)) {
        ctx_.prompter->message(kEndOfFile, kTitleReadDisk, PromptIcon::Error);
        ResetDatabase();
        return false;
    }
    // Record 0 holds the panel: the table hangs from it and the panel address
    // is read from it. A file without it is not taken.
    if ((*table_)[0].type() != kTypePanel) {
        ctx_.prompter->message(kNoPanelRecord, kTitleRead, PromptIcon::Error);
        ResetDatabase();
        return false;
    }
    if (read.shortRecord) ctx_.prompter->message(kEndOfFile, kTitleReadDiskV0, PromptIcon::Error);
    if (read.recordsRead == kFileRecordCount) {
        databaseValid = true;
    } else {
        incompleteFileText = "Файл базы неполный: в нём " + std::to_string(read.recordsRead) +
                             " записей из " + std::to_string(kFileRecordCount) + ".";
    }
    if (read.version > 1) firmwareVersionText = read.versionText;
    fileVersion_ = read.version;
    filePath = path;
    CompactTable();
    modified = 0;
    return true;
}

bool DBR7::SaveToDisk(const std::string& path) {
    // The file always gets the extension "bor"; a file name without one is refused.
    const auto written = pathWithExtension(path, extension1);
    if (!written) {
        ctx_.prompter->message(noExtensionText(path, extension1), kTitleSave, PromptIcon::Error);
        return false;
    }
    const std::string& target = *written;

    const Bytes data = encodeFile(*table_, firmwareVersionText);
    FileError error;
    if (!writeFileAtomic(pathFromUtf8(target), data, &error)) {
        // The old file is untouched and the database stays modified.
        ctx_.prompter->message(error.message, kTitleSave, PromptIcon::Error);
        return false;
    }
    filePath = target;
    modified = 0;
    fileVersion_ = kFileVersionWritten;
    return true;
}

void DBR7::CompactTable(std::vector<int>* newIndexOf) {
    maxElementId_ = compactTable(*table_, newIndexOf);
}

// ---- Elements -------------------------------------------------------------------

const ElementRecord* DBR7::element(ItemCode index) const {
    if (index < 0 || index >= kElementCount) return nullptr;
    return &(*table_)[static_cast<std::size_t>(index)];
}

ElementRecord* DBR7::element(ItemCode index) {
    if (index < 0 || index >= kElementCount) return nullptr;
    return &(*table_)[static_cast<std::size_t>(index)];
}

bool DBR7::isUsed(ItemCode index) const {
    const ElementRecord* r = element(index);
    return r && !r->isFree();
}

int DBR7::findElementById(std::uint16_t id) const {
    if (id == 0) return -1;
    for (int i = 0; i < kElementCount; ++i) {
        const ElementRecord& r = (*table_)[static_cast<std::size_t>(i)];
        if (r.id() == id && !r.isFree()) return i;
    }
    return -1;
}

int DBR7::childCount(ItemCode index) const {
    const ElementRecord* p = element(index);
    if (!p || p->isFree() || p->id() == 0) return 0;
    int n = 0;
    for (const auto& r : *table_) {
        if (!r.isFree() && &r != p && r.parent() == p->id()) ++n;
    }
    return n;
}

DBR7::Counts DBR7::counts() const {
    Counts c;
    for (const auto& r : *table_) {
        if (r.isFree()) continue;
        ++c.elements;
        if (r.type() == kTypeObject)
            ++c.objects;
        else if (r.type() == kTypeKey)
            ++c.keys;
        else if (isDeviceType(r.type()))
            ++c.devices;
    }
    return c;
}

int DBR7::PanelAddress() const {
    return (*table_)[0].address();
}

int DBR7::CreateElement(int type, int parent) {
    if (type <= 0 || type > 0xFF || maxElementId_ == 0xFFFF) return -1;
    int index = -1;
    for (int i = 0; i < kFileRecordCount; ++i) {
        if ((*table_)[static_cast<std::size_t>(i)].isFree()) {
            index = i;
            break;
        }
    }
    if (index < 0) return -1;

    const ElementRecord* up = parent >= 0 ? element(parent) : nullptr;
    const bool underObject = up && up->type() == kTypeObject;
    ElementRecord& r = (*table_)[static_cast<std::size_t>(index)];
    r.setId(++maxElementId_);
    r.setParent(up ? up->id() : 0);
    r.setType(static_cast<std::uint8_t>(type));
    for (int i = kOffParams; i <= 12; ++i)
        r.bytes[static_cast<std::size_t>(i)] = 0;
    // An object's parameters start at 0 up to byte 16, so its two references
    // (bytes 12-13, and 14 with 16) mean "none".
    if (r.type() == kTypeObject) {
        for (int i = 13; i <= kOffRef2High; ++i)
            r.bytes[static_cast<std::size_t>(i)] = 0;
    }
    applyNewElementParams(r, r.type(), underObject);
    const std::string name = defaultElementName(r.type(), r.id(), underObject);
    if (!name.empty()) r.setName(name);
    ++modified;
    return index;
}

// An element goes together with the elements under it (an object's devices
// and keys), as the tree shows them: none is left naming a parent that no
// longer exists, which the next renumbering would hand to another element.
// References of other objects to a removed object become "none".
void DBR7::RemoveElement(int index) {
    ElementRecord* r = element(index);
    if (!r || r->isFree() || index == 0) return;
    std::vector<int> pending{index};
    while (!pending.empty()) {
        ElementRecord& gone = (*table_)[static_cast<std::size_t>(pending.back())];
        pending.pop_back();
        const std::uint16_t id = gone.id();
        gone.clear();
        if (id == 0) continue;
        for (int i = 1; i < kElementCount; ++i) {
            ElementRecord& other = (*table_)[static_cast<std::size_t>(i)];
            if (other.isFree()) continue;
            if (other.parent() == id) pending.push_back(i);
            if (other.type() != kTypeObject) continue;
            if (other.reference1() == id) other.setReference1(0);
            if (other.reference2() == id) other.setReference2(0);
        }
    }
    ++modified;
}

int DBR7::CreateKey() {
    return -1;
}

void DBR7::RemoveKey(int index) {
    ElementRecord* r = element(index);
    if (!r || r->type() != kTypeKey) return;
    r->clear();
    ++modified;
}

int DBR7::FindKey(ByteSpan) {
    return -1;
}

// ---- Tree images ------------------------------------------------------------------

int DBR7::GetItemImage(ItemCode item) {
    if (item < 0) return item >= -5 ? kImageFolder : -1;
    const ElementRecord* r = element(item);
    if (!r || r->isFree()) return -1;
    const std::uint8_t type = r->type();
    if (type == kTypePanel) return kImagePanel;
    if (type == kTypeObject) {
        if (r->switchedOff()) return kImageObjectOff;
        bool fire = false, security = false, control = false;
        for (const auto& child : *table_) {
            if (child.isFree() || &child == r || child.parent() != r->id()) continue;
            if (!isDeviceType(child.type())) continue;
            const std::uint8_t purpose = child.outputMode();
            if (purpose == 0)
                fire = true;
            else if (purpose == 1)
                security = true;
            else if (purpose >= 2 && purpose <= 4)
                control = true;
        }
        return objectImage(false, fire, security, control);
    }
    if (type == kTypeKey) {
        if (r->outputMode() & 0x01) return kImageKeyBit0;
        return (r->outputMode() & 0x02) ? kImageKeyBit1 : kImageKey;
    }
    const DeviceKind* kind = deviceKind(type);
    if (!kind) return r->switchedOff() ? kImageUnknownDevice + 1 : kImageUnknownDevice;
    if (!kind->outputLike) return r->switchedOff() ? kind->image + 1 : kind->image;
    if (r->switchedOff() || r->outputMode() == kModeNotSet) return kind->image;
    if (r->outputMode() == 0) return kind->image + 2;
    if (r->outputMode() == 1) return kind->image + 3;
    return kind->image + 1;
}

std::vector<DBase::SummaryLine> DBR7::Summary() const {
    const Counts c = counts();
    return {{"file-version", std::to_string(fileVersion())},
            {"firmware", firmwareVersionText},
            {"valid", databaseValid ? "yes" : "no"},
            {"elements", std::to_string(c.elements)},
            {"objects", std::to_string(c.objects)},
            {"devices", std::to_string(c.devices)},
            {"keys", std::to_string(c.keys)},
            {"max-id", std::to_string(maxElementId())},
            {"address", std::to_string(PanelAddress())}};
}

}  // namespace tavrin
