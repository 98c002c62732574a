#include "families/s5/dbs5.h"

#include <cstdio>

#include "families/s5/simulated_console.h"
#include "link/result_codes.h"

namespace tavrin {

using namespace s5;

DBS5::DBS5(int roleIn, const AppContext& context)
    : DBase(s5Traits(), roleIn, context), link_(std::make_unique<ConsoleLink>(*this)) {
    readTotalTimeoutConstant = 5000;
    readIntervalTimeout = 10;
    readTotalTimeoutMultiplier = 10;
    LoadPortSettings();
    DBS5::ResetDatabase();
}

void DBS5::ResetDatabase() {
    for (auto& l : lcps)
        l.reset();
    for (auto& m : messages)
        m.clear();
    for (int k = 0; k < kCommonKeys; ++k) {
        commonKeys[k] = {};
        putU16(commonKeys[k], key::kNumber, static_cast<std::uint16_t>(k + 1));
        commonKeyUsed[k] = 0;
    }
    commonKeyCount = 0;
    savedCommonKeyCount = 0;
    commonKeysNeedPacking = false;
    commonKeysChanged = false;
    archiveList.clear();
    modified = 0;
    firmwareVersion = -1;
    filePath.clear();
    incompleteFileText.clear();
    folderLcpCount = 0;
    folderReadIncomplete = false;
    unreadLcp = 0;
    databaseValid = false;
}

int DBS5::FindKey(ByteSpan) {
    return -1;
}

// ---- LCP table ------------------------------------------------------------------------

LcpDatabase* DBS5::lcp(int number) {
    return number >= 1 && number <= kMaxLcps ? lcps[number].get() : nullptr;
}

const LcpDatabase* DBS5::lcp(int number) const {
    return number >= 1 && number <= kMaxLcps ? lcps[number].get() : nullptr;
}

int DBS5::lcpCount() const {
    int n = 0;
    while (n < kMaxLcps && lcps[n + 1])
        ++n;
    return n;
}

int DBS5::AddLcp() {
    const int n = lcpCount();
    if (n >= kMaxLcps) return -1;
    lcps[n + 1] = std::make_unique<LcpDatabase>(n + 1);
    ++modified;
    return n + 1;
}

void DBS5::RemoveLcp(int number) {
    const int last = lcpCount();
    if (number < 1 || number > last) return;
    lcps[number].reset();
    if (number != last) {
        lcps[number] = std::move(lcps[last]);
        lcps[number]->number = static_cast<std::uint32_t>(number);
        lcps[number]->changed = true;
    }
    for (int l = 1; l <= kMaxLcps; ++l) {
        LcpDatabase* d = lcps[l].get();
        if (!d) continue;
        for (int j = 0; j < kSlots; ++j) {
            if (!d->objectUsedFlags[j]) continue;
            ObjectRecord& o = d->objects[j];
            if (o[obj::kLinkedLcp] == number) {
                o[obj::kLinkedLcp] = 0;
                o[obj::kLinkedObject] = 0;
                d->changed = true;
            } else if (number != last && o[obj::kLinkedLcp] == last) {
                o[obj::kLinkedLcp] = static_cast<std::uint8_t>(number);
                d->changed = true;
            }
        }
    }
    ++modified;
}

// ---- Records -----------------------------------------------------------------------------

int DBS5::CreateElement(int type, int parent) {
    LcpDatabase* d = lcp(parent);
    if (!d) return -1;
    const int slot = d->newDevice();
    if (slot < 0) return -1;
    DeviceRecord& r = d->devices[slot];
    r[dev::kNumber] = static_cast<std::uint8_t>(slot);
    r[dev::kType] = static_cast<std::uint8_t>(type);
    if (const DeviceType* t = deviceType(static_cast<std::uint8_t>(type))) {
        r[dev::kClass] = t->deviceClass;
        r[dev::kFlags] = t->flags;
        char label[64];
        std::snprintf(label, sizeof label, t->label, slot);
        setNameText(deviceName(r), label);
    }
    d->changed = true;
    ++modified;
    return slot;
}

int DBS5::NewObject(int lcpNumber) {
    LcpDatabase* d = lcp(lcpNumber);
    if (!d) return -1;
    const int slot = d->newObject();
    if (slot < 0) return -1;
    d->changed = true;
    ++modified;
    return slot;
}

int DBS5::NewLcpKey(int lcpNumber) {
    LcpDatabase* d = lcp(lcpNumber);
    if (!d) return -1;
    const int slot = d->newKey();
    if (slot < 0) return -1;
    d->changed = true;
    ++modified;
    return slot;
}

void DBS5::clearLinksTo(int lcpNumber, int objectSlot) {
    for (int l = 1; l <= kMaxLcps; ++l) {
        LcpDatabase* d = lcps[l].get();
        if (!d) continue;
        for (int j = 0; j < kSlots; ++j) {
            ObjectRecord& o = d->objects[j];
            if (d->objectUsedFlags[j] && o[obj::kLinkedLcp] == lcpNumber &&
                o[obj::kLinkedObject] == objectSlot + 1) {
                o[obj::kLinkedLcp] = 0;
                o[obj::kLinkedObject] = 0;
                d->changed = true;
            }
        }
    }
}

void DBS5::RemoveElement(int index) {
    const ItemRef ref = decodeItem(index);
    if (ref.kind == ItemKind::CommonKey) {
        RemoveKey(ref.slot);
        return;
    }
    LcpDatabase* d = lcp(ref.lcp);
    if (!d) return;
    switch (ref.kind) {
        case ItemKind::Object:
            if (!d->objectUsed(ref.slot)) return;
            d->removeObject(ref.slot);
            clearLinksTo(ref.lcp, ref.slot);
            break;
        case ItemKind::Device:
            if (!d->deviceUsed(ref.slot)) return;
            d->removeDevice(ref.slot);
            break;
        case ItemKind::Key:
            if (!d->keyUsed(ref.slot)) return;
            d->removeKey(ref.slot);
            break;
        default:
            return;
    }
    d->changed = true;
    ++modified;
}

int DBS5::CreateKey() {
    bool hole = false;
    const int slot = allocateSlot(commonKeyUsed, commonKeyCount, hole);
    if (slot < 0) return -1;
    commonKeys[slot] = {};
    putU16(commonKeys[slot], key::kNumber, static_cast<std::uint16_t>(slot + 1));
    if (hole) commonKeysNeedPacking = true;
    commonKeysChanged = true;
    ++modified;
    return slot;
}

void DBS5::RemoveKey(int index) {
    if (index < 0 || index >= kCommonKeys || !commonKeyUsed[index]) return;
    commonKeys[index] = {};
    putU16(commonKeys[index], key::kNumber, static_cast<std::uint16_t>(index + 1));
    commonKeyUsed[index] = 0;
    commonKeyCount = countAfterRemoval(commonKeyUsed, commonKeyCount);
    // A hole left below the count would be saved as an empty key and come
    // back as a used one; packing closes it before the next save.
    if (index < commonKeyCount) commonKeysNeedPacking = true;
    ++modified;
}

// ---- Tree icons ---------------------------------------------------------------------------

namespace {

// Indices into the tree's image list shared by the families.
constexpr int kImageConsole = 76;
constexpr int kImageFolder = 79;
constexpr int kImageLcp = 77;
constexpr int kImageKey = 51;
constexpr int kImageObjectEmpty = 74;
constexpr int kImageVirtualObject = 75;
// By the object type bits 1..7: single kinds, then mixtures.
constexpr int kImageObjectByType[8] = {kImageObjectEmpty, 45, 46, 47, 44, 48, 49, 50};
constexpr int kImageDetector = 1;
constexpr int kImageExecutive = 8;
constexpr int kImageKeyReader = 18;
constexpr int kImageOtherDevice = 7;

}  // namespace

int DBS5::GetItemImage(ItemCode item) {
    const ItemRef ref = decodeItem(item);
    const LcpDatabase* d = lcp(ref.lcp);
    switch (ref.kind) {
        case ItemKind::Root:
            return kImageConsole;
        case ItemKind::CommonKeys:
        case ItemKind::Messages:
            return kImageFolder;
        case ItemKind::CommonKey:
            return kImageKey;
        case ItemKind::Lcp:
            return kImageLcp;
        case ItemKind::Key:
            return d && d->keyUsed(ref.slot) ? kImageKey : -1;
        case ItemKind::Object: {
            if (!d || !d->objectUsed(ref.slot)) return -1;
            const std::uint8_t flags = d->objects[ref.slot][obj::kFlags];
            if (flags & obj::kFlagVirtual) return kImageVirtualObject;
            return kImageObjectByType[flags & obj::kTypeMask];
        }
        case ItemKind::Device: {
            if (!d || !d->deviceUsed(ref.slot)) return -1;
            switch (d->devices[ref.slot][dev::kClass]) {
                case 8:
                    return kImageDetector;
                case 4:
                    return kImageExecutive;
                case 1:
                    return kImageKeyReader;
                default:
                    return kImageOtherDevice;
            }
        }
        case ItemKind::None:
            break;
    }
    return -1;
}

// ---- Edit rules -----------------------------------------------------------------------------

namespace {

RuleAnswer allow(std::string text) {
    return {true, std::move(text)};
}
RuleAnswer refuse(std::string text = {}) {
    return {false, std::move(text)};
}

bool isKey(ItemKind k) {
    return k == ItemKind::Key || k == ItemKind::CommonKey;
}

}  // namespace

RuleAnswer DBS5::InsertItem(const EditRuleArgs& args) {
    const ItemRef ref = decodeItem(args.item);
    switch (ref.kind) {
        case ItemKind::Root:
            if (lcpCount() >= kMaxLcps) return refuse("Больше 64 LCP добавить нельзя!");
            return allow("Добавить LCP");
        case ItemKind::CommonKeys:
            return allow("Добавить ключ");
        case ItemKind::Lcp:
            return lcp(ref.lcp) ? allow("Добавить объект") : refuse();
        case ItemKind::Object:
            return lcp(ref.lcp) && lcp(ref.lcp)->objectUsed(ref.slot)
                       ? allow("Добавить подчиненный объект")
                       : refuse();
        default:
            return refuse();
    }
}

RuleAnswer DBS5::CutItem(const EditRuleArgs& args) {
    const ItemRef ref = decodeItem(args.item);
    const LcpDatabase* d = lcp(ref.lcp);
    if (isKey(ref.kind)) return allow("Вырезать ");
    if (ref.kind == ItemKind::Object && d && d->objectUsed(ref.slot)) {
        return allow("Вырезать в буфер " + nameText(objectName(d->objects[ref.slot])));
    }
    if (ref.kind == ItemKind::Device && d && d->deviceUsed(ref.slot)) {
        return allow("Вырезать в буфер " + nameText(deviceName(d->devices[ref.slot])));
    }
    return refuse();
}

RuleAnswer DBS5::CopyItem(const EditRuleArgs& args) {
    const ItemRef ref = decodeItem(args.item);
    if (isKey(ref.kind)) return allow("Копировать ");
    if (ref.kind == ItemKind::Object || ref.kind == ItemKind::Device) return allow("Копировать");
    return refuse();
}

RuleAnswer DBS5::DeleteItem(const EditRuleArgs& args) {
    const ItemRef ref = decodeItem(args.item);
    if (isKey(ref.kind)) return allow("Удалить ");
    if (ref.kind == ItemKind::Object || ref.kind == ItemKind::Device) return allow("Удалить");
    if (ref.kind == ItemKind::Lcp && lcp(ref.lcp)) {
        return allow("Удалить LCP " + std::to_string(ref.lcp));
    }
    return refuse();
}

const char* const DBS5::kObjectLoop =
    "Объект нельзя вставить в самого себя или в свой подчиненный объект!";

RuleAnswer DBS5::PasteItem(const EditRuleArgs& args) {
    const ItemRef target = decodeItem(args.item);
    const ItemRef buffer = decodeItem(args.bufferItem);
    const char* kNotAllowed = "Недопустимая операция";
    if (buffer.kind == ItemKind::None) return refuse();
    if (isKey(buffer.kind)) {
        if (target.kind == ItemKind::CommonKeys || target.kind == ItemKind::Lcp ||
            isKey(target.kind)) {
            return allow("Вставить ключи из буфера");
        }
        return refuse(kNotAllowed);
    }
    if (target.kind != ItemKind::Lcp && target.kind != ItemKind::Object) return refuse(kNotAllowed);
    if (buffer.kind == ItemKind::Device) {
        const bool sameDatabase = args.bufferDatabase == nullptr || args.bufferDatabase == this;
        if (args.flag != 0 && (!sameDatabase || buffer.lcp != target.lcp)) {
            return refuse("Перенос АУ в другое LCP недопустим!");
        }
        return allow("Вставить из буфера");
    }
    if (buffer.kind == ItemKind::Object) {
        // An object cannot go under itself or under one of its own descendants.
        const bool sameDatabase = args.bufferDatabase == nullptr || args.bufferDatabase == this;
        if (sameDatabase && target.kind == ItemKind::Object &&
            IsDescendant(target.lcp, target.slot, buffer.lcp, buffer.slot)) {
            return refuse(kObjectLoop);
        }
        return allow("Вставить из буфера");
    }
    return refuse(kNotAllowed);
}

std::vector<DBase::SummaryLine> DBS5::Summary() const {
    int devices = 0, objects = 0, keys = 0;
    const int lcpTotal = lcpCount();
    for (int l = 1; l <= lcpTotal; ++l) {
        const LcpDatabase& d = *lcp(l);
        devices += d.deviceCount;
        objects += d.objectCount;
        keys += d.keyCount;
    }
    int used = 0;
    for (const auto& m : messages)
        used += m.empty() ? 0 : 1;
    std::vector<SummaryLine> lines{{"lcps", std::to_string(lcpTotal)},
                                   {"devices", std::to_string(devices)},
                                   {"objects", std::to_string(objects)},
                                   {"keys", std::to_string(keys)},
                                   {"console-keys", std::to_string(commonKeyCount)},
                                   {"messages", std::to_string(used)},
                                   {"archive", std::to_string(archiveList.size())}};
    for (int l = 1; l <= lcpTotal; ++l) {
        const LcpDatabase& d = *lcp(l);
        lines.push_back({"lcp " + std::to_string(l), "devices " + std::to_string(d.deviceCount) +
                                                         ", objects " +
                                                         std::to_string(d.objectCount) + ", keys " +
                                                         std::to_string(d.keyCount)});
    }
    return lines;
}

}  // namespace tavrin
