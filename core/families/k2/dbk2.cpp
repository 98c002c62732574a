#include "families/k2/dbk2.h"

#include <algorithm>

#include "base/bit_set.h"
#include "families/k2/database_print_k2.h"
#include "link/result_codes.h"

namespace tavrin {

using namespace k2;

DBK2::DBK2(int roleIn, const AppContext& context) : DBase(k2Traits(), roleIn, context) {
    LoadPortSettings();
    DBK2::ResetDatabase();
}

DBK2::~DBK2() = default;

void DBK2::ResetDevice(DeviceRecord& d) {
    d.fill(0);
    d[kDevTypeCond] = 0x70;
    d[kDevLoop] = kNone;
    d[kDevNumber] = kNone;
    d[kDevParam5] = kNone;
    d[kDevParam6] = 0;
    d[kDevChecksum] = recordChecksum(d, kDevChecksum);
}

void DBK2::ResetKey(KeyRecord& k) {
    k.fill(0);
    k[kKeyOrdinal] = kNone;
    k[kKeyKind] = 3;
}

void DBK2::ResetDatabase() {
    for (auto& d : devices)
        ResetDevice(d);
    for (int m = 0; m < kLoopCount; ++m) {
        LoopRecord& l = loops[m];
        l.fill(0);
        l[kLoopNameIndex] = static_cast<std::uint8_t>(m);
        for (int i = 0; i < kLoopLinkCount; ++i)
            l[kLoopLink1 + i] = kNone;
        l[kLoopParam7] = m < 64 ? 0 : kNone;
        l[kLoopChecksum] = recordChecksum(l, kLoopChecksum);
    }
    for (auto& k : keys)
        ResetKey(k);
    for (auto& n : names)
        n.fill(' ');
    deviceMap.fill(0);
    keyMap.fill(0);
    blockedDevices.fill(0);
    blockedLoops.fill(0);
    panelBlock.fill(0);
    sectionValid.fill(false);
    filePath.clear();
    incompleteFileText.clear();
    modified = 0;
    databaseValid = false;
    firmwareVersion = -1;
    firmwareVersionText.clear();
    loadedFileVersion = -1;
    journal.clear();
    activeEvents.clear();
    dustiness.clear();
    simulatedFrames.clear();
    simulationReadPosition_ = 0;
    simulationDustPosition_ = 0;
}

// ---- Devices and keys -----------------------------------------------------------

int DBK2::CreateElement(int type, int /*parent*/) {
    for (int i = 0; i < kDeviceCount; ++i) {
        if (testBit(deviceMap, i)) continue;
        setBit(deviceMap, i);
        ++modified;
        DeviceRecord& d = devices[i];
        ResetDevice(d);
        d[kDevTypeCond] = static_cast<std::uint8_t>(0x70 | (type & 0x0F));
        if ((type & 0x0F) == kTypeDip || (type & 0x0F) == kTypeDka) d[kDevTypeCond] &= 0x0F;
        if ((type & 0x0F) != kTypeTk3) {
            d[kDevNumber] = static_cast<std::uint8_t>(i + 1);
            d[kDevParam5] = 0;
        }
        d[kDevChecksum] = recordChecksum(d, kDevChecksum);
        return i;
    }
    return -1;
}

void DBK2::RemoveElement(int index) {
    if (index < 0 || index >= kDeviceCount) return;
    clearBit(deviceMap, index);
    clearBit(blockedDevices, index);
    ++modified;
    ResetDevice(devices[index]);
}

int DBK2::CreateKey() {
    for (int i = 0; i < kKeyCount; ++i) {
        if (testBit(keyMap, i)) continue;
        setBit(keyMap, i);
        ++modified;
        KeyRecord& k = keys[i];
        ResetKey(k);
        k[kKeyOrdinal] = static_cast<std::uint8_t>(i);
        return i;
    }
    return -1;
}

void DBK2::RemoveKey(int itemId) {
    const int index = itemId - 0x100;
    if (index < 0 || index >= kKeyCount) return;
    clearBit(keyMap, index);
    ++modified;
    ResetKey(keys[index]);
}

int DBK2::FindKey(ByteSpan code) {
    if (code.size() < kKeyCodeSize) return -1;
    if (std::all_of(code.begin(), code.begin() + kKeyCodeSize,
                    [](std::uint8_t b) { return b == 0; }))
        return -1;
    for (int i = 0; i < kKeyCount; ++i) {
        if (testBit(keyMap, i) &&
            std::equal(code.begin(), code.begin() + kKeyCodeSize, keys[i].begin()))
            return i;
    }
    return -1;
}

// ---- Queries ------------------------------------------------------------------------

bool DBK2::IsDeviceInUse(int index) const {
    return index >= 0 && index < kDeviceCount && testBit(deviceMap, index);
}

bool DBK2::IsKeyInUse(int index) const {
    return index >= 0 && index < kKeyCount && testBit(keyMap, index);
}

bool DBK2::IsDeviceBlocked(int index) const {
    return index >= 0 && index < kDeviceCount && testBit(blockedDevices, index);
}

bool DBK2::IsLoopBlocked(int loop) const {
    return loop >= 0 && loop < kLoopCount && testBit(blockedLoops, loop);
}

bool DBK2::HasUptOnLoop(int loop) const {
    for (int i = 0; i < kDeviceCount; ++i) {
        if (IsDeviceInUse(i) && deviceType(devices[i]) == kTypeUpt && devices[i][kDevLoop] == loop)
            return true;
    }
    return false;
}

int DBK2::FirstArmedSecurityLoop() const {
    for (int m = 0; m < 32; ++m) {
        if (loops[m][kLoopParam7] != 0 && loops[m][kLoopContent] != 0) return m;
    }
    return -1;
}

bool DBK2::LoopHasContent(int loop) const {
    if (loop < 0 || loop >= kLoopCount) return false;
    for (int i = 0; i < kDeviceCount; ++i) {
        if (!IsDeviceInUse(i)) continue;
        const int slots = deviceType(devices[i]) == kTypeTk3 ? 3 : 1;
        for (int s = 0; s < slots; ++s)
            if (deviceLoopSlot(devices[i], s) == loop) return true;
    }
    if (loop >= kFirstControlLoop) {
        for (int m = 0; m < kFirstControlLoop; ++m)
            for (int j = 0; j < kLoopLinkCount; ++j)
                if (loops[m][kLoopLink1 + j] == loop) return true;
    }
    return false;
}

void DBK2::UpdateLoopContent() {
    for (int m = 0; m < kLoopCount; ++m)
        loops[m][kLoopContent] = LoopHasContent(m) ? 1 : 0;
}

int DBK2::DeviceCount() const {
    int n = 0;
    for (int i = 0; i < kDeviceCount; ++i)
        n += IsDeviceInUse(i);
    return n;
}

int DBK2::KeyCount() const {
    int n = 0;
    for (int i = 0; i < kKeyCount; ++i)
        n += IsKeyInUse(i);
    return n;
}

int DBK2::BlockedDeviceCount() const {
    int n = 0;
    for (int i = 0; i < kDeviceCount; ++i)
        n += IsDeviceBlocked(i);
    return n;
}

int DBK2::BlockedLoopCount() const {
    int n = 0;
    for (int m = 0; m < kLoopCount; ++m)
        n += IsLoopBlocked(m);
    return n;
}

void DBK2::UpdateChecksums() {
    for (auto& d : devices)
        d[kDevChecksum] = recordChecksum(d, kDevChecksum);
    for (auto& l : loops)
        l[kLoopChecksum] = recordChecksum(l, kLoopChecksum);
}

void DBK2::PrintDatabase(PrintSurface& surface) {
    printDatabaseK2(surface, k2PrintData(*this));
}

std::vector<DBase::SummaryLine> DBK2::Summary() const {
    return {{"file-version", std::to_string(loadedFileVersion)},
            {"firmware", firmwareVersionText},
            {"devices", std::to_string(DeviceCount())},
            {"keys", std::to_string(KeyCount())},
            {"blocked-devices", std::to_string(BlockedDeviceCount())},
            {"blocked-loops", std::to_string(BlockedLoopCount())}};
}

}  // namespace tavrin
