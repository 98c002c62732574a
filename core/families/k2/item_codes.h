// The item codes of the "Талвир К2" tree: every node of the tree, the edit
// rules, the item images and the grid name an item by one of these codes.
//
// Groups are negative: the panel (root image) -1, devices -3, keys -4,
// loops -5, duty keys -6, employee keys -7, the loop groups -30..-33
// (security, fire, monitoring, control). Elements: device i = i (the root
// node also carries 0), loop m = 0x80 + m, key k = 0x100 + k, a three-loop
// device's entry for its loop A, B or C = 0x200 + 0x80 * slot + i.
#pragma once

#include "families/k2/records.h"
#include "link/dbase.h"

namespace tavrin::k2code {

inline constexpr ItemCode kRoot = 0;
inline constexpr ItemCode kPanel = -1;  // the root's image code
inline constexpr ItemCode kDevices = -3;
inline constexpr ItemCode kKeys = -4;
inline constexpr ItemCode kLoops = -5;
inline constexpr ItemCode kDutyKeys = -6;
inline constexpr ItemCode kEmployeeKeys = -7;
inline constexpr ItemCode kLoopGroupBase = -30;  // -30 - group (0 security .. 3 control)
inline constexpr ItemCode kLoopBase = 0x80;
inline constexpr ItemCode kKeyBase = 0x100;
inline constexpr ItemCode kSlotBase = 0x200;  // + 0x80 * slot + device
inline constexpr int kSlotCount = 3;

inline constexpr ItemCode loopGroupCode(int group) {
    return kLoopGroupBase - group;
}
inline constexpr bool isLoopGroup(ItemCode c) {
    return c <= kLoopGroupBase && c > kLoopGroupBase - 4;
}
inline constexpr int groupOfCode(ItemCode c) {
    return kLoopGroupBase - c;
}
inline constexpr bool isDevice(ItemCode c) {
    return c >= 0 && c < k2::kDeviceCount;
}
inline constexpr bool isLoop(ItemCode c) {
    return c >= kLoopBase && c < kLoopBase + k2::kLoopCount;
}
inline constexpr bool isControlLoop(ItemCode c) {
    return c >= kLoopBase + k2::kFirstControlLoop && c < kLoopBase + k2::kLoopCount;
}
// Loops 0..95: the loops that may be members of a control loop.
inline constexpr bool isPlainLoop(ItemCode c) {
    return isLoop(c) && !isControlLoop(c);
}
inline constexpr bool isKey(ItemCode c) {
    return c >= kKeyBase && c < kKeyBase + k2::kKeyCount;
}
inline constexpr bool isSlotEntry(ItemCode c) {
    return c >= kSlotBase && c < kSlotBase + kSlotCount * k2::kDeviceCount;
}
inline constexpr ItemCode slotEntryCode(int device, int slot) {
    return kSlotBase + k2::kDeviceCount * slot + device;
}
inline constexpr int slotOfEntry(ItemCode c) {
    return (c - kSlotBase) / k2::kDeviceCount;
}
inline constexpr int loopOf(ItemCode c) {
    return c - kLoopBase;
}
inline constexpr int keyOf(ItemCode c) {
    return c - kKeyBase;
}
// The device of a device item or of a loop entry, or -1.
inline constexpr int deviceOf(ItemCode c) {
    if (isDevice(c)) return c;
    if (isSlotEntry(c)) return (c - kSlotBase) % k2::kDeviceCount;
    return -1;
}

}  // namespace tavrin::k2code
