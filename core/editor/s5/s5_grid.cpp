#include "editor/s5/s5_grid.h"

#include <cstdio>
#include <map>

#include "families/s5/dbs5.h"

namespace tavrin {

using namespace s5;

namespace {

enum Field {
    fName = 1,
    fDelay,
    fDayTime,
    fNightTime,
    fOnDelay,
    fOffDelay,
    fBlocked,
    fMainObject,
    fObjectType,
    fAutoStart,
    fCondition,
    fUse,  // "Применение" of a ТК3 or КТМ: object type bits 6/5 of the flags
    fKeyType = 100,
    fKeyNumber,
    fRightArm,
    fRightDisarm,
    fRightAccess,
    fParamBase = 200,  // fParamBase + n: device parameter byte dev::kParams + n
};

// Device parameter bytes (offsets from dev::kParams) of the rows by type.
namespace pb {
constexpr int kUse = 0;          // "Применение" of a ВЕРС-У / УОП
constexpr int kMessageType = 1;  // ТК3: 1..3, КТМ: 1
constexpr int kMessage = 4;      // ТК3: 4..6, КТМ: 4
constexpr int kTrigger = 7;      // "Срабатывание" 7..9
constexpr int kInGroup = 10;     // "Входит в группу КДУ"
constexpr int kGroup = 11;       // "Номер группы КДУ"
constexpr int kSound = 12;       // "Звуковой"
}  // namespace pb

struct S5Work : GridWork {
    const DBS5* db = nullptr;  // the link test of the subordinate objects
    ItemRef ref;
    // The object's tabs, changed and not yet stored: device slot -> object
    // slot (-1 none), object slot -> parent slot (-1 none).
    std::map<int, int> deviceObject;
    std::map<int, int> objectParent;
    DeviceRecord dev{};
    ObjectRecord object{};
    KeyRecord key{};
    int lcpCount = 0;
    int version = -1;
    int counts[3] = {};
};

std::string number(int n) {
    return std::to_string(n);
}

GridRow readOnly(const std::string& name, const std::string& text) {
    GridRow r;
    r.name = name;
    r.text = text;
    return r;
}

GridRow numberRow(const std::string& name, int field, int value, int maximum) {
    GridRow r;
    r.name = name;
    r.kind = EditorKind::Number;
    r.field = field;
    r.value = value;
    r.maximum = maximum;
    r.text = number(value);
    return r;
}

GridRow listRow(const std::string& name, int field, ValueList list, std::int32_t value,
                int defaultEntry = 0) {
    GridRow r;
    r.name = name;
    r.kind = EditorKind::List;
    r.field = field;
    r.value = value;
    r.list = std::move(list);
    r.defaultEntry = defaultEntry;
    const int i = r.list.indexOfValue(value);
    if (i >= 0) r.text = r.list.entries[static_cast<std::size_t>(i)].text;
    return r;
}

GridRow timeRow(const std::string& name, int field, int steps) {
    // Stored in ten-minute steps from midnight.
    GridRow r;
    r.name = name;
    r.kind = EditorKind::Time;
    r.field = field;
    r.value = steps * 10;
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", (steps * 10) / 60 % 24, (steps * 10) % 60);
    r.text = text;
    return r;
}

GridRow textRow(const std::string& name, ByteSpan field) {
    GridRow r;
    r.name = name;
    r.kind = EditorKind::Text;
    r.field = fName;
    r.text = nameText(field);
    return r;
}

// The console's message texts that are not empty, each with its number; a
// console without messages offers the single entry "Нет сообщений!".
ValueList messageList(const DBS5& db) {
    ValueList l;
    for (int i = 0; i < kMessages; ++i) {
        const std::string& m = db.messages[static_cast<std::size_t>(i)];
        if (!m.empty())
            l.entries.push_back(
                {nameText({reinterpret_cast<const std::uint8_t*>(m.data()), m.size()}), i});
    }
    if (l.entries.empty()) l.entries.push_back({"Нет сообщений!", 0});
    return l;
}

// The object a device belongs to (slot, -1 none), with the tab's changes.
int deviceObjectOf(const S5Work& w, const LcpDatabase& d, int device) {
    if (auto it = w.deviceObject.find(device); it != w.deviceObject.end()) return it->second;
    return d.devices[static_cast<std::size_t>(device)][dev::kObject] - 1;
}

// The parent of an object (slot, -1 none), with the tab's changes.
int objectParentOf(const S5Work& w, const LcpDatabase& d, int object) {
    if (auto it = w.objectParent.find(object); it != w.objectParent.end()) return it->second;
    return d.objects[static_cast<std::size_t>(object)][obj::kParent] - 1;
}

constexpr int kTabDevices = 0;   // an object's "Связанные АУ"
constexpr int kTabChildren = 1;  // an object's "Подчиненные объекты"

// A key's "Связанные объекты": the objects the key acts on, read-only. An
// LCP key lists the objects of its LCP, a console key the main objects of
// every LCP; an object is marked where the key may arm or disarm it (one of
// those rights, and a security object).
void keyObjectsTab(const DBS5& db, const S5Work& w, CheckList& tab) {
    tab.caption = "Связанные объекты";
    tab.editable = false;
    const bool armsOrDisarms = (w.key[key::kRights] & 0x03) != 0;
    auto add = [&](const LcpDatabase& d, int l, int j, bool named) {
        const ObjectRecord& o = d.objects[static_cast<std::size_t>(j)];
        std::string label = nameText(objectName(o));
        if (named) label = "LCP " + number(l) + ": " + label;
        tab.entries.push_back({label, l * 1000 + j, armsOrDisarms && (o[obj::kFlags] & 0x02)});
    };
    if (w.ref.kind == ItemKind::Key) {
        if (const LcpDatabase* d = db.lcp(w.ref.lcp)) {
            for (int j = 0; j < d->objectCount; ++j)
                if (d->objectUsed(j)) add(*d, w.ref.lcp, j, false);
        }
        return;
    }
    for (int l = 1; l <= kMaxLcps; ++l) {
        const LcpDatabase* d = db.lcp(l);
        if (!d) continue;
        for (int j = 0; j < d->objectCount; ++j)
            if (d->objectUsed(j) &&
                (d->objects[static_cast<std::size_t>(j)][obj::kFlags] & obj::kFlagMain))
                add(*d, l, j, true);
    }
}

}  // namespace

S5DeviceKind s5DeviceKind(std::uint8_t type) {
    switch (type) {
        case 17:
        case 25:
        case 32:
        case 39:
        case 15:
        case 12:
        case 36:
            return S5DeviceKind::Detector;
        case 37:
        case 24:
            return S5DeviceKind::CallPoint;
        case 45:
            return S5DeviceKind::CallPoint;
        case 49:
            return S5DeviceKind::Upt;
        case 33:
        case 42:
            return S5DeviceKind::Tk3;
        case 44:
        case 84:
            return S5DeviceKind::Ktm;
        case 48:
            return S5DeviceKind::VersU;
        case 52:
            return S5DeviceKind::Uop;
        default:
            return S5DeviceKind::Other;
    }
}

std::string s5DeviceTypeName(std::uint8_t type) {
    return deviceTypeName(type);
}

std::unique_ptr<GridWork> S5Grid::load(const DBase& base, ItemCode code, bool) {
    const auto* db = dynamic_cast<const DBS5*>(&base);
    if (!db) return nullptr;
    auto w = std::make_unique<S5Work>();
    w->db = db;
    w->ref = decodeItem(code);
    const LcpDatabase* d = db->lcp(w->ref.lcp);
    switch (w->ref.kind) {
        case ItemKind::Root:
            w->lcpCount = db->lcpCount();
            w->version = db->firmwareVersion;
            break;
        case ItemKind::Lcp:
            if (!d) return nullptr;
            w->version = d->firmwareVersion;
            w->counts[0] = d->objectCount;
            w->counts[1] = d->deviceCount;
            w->counts[2] = d->keyCount;
            break;
        case ItemKind::Object:
            if (!d || !d->objectUsed(w->ref.slot)) return nullptr;
            w->object = d->objects[static_cast<std::size_t>(w->ref.slot)];
            break;
        case ItemKind::Device:
            if (!d || !d->deviceUsed(w->ref.slot)) return nullptr;
            w->dev = d->devices[static_cast<std::size_t>(w->ref.slot)];
            break;
        case ItemKind::Key:
            if (!d || !d->keyUsed(w->ref.slot)) return nullptr;
            w->key = d->keys[static_cast<std::size_t>(w->ref.slot)];
            break;
        case ItemKind::CommonKey:
            if (w->ref.slot < 0 || w->ref.slot >= kCommonKeys ||
                !db->commonKeyUsed[static_cast<std::size_t>(w->ref.slot)])
                return nullptr;
            w->key = db->commonKeys[static_cast<std::size_t>(w->ref.slot)];
            break;
        default:
            return nullptr;
    }
    return w;
}

void S5Grid::buildRows(const DBase& base, const GridWork& work, std::vector<GridRow>& rows,
                       CheckList& tab) {
    const S5Work& w = static_cast<const S5Work&>(work);
    const auto& db = static_cast<const DBS5&>(base);
    rows.clear();
    tab = {};
    const ValueList& yesNo = gridValueList(1051);
    switch (w.ref.kind) {
        case ItemKind::Root:
            rows.push_back(
                readOnly("Версия ПО прибора", w.version < 0 ? "Неизвестна" : number(w.version)));
            rows.push_back(readOnly("Количество LCP", number(w.lcpCount)));
            break;
        case ItemKind::Lcp: {
            char code[24];
            std::snprintf(code, sizeof code, "Код = %02d", w.version);
            rows.push_back(readOnly("Версия ПО LCP", w.version < 0 ? "Неизвестна" : code));
            rows.push_back(readOnly("Сетевой адрес прибора", number(w.ref.lcp)));
            rows.push_back(readOnly("Объекты", number(w.counts[0])));
            rows.push_back(readOnly("АУ", number(w.counts[1])));
            rows.push_back(readOnly("Ключи", number(w.counts[2])));
            break;
        }
        case ItemKind::Object: {
            const ObjectRecord& o = w.object;
            rows.push_back(textRow("Имя объекта", objectName(o)));
            rows.push_back(listRow("Основной объект", fMainObject, yesNo,
                                   (o[obj::kFlags] & obj::kFlagMain) ? 1 : 0));
            std::string parent;
            if (const LcpDatabase* d = db.lcp(w.ref.lcp); d && d->objectUsed(o[obj::kParent] - 1))
                parent = nameText(objectName(d->objects[o[obj::kParent] - 1u]));
            rows.push_back(readOnly("Головной объект", parent));
            if (o[obj::kFlags] & obj::kFlagVirtual)
                rows.push_back(readOnly("Тип объекта", "виртуальный"));
            else
                rows.push_back(listRow("Тип объекта", fObjectType, gridValueList(1044),
                                       o[obj::kFlags] & obj::kTypeMask));
            rows.push_back(numberRow("Задержка срабатывания, сек.", fDelay, o[obj::kDelay], 255));
            rows.push_back(timeRow("Переход на день", fDayTime, o[obj::kDayTime]));
            rows.push_back(timeRow("Переход на ночь", fNightTime, o[obj::kNightTime]));
            rows.push_back(readOnly("Номер записи БД", number(w.ref.slot + 1)));
            if (o[obj::kLinkedLcp] != 0) {
                char text[16];
                std::snprintf(text, sizeof text, "LCP %d", o[obj::kLinkedLcp]);
                rows.push_back(readOnly("Cвязанный LCP", text));
                std::string linked = number(o[obj::kLinkedObject]);
                const LcpDatabase* other = db.lcp(o[obj::kLinkedLcp]);
                if (other && other->objectUsed(o[obj::kLinkedObject] - 1))
                    linked = nameText(objectName(other->objects[o[obj::kLinkedObject] - 1u]));
                rows.push_back(readOnly("Cвязанный объект", linked));
            }
            // The second tab: the devices of the LCP, marked where they belong
            // to this object; a mark puts a device into it, taking it out of
            // its former object.
            tab.caption = "Связанные АУ";
            if (const LcpDatabase* d = db.lcp(w.ref.lcp)) {
                for (int j = 0; j < d->deviceCount; ++j) {
                    if (!d->deviceUsed(j)) continue;
                    const DeviceRecord& r = d->devices[static_cast<std::size_t>(j)];
                    tab.entries.push_back(
                        {nameText(deviceName(r)), j, deviceObjectOf(w, *d, j) == w.ref.slot});
                }
            }
            break;
        }
        case ItemKind::Device: {
            const DeviceRecord& d = w.dev;
            const std::uint8_t flags = d[dev::kFlags];
            auto param = [&](int n) { return d[dev::kParams + static_cast<std::size_t>(n)]; };
            auto paramRow = [&](const std::string& name, int n, const ValueList& list) {
                rows.push_back(listRow(name, fParamBase + n, list, param(n)));
            };
            GridRow blocked = listRow("Блокировка АУ", fBlocked, gridValueList(1048),
                                      (flags & dev::kFlagBlocked) ? 1 : 0);
            GridRow onDelay =
                numberRow("Задержка включения ИУ, сек.", fOnDelay, d[dev::kOnDelay], 255);
            GridRow offDelay =
                numberRow("Задержка выключения ИУ, сек.", fOffDelay, d[dev::kOffDelay], 255);
            rows.push_back(textRow("Имя устройства", deviceName(d)));
            rows.push_back(readOnly("Тип устройства", s5DeviceTypeName(d[dev::kType])));
            char serial[8];
            std::snprintf(serial, sizeof serial, "%04X", getU16(d, dev::kSerial));
            rows.push_back(readOnly("Серийный номер", serial));
            rows.push_back(readOnly("Номер записи БД", number(w.ref.slot + 1)));
            switch (s5DeviceKind(d[dev::kType])) {
                case S5DeviceKind::Detector:
                    rows.push_back(listRow("Запуск автоматики", fAutoStart, gridValueList(1007),
                                           flags & 0x03));
                    rows.push_back(blocked);
                    break;
                case S5DeviceKind::Upt:
                    rows.push_back(listRow("Условие срабатывания", fCondition, gridValueList(1049),
                                           flags & 0x1F));
                    rows.push_back(onDelay);
                    rows.push_back(offDelay);
                    rows.push_back(blocked);
                    break;
                case S5DeviceKind::Tk3:
                case S5DeviceKind::Ktm: {
                    const bool tk3 = s5DeviceKind(d[dev::kType]) == S5DeviceKind::Tk3;
                    // The use is the object type bit the device gives: security (bit 6)
                    // or monitoring (bit 5); the message types follow it.
                    const int use = (flags & dev::kFlagTypeBit2)   ? 1
                                    : (flags & dev::kFlagTypeBit4) ? 0
                                                                   : -1;
                    GridRow useRow = listRow("Применение", fUse, gridValueList(1054), use,
                                             gridValueList(1054).indexOfValue(0));
                    useRow.rebuildsRows = true;
                    rows.push_back(useRow);
                    const ValueList& types = gridValueList(use == 1 ? 1053 : 1012);
                    const ValueList messages = messageList(db);
                    const int loops = tk3 ? 3 : 1;
                    for (int i = 0; i < loops; ++i)
                        paramRow(tk3 ? "Тип сообщения шл." + number(i + 1) + "." : "Тип сообщения",
                                 pb::kMessageType + i, types);
                    for (int i = 0; i < loops; ++i)
                        paramRow(tk3 ? "Сообщение шл." + number(i + 1) : "Сообщение",
                                 pb::kMessage + i, messages);
                    rows.push_back(blocked);
                    break;
                }
                case S5DeviceKind::VersU:
                case S5DeviceKind::Uop: {
                    const bool uop = s5DeviceKind(d[dev::kType]) == S5DeviceKind::Uop;
                    rows.push_back(onDelay);
                    rows.push_back(offDelay);
                    rows.push_back(blocked);
                    GridRow useRow = listRow("Применение", fParamBase + pb::kUse,
                                             gridValueList(uop ? 1056 : 1041), param(pb::kUse));
                    useRow.rebuildsRows = uop;
                    rows.push_back(useRow);
                    // An output of a УОП used for security fires on the alarm kinds.
                    const bool security = uop && param(pb::kUse) == 2;
                    const int triggers = uop ? 3 : 2;
                    for (int i = 0; i < triggers; ++i)
                        paramRow("Срабатывание", pb::kTrigger + i,
                                 gridValueList(security ? 1053 : 1049));
                    GridRow inGroup = listRow("Входит в группу КДУ", fParamBase + pb::kInGroup,
                                              yesNo, param(pb::kInGroup), yesNo.indexOfValue(0));
                    inGroup.rebuildsRows = true;
                    rows.push_back(inGroup);
                    // The group number means something only for a member of a group.
                    if (param(pb::kInGroup) == 1)
                        paramRow("Номер группы КДУ", pb::kGroup, gridValueList(1052));
                    rows.push_back(listRow("Звуковой", fParamBase + pb::kSound, yesNo,
                                           param(pb::kSound), yesNo.indexOfValue(0)));
                    break;
                }
                case S5DeviceKind::CallPoint:
                case S5DeviceKind::Other:
                    rows.push_back(blocked);
                    break;
            }
            break;
        }
        case ItemKind::Key:
        case ItemKind::CommonKey: {
            const KeyRecord& k = w.key;
            rows.push_back(textRow("Владелец", keyOwner(k)));
            rows.push_back(listRow("Тип ключа", fKeyType, gridValueList(1047), k[key::kType]));
            GridRow full;
            full.name = "Полный номер ключа";
            full.kind = EditorKind::KeyNumber;
            full.field = fKeyNumber;
            for (std::size_t i = 0; i < full.key.size(); ++i)
                full.key[i] = k[key::kFullNumber + i];
            full.text = formatKeyNumber(full.key);
            rows.push_back(full);
            const char* rights[] = {"Постановка на охрану", "Снятие с охраны", "Доступ"};
            for (int b = 0; b < 3; ++b)
                rows.push_back(
                    listRow(rights[b], fRightArm + b, yesNo, (k[key::kRights] >> b) & 1));
            rows.push_back(readOnly("Номер ключа", number(getU16(k, key::kNumber))));
            // The rights decide the marks of "Связанные объекты".
            for (GridRow& r : rows)
                if (r.field >= fRightArm && r.field <= fRightAccess) r.rebuildsRows = true;
            keyObjectsTab(db, w, tab);
            break;
        }
        default:
            break;
    }
}

void S5Grid::applyRow(GridWork& work, const GridRow& r) {
    S5Work& w = static_cast<S5Work&>(work);
    const auto v = static_cast<std::uint8_t>(r.value);
    auto setBits = [](std::uint8_t& byte, std::uint8_t mask, std::uint8_t bits) {
        byte = static_cast<std::uint8_t>((byte & ~mask) | (bits & mask));
    };
    if (r.field >= fParamBase && r.field < fParamBase + static_cast<int>(dev::kParamsSize)) {
        w.dev[dev::kParams + static_cast<std::size_t>(r.field - fParamBase)] = v;
        return;
    }
    switch (r.field) {
        case fName:
            if (w.ref.kind == ItemKind::Object) setNameText(objectName(w.object), r.text);
            if (w.ref.kind == ItemKind::Device) setNameText(deviceName(w.dev), r.text);
            if (w.ref.kind == ItemKind::Key || w.ref.kind == ItemKind::CommonKey)
                setNameText(keyOwner(w.key), r.text);
            break;
        case fMainObject:
            setBits(w.object[obj::kFlags], obj::kFlagMain, v ? obj::kFlagMain : 0);
            break;
        case fObjectType:
            setBits(w.object[obj::kFlags], obj::kTypeMask, v);
            break;
        case fDelay:
            w.object[obj::kDelay] = v;
            break;
        case fDayTime:
            w.object[obj::kDayTime] = static_cast<std::uint8_t>(r.value / 10);
            break;
        case fNightTime:
            w.object[obj::kNightTime] = static_cast<std::uint8_t>(r.value / 10);
            break;
        case fOnDelay:
            w.dev[dev::kOnDelay] = v;
            break;
        case fOffDelay:
            w.dev[dev::kOffDelay] = v;
            break;
        case fBlocked:
            setBits(w.dev[dev::kFlags], dev::kFlagBlocked, v ? dev::kFlagBlocked : 0);
            break;
        case fAutoStart:
            setBits(w.dev[dev::kFlags], 0x03, v);
            break;
        case fCondition:
            setBits(w.dev[dev::kFlags], 0x1F, v);
            break;
        case fUse:
            setBits(w.dev[dev::kFlags], dev::kFlagTypeBit2 | dev::kFlagTypeBit4,
                    v == 1 ? dev::kFlagTypeBit2 : dev::kFlagTypeBit4);
            break;
        case fKeyType:
            w.key[key::kType] = v;
            break;
        case fKeyNumber:
            for (std::size_t i = 0; i < r.key.size(); ++i)
                w.key[key::kFullNumber + i] = r.key[i];
            break;
        case fRightArm:
        case fRightDisarm:
        case fRightAccess: {
            const auto bit = static_cast<std::uint8_t>(1u << (r.field - fRightArm));
            setBits(w.key[key::kRights], bit, v ? bit : 0);
            break;
        }
        default:
            break;
    }
}

void S5Grid::buildMoreTabs(const DBase& base, const GridWork& work, std::vector<CheckList>& tabs) {
    const S5Work& w = static_cast<const S5Work&>(work);
    if (w.ref.kind != ItemKind::Object) return;
    const auto& db = static_cast<const DBS5&>(base);
    // "Подчиненные объекты": the other objects of the LCP, marked where this
    // object is their parent; a mark puts an object under this one.
    CheckList children;
    children.caption = "Подчиненные объекты";
    if (const LcpDatabase* d = db.lcp(w.ref.lcp)) {
        for (int j = 0; j < d->objectCount; ++j) {
            if (!d->objectUsed(j) || j == w.ref.slot) continue;
            children.entries.push_back(
                {nameText(objectName(d->objects[static_cast<std::size_t>(j)])), j,
                 objectParentOf(w, *d, j) == w.ref.slot});
        }
    }
    tabs.push_back(std::move(children));
}

bool S5Grid::applyCheck(GridWork& work, const CheckEntry& entry, bool checked,
                        std::string& refusal) {
    return applyTabCheck(work, kTabDevices, entry, checked, refusal);
}

bool S5Grid::applyTabCheck(GridWork& work, int tab, const CheckEntry& entry, bool checked,
                           std::string& refusal) {
    S5Work& w = static_cast<S5Work&>(work);
    refusal.clear();
    const LcpDatabase* d = w.db ? w.db->lcp(w.ref.lcp) : nullptr;
    if (!d || w.ref.kind != ItemKind::Object) return false;
    const int slot = entry.value;
    if (tab == kTabDevices) {
        if (!d->deviceUsed(slot)) return false;
        w.deviceObject[slot] = checked ? w.ref.slot : -1;
        return true;
    }
    if (tab != kTabChildren || !d->objectUsed(slot) || slot == w.ref.slot) return false;
    if (checked && w.db->IsDescendant(w.ref.lcp, w.ref.slot, w.ref.lcp, slot)) {
        // The link test: an object that this one already hangs from (through
        // parents or links to other LCPs) would close a loop.
        refusal = "Объект \"" + nameText(objectName(d->objects[static_cast<std::size_t>(slot)])) +
                  "\" стоит выше в цепочке подчинения: подчинить его нельзя!";
        return false;
    }
    w.objectParent[slot] = checked ? w.ref.slot : -1;
    return true;
}

void S5Grid::store(DBase& base, const GridWork& work) {
    auto* db = dynamic_cast<DBS5*>(&base);
    if (!db) return;
    const S5Work& w = static_cast<const S5Work&>(work);
    LcpDatabase* d = db->lcp(w.ref.lcp);
    const auto slot = static_cast<std::size_t>(w.ref.slot);
    switch (w.ref.kind) {
        case ItemKind::Object:
            if (d && d->objectUsed(w.ref.slot)) {
                d->objects[slot] = w.object;
                d->changed = true;
                for (const auto& [device, object] : w.deviceObject)
                    d->setDeviceObject(device, object);
                for (const auto& [child, parent] : w.objectParent)
                    d->setObjectParent(child, parent);
                // The object types follow the devices they hold.
                if (!w.deviceObject.empty() || !w.objectParent.empty()) db->MarkObjects();
            }
            break;
        case ItemKind::Device:
            if (d && d->deviceUsed(w.ref.slot)) {
                d->devices[slot] = w.dev;
                d->changed = true;
            }
            break;
        case ItemKind::Key:
            if (d && d->keyUsed(w.ref.slot)) {
                d->keys[slot] = w.key;
                d->changed = true;
            }
            break;
        case ItemKind::CommonKey:
            if (w.ref.slot >= 0 && w.ref.slot < kCommonKeys && db->commonKeyUsed[slot]) {
                db->commonKeys[slot] = w.key;
                db->commonKeysChanged = true;
            }
            break;
        default:
            break;
    }
}

}  // namespace tavrin
