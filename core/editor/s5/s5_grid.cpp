#include "editor/s5/s5_grid.h"

#include <cstdio>

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
    fKeyRights,
};

struct S5Work : GridWork {
    ItemRef ref;
    DeviceRecord dev{};
    ObjectRecord object{};
    KeyRecord key{};
    int lcpCount = 0;
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

}  // namespace

std::unique_ptr<GridWork> S5Grid::load(const DBase& base, ItemCode code, bool) {
    const auto* db = dynamic_cast<const DBS5*>(&base);
    if (!db) return nullptr;
    auto w = std::make_unique<S5Work>();
    w->ref = decodeItem(code);
    const LcpDatabase* d = db->lcp(w->ref.lcp);
    switch (w->ref.kind) {
        case ItemKind::Root:
            w->lcpCount = db->lcpCount();
            break;
        case ItemKind::Lcp:
            if (!d) return nullptr;
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

void S5Grid::buildRows(const DBase&, const GridWork& work, std::vector<GridRow>& rows,
                       CheckList& tab) {
    const S5Work& w = static_cast<const S5Work&>(work);
    rows.clear();
    tab = {};
    switch (w.ref.kind) {
        case ItemKind::Root:
            rows.push_back(readOnly("Количество LCP", number(w.lcpCount)));
            break;
        case ItemKind::Lcp:
            rows.push_back(readOnly("Адрес LCP", number(w.ref.lcp)));
            rows.push_back(readOnly("Объекты", number(w.counts[0])));
            rows.push_back(readOnly("АУ", number(w.counts[1])));
            rows.push_back(readOnly("Ключи", number(w.counts[2])));
            break;
        case ItemKind::Object: {
            const ObjectRecord& o = w.object;
            rows.push_back(textRow("Имя объекта", objectName(o)));
            rows.push_back(readOnly("Головной объект",
                                    o[obj::kParent] ? number(o[obj::kParent]) : std::string{}));
            rows.push_back(numberRow("Задержка срабатывания, сек.", fDelay, o[obj::kDelay], 255));
            rows.push_back(timeRow("Переход на день", fDayTime, o[obj::kDayTime]));
            rows.push_back(timeRow("Переход на ночь", fNightTime, o[obj::kNightTime]));
            rows.push_back(readOnly("Номер записи БД", number(w.ref.slot + 1)));
            if (o[obj::kLinkedLcp] != 0) {
                char text[16];
                std::snprintf(text, sizeof text, "LCP %d", o[obj::kLinkedLcp]);
                rows.push_back(readOnly("Cвязанный LCP", text));
                rows.push_back(readOnly("Cвязанный объект", number(o[obj::kLinkedObject])));
            }
            break;
        }
        case ItemKind::Device: {
            const DeviceRecord& d = w.dev;
            rows.push_back(textRow("Имя АУ", deviceName(d)));
            const DeviceType* t = deviceType(d[dev::kType]);
            rows.push_back(readOnly(
                "Тип АУ", t ? std::string(t->label).substr(0, std::string(t->label).find(' '))
                            : number(d[dev::kType])));
            rows.push_back(readOnly("Заводской номер", number(getU16(d, dev::kSerial))));
            GridRow blocked;
            blocked.name = "Блокировка АУ";
            blocked.kind = EditorKind::Number;
            blocked.field = fBlocked;
            blocked.value = (d[dev::kFlags] & dev::kFlagBlocked) ? 1 : 0;
            blocked.maximum = 1;
            blocked.text = number(blocked.value);
            rows.push_back(blocked);
            rows.push_back(readOnly("Номер записи БД", number(w.ref.slot + 1)));
            break;
        }
        case ItemKind::Key:
        case ItemKind::CommonKey: {
            const KeyRecord& k = w.key;
            rows.push_back(textRow("Владелец", keyOwner(k)));
            rows.push_back(readOnly("Тип ключа", number(k[key::kType])));
            std::array<std::uint8_t, 6> full{};
            for (std::size_t i = 0; i < full.size(); ++i)
                full[i] = k[key::kFullNumber + i];
            rows.push_back(readOnly("Номер ключа", formatKeyNumber(full)));
            rows.push_back(numberRow("Права", fKeyRights, k[key::kRights] & 0x07, 7));
            break;
        }
        default:
            break;
    }
}

void S5Grid::applyRow(GridWork& work, const GridRow& r) {
    S5Work& w = static_cast<S5Work&>(work);
    const auto v = static_cast<std::uint8_t>(r.value);
    switch (r.field) {
        case fName:
            if (w.ref.kind == ItemKind::Object) setNameText(objectName(w.object), r.text);
            if (w.ref.kind == ItemKind::Device) setNameText(deviceName(w.dev), r.text);
            if (w.ref.kind == ItemKind::Key || w.ref.kind == ItemKind::CommonKey)
                setNameText(keyOwner(w.key), r.text);
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
        case fBlocked:
            w.dev[dev::kFlags] = static_cast<std::uint8_t>(
                (w.dev[dev::kFlags] & ~dev::kFlagBlocked) | (v ? dev::kFlagBlocked : 0));
            break;
        case fKeyRights:
            w.key[key::kRights] =
                static_cast<std::uint8_t>((w.key[key::kRights] & ~0x07) | (v & 0x07));
            break;
        default:
            break;
    }
}

bool S5Grid::applyCheck(GridWork&, const CheckEntry&, bool, std::string& refusal) {
    refusal.clear();
    return false;
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
