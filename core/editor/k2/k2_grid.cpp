#include "editor/k2/k2_grid.h"

#include <algorithm>
#include <cstdio>
#include <span>

#include "base/bit_set.h"
#include "base/text.h"
#include "editor/k2/k2_tree.h"
#include "families/k2/dbk2.h"
#include "families/k2/grid_rows.h"

namespace tavrin {

using namespace k2;
using namespace k2code;

namespace {

enum class Item { Root, Loop, Key, Device };

struct K2Work : GridWork {
    Item item = Item::Root;
    int index = 0;
    DeviceRecord dev{};
    bool devBlocked = false;
    std::array<LoopRecord, kLoopCount> loops{};
    std::array<std::uint8_t, kBlockedLoopsSize> blockedLoops{};
    k2::NameText name{};
    int nameIndex = -1;
    KeyRecord key{};
    std::array<std::uint8_t, kPanelBlockSize> panel{};
};

const DBK2& asK2(const DBase& db) {
    return static_cast<const DBK2&>(db);
}

std::string decimal(int v, const char* pattern = "%d") {
    char buf[16];
    std::snprintf(buf, sizeof buf, pattern, v);
    return buf;
}

ValueList blockedList() {
    ValueList l;
    l.entries = {{"Нет", 0}, {"Да", 1}};
    return l;
}

// Loops as a value list: short labels with the loop index as the value.
ValueList loopList(const DBK2& db, bool withNone,
                   std::initializer_list<std::pair<int, int>> ranges) {
    ValueList l;
    if (withNone) l.entries.push_back({"Нет", kNone});
    for (const auto& [from, to] : ranges) {
        for (int m = from; m < to; ++m)
            l.entries.push_back({db.LoopShortLabel(m), m});
    }
    return l;
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
    r.minimum = 0;
    r.maximum = maximum;
    r.text = decimal(value);
    return r;
}

GridRow readOnlyRow(std::string name, std::string text) {
    GridRow r;
    r.name = std::move(name);
    r.kind = EditorKind::ReadOnly;
    r.text = std::move(text);
    return r;
}

int lastEntry(const ValueList& l) {
    return static_cast<int>(l.entries.size()) - 1;
}

// The bytes of the record a row's value lives in.
std::uint8_t* recordOf(K2Work& w, Place place) {
    switch (place) {
        case Place::Panel:
            return w.panel.data();
        case Place::Loop:
            return w.item == Item::Loop ? w.loops[static_cast<std::size_t>(w.index)].data()
                                        : nullptr;
        case Place::Key:
            return w.key.data();
        case Place::Device:
            return w.dev.data();
        default:
            return nullptr;
    }
}
const std::uint8_t* recordOf(const K2Work& w, Place place) {
    return recordOf(const_cast<K2Work&>(w), place);
}

std::span<const RowSpec> rowsOf(const K2Work& w) {
    switch (w.item) {
        case Item::Root:
            return panelRows();
        case Item::Loop:
            return loopRows();
        case Item::Key:
            return keyRows();
        case Item::Device:
            return deviceRows(deviceType(w.dev));
    }
    return {};
}

bool shown(const K2Work& w, const RowSpec& s) {
    switch (s.shown) {
        case Shown::Always:
            return true;
        case Shown::SecurityLoopItem:
            return w.index < 32;
        case Shown::ControlLoopItem:
            return w.index >= kFirstControlLoop;
        case Shown::SlotSecurityOrNone:
        case Shown::SlotMonitoring:
            return slotRowShown(s, w.dev[kDevLoop + static_cast<std::size_t>(s.slot)]);
    }
    return false;
}

ValueList listOf(const DBK2& db, const K2Work& w, const RowSpec& s) {
    switch (s.list) {
        case RowList::Fixed:
            return gridValueList(s.listId);
        case RowList::YesNo:
            return blockedList();
        case RowList::FireLoops:
            return loopList(db, false, {{32, 64}});
        case RowList::MonitoringLoops:
            return loopList(db, false, {{64, 96}});
        case RowList::SecurityOrMonitoringLoops:
            return loopList(db, false, {{0, 32}, {64, 96}});
        case RowList::SecurityOrMonitoringLoopsOrNone:
            return loopList(db, true, {{0, 32}, {64, 96}});
        case RowList::ControlLoopsOrNone:
            return loopList(db, true, {{96, 128}});
        case RowList::AnyLoopOrNone:
            return loopList(db, true, {{0, 128}});
        case RowList::RelayByLoop: {
            const int loop = w.dev[kDevLoop];
            const int logic = loop >= kFirstControlLoop && loop < kLoopCount
                                  ? w.loops[static_cast<std::size_t>(loop)][kLoopLogic]
                                  : 0;
            return gridValueList(relayListId(loop, logic));
        }
        case RowList::None:
            break;
    }
    return {};
}

std::string readOnlyText(const DBK2& db, const K2Work& w, ReadText text) {
    switch (text) {
        case ReadText::Firmware:
            return db.firmwareVersionText;
        case ReadText::TypeName:
            return DBK2::DeviceTypeName(deviceType(w.dev));
        case ReadText::DeviceNumber:
            return decimal(w.index + 1, "%3d");
        case ReadText::None:
            break;
    }
    return {};
}

GridRow nameRow(const RowSpec& s, const K2Work& w) {
    GridRow name;
    name.name = s.name;
    name.kind = EditorKind::NameCombo;
    name.field = s.field;
    name.list = gridValueList(s.listId);
    std::size_t len = w.name.size();
    while (len > 0 && w.name[len - 1] == ' ')
        --len;
    name.text = cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(w.name.data()), len));
    const int entry = name.list.indexOfText(name.text);
    name.value = entry >= 0 ? name.list.entries[static_cast<std::size_t>(entry)].value : 255;
    return name;
}

