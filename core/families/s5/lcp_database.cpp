#include "families/s5/lcp_database.h"

namespace tavrin::s5 {

namespace {

void setMapBit(std::uint8_t* map, int slot, bool on) {
    const auto mask = static_cast<std::uint8_t>(1u << (slot % 8));
    if (on) {
        map[slot / 8] |= mask;
    } else {
        map[slot / 8] &= static_cast<std::uint8_t>(~mask);
    }
}

}  // namespace

int allocateSlot(std::span<std::uint8_t> used, int& count, bool& hole) {
    for (std::size_t i = 0; i < used.size(); ++i) {
        if (used[i]) continue;
        const int slot = static_cast<int>(i);
        if (slot >= count) {
            count = slot + 1;
        } else {
            hole = true;
        }
        used[i] = 1;
        return slot;
    }
    return -1;
}

int countAfterRemoval(std::span<const std::uint8_t> used, int count) {
    if (count > static_cast<int>(used.size())) count = static_cast<int>(used.size());
    while (count > 0 && !used[static_cast<std::size_t>(count - 1)])
        --count;
    return count;
}

int LcpDatabase::newObject() {
    bool hole = false;
    const int slot = allocateSlot(objectUsedFlags, objectCount, hole);
    if (slot < 0) return -1;
    objects[slot] = {};
    needsPacking = true;
    return slot;
}

int LcpDatabase::newDevice() {
    bool hole = false;
    const int slot = allocateSlot(deviceUsedFlags, deviceCount, hole);
    if (slot < 0) return -1;
    devices[slot] = {};
    deviceStates[slot] = {};
    needsPacking = true;
    return slot;
}

int LcpDatabase::newKey() {
    bool hole = false;
    const int slot = allocateSlot(keyUsedFlags, keyCount, hole);
    if (slot < 0) return -1;
    keys[slot] = {};
    putU16(keys[slot], key::kNumber, static_cast<std::uint16_t>(slot + 1));
    if (hole) needsPacking = true;
    return slot;
}

void LcpDatabase::removeObject(int slot) {
    if (!objectUsed(slot)) return;
    const auto ref = static_cast<std::uint8_t>(slot + 1);
    // Children lose their parent; the parent loses its child bit.
    for (int i = 0; i < kSlots; ++i) {
        if (objectUsedFlags[i] && objects[i][obj::kParent] == ref) objects[i][obj::kParent] = 0;
    }
    const int parent = objects[slot][obj::kParent];
    if (parent != 0 && objectUsed(parent - 1)) {
        setMapBit(objects[parent - 1].data() + obj::kSubMap, slot, false);
    }
    // Devices leave the object.
    for (int i = 0; i < kSlots; ++i) {
        if (deviceUsedFlags[i] && devices[i][dev::kObject] == ref) devices[i][dev::kObject] = 0;
    }
    objects[slot] = {};
    objectUsedFlags[slot] = 0;
    objectCount = countAfterRemoval(objectUsedFlags, objectCount);
    if (slot < objectCount) needsPacking = true;
}

void LcpDatabase::removeDevice(int slot) {
    if (!deviceUsed(slot)) return;
    // Clear its bit in every object's bitmap, not only in its own object's:
    // a stale bit would hand the next device of this slot to that object.
    for (int i = 0; i < kSlots; ++i) {
        if (objectUsedFlags[i]) setMapBit(objects[i].data() + obj::kDeviceMap, slot, false);
    }
    devices[slot] = {};
    deviceStates[slot] = {};
    deviceUsedFlags[slot] = 0;
    needsPacking = true;
    deviceCount = countAfterRemoval(deviceUsedFlags, deviceCount);
}

void LcpDatabase::removeKey(int slot) {
    if (!keyUsed(slot)) return;
    keys[slot] = {};
    keyUsedFlags[slot] = 0;
    keyCount = countAfterRemoval(keyUsedFlags, keyCount);
    if (slot < keyCount) needsPacking = true;
}

void LcpDatabase::setDeviceObject(int device, int object) {
    if (!deviceUsed(device)) return;
    const int old = devices[device][dev::kObject];
    if (old != 0 && objectUsed(old - 1)) {
        setMapBit(objects[old - 1].data() + obj::kDeviceMap, device, false);
    }
    if (objectUsed(object)) {
        devices[device][dev::kObject] = static_cast<std::uint8_t>(object + 1);
        setMapBit(objects[object].data() + obj::kDeviceMap, device, true);
    } else {
        devices[device][dev::kObject] = 0;
    }
    changed = true;
}

void LcpDatabase::setObjectParent(int object, int parent) {
    if (!objectUsed(object) || object == parent) return;
    const int old = objects[object][obj::kParent];
    if (old != 0 && objectUsed(old - 1)) {
        setMapBit(objects[old - 1].data() + obj::kSubMap, object, false);
    }
    if (objectUsed(parent)) {
        objects[object][obj::kParent] = static_cast<std::uint8_t>(parent + 1);
        setMapBit(objects[parent].data() + obj::kSubMap, object, true);
    } else {
        objects[object][obj::kParent] = 0;
    }
    // The packed order keeps every object after its parent.
    needsPacking = true;
    changed = true;
}

}  // namespace tavrin::s5
