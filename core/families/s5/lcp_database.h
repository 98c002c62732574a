// One LCP database of the "Версан С5" console: 255 devices, 255 objects and
// 255 keys with their used flags and counts, and the allocation rules shared
// by every record table of the family.
//
// Invariants: a slot whose used flag is 0 is free and its bytes are zero; a
// count is the highest used slot + 1 (0 when the table is empty).
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "families/s5/records.h"

namespace tavrin::s5 {

// Takes the first free slot of a table: its used flag set, the count raised
// when the slot lies at or past it, `hole` set when it lies below it.
// Returns the slot, or -1 when every slot is used. The caller zeroes it.
int allocateSlot(std::span<std::uint8_t> used, int& count, bool& hole);
// The count after a slot was freed: the next used slot below the old count + 1.
int countAfterRemoval(std::span<const std::uint8_t> used, int count);

struct LcpDatabase {
    explicit LcpDatabase(int lcpNumber) : number(static_cast<std::uint32_t>(lcpNumber)) {}

    // New records, each returning the slot or -1 when all 255 are used.
    // A new object or device always marks the LCP as needing packing; a key
    // does so when it fills a hole. Keys get their number (slot + 1).
    int newObject();
    int newDevice();
    int newKey();

    // Removal with the clean-up of the references inside this LCP: a removed
    // object leaves no parent, child or device pointing at it; a removed
    // device leaves no object bitmap bit. A removal that leaves a hole below
    // the count marks the LCP as needing packing (devices always do).
    void removeObject(int slot);
    void removeDevice(int slot);
    void removeKey(int slot);

    // Puts a device into an object (slot, or -1 for none): its object byte
    // and the device bitmaps of the old and the new object.
    void setDeviceObject(int device, int object);
    // Puts an object under another (slot, or -1 for directly under the LCP):
    // its parent byte and the subordinate bitmaps of the old and the new
    // parent. The caller rules out loops (DBS5::IsDescendant).
    void setObjectParent(int object, int parent);

    bool objectUsed(int slot) const { return slot >= 0 && slot < kSlots && objectUsedFlags[slot]; }
    bool deviceUsed(int slot) const { return slot >= 0 && slot < kSlots && deviceUsedFlags[slot]; }
    bool keyUsed(int slot) const { return slot >= 0 && slot < kSlots && keyUsedFlags[slot]; }
    bool empty() const { return deviceCount == 0 && objectCount == 0 && keyCount == 0; }

    std::uint32_t number;
    std::array<DeviceRecord, kSlots> devices{};
    std::array<ObjectRecord, kSlots> objects{};
    std::array<KeyRecord, kSlots> keys{};
    int deviceCount = 0;
    int objectCount = 0;
    int keyCount = 0;
    int savedDeviceCount = 0;  // copies taken in simulation mode before a read
    int savedObjectCount = 0;
    int savedKeyCount = 0;
    int firmwareVersion = -1;  // -1 = not read yet
    std::array<std::array<std::uint8_t, 3>, kSlots> deviceStates{};
    bool changed = false;
    std::array<std::uint8_t, kSlots> deviceUsedFlags{};
    std::array<std::uint8_t, kSlots> objectUsedFlags{};
    std::array<std::uint8_t, kSlots> keyUsedFlags{};
    bool needsPacking = false;
    bool readFromLcp = false;
};

}  // namespace tavrin::s5