GridRow keyCodeRow(const RowSpec& s, const K2Work& w) {
    GridRow code;
    code.name = s.name;
    code.kind = EditorKind::KeyNumber;
    code.field = s.field;
    for (std::size_t i = 0; i < kKeyCodeSize; ++i)
        code.key[i] = w.key[kKeyCode + i];
    code.text = formatKeyNumber(code.key);
    return code;
}

// The grid row of a table row, from the working copy.
GridRow makeRow(const DBK2& db, const K2Work& w, const RowSpec& s) {
    std::int32_t value = 0;
    switch (s.place) {
        case Place::None:
            return readOnlyRow(s.name, readOnlyText(db, w, s.text));
        case Place::LoopName:
            return nameRow(s, w);
        case Place::KeyCode:
            return keyCodeRow(s, w);
        case Place::LoopBlocked:
            value = testBit(w.blockedLoops, static_cast<std::size_t>(w.index)) ? 1 : 0;
            break;
        case Place::DeviceBlocked:
            value = w.devBlocked ? 1 : 0;
            break;
        default:
            value = readValue(s, recordOf(w, s.place));
            break;
    }
    switch (s.kind) {
        case RowKind::Number:
            return numberRow(s.name, s.field, EditorKind::Number, value, s.maximum);
        case RowKind::Number5:
            return numberRow(s.name, s.field, EditorKind::Number5, value, s.maximum);
        default: {
            ValueList list = listOf(db, w, s);
            const int entry = s.defaultEntry == kLastEntry ? lastEntry(list) : s.defaultEntry;
            GridRow r = listRow(s.name, s.field, std::move(list), value, entry);
            r.rebuildsRows = s.rebuilds;
            return r;
        }
    }
}

void seal(LoopRecord& l) {
    l[kLoopChecksum] = recordChecksum(l, kLoopChecksum);
}

}  // namespace

