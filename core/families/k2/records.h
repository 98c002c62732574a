// Byte layout of the "Талвир К2" records: fixed-size tables that mirror the
// panel's memory and travel byte for byte to the file and to the panel.
// Everything here is constants and small accessors over byte arrays.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tavrin::k2 {

// ---- Table sizes -----------------------------------------------------------
constexpr int kDeviceCount = 128;
constexpr int kLoopCount = 128;
constexpr int kKeyCount = 256;
constexpr int kNameCount = 128;
constexpr int kOldNameCount = 96;  // names held by file versions 0..2

// ---- DeviceRecord (8 bytes) --------------------------------------------------
constexpr std::size_t kDeviceRecordSize = 8;
constexpr std::size_t kDevSerial = 0;    // u16, the device's serial number
constexpr std::size_t kDevTypeCond = 2;  // low nibble type, high nibble trigger condition
constexpr std::size_t kDevLoop = 3;      // loop 0..127, 0xFF none; type 3: loop A
constexpr std::size_t kDevNumber = 4;    // displayed number; type 3: loop B
constexpr std::size_t kDevParam5 = 5;    // parameter; type 3: loop C
constexpr std::size_t kDevParam6 = 6;    // parameter (bits 6-7: tactic / line control)
constexpr std::size_t kDevChecksum = 7;  // the eight bytes sum to 0 modulo 256

// ---- LoopRecord (9 bytes stored, 10 held) -------------------------------------
constexpr std::size_t kLoopStoredSize = 9;
constexpr std::size_t kLoopRecordSize = 10;
constexpr std::size_t kLoopNumber = 0;     // u16, shown after the name when not 0
constexpr std::size_t kLoopNameIndex = 2;  // index into the name table
constexpr std::size_t kLoopLogic = 3;      // "У" loop: logic; loops 0..95: link 1
constexpr std::size_t kLoopLink1 = 3;      // links 1..4 at bytes 3..6
constexpr int kLoopLinkCount = 4;
constexpr std::size_t kLoopParam7 = 7;
constexpr std::size_t kLoopChecksum = 8;  // the nine bytes sum to 0 modulo 256
constexpr std::size_t kLoopContent = 9;   // working byte, never stored

// ---- KeyRecord (12 bytes) --------------------------------------------------------
constexpr std::size_t kKeyRecordSize = 12;
constexpr std::size_t kKeyCode = 0;  // 6-byte code
constexpr std::size_t kKeyCodeSize = 6;
constexpr std::size_t kKeyOrdinal = 6;      // ordinal number
constexpr std::size_t kKeyKind = 7;         // bit 7 employee, bits 0-1 loop group
constexpr std::size_t kKeyApplication = 8;  // 4 bytes: bit n = loop n of the group
constexpr std::size_t kKeyApplicationSize = 4;
constexpr std::size_t kKeyHalfSize = 6;  // the table travels in two halves
constexpr std::uint8_t kKeyEmployeeBit = 0x80;

// ---- Name texts, bit sets, panel block -------------------------------------------
constexpr std::size_t kNameSize = 16;  // 8-bit text padded with blanks
constexpr std::size_t kDeviceMapSize = 16;
constexpr std::size_t kKeyMapSize = 32;
constexpr std::size_t kBlockedDevicesSize = 16;
constexpr std::size_t kBlockedLoopsSize = 16;
constexpr std::size_t kPanelBlockSize = 29;
constexpr std::size_t kPanelDeviceCount = 1;  // filled before a write to the panel
constexpr std::size_t kPanelDutyKeys = 2;
constexpr std::size_t kPanelEmployeeKeys = 3;
constexpr std::size_t kPanelDeviceSum = 20;  // u16

// ---- Loop groups --------------------------------------------------------------------
constexpr int kGroupSecurity = 0;    // loops 0..31
constexpr int kGroupFire = 1;        // loops 32..63
constexpr int kGroupMonitoring = 2;  // loops 64..95
constexpr int kGroupControl = 3;     // loops 96..127, the "У" loops
constexpr int kFirstControlLoop = 96;
constexpr std::uint8_t kNone = 0xFF;

// ---- Device types (low nibble of byte 2) -------------------------------------------
constexpr int kTypeDip = 0;
constexpr int kTypeIpr = 1;
constexpr int kTypeTk = 2;
constexpr int kTypeTk3 = 3;  // one device, three loops A, B, C
constexpr int kTypeKtm = 4;
constexpr int kTypeIpg = 5;
constexpr int kTypeDka = 6;
constexpr int kTypeBrp = 7;
constexpr int kTypeUpt = 11;
constexpr int kTypeMau = 12;
constexpr int kTypeUop = 13;
constexpr int kTypeUopv = 14;
constexpr int kConditionNotChosen = 7;

// ---- Sections: the flags of `sectionValid` --------------------------------------------
enum Section {
    kSecDevices,
    kSecLoops,
    kSecDeviceMap,
    kSecKeyMap,
    kSecKeys,
    kSecPanel,
    kSecNames,
    kSectionCount
};

// ---- File layout -----------------------------------------------------------------------
constexpr std::int32_t kFileVersion = 3;       // written
constexpr std::int32_t kMaxKnownVersion = 10;  // 4..10: newer than this program
constexpr std::uint32_t kMaxVersionStringBytes = 1000;
constexpr std::size_t kMaxVersionChars = 8;
// Bytes after the version string of a version-3 file.
constexpr std::size_t kFileBodySize = kDeviceMapSize + kDeviceCount * kDeviceRecordSize +
                                      kLoopCount * kLoopStoredSize + kKeyMapSize +
                                      2 * kKeyCount * kKeyHalfSize + kNameCount * kNameSize +
                                      kPanelBlockSize + kBlockedDevicesSize + kBlockedLoopsSize;
static_assert(kFileBodySize == 7405);

using DeviceRecord = std::array<std::uint8_t, kDeviceRecordSize>;
using LoopRecord = std::array<std::uint8_t, kLoopRecordSize>;
using KeyRecord = std::array<std::uint8_t, kKeyRecordSize>;
using NameText = std::array<std::uint8_t, kNameSize>;

// ---- Accessors ------------------------------------------------------------------------------
inline int deviceType(const DeviceRecord& d) {
    return d[kDevTypeCond] & 0x0F;
}
inline int deviceCondition(const DeviceRecord& d) {
    return d[kDevTypeCond] >> 4;
}
inline std::uint16_t deviceSerial(const DeviceRecord& d) {
    return static_cast<std::uint16_t>(d[kDevSerial] | (d[kDevSerial + 1] << 8));
}
// The loop of slot 0..2 (A, B, C) of a three-loop device; slot 0 is the
// loop of every other device.
inline std::uint8_t deviceLoopSlot(const DeviceRecord& d, int slot) {
    return d[kDevLoop + slot];
}

inline int loopGroup(int loop) {
    return loop >> 5;
}
inline std::uint16_t loopNumber(const LoopRecord& l) {
    return static_cast<std::uint16_t>(l[kLoopNumber] | (l[kLoopNumber + 1] << 8));
}
inline bool isEmployeeKey(const KeyRecord& k) {
    return (k[kKeyKind] & kKeyEmployeeBit) != 0;
}
inline int keyLoopGroup(const KeyRecord& k) {
    return k[kKeyKind] & 0x03;
}

// Two's complement of the 8-bit sum of the first n bytes.
template <std::size_t N>
std::uint8_t recordChecksum(const std::array<std::uint8_t, N>& r, std::size_t n) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < n && i < N; ++i)
        sum += r[i];
    return static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
}

}  // namespace tavrin::k2
