// Record bytes of the "Ордис Р7" elements that the grid rows and the tree's
// switch and line commands edit, where the element layout leaves the field
// open. These bytes are stored in the file and sent to the panel as they are.
//
//   Element | Row                                   | Bytes
//   --------+---------------------------------------+------------------------------
//   panel   | Сетевой адрес прибора                 | 7
//   panel   | Тип срабатывания реле 1..4            | 8..11 (list 1030)
//   panel   | Отключить оповещение через(мин,0-60)  | 12
//   object  | Включение                             | 5 bit 0 (1 = switched off)
//   object  | Автоматика                            | 5 bit 1 (1 = "Неснимаемый")
//   object  | Переход на день                       | 6 hours, 7 minutes
//   object  | Время УПА, сек.                       | 8-9 (u16; a new object has 15)
//   object  | Переход на ночь                       | 10 hours, 11 minutes
//   object  | Объект 1 / 2 для передачи "Пожара"    | 12-13 / 14 and 16 (object ids)
//   object  | Группа УПА                            | 15 (0 none, 1..16)
//   device  | Включение                             | 5 bit 0 (1 = switched off)
//   device  | UID                                   | 6-7 (u16)
//   device  | Запуск автоматики                     | 8 (list 1038)
//   device  | Линия                                 | 9 (1..4 = А..Г, 0 none)
//   device  | Тип сработки 1                        | 10 (list 1030)
//   device  | Тип сработки                          | 11 (list 1030)
//   device  | Назначение                            | 12 (list 1039; the output mode)
//   device  | Задержка сработки реле,сек,0-255      | 13
//   device  | Серийный номер (shown only)           | 14-15 (u16)
//   key     | Тип ключа (shown only)                | 5 (1 employee, 2 general)
//   key     | Полный номер ключа                    | 6..11
//   key     | Подтип ключа                          | 12 (list 1040)
//   key     | Включение                             | 13 (1 = switched off; byte 5
//           |                                       | holds the key's kind)
#pragma once

#include "families/r7/records.h"

namespace tavrin::r7field {

inline constexpr int kPanelRelay1 = 8;
inline constexpr int kPanelAlertOff = 12;
inline constexpr std::uint8_t kAutomaticsBit = 0x02;
inline constexpr int kObjectDay = 6;
inline constexpr int kObjectUpaTime = 8;
inline constexpr int kObjectNight = 10;
inline constexpr int kObjectUpaGroup = 15;
inline constexpr int kDeviceUid = 6;
inline constexpr int kDeviceAutoStart = 8;
inline constexpr int kDeviceTrigger1 = 10;
inline constexpr int kDeviceTrigger = 11;
inline constexpr int kDevicePurpose = 12;
inline constexpr int kDeviceRelayDelay = 13;
inline constexpr int kDeviceSerial = 14;
inline constexpr int kKeyCode = 6;
inline constexpr int kKeyCodeSize = 6;
inline constexpr int kKeySubtype = 12;
inline constexpr int kKeySwitch = 13;

// Whether an element is switched off: byte 5 bit 0 of objects and devices,
// byte 13 = 1 of a key (whose byte 5 is its kind).
inline bool switchedOff(const r7::ElementRecord& r) {
    if (r.type() == r7::kTypeKey) return r.bytes[kKeySwitch] == 1;
    return r.switchedOff();
}

inline void setSwitchedOff(r7::ElementRecord& r, bool off) {
    if (switchedOff(r) == off) return;
    if (r.type() == r7::kTypeKey) {
        r.bytes[kKeySwitch] = off ? 1 : 0;
        return;
    }
    if (off)
        r.bytes[r7::kOffSwitch] |= r7::kSwitchedOffBit;
    else
        r.bytes[r7::kOffSwitch] &= static_cast<std::uint8_t>(~r7::kSwitchedOffBit);
}

inline std::uint16_t u16(const r7::ElementRecord& r, int off) {
    return static_cast<std::uint16_t>(r.bytes[static_cast<std::size_t>(off)] |
                                      (r.bytes[static_cast<std::size_t>(off + 1)] << 8));
}

inline void setU16(r7::ElementRecord& r, int off, std::uint32_t v) {
    r.bytes[static_cast<std::size_t>(off)] = static_cast<std::uint8_t>(v);
    r.bytes[static_cast<std::size_t>(off + 1)] = static_cast<std::uint8_t>(v >> 8);
}

}  // namespace tavrin::r7field