std::unique_ptr<GridWork> K2Grid::load(const DBase& base, ItemCode code, bool topLevel) {
    if (base.family() != Family::K2) return nullptr;
    const DBK2& db = asK2(base);
    auto w = std::make_unique<K2Work>();
    w->loops = db.loops;
    w->blockedLoops = db.blockedLoops;
    w->panel = db.panelBlock;
    if (code == kRoot && topLevel) {
        w->item = Item::Root;
    } else if (isLoop(code)) {
        w->item = Item::Loop;
        w->index = code - kLoopBase;
        w->nameIndex = db.loops[static_cast<std::size_t>(w->index)][kLoopNameIndex];
        if (w->nameIndex < kNameCount) w->name = db.names[static_cast<std::size_t>(w->nameIndex)];
    } else if (isKey(code) && db.IsKeyInUse(code - kKeyBase)) {
        w->item = Item::Key;
        w->index = code - kKeyBase;
        w->key = db.keys[static_cast<std::size_t>(w->index)];
    } else if (isDevice(code) && db.IsDeviceInUse(code)) {
        w->item = Item::Device;
        w->index = code;
        w->dev = db.devices[static_cast<std::size_t>(code)];
        w->devBlocked = db.IsDeviceBlocked(code);
    } else {
        return nullptr;
    }
    return w;
}

void K2Grid::buildRows(const DBase& base, const GridWork& work, std::vector<GridRow>& rows,
                       CheckList& tab) {
    const DBK2& db = asK2(base);
    const K2Work& w = static_cast<const K2Work&>(work);
    rows.clear();
    tab = CheckList{};
    for (const RowSpec& s : rowsOf(w)) {
        if (shown(w, s)) rows.push_back(makeRow(db, w, s));
    }
    switch (w.item) {
        case Item::Root:
            break;
        case Item::Loop: {
            const LoopRecord& l = w.loops[static_cast<std::size_t>(w.index)];
            // Second tab: a loop's control loops, or a control loop's members.
            if (w.index < kFirstControlLoop) {
                tab.caption = "Управляющие ШС";
                for (int c = kFirstControlLoop; c < kLoopCount; ++c) {
                    bool linked = false;
                    for (int j = 0; j < kLoopLinkCount; ++j)
                        linked = linked || l[kLoopLink1 + static_cast<std::size_t>(j)] == c;
                    tab.entries.push_back({db.LoopFullLabel(c), c, linked});
                }
            } else {
                tab.caption = "Входящие ШС";
                for (int k = 0; k < kFirstControlLoop; ++k) {
                    const LoopRecord& m = w.loops[static_cast<std::size_t>(k)];
                    bool linked = false;
                    for (int j = 0; j < kLoopLinkCount; ++j)
                        linked = linked || m[kLoopLink1 + static_cast<std::size_t>(j)] == w.index;
                    tab.entries.push_back({db.LoopFullLabel(k), k, linked});
                }
            }
            break;
        }
        case Item::Key: {
            tab.caption = "Применимость ключа";
            const int group = keyLoopGroup(w.key);
            if (group == kGroupSecurity || group == kGroupFire) {
                const std::uint32_t bits =
                    static_cast<std::uint32_t>(w.key[kKeyApplication]) |
                    (static_cast<std::uint32_t>(w.key[kKeyApplication + 1]) << 8) |
                    (static_cast<std::uint32_t>(w.key[kKeyApplication + 2]) << 16) |
                    (static_cast<std::uint32_t>(w.key[kKeyApplication + 3]) << 24);
                for (int n = 0; n < 32; ++n) {
                    tab.entries.push_back(
                        {db.LoopFullLabel(32 * group + n), n, ((bits >> n) & 1u) != 0});
                }
            }
            break;
        }
        case Item::Device: {
            const DeviceRecord& d = w.dev;
            // Second tab: the loops the device is on (shown, not edited).
            tab.caption = "ШС устройства";
            tab.editable = false;
            const int slots = deviceType(d) == kTypeTk3 ? 3 : 1;
            for (int m = 0; m < kLoopCount; ++m) {
                bool on = false;
                for (int s = 0; s < slots; ++s)
                    on = on || d[kDevLoop + static_cast<std::size_t>(s)] == m;
                tab.entries.push_back({db.LoopFullLabel(m), m, on});
            }
            break;
        }
    }
}

