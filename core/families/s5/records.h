// "Версан С5" records: the byte layouts of devices ("АУ"), objects and keys,
// their checksums, the name fields, the device type table and the item codes
// of the tree.
//
// Every record is a fixed-size byte image. The same bytes live in memory, go
// to the database folder and travel to the LCPs, minus the one terminator byte
// that follows the name in memory. Offsets below are in-memory offsets.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/bytes.h"

namespace tavrin::s5 {

// ---- Limits ------------------------------------------------------------------

constexpr int kMaxLcps = 64;           // addresses 1..64
constexpr int kLcpTableSize = 65;      // entry 0 stays empty
constexpr int kSlots = 255;            // devices, objects, keys per LCP
constexpr int kCommonKeys = 1000;      // keys of the console
constexpr int kMessages = 16;          // message texts of the console
constexpr std::size_t kNameSize = 20;  // every name field, 8-bit text
constexpr std::uint8_t kBlank = 0x20;

// ---- Device record ("АУ"), 64 bytes ----------------------------------------------

namespace dev {
constexpr std::size_t kSize = 64;
constexpr std::size_t kNumber = 0;   // slot index, 0-based
constexpr std::size_t kType = 1;     // device type code
constexpr std::size_t kClass = 2;    // 8 detectors/inputs, 4 executive, 1 key reader
constexpr std::size_t kFlags = 3;    // bit 7 "Блокировка АУ", bits 6/5 object type bit
constexpr std::size_t kOnDelay = 4;  // УПТ: "Задержка включения ИУ, сек."
constexpr std::size_t kOffDelay = 5;  // УПТ: "Задержка выключения ИУ, сек."
constexpr std::size_t kSerial = 6;    // 2 bytes
constexpr std::size_t kObject = 8;    // object slot + 1; 0 = none
constexpr std::size_t kParams = 9;    // 32 bytes of device parameters
constexpr std::size_t kParamsSize = 32;
constexpr std::size_t kName = 41;        // 20 bytes
constexpr std::size_t kTerminator = 61;  // 0; not on disk or on the wire
constexpr std::size_t kChecksum = 62;    // u16
constexpr std::size_t kDiskSize = 63;    // bytes 0..60, then 62..63
constexpr std::uint8_t kFlagBlocked = 0x80;
constexpr std::uint8_t kFlagTypeBit2 = 0x40;  // gives its object type bit 2
constexpr std::uint8_t kFlagTypeBit4 = 0x20;  // gives its object type bit 4
}  // namespace dev

// ---- Object record, 97 bytes ---------------------------------------------------

namespace obj {
constexpr std::size_t kSize = 97;
constexpr std::size_t kFlags = 0;  // bit 7 main, bit 6 virtual, bits 0..2 type
constexpr std::size_t kParam = 1;
constexpr std::size_t kName = 2;         // 20 bytes
constexpr std::size_t kTerminator = 22;  // 0; not on disk or on the wire
constexpr std::size_t kDeviceMap = 23;   // 32 bytes: bit j = device slot j belongs here
constexpr std::size_t kMapSize = 32;
constexpr std::size_t kLinkedLcp = 55;     // "Cвязанный LCP"; 0 = no link
constexpr std::size_t kLinkedObject = 56;  // object slot + 1 in that LCP
constexpr std::size_t kDelay = 57;         // "Задержка срабатывания, сек."
constexpr std::size_t kDayTime = 58;       // 10-minute steps
constexpr std::size_t kNightTime = 59;
constexpr std::size_t kChecksum1 = 60;  // u16 over 0..21, 23..59
constexpr std::size_t kSubMap = 62;     // 32 bytes: bit j = object slot j is a child
constexpr std::size_t kParent = 94;     // parent slot + 1; 0 = none
constexpr std::size_t kChecksum2 = 95;  // u16 over 0..21, 23..94
constexpr std::size_t kDiskSize = 96;   // bytes 0..21, then 23..96
constexpr std::uint8_t kFlagMain = 0x80;
constexpr std::uint8_t kFlagVirtual = 0x40;
constexpr std::uint8_t kTypeMask = 0x07;
}  // namespace obj

// ---- Key record, 33 bytes (LCP keys and console keys) -----------------------------

namespace key {
constexpr std::size_t kSize = 33;
constexpr std::size_t kType = 0;         // "Тип ключа"
constexpr std::size_t kNumber = 1;       // u16: slot + 1
constexpr std::size_t kOwner = 3;        // 20 bytes, "Владелец"
constexpr std::size_t kTerminator = 23;  // 0; not on disk or on the wire
constexpr std::size_t kFullNumber = 24;  // 6 bytes
constexpr std::size_t kFullNumberSize = 6;
constexpr std::size_t kRights = 30;    // bit 0 arm, bit 1 disarm, bit 2 access
constexpr std::size_t kChecksum = 31;  // u16 over 0..22, 24..30
constexpr std::size_t kDiskSize = 32;  // bytes 0..22, then 24..32
}  // namespace key

using DeviceRecord = std::array<std::uint8_t, dev::kSize>;
using ObjectRecord = std::array<std::uint8_t, obj::kSize>;
using KeyRecord = std::array<std::uint8_t, key::kSize>;

// ---- Names --------------------------------------------------------------------

// Pads a name field with blanks from its first zero byte to its end.
void padName(MutableByteSpan field);
// Cuts trailing blanks: every blank after the last non-blank byte becomes 0.
void trimName(MutableByteSpan field);
// The name as UTF-8 (the bytes before the first zero, trailing blanks cut).
std::string nameText(ByteSpan field);
// Stores a UTF-8 name as 8-bit text, cut to the field, the rest zero.
void setNameText(MutableByteSpan field, const std::string& utf8);

inline MutableByteSpan deviceName(DeviceRecord& r) {
    return {r.data() + dev::kName, kNameSize};
}
inline MutableByteSpan objectName(ObjectRecord& r) {
    return {r.data() + obj::kName, kNameSize};
}
inline MutableByteSpan keyOwner(KeyRecord& r) {
    return {r.data() + key::kOwner, kNameSize};
}
inline ByteSpan deviceName(const DeviceRecord& r) {
    return {r.data() + dev::kName, kNameSize};
}
inline ByteSpan objectName(const ObjectRecord& r) {
    return {r.data() + obj::kName, kNameSize};
}
inline ByteSpan keyOwner(const KeyRecord& r) {
    return {r.data() + key::kOwner, kNameSize};
}

// ---- Checksums ------------------------------------------------------------------
//
// A record checksum is the two's complement of the byte sum modulo 65536,
// stored little-endian, taken with the name padded with blanks. The compute
// functions leave the record as it is; the store functions write the
// checksum(s) into the record (and nothing else).

std::uint16_t deviceChecksum(const DeviceRecord& r);
std::uint16_t objectChecksum1(const ObjectRecord& r);
// The second checksum covers the first one as it is stored in the record.
std::uint16_t objectChecksum2(const ObjectRecord& r);
std::uint16_t keyChecksum(const KeyRecord& r);

void storeDeviceChecksum(DeviceRecord& r);
void storeObjectChecksums(ObjectRecord& r);  // the first, then the second
void storeKeyChecksum(KeyRecord& r);

inline std::uint16_t storedDeviceChecksum(const DeviceRecord& r) {
    return getU16(r, dev::kChecksum);
}
inline std::uint16_t storedObjectChecksum2(const ObjectRecord& r) {
    return getU16(r, obj::kChecksum2);
}
inline std::uint16_t storedKeyChecksum(const KeyRecord& r) {
    return getU16(r, key::kChecksum);
}

// ---- Disk / wire images ------------------------------------------------------------
//
// The record without its terminator byte, with the name padded with blanks.
// The caller stores the checksum first when it must be current.

void deviceToDisk(const DeviceRecord& r, std::uint8_t (&out)[dev::kDiskSize]);
void objectToDisk(const ObjectRecord& r, std::uint8_t (&out)[obj::kDiskSize]);
void keyToDisk(const KeyRecord& r, std::uint8_t (&out)[key::kDiskSize]);
// From the image: terminator set to 0, trailing blanks of the name cut.
DeviceRecord deviceFromDisk(const std::uint8_t* in);
ObjectRecord objectFromDisk(const std::uint8_t* in);
KeyRecord keyFromDisk(const std::uint8_t* in);

// ---- Device types -------------------------------------------------------------------

struct DeviceType {
    std::uint8_t code;
    const char* label;  // printf pattern with the device number, UTF-8
    std::uint8_t deviceClass;
    std::uint8_t flags;
};

// The row of a type code, or nullptr for a code the table does not know
// (such a device gets an empty name, class 0 and flags 0).
const DeviceType* deviceType(std::uint8_t code);
// The short type name ("ДИП", "ТК3", ...; the number for a code without one).
std::string deviceTypeName(std::uint8_t code);

// ---- Item codes of the tree ----------------------------------------------------------

constexpr int kItemRoot = -100;
constexpr int kItemCommonKeys = -101;
constexpr int kItemMessages = -99;
constexpr int kItemCommonKeyBase = -1000;  // -1000 - k: console key k
constexpr int kDeviceItemOffset = 255;
constexpr int kKeyItemOffset = 510;

enum class ItemKind { None, Root, CommonKeys, Messages, CommonKey, Lcp, Object, Device, Key };

struct ItemRef {
    ItemKind kind = ItemKind::None;
    int lcp = 0;   // 1..64 for Lcp, Object, Device, Key
    int slot = 0;  // 0..254 (0..999 for CommonKey)
};

ItemRef decodeItem(std::int32_t item);
inline std::int32_t objectItem(int lcp, int slot) {
    return lcp * 1000 + slot;
}
inline std::int32_t deviceItem(int lcp, int slot) {
    return lcp * 1000 + kDeviceItemOffset + slot;
}
inline std::int32_t keyItem(int lcp, int slot) {
    return lcp * 1000 + kKeyItemOffset + slot;
}
inline std::int32_t lcpItem(int lcp) {
    return -1 - lcp;
}
inline std::int32_t commonKeyItem(int slot) {
    return kItemCommonKeyBase - slot;
}

}  // namespace tavrin::s5
