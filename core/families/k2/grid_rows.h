// The rows of the "Талвир К2" parameter grid as data: for the panel, a loop,
// a key and each device kind, the rows in the order shown, each with the
// field it edits, where the value lives (record, byte, bit mask), its value
// list and when it is shown. The grid builds and applies its rows from this
// table, and the CSV export takes its cell texts from the same rows.
#pragma once

#include <cstdint>
#include <span>

#include "families/k2/records.h"
#include "families/k2/value_lists.h"

namespace tavrin::k2 {

// The value lists of the grid by name; the number is the list's combo box id.
namespace lists {
inline constexpr int kSecurityTactic = 1005;     // a ТК-3 loop on a security loop
inline constexpr int kOutputControl = 1006;      // "Управление" of an output device
inline constexpr int kDetectorCondition = 1007;  // ДИП, ИПГ
inline constexpr int kLoopNames = 1010;
inline constexpr int kControlLogic = 1011;       // "Логика работы" of a control loop
inline constexpr int kMonitoringMessage = 1012;  // a loop on a monitoring loop
inline constexpr int kKeyLoopGroup = 1016;
inline constexpr int kFireRelay = 1017;      // relay of an output on a fire loop
inline constexpr int kOtherRelay = 1019;     // on a monitoring loop or none
inline constexpr int kLineControl = 1020;    // "Контроль неисправности"
inline constexpr int kSecurityRelay = 1021;  // on a security loop
inline constexpr int kDkaCondition = 1059;
inline constexpr int kKtmTactic = 1060;
}  // namespace lists

// What a row edits: the grid's field numbers.
enum Field : int {
    fVersion = 1,
    fEntryDelay,
    fLoopName,
    fLoopNumber,
    fCountdown,
    fLink1,  // fLink1 + j: the loop's link j
    fLogic = fLink1 + 4,
    fLoopBlocked,
    fKeyOrdinal,
    fKeyCode,
    fKeyGroup,
    fDevType,
    fDevNumber,
    fCondition,
    fDevLoop,
    fTk3Loop,                   // fTk3Loop + slot
    fTk3Tactic = fTk3Loop + 3,  // fTk3Tactic + slot
    fFaultHigh = fTk3Tactic + 3,
    fKtmTactic,
    fKtmFault,
    fRelayDelay,
    fControl,
    fDevBlocked,
};

// Where a row's value lives in the item's records.
enum class Place : std::uint8_t {
    None,           // read-only text
    Panel,          // the panel block
    Loop,           // the loop's record
    Key,            // the key's record
    Device,         // the device's record
    LoopName,       // the loop's name text
    KeyCode,        // the key's six code bytes
    LoopBlocked,    // the loop's bit in blockedLoops
    DeviceBlocked,  // the device's bit in blockedDevices
};

enum class RowKind : std::uint8_t { ReadOnly, Number, Number5, List, NameCombo, KeyNumber };

// Where a row's entries come from.
enum class RowList : std::uint8_t {
    None,
    Fixed,                            // the list `listId`
    YesNo,                            // "Нет" 0, "Да" 1
    FireLoops,                        // loops 32..63
    MonitoringLoops,                  // loops 64..95
    SecurityOrMonitoringLoops,        // loops 0..31 and 64..95
    SecurityOrMonitoringLoopsOrNone,  // "Нет", then those
    ControlLoopsOrNone,               // "Нет", loops 96..127
    AnyLoopOrNone,                    // "Нет", loops 0..127
    RelayByLoop,                      // the relay list of the device's loop
};

enum class Shown : std::uint8_t {
    Always,
    SecurityLoopItem,    // the item is a security loop (0..31)
    ControlLoopItem,     // the item is a control loop (96..127)
    SlotSecurityOrNone,  // the device's loop `slot` is a security loop or none
    SlotMonitoring,      // the device's loop `slot` is a monitoring loop
};

enum class ReadText : std::uint8_t { None, Firmware, TypeName, DeviceNumber };

// The entry shown for a value no entry carries.
inline constexpr int kNoDefault = -1;
inline constexpr int kFirstEntry = 0;
inline constexpr int kLastEntry = -2;  // "Не выбрано" and the like

struct RowSpec {
    const char* name;
    int field = 0;  // 0: a read-only row
    RowKind kind = RowKind::ReadOnly;
    Place place = Place::None;
    std::uint8_t offset = 0;
    std::uint16_t mask = 0xFF;  // 0xFFFF: two bytes, low byte first
    RowList list = RowList::None;
    int listId = 0;
    int defaultEntry = kFirstEntry;
    Shown shown = Shown::Always;
    int slot = 0;
    int maximum = 255;
    bool rebuilds = false;  // a commit derives the rows again
    ReadText text = ReadText::None;
};

std::span<const RowSpec> panelRows();
std::span<const RowSpec> loopRows();
std::span<const RowSpec> keyRows();
// "Тип" and "Номер АУ в базе", then the rows of the kind.
std::span<const RowSpec> deviceRows(int type);

// The value of a row in its record's bytes, and the bytes with a new value.
int readValue(const RowSpec& row, const std::uint8_t* record);
void writeValue(const RowSpec& row, std::uint8_t* record, int value);

// Whether a row of a device is shown when its loop `slot` is `loop`.
bool slotRowShown(const RowSpec& row, int loop);

// The relay list of an output device on `loop`; `controlLogic` is the
// "Логика работы" of a control loop.
int relayListId(int loop, int controlLogic);

}  // namespace tavrin::k2
