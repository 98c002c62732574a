// The element table of the "Ордис Р7" panel: 2048 records of 40 bytes that
// together form a tree (the panel, objects, keys and addressable devices),
// each element naming its parent by id. Records are byte arrays with
// accessors; numbers are little-endian.
//
// Layout of one record:
//   bytes 0-1   id (u16), unique; 1 = the panel; 0 = the slot is free
//   bytes 2-3   parent id (u16); 0 = none
//   byte  4     element type; 0 = free
//   bytes 5-16  parameters, type-specific (0xFF each in a free record)
//               byte 5 bit 0: switched off (objects and devices)
//               byte 5: key kind (1 employee key, 2 general key)
//               byte 7: network address (the panel)
//               byte 9: addressable line 1..4 = А, Б, В, Г (devices)
//               byte 12: output mode / purpose (devices), image bits (keys)
//               bytes 12-13: reference 1 (objects), u16 object id
//               bytes 14, 16: reference 2 (objects), low and high byte
//   bytes 17-37 name, 21 characters of Windows-1251 text, blank-padded
//   byte  38    terminator, 0 in memory
//   byte  39    not used
// Bytes 0..37 are stored in the file and sent to the panel.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tavrin::r7 {

constexpr int kElementCount = 2048;
constexpr int kElementRecordSize = 40;
constexpr int kStoredRecordSize = 38;    // bytes 0..37, file versions 1, 2 and the wire
constexpr int kStoredRecordSizeV0 = 39;  // bytes 0..38, file version 0
constexpr int kFileRecordCount = 2047;   // records 0..2046 are stored in the file

constexpr int kOffId = 0;
constexpr int kOffParent = 2;
constexpr int kOffType = 4;
constexpr int kOffParams = 5;
constexpr int kParamCount = 12;  // bytes 5..16
constexpr int kOffSwitch = 5;    // bit 0: switched off
constexpr int kOffKeyKind = 5;
constexpr int kOffAddress = 7;
constexpr int kOffLine = 9;
constexpr int kOffOutputMode = 12;
constexpr int kOffRef1 = 12;
constexpr int kOffRef2Low = 14;
constexpr int kOffRef2High = 16;
constexpr int kOffName = 17;
constexpr int kNameLength = 21;
constexpr int kOffTerminator = 38;

constexpr std::uint8_t kSwitchedOffBit = 0x01;
constexpr std::uint8_t kModeNotSet = 0xFF;
constexpr std::uint8_t kKeyKindEmployee = 1;
constexpr std::uint8_t kKeyKindGeneral = 2;

// Element types with a meaning of their own; device types are in element_types.h.
constexpr std::uint8_t kTypeFree = 0;
constexpr std::uint8_t kTypePanel = 1;
constexpr std::uint8_t kTypeObject = 2;
constexpr std::uint8_t kTypeKey = 4;

struct ElementRecord {
    std::array<std::uint8_t, kElementRecordSize> bytes{};

    std::uint16_t id() const { return u16(kOffId); }
    std::uint16_t parent() const { return u16(kOffParent); }
    std::uint8_t type() const { return bytes[kOffType]; }
    void setId(std::uint16_t v) { setU16(kOffId, v); }
    void setParent(std::uint16_t v) { setU16(kOffParent, v); }
    void setType(std::uint8_t v) { bytes[kOffType] = v; }

    // Free: id, parent and type all 0. The tree, the rules and the check
    // treat every other record as used.
    bool isFree() const { return id() == 0 && parent() == 0 && type() == kTypeFree; }
    // Kept by the compaction: has an id and a type.
    bool hasIdAndType() const { return id() != 0 && type() != kTypeFree; }

    bool switchedOff() const { return (bytes[kOffSwitch] & kSwitchedOffBit) != 0; }
    std::uint8_t line() const { return bytes[kOffLine]; }
    std::uint8_t outputMode() const { return bytes[kOffOutputMode]; }
    std::uint8_t address() const { return bytes[kOffAddress]; }

    // Object references to other objects by id; 0 = none.
    std::uint16_t reference1() const { return u16(kOffRef1); }
    std::uint16_t reference2() const {
        return static_cast<std::uint16_t>(bytes[kOffRef2Low] | (bytes[kOffRef2High] << 8));
    }
    void setReference1(std::uint16_t v) { setU16(kOffRef1, v); }
    void setReference2(std::uint16_t v) {
        bytes[kOffRef2Low] = static_cast<std::uint8_t>(v);
        bytes[kOffRef2High] = static_cast<std::uint8_t>(v >> 8);
    }

    // The name as UTF-8: the characters up to the first 0 (at most 21),
    // trailing blanks cut.
    std::string name() const;
    // Stores the name in Windows-1251, cut to 21 bytes and blank-padded;
    // the terminator byte becomes 0.
    void setName(const std::string& utf8);

    // Makes the record free: bytes 0..4 = 0, parameters 0xFF, the name 21
    // blanks, the terminator 0.
    void clear();

  private:
    std::uint16_t u16(int off) const {
        return static_cast<std::uint16_t>(bytes[off] | (bytes[off + 1] << 8));
    }
    void setU16(int off, std::uint16_t v) {
        bytes[off] = static_cast<std::uint8_t>(v);
        bytes[off + 1] = static_cast<std::uint8_t>(v >> 8);
    }
};

using ElementTable = std::array<ElementRecord, kElementCount>;

}  // namespace tavrin::r7