void K2Grid::applyRow(GridWork& work, const GridRow& r) {
    K2Work& w = static_cast<K2Work&>(work);
    const std::span<const RowSpec> table = rowsOf(w);
    const auto spec = std::find_if(table.begin(), table.end(),
                                   [&](const RowSpec& s) { return s.field == r.field; });
    if (r.field == 0 || spec == table.end()) return;
    switch (spec->place) {
        case Place::None:
            break;
        case Place::LoopName: {
            const std::string bytes = utf8ToCp1251(r.text);
            w.name.fill(' ');
            for (std::size_t i = 0; i < bytes.size() && i < w.name.size(); ++i)
                w.name[i] = static_cast<std::uint8_t>(bytes[i]);
            break;
        }
        case Place::KeyCode:
            for (std::size_t i = 0; i < kKeyCodeSize; ++i)
                w.key[kKeyCode + i] = r.key[i];
            break;
        case Place::LoopBlocked:
            setBit(w.blockedLoops, static_cast<std::size_t>(w.index), r.value != 0);
            break;
        case Place::DeviceBlocked:
            w.devBlocked = r.value != 0;
            break;
        default:
            if (std::uint8_t* record = recordOf(w, spec->place)) writeValue(*spec, record, r.value);
            break;
    }
}

bool K2Grid::applyCheck(GridWork& work, const CheckEntry& entry, bool checked,
                        std::string& refusal) {
    K2Work& w = static_cast<K2Work&>(work);
    auto link = [&](int member, int control) {
        LoopRecord& m = w.loops[static_cast<std::size_t>(member)];
        if (!checked) {
            for (int j = 0; j < kLoopLinkCount; ++j) {
                if (m[kLoopLink1 + static_cast<std::size_t>(j)] == control)
                    m[kLoopLink1 + static_cast<std::size_t>(j)] = kNone;
            }
            return true;
        }
        LoopRecord& c = w.loops[static_cast<std::size_t>(control)];
        const int logic = c[kLoopLogic];
        if (logic <= kGroupMonitoring && logic != loopGroup(member)) {
            refusal = "Такая вставка недопустима.";
            return false;
        }
        for (int j = 0; j < kLoopLinkCount; ++j) {
            if (m[kLoopLink1 + static_cast<std::size_t>(j)] == kNone) {
                m[kLoopLink1 + static_cast<std::size_t>(j)] = static_cast<std::uint8_t>(control);
                if (logic == kNone) c[kLoopLogic] = static_cast<std::uint8_t>(loopGroup(member));
                return true;
            }
        }
        refusal = "Все ссылки шлейфа заняты!";
        return false;
    };
    switch (w.item) {
        case Item::Key: {
            const int n = entry.value;
            if (n < 0 || n >= 32) return false;
            std::uint8_t& byte = w.key[kKeyApplication + static_cast<std::size_t>(n / 8)];
            const auto bit = static_cast<std::uint8_t>(1u << (n % 8));
            byte = static_cast<std::uint8_t>(checked ? (byte | bit) : (byte & ~bit));
            return true;
        }
        case Item::Loop:
            if (w.index < kFirstControlLoop) return link(w.index, entry.value);
            return link(entry.value, w.index);
        default:
            return false;
    }
}

void K2Grid::store(DBase& base, const GridWork& work) {
    DBK2& db = static_cast<DBK2&>(base);
    const K2Work& w = static_cast<const K2Work&>(work);
    switch (w.item) {
        case Item::Root:
            db.panelBlock = w.panel;
            break;
        case Item::Loop:
            for (int m = 0; m < kLoopCount; ++m) {
                LoopRecord& l = db.loops[static_cast<std::size_t>(m)];
                if (l == w.loops[static_cast<std::size_t>(m)]) continue;
                l = w.loops[static_cast<std::size_t>(m)];
                seal(l);
            }
            db.blockedLoops = w.blockedLoops;
            if (w.nameIndex >= 0 && w.nameIndex < kNameCount)
                db.names[static_cast<std::size_t>(w.nameIndex)] = w.name;
            break;
        case Item::Key:
            db.keys[static_cast<std::size_t>(w.index)] = w.key;
            break;
        case Item::Device: {
            DeviceRecord& d = db.devices[static_cast<std::size_t>(w.index)];
            d = w.dev;
            d[kDevChecksum] = recordChecksum(d, kDevChecksum);
            setBit(db.blockedDevices, static_cast<std::size_t>(w.index), w.devBlocked);
            break;
        }
    }
}

}  // namespace tavrin
