// Element types of the "Ордис Р7" table: the device kinds with their type
// codes, default names, new-element parameters and tree images.
//
// A device is any element whose type is above 2 and not 4 (the tree lists it
// under its object and under its line). Two or three type codes share one
// kind; a type code that no kind carries is kept in the table as it is, has
// no default name and is reported by the correctness check.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "families/r7/records.h"

namespace tavrin::r7 {

// Images of the tree's image list (the list itself lives in the gui).
// Detectors: `image` normal, `image + 1` switched off. Output-like devices:
// `image` switched off or mode not set (byte 12 = 0xFF), `image + 1` another
// mode, `image + 2` mode 0, `image + 3` mode 1.
constexpr int kImageObjectControl = 44;   // children only of purpose 2..4
constexpr int kImageObjectSecurity = 45;  // only purpose 1
constexpr int kImageObjectFire = 46;      // only purpose 0
constexpr int kImageObjectFireSecurity = 47;
constexpr int kImageObjectFireControl = 48;
constexpr int kImageObjectSecurityControl = 49;
constexpr int kImageObjectAll = 50;
constexpr int kImageKey = 51;
constexpr int kImageKeyBit1 = 52;    // byte 12 bit 1
constexpr int kImageObjectOff = 74;  // switched off, or no device with a purpose
constexpr int kImageKeyBit0 = 75;    // byte 12 bit 0
constexpr int kImagePanel = 76;
constexpr int kImageFolder = 79;         // the line groups
constexpr int kImageUnknownDevice = 38;  // normal; +1 switched off

enum class NewParams {
    Detector,     // byte 10 = 0xFF
    Output,       // byte 10 = 0xFF, byte 11 = 1, byte 12 = 0xFF
    OutputRelay,  // byte 10 = 0xFF, byte 11 = 0, byte 12 = 0xFF, byte 13 = 0
};

struct DeviceKind {
    const char* label;                  // "ВЕРС-ДИП": menus and the grid's type list
    std::array<std::uint8_t, 3> codes;  // type codes of the kind, 0 = unused entry
    std::uint8_t newCode;               // the code a new device of the kind gets
    const char* nameFormat;             // default name, "%d" = the element's id
    NewParams params;
    bool outputLike;  // byte 12 is an output mode shown by the image
    int image;
};

// The twelve device kinds, in the order of the tree's "Добавить устройство" menu.
std::span<const DeviceKind> deviceKinds();
// The kind of a type code, or nullptr (the panel, objects, keys, unknown codes).
const DeviceKind* deviceKind(std::uint8_t type);

// Listed as a device by the tree: type above 2 and not a key.
inline bool isDeviceType(std::uint8_t type) {
    return type > kTypeObject && type != kTypeKey;
}
inline bool isOutputLike(std::uint8_t type) {
    const DeviceKind* k = deviceKind(type);
    return k && k->outputLike;
}

// The image of an object: switched off, or by the purposes (byte 12) of the
// devices under it: 0 fire, 1 security, 2..4 monitoring and control.
int objectImage(bool switchedOff, bool fire, bool security, bool control);

// Default name of a new element (empty for an unknown type). `underObject`
// picks the employee-key form for keys.
std::string defaultElementName(std::uint8_t type, unsigned id, bool underObject);

// Writes the new-element parameters of a type into bytes 5..13 of a record
// whose bytes 5..12 have been zeroed.
void applyNewElementParams(ElementRecord& record, std::uint8_t type, bool underObject);

}  // namespace tavrin::r7
