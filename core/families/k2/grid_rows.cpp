#include "families/k2/grid_rows.h"

#include <bit>

namespace tavrin::k2 {

namespace {

using enum RowKind;
using enum RowList;

// ---- Building blocks ---------------------------------------------------------------------

constexpr RowSpec kTypeRow{.name = "Тип", .text = ReadText::TypeName};
constexpr RowSpec kNumberRow{.name = "Номер АУ в базе", .text = ReadText::DeviceNumber};

constexpr RowSpec deviceList(const char* name, int field, std::size_t offset, std::uint16_t mask,
                             int listId, Shown shown = Shown::Always, int slot = 0) {
    return {.name = name,
            .field = field,
            .kind = List,
            .place = Place::Device,
            .offset = static_cast<std::uint8_t>(offset),
            .mask = mask,
            .list = Fixed,
            .listId = listId,
            .shown = shown,
            .slot = slot};
}

constexpr RowSpec condition(int listId) {
    return deviceList("Условие срабатывания", fCondition, kDevTypeCond, 0xF0, listId);
}

constexpr RowSpec deviceLoop(const char* name, RowList list, int defaultEntry, bool rebuilds) {
    return {.name = name,
            .field = fDevLoop,
            .kind = List,
            .place = Place::Device,
            .offset = kDevLoop,
            .list = list,
            .defaultEntry = defaultEntry,
            .rebuilds = rebuilds};
}

constexpr RowSpec kFireLoop = deviceLoop("Номер пожарного ШС", FireLoops, kNoDefault, false);
constexpr RowSpec kDeviceBlocked{.name = "Заблокировано",
                                 .field = fDevBlocked,
                                 .kind = List,
                                 .place = Place::DeviceBlocked,
                                 .list = YesNo};
constexpr RowSpec lineControl(int field, std::uint16_t mask) {
    return deviceList("Контроль неисправности", field, kDevParam6, mask, lists::kLineControl);
}

constexpr RowSpec tk3Loop(const char* name, int slot) {
    return {.name = name,
            .field = fTk3Loop + slot,
            .kind = List,
            .place = Place::Device,
            .offset = static_cast<std::uint8_t>(kDevLoop + static_cast<std::size_t>(slot)),
            .list = SecurityOrMonitoringLoopsOrNone,
            .rebuilds = true};
}
constexpr RowSpec tk3Tactic(const char* name, int slot, int listId, Shown shown) {
    return deviceList(name, fTk3Tactic + slot, kDevParam6,
                      static_cast<std::uint16_t>(3u << (2 * slot)), listId, shown, slot);
}

// ---- The panel, loops and keys -------------------------------------------------------------

constexpr RowSpec kPanel[] = {
    {.name = "Версия ПО прибора", .text = ReadText::Firmware},
    {.name = "Время задержки на Вход-Выход",
     .field = fEntryDelay,
     .kind = Number,
     .place = Place::Panel,
     .offset = 0},
};

constexpr RowSpec loopLink(const char* name, int j) {
    return {.name = name,
            .field = fLink1 + j,
            .kind = List,
            .place = Place::Loop,
            .offset = static_cast<std::uint8_t>(kLoopLink1 + static_cast<std::size_t>(j)),
            .list = ControlLoopsOrNone,
            .shown = Shown::SecurityLoopItem,
            .rebuilds = true};
}

constexpr RowSpec kLoop[] = {
    {.name = "Имя ШС",
     .field = fLoopName,
     .kind = NameCombo,
     .place = Place::LoopName,
     .list = Fixed,
     .listId = lists::kLoopNames},
    {.name = "Номер к имени",
     .field = fLoopNumber,
     .kind = Number5,
     .place = Place::Loop,
     .offset = kLoopNumber,
     .mask = 0xFFFF,
     .maximum = 65535},
    {.name = "Время обратного отсчета",
     .field = fCountdown,
     .kind = Number,
     .place = Place::Loop,
     .offset = kLoopParam7,
     .shown = Shown::SecurityLoopItem},
    loopLink("Номер 1-го управляющего ШС", 0),
    loopLink("Номер 2-го управляющего ШС", 1),
    loopLink("Номер 3-го управляющего ШС", 2),
    loopLink("Номер 4-го управляющего ШС", 3),
    {.name = "Логика работы",
     .field = fLogic,
     .kind = List,
     .place = Place::Loop,
     .offset = kLoopLogic,
     .list = Fixed,
     .listId = lists::kControlLogic,
     .defaultEntry = kLastEntry,
     .shown = Shown::ControlLoopItem},
    {.name = "Заблокировано",
     .field = fLoopBlocked,
     .kind = List,
     .place = Place::LoopBlocked,
     .list = YesNo},
};

constexpr RowSpec kKey[] = {
    {.name = "Порядковый номер ключа",
     .field = fKeyOrdinal,
     .kind = Number,
     .place = Place::Key,
     .offset = kKeyOrdinal},
    {.name = "Полный номер ключа", .field = fKeyCode, .kind = KeyNumber, .place = Place::KeyCode},
    {.name = "Тип ШС",
     .field = fKeyGroup,
     .kind = List,
     .place = Place::Key,
     .offset = kKeyKind,
     .mask = 0x03,
     .list = Fixed,
     .listId = lists::kKeyLoopGroup,
     .rebuilds = true},
};

// ---- Devices by kind ---------------------------------------------------------------------------

constexpr RowSpec kNoRows[] = {kTypeRow, kNumberRow};

// ДИП, ИПГ
constexpr RowSpec kDetector[] = {kTypeRow, kNumberRow, condition(lists::kDetectorCondition),
                                 kFireLoop, kDeviceBlocked};
// ДКА
constexpr RowSpec kDka[] = {kTypeRow, kNumberRow, condition(lists::kDkaCondition),
                            deviceLoop("Номер контрольного ШС", MonitoringLoops, kNoDefault, false),
                            kDeviceBlocked};
// ИПР, ТК, УПТ
constexpr RowSpec kOnFireLoop[] = {kTypeRow, kNumberRow, kFireLoop, kDeviceBlocked};
// ТК-3: three loops, each with the row its loop calls for.
constexpr RowSpec kTk3[] = {
    kTypeRow,
    kNumberRow,
    tk3Loop("Номер ШС, связанного с шлейфом А", 0),
    tk3Loop("Номер ШС, связанного с шлейфом В", 1),
    tk3Loop("Номер ШС, связанного с шлейфом С", 2),
    tk3Tactic("Тактика охраны ШС А", 0, lists::kSecurityTactic, Shown::SlotSecurityOrNone),
    tk3Tactic("Сообщение от ШС А", 0, lists::kMonitoringMessage, Shown::SlotMonitoring),
    tk3Tactic("Тактика охраны ШС В", 1, lists::kSecurityTactic, Shown::SlotSecurityOrNone),
    tk3Tactic("Сообщение от ШС В", 1, lists::kMonitoringMessage, Shown::SlotMonitoring),
    tk3Tactic("Тактика охраны ШС С", 2, lists::kSecurityTactic, Shown::SlotSecurityOrNone),
    tk3Tactic("Сообщение от ШС С", 2, lists::kMonitoringMessage, Shown::SlotMonitoring),
    lineControl(fFaultHigh, 0xC0),
    kDeviceBlocked,
};
// КТМ
constexpr RowSpec kKtm[] = {
    kTypeRow,
    kNumberRow,
    deviceLoop("Номер ШС", SecurityOrMonitoringLoops, kNoDefault, true),
    deviceList("Тактика охраны", fKtmTactic, kDevParam6, 0xC0, lists::kKtmTactic,
               Shown::SlotSecurityOrNone),
    deviceList("Сообщение", fKtmTactic, kDevParam6, 0xC0, lists::kMonitoringMessage,
               Shown::SlotMonitoring),
    lineControl(fKtmFault, 0x01),
    kDeviceBlocked,
};
// БРП
constexpr RowSpec kBrp[] = {kTypeRow, kNumberRow,
                            deviceLoop("Номер ШС", AnyLoopOrNone, kFirstEntry, false)};
// МАУ, УОП, УОПВ: a relay whose conditions follow the loop.
constexpr RowSpec kOutput[] = {
    kTypeRow,
    kNumberRow,
    deviceLoop("Номер ШС", AnyLoopOrNone, kFirstEntry, true),
    {.name = "Условие срабатывания реле",
     .field = fCondition,
     .kind = List,
     .place = Place::Device,
     .offset = kDevTypeCond,
     .mask = 0xF0,
     .list = RelayByLoop,
     .defaultEntry = kLastEntry},
    {.name = "Задержка срабатывания реле (0-240сек)",
     .field = fRelayDelay,
     .kind = Number,
     .place = Place::Device,
     .offset = kDevParam5,
     .maximum = 240},
    deviceList("Управление", fControl, kDevParam6, 0x03, lists::kOutputControl),
    kDeviceBlocked,
};

}  // namespace

std::span<const RowSpec> panelRows() {
    return kPanel;
}
std::span<const RowSpec> loopRows() {
    return kLoop;
}
std::span<const RowSpec> keyRows() {
    return kKey;
}

std::span<const RowSpec> deviceRows(int type) {
    switch (type) {
        case kTypeDip:
        case kTypeIpg:
            return kDetector;
        case kTypeDka:
            return kDka;
        case kTypeIpr:
        case kTypeTk:
        case kTypeUpt:
            return kOnFireLoop;
        case kTypeTk3:
            return kTk3;
        case kTypeKtm:
            return kKtm;
        case kTypeBrp:
            return kBrp;
        case kTypeMau:
        case kTypeUop:
        case kTypeUopv:
            return kOutput;
        default:
            return kNoRows;
    }
}

int readValue(const RowSpec& row, const std::uint8_t* record) {
    const std::uint8_t* p = record + row.offset;
    if (row.mask == 0xFFFF) return p[0] | (p[1] << 8);
    return (p[0] & row.mask) >> std::countr_zero(row.mask);
}

void writeValue(const RowSpec& row, std::uint8_t* record, int value) {
    std::uint8_t* p = record + row.offset;
    if (row.mask == 0xFFFF) {
        p[0] = static_cast<std::uint8_t>(value & 0xFF);
        p[1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
        return;
    }
    const int shift = std::countr_zero(row.mask);
    p[0] = static_cast<std::uint8_t>((p[0] & ~row.mask) | ((value << shift) & row.mask));
}

bool slotRowShown(const RowSpec& row, int loop) {
    switch (row.shown) {
        case Shown::SlotSecurityOrNone:
            return loop < 32 || loop == kNone;
        case Shown::SlotMonitoring:
            return loop >= 64 && loop < kFirstControlLoop;
        default:
            return true;
    }
}

int relayListId(int loop, int controlLogic) {
    if (loop < 32) return lists::kSecurityRelay;
    if (loop < 64) return lists::kFireRelay;
    if (loop >= kFirstControlLoop && loop < kLoopCount) {
        if (controlLogic == kGroupSecurity) return lists::kSecurityRelay;
        if (controlLogic == kGroupFire) return lists::kFireRelay;
    }
    return lists::kOtherRelay;
}

}  // namespace tavrin::k2
