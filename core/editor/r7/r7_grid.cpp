#include "editor/r7/r7_grid.h"

#include <cstdio>
#include <unordered_map>

#include "editor/r7/r7_fields.h"
#include "editor/r7/r7_tree.h"
#include "families/r7/dbr7.h"
#include "families/r7/element_types.h"

namespace tavrin {

using namespace r7;
using namespace r7field;

namespace {

enum class Item { Panel, Object, Device, Key, Line };

// What each row edits (the bytes are listed in r7_fields.h).
enum Field : int {
    fName = 1,
    fAddress,
    fRelay,  // fRelay + n for relay n (0..3)
    fAlertOff = fRelay + 4,
    fSwitch,
    fAutomatics,
    fUpaGroup,
    fUpaTime,
    fDay,
    fNight,
    fRef1,
    fRef2,
    fUid,
    fType,
    fLine,
    fPurpose,
    fAutoStart,
    fTrigger,
    fTrigger1,
    fRelayDelay,
    fKeySubtype,
    fKeyCode,
};

struct R7Work : GridWork {
    Item item = Item::Panel;
    int index = 0;
    int line = 0;  // Item::Line: 1..4, 0 for the devices without a line
    ElementRecord rec{};
};

constexpr const char* kLineNames[5] = {"Без линии", "Линия А", "Линия Б", "Линия В", "Линия Г"};

std::string format(const char* pattern, int v) {
    char buf[128];
    std::snprintf(buf, sizeof buf, pattern, v);
    return buf;
}

int lineOf(const ElementRecord& r) {
    return r.line() >= 1 && r.line() <= 4 ? r.line() : 0;
}

GridRow listRow(std::string name, int field, ValueList list, std::int32_t value, int defaultEntry) {
    GridRow r;
    r.name = std::move(name);
    r.kind = EditorKind::List;
    r.field = field;
    r.value = value;
    r.list = std::move(list);
    r.defaultEntry = defaultEntry;
    const int i = r.list.indexOfValue(value);
    if (i >= 0) r.text = r.list.entries[static_cast<std::size_t>(i)].text;
    return r;
}

GridRow numberRow(std::string name, int field, EditorKind kind, std::int32_t value,
                  std::int32_t maximum) {
    GridRow r;
    r.name = std::move(name);
    r.kind = kind;
    r.field = field;
    r.value = value;
    r.maximum = maximum;
    r.text = format("%d", value);
    return r;
}

GridRow textRow(std::string name, std::string text) {
    GridRow r;
    r.name = std::move(name);
    r.kind = EditorKind::Text;
    r.field = fName;
    r.text = std::move(text);
    return r;
}

GridRow timeRow(std::string name, int field, int hours, int minutes) {
    GridRow r;
    r.name = std::move(name);
    r.kind = EditorKind::Time;
    r.field = field;
    r.value = hours * 60 + minutes;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d", hours, minutes);
    r.text = buf;
    return r;
}

GridRow readOnlyRow(std::string name, std::string text) {
    GridRow r;
    r.name = std::move(name);
    r.text = std::move(text);
    return r;
}

// The device types: each kind with the code this device has of it (or the
// kind's code for a new device), and an unknown code as it stands.
ValueList typeList(std::uint8_t type) {
    ValueList l;
    const DeviceKind* own = deviceKind(type);
    for (const DeviceKind& k : deviceKinds())
        l.entries.push_back({k.label, &k == own ? type : k.newCode});
    if (!own) l.entries.push_back({format("0x%02x", type), type});
    return l;
}

// The panel's objects (by id) other than `self`, after "Нет".
ValueList objectList(const DBR7& db, int self) {
    ValueList l;
    l.entries.push_back({"Нет", 0});
    for (int i = 0; i < kElementCount; ++i) {
        const ElementRecord& r = db.table()[static_cast<std::size_t>(i)];
        if (i == self || r.isFree() || r.type() != kTypeObject || r.id() == 0) continue;
        std::string name = r.name();
        if (name.empty()) name = format("№%d", r.id());
        l.entries.push_back({std::move(name), r.id()});
    }
    return l;
}

// The devices by line for the second tab: of the whole panel (`object` < 0),
// of one object, or of one line (`line` 0..4; -1 any), each marked while it
// is switched on.
void deviceLines(const DBR7& db, int object, int line, CheckList& tab) {
    const ElementTable& t = db.table();
    // The names of the objects by id, taken once.
    std::unordered_map<std::uint16_t, std::string> objectNames;
    if (object < 0) {
        for (const ElementRecord& r : t) {
            if (!r.isFree() && r.type() == kTypeObject && r.id() != 0)
                objectNames.emplace(r.id(), r.name());
        }
    }
    const std::uint16_t objectId = object >= 0 ? t[static_cast<std::size_t>(object)].id() : 0;
    for (int l : {1, 2, 3, 4, 0}) {
        if (line >= 0 && l != line) continue;
        for (int i = 1; i < kElementCount; ++i) {
            const ElementRecord& r = t[static_cast<std::size_t>(i)];
            if (r.isFree() || !isDeviceType(r.type()) || lineOf(r) != l) continue;
            if (object >= 0 && r.parent() != objectId) continue;
            std::string label = line < 0 ? std::string(kLineNames[l]) + ": " : std::string();
            label += r.name();
            if (object < 0) {
                const auto p = objectNames.find(r.parent());
                if (p != objectNames.end()) label += " — " + p->second;
            }
            tab.entries.push_back({std::move(label), i, !r.switchedOff()});
        }
    }
}

}  // namespace

bool r7HasAutomatics(std::uint8_t type) {
    const DeviceKind* k = deviceKind(type);
    if (!k) return false;
    const std::string label = k->label;
    return label == "ВЕРС-ДИП" || label == "ВЕРС-ИПР" || label == "ВЕРС-ИПТ" || label == "ВЕРС-ИПГ";
}

bool r7HasRelay(std::uint8_t type) {
    const DeviceKind* k = deviceKind(type);
    return k && k->params == NewParams::OutputRelay;
}

std::unique_ptr<GridWork> R7Grid::load(const DBase& base, ItemCode code, bool) {
    if (base.family() != Family::R7) return nullptr;
    const DBR7& db = static_cast<const DBR7&>(base);
    auto w = std::make_unique<R7Work>();
    if (r7code::isLineGroup(code)) {
        w->item = Item::Line;
        w->line = code == r7code::kNoLine ? 0 : -code;
        return w;
    }
    const ElementRecord* r = db.element(code);
    if (!r || r->isFree()) return nullptr;
    w->index = code;
    w->rec = *r;
    const std::uint8_t type = r->type();
    if (type == kTypePanel && code == 0)
        w->item = Item::Panel;
    else if (type == kTypeObject)
        w->item = Item::Object;
    else if (type == kTypeKey)
        w->item = Item::Key;
    else if (isDeviceType(type))
        w->item = Item::Device;
    else
        return nullptr;
    return w;
}

void R7Grid::buildRows(const DBase& base, const GridWork& work, std::vector<GridRow>& rows,
                       CheckList& tab) {
    const DBR7& db = static_cast<const DBR7&>(base);
    const R7Work& w = static_cast<const R7Work&>(work);
    const ElementRecord& r = w.rec;
    const auto& b = r.bytes;
    rows.clear();
    tab = CheckList{};
    tab.caption = "Линии";
    tab.editable = false;
    switch (w.item) {
        case Item::Panel:
            rows.push_back(readOnlyRow("Версия ПО прибора", db.firmwareVersionText));
            rows.push_back(
                numberRow("Сетевой адрес прибора", fAddress, EditorKind::Number, r.address(), 255));
            for (int n = 0; n < 4; ++n) {
                rows.push_back(listRow(format("Тип срабатывания реле %d", n + 1), fRelay + n,
                                       gridValueList(1030), b[kPanelRelay1 + std::size_t(n)], 0));
            }
            rows.push_back(numberRow("Отключить оповещение через(мин,0-60)", fAlertOff,
                                     EditorKind::Number, b[kPanelAlertOff], 60));
            deviceLines(db, -1, -1, tab);
            break;
        case Item::Object:
            rows.push_back(textRow("Имя объекта", r.name()));
            rows.push_back(
                listRow("Включение", fSwitch, gridValueList(1031), switchedOff(r) ? 1 : 0, 0));
            rows.push_back(listRow("Автоматика", fAutomatics, gridValueList(1033),
                                   (b[kOffSwitch] & kAutomaticsBit) ? 1 : 0, 0));
            rows.push_back(
                listRow("Группа УПА", fUpaGroup, gridValueList(1034), b[kObjectUpaGroup], 0));
            rows.push_back(numberRow("Время УПА, сек.", fUpaTime, EditorKind::Number5,
                                     u16(r, kObjectUpaTime), 65535));
            rows.push_back(timeRow("Переход на день", fDay, b[kObjectDay], b[kObjectDay + 1]));
            rows.push_back(
                timeRow("Переход на ночь", fNight, b[kObjectNight], b[kObjectNight + 1]));
            rows.push_back(listRow("Объект 1 для передачи \"Пожара\"", fRef1,
                                   objectList(db, w.index), r.reference1(), 0));
            rows.push_back(listRow("Объект 2 для передачи \"Пожара\"", fRef2,
                                   objectList(db, w.index), r.reference2(), 0));
            deviceLines(db, w.index, -1, tab);
            break;
        case Item::Device: {
            const std::uint8_t type = r.type();
            rows.push_back(numberRow("UID", fUid, EditorKind::Number5, u16(r, kDeviceUid), 65535));
            rows.push_back(textRow("Имя устройства", r.name()));
            rows.push_back(listRow("Тип устройства", fType, typeList(type), type, -1));
            rows.back().rebuildsRows = true;  // the automatics and relay rows follow the type
            rows.push_back(readOnlyRow("Серийный номер", format("%04X", u16(r, kDeviceSerial))));
            rows.push_back(
                listRow("Включение", fSwitch, gridValueList(1031), switchedOff(r) ? 1 : 0, 0));
            rows.push_back(listRow("Линия", fLine, gridValueList(1037), r.line(), 0));
            rows.back().rebuildsRows = true;  // the second tab shows the line too
            const ValueList& purposes = gridValueList(1039);
            rows.push_back(listRow("Назначение", fPurpose, purposes, b[kDevicePurpose],
                                   purposes.indexOfValue(kModeNotSet)));
            if (r7HasAutomatics(type)) {
                rows.push_back(listRow("Запуск автоматики", fAutoStart, gridValueList(1038),
                                       b[kDeviceAutoStart], 0));
            }
            if (r7HasRelay(type)) {
                rows.push_back(
                    listRow("Тип сработки", fTrigger, gridValueList(1030), b[kDeviceTrigger], 0));
                rows.push_back(listRow("Тип сработки 1", fTrigger1, gridValueList(1030),
                                       b[kDeviceTrigger1], 0));
                rows.push_back(numberRow("Задержка сработки реле,сек,0-255", fRelayDelay,
                                         EditorKind::Number, b[kDeviceRelayDelay], 255));
            }
            tab.editable = true;
            for (int l = 1; l <= 4; ++l)
                tab.entries.push_back({kLineNames[l], l, r.line() == l});
            break;
        }
        case Item::Key: {
            rows.push_back(textRow("Имя ключа", r.name()));
            rows.push_back(readOnlyRow(
                "Тип ключа", b[kOffKeyKind] == kKeyKindEmployee ? "сотрудника" : "общий"));
            rows.push_back(
                listRow("Подтип ключа", fKeySubtype, gridValueList(1040), b[kKeySubtype], 0));
            GridRow code;
            code.name = "Полный номер ключа";
            code.kind = EditorKind::KeyNumber;
            code.field = fKeyCode;
            for (std::size_t i = 0; i < code.key.size(); ++i)
                code.key[i] = b[kKeyCode + i];
            code.text = formatKeyNumber(code.key);
            rows.push_back(std::move(code));
            rows.push_back(
                listRow("Включение", fSwitch, gridValueList(1031), switchedOff(r) ? 1 : 0, 0));
            tab.caption.clear();  // a key is on no line
            break;
        }
        case Item::Line:
            deviceLines(db, -1, w.line, tab);
            break;
    }
}

void R7Grid::applyRow(GridWork& work, const GridRow& row) {
    R7Work& w = static_cast<R7Work&>(work);
    ElementRecord& r = w.rec;
    auto& b = r.bytes;
    const auto v = static_cast<std::uint8_t>(row.value);
    switch (row.field) {
        case fName:
            r.setName(row.text);
            break;
        case fAddress:
            b[kOffAddress] = v;
            break;
        case fRelay:
        case fRelay + 1:
        case fRelay + 2:
        case fRelay + 3:
            b[static_cast<std::size_t>(kPanelRelay1 + row.field - fRelay)] = v;
            break;
        case fAlertOff:
            b[kPanelAlertOff] = v;
            break;
        case fSwitch:
            setSwitchedOff(r, row.value != 0);
            break;
        case fAutomatics:
            b[kOffSwitch] = static_cast<std::uint8_t>(row.value ? b[kOffSwitch] | kAutomaticsBit
                                                                : b[kOffSwitch] & ~kAutomaticsBit);
            break;
        case fUpaGroup:
            b[kObjectUpaGroup] = v;
            break;
        case fUpaTime:
            setU16(r, kObjectUpaTime, static_cast<std::uint32_t>(row.value));
            break;
        case fDay:
        case fNight: {
            const std::size_t at = row.field == fDay ? kObjectDay : kObjectNight;
            b[at] = static_cast<std::uint8_t>(row.value / 60);
            b[at + 1] = static_cast<std::uint8_t>(row.value % 60);
            break;
        }
        case fRef1:
            r.setReference1(static_cast<std::uint16_t>(row.value));
            break;
        case fRef2:
            r.setReference2(static_cast<std::uint16_t>(row.value));
            break;
        case fUid:
            setU16(r, kDeviceUid, static_cast<std::uint32_t>(row.value));
            break;
        case fType:
            r.setType(v);
            break;
        case fLine:
            b[kOffLine] = v;
            break;
        case fPurpose:
            b[kDevicePurpose] = v;
            break;
        case fAutoStart:
            b[kDeviceAutoStart] = v;
            break;
        case fTrigger:
            b[kDeviceTrigger] = v;
            break;
        case fTrigger1:
            b[kDeviceTrigger1] = v;
            break;
        case fRelayDelay:
            b[kDeviceRelayDelay] = v;
            break;
        case fKeySubtype:
            b[kKeySubtype] = v;
            break;
        case fKeyCode:
            for (std::size_t i = 0; i < row.key.size(); ++i)
                b[kKeyCode + i] = row.key[i];
            break;
        default:
            break;
    }
}

bool R7Grid::applyCheck(GridWork& work, const CheckEntry& entry, bool checked, std::string&) {
    R7Work& w = static_cast<R7Work&>(work);
    if (w.item != Item::Device || entry.value < 1 || entry.value > 4) return false;
    auto& line = w.rec.bytes[kOffLine];
    if (checked)
        line = static_cast<std::uint8_t>(entry.value);
    else if (line == entry.value)
        line = 0;
    return true;
}

void R7Grid::store(DBase& base, const GridWork& work) {
    DBR7& db = static_cast<DBR7&>(base);
    const R7Work& w = static_cast<const R7Work&>(work);
    if (w.item == Item::Line) return;
    if (ElementRecord* r = db.element(w.index)) *r = w.rec;
}

}  // namespace tavrin
