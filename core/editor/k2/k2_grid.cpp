#include "editor/k2/k2_grid.h"

#include <cstdio>

#include "base/bit_set.h"
#include "base/text.h"
#include "editor/k2/k2_tree.h"
#include "families/k2/dbk2.h"

namespace tavrin {

using namespace k2;
using namespace k2code;

namespace {

enum class Item { Root, Loop, Key, Device };

// What each row edits (see the byte table in editor.h).
enum Field : int {
    fVersion = 1,
    fEntryDelay,          // panel block byte 0
    fLoopName,            // the loop's name text (name table entry of byte 2)
    fLoopNumber,          // loop bytes 0-1
    fCountdown,           // loop byte 7
    fLink1,               // loop bytes 3..6 (fLink1 + j)
    fLogic = fLink1 + 4,  // loop byte 3 of a control loop
    fLoopBlocked,         // blockedLoops bit
    fKeyOrdinal,          // key byte 6
    fKeyCode,             // key bytes 0-5
    fKeyGroup,            // key byte 7 bits 0-1
    fDevType,
    fDevNumber,
    fCondition,                   // device byte 2 high nibble
    fDevLoop,                     // device byte 3
    fTk3Loop,                     // device bytes 3, 4, 5 (fTk3Loop + slot)
    fTk3Tactic = fTk3Loop + 3,    // device byte 6 bits 2s..2s+1 (fTk3Tactic + slot)
    fFaultHigh = fTk3Tactic + 3,  // device byte 6 bits 6-7 (three-loop device)
    fKtmTactic,                   // device byte 6 bits 6-7
    fKtmFault,                    // device byte 6 bit 0
    fRelayDelay,                  // device byte 5
    fControl,                     // device byte 6 bits 0-1
    fDevBlocked,                  // blockedDevices bit
};

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

ValueList fixedList(int id) {
    return gridValueList(id);
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

constexpr const char* kSlotLetters[3] = {"А", "В", "С"};

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
    switch (w.item) {
        case Item::Root:
            rows.push_back(readOnlyRow("Версия ПО прибора", db.firmwareVersionText));
            rows.push_back(numberRow("Время задержки на Вход-Выход", fEntryDelay,
                                     EditorKind::Number, w.panel[0], 255));
            break;
        case Item::Loop: {
            const LoopRecord& l = w.loops[static_cast<std::size_t>(w.index)];
            GridRow name;
            name.name = "Имя ШС";
            name.kind = EditorKind::NameCombo;
            name.field = fLoopName;
            name.list = fixedList(1010);
            {
                std::size_t len = w.name.size();
                while (len > 0 && w.name[len - 1] == ' ')
                    --len;
                name.text = cp1251ToUtf8(
                    std::string_view(reinterpret_cast<const char*>(w.name.data()), len));
            }
            const int entry = name.list.indexOfText(name.text);
            name.value =
                entry >= 0 ? name.list.entries[static_cast<std::size_t>(entry)].value : 255;
            rows.push_back(std::move(name));
            rows.push_back(
                numberRow("Номер к имени", fLoopNumber, EditorKind::Number5, loopNumber(l), 65535));
            if (w.index < 32) {
                rows.push_back(numberRow("Время обратного отсчета", fCountdown, EditorKind::Number,
                                         l[kLoopParam7], 255));
                static constexpr const char* kLinkNames[4] = {
                    "Номер 1-го управляющего ШС", "Номер 2-го управляющего ШС",
                    "Номер 3-го управляющего ШС", "Номер 4-го управляющего ШС"};
                for (int j = 0; j < kLoopLinkCount; ++j) {
                    rows.push_back(listRow(kLinkNames[j], fLink1 + j,
                                           loopList(db, true, {{96, 128}}),
                                           l[kLoopLink1 + static_cast<std::size_t>(j)], 0));
                    rows.back().rebuildsRows = true;  // the second tab shows the links too
                }
            }
            if (w.index >= kFirstControlLoop) {
                ValueList logic = fixedList(1011);
                const int notChosen = lastEntry(logic);
                rows.push_back(
                    listRow("Логика работы", fLogic, std::move(logic), l[kLoopLogic], notChosen));
            }
            rows.push_back(
                listRow("Заблокировано", fLoopBlocked, blockedList(),
                        testBit(w.blockedLoops, static_cast<std::size_t>(w.index)) ? 1 : 0, 0));

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
            rows.push_back(numberRow("Порядковый номер ключа", fKeyOrdinal, EditorKind::Number,
                                     w.key[kKeyOrdinal], 255));
            GridRow code;
            code.name = "Полный номер ключа";
            code.kind = EditorKind::KeyNumber;
            code.field = fKeyCode;
            for (std::size_t i = 0; i < kKeyCodeSize; ++i)
                code.key[i] = w.key[kKeyCode + i];
            code.text = formatKeyNumber(code.key);
            rows.push_back(std::move(code));
            rows.push_back(listRow("Тип ШС", fKeyGroup, fixedList(1016), keyLoopGroup(w.key), 0));
            rows.back().rebuildsRows = true;
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
            const int type = deviceType(d);
            rows.push_back(readOnlyRow("Тип", DBK2::DeviceTypeName(type)));
            rows.push_back(readOnlyRow("Номер АУ в базе", decimal(w.index + 1, "%3d")));
            const int cond = deviceCondition(d);
            const int loop = d[kDevLoop];
            const int high = d[kDevParam6] >> 6;
            auto blocked = [&] {
                rows.push_back(
                    listRow("Заблокировано", fDevBlocked, blockedList(), w.devBlocked ? 1 : 0, 0));
            };
            auto fireLoop = [&] {
                rows.push_back(listRow("Номер пожарного ШС", fDevLoop,
                                       loopList(db, false, {{32, 64}}), loop, -1));
            };
            switch (type) {
                case kTypeDip:
                case kTypeIpg:
                    rows.push_back(
                        listRow("Условие срабатывания", fCondition, fixedList(1007), cond, 0));
                    fireLoop();
                    blocked();
                    break;
                case kTypeDka:
                    rows.push_back(
                        listRow("Условие срабатывания", fCondition, fixedList(1059), cond, 0));
                    rows.push_back(listRow("Номер контрольного ШС", fDevLoop,
                                           loopList(db, false, {{64, 96}}), loop, -1));
                    blocked();
                    break;
                case kTypeIpr:
                case kTypeTk:
                case kTypeUpt:
                    fireLoop();
                    blocked();
                    break;
                case kTypeTk3: {
                    for (int s = 0; s < 3; ++s) {
                        rows.push_back(listRow(
                            std::string("Номер ШС, связанного с шлейфом ") + kSlotLetters[s],
                            fTk3Loop + s, loopList(db, true, {{0, 32}, {64, 96}}),
                            d[kDevLoop + static_cast<std::size_t>(s)], 0));
                        rows.back().rebuildsRows = true;
                    }
                    for (int s = 0; s < 3; ++s) {
                        const int linked = d[kDevLoop + static_cast<std::size_t>(s)];
                        const int value = (d[kDevParam6] >> (2 * s)) & 3;
                        if (linked < 32 || linked == kNone) {
                            rows.push_back(
                                listRow(std::string("Тактика охраны ШС ") + kSlotLetters[s],
                                        fTk3Tactic + s, fixedList(1005), value, 0));
                        } else if (linked >= 64 && linked < 96) {
                            rows.push_back(
                                listRow(std::string("Сообщение от ШС ") + kSlotLetters[s],
                                        fTk3Tactic + s, fixedList(1012), value, 0));
                        }
                    }
                    rows.push_back(
                        listRow("Контроль неисправности", fFaultHigh, fixedList(1020), high, 0));
                    blocked();
                    break;
                }
                case kTypeKtm:
                    rows.push_back(listRow("Номер ШС", fDevLoop,
                                           loopList(db, false, {{0, 32}, {64, 96}}), loop, -1));
                    rows.back().rebuildsRows = true;
                    if (loop < 32 || loop == kNone) {
                        rows.push_back(
                            listRow("Тактика охраны", fKtmTactic, fixedList(1060), high, 0));
                    } else if (loop >= 64 && loop < 96) {
                        rows.push_back(listRow("Сообщение", fKtmTactic, fixedList(1012), high, 0));
                    }
                    rows.push_back(listRow("Контроль неисправности", fKtmFault, fixedList(1020),
                                           d[kDevParam6] & 1, 0));
                    blocked();
                    break;
                case kTypeBrp:
                    rows.push_back(
                        listRow("Номер ШС", fDevLoop, loopList(db, true, {{0, 128}}), loop, 0));
                    break;
                case kTypeMau:
                case kTypeUop:
                case kTypeUopv: {
                    rows.push_back(
                        listRow("Номер ШС", fDevLoop, loopList(db, true, {{0, 128}}), loop, 0));
                    rows.back().rebuildsRows = true;
                    int listId = 1019;
                    if (loop < 32) {
                        listId = 1021;
                    } else if (loop < 64) {
                        listId = 1017;
                    } else if (loop >= kFirstControlLoop && loop < kLoopCount) {
                        const int logic = w.loops[static_cast<std::size_t>(loop)][kLoopLogic];
                        listId = logic == 0 ? 1021 : (logic == 1 ? 1017 : 1019);
                    }
                    ValueList relay = fixedList(listId);
                    const int notChosen = lastEntry(relay);
                    rows.push_back(listRow("Условие срабатывания реле", fCondition,
                                           std::move(relay), cond, notChosen));
                    rows.push_back(numberRow("Задержка срабатывания реле (0-240сек)", fRelayDelay,
                                             EditorKind::Number, d[kDevParam5], 240));
                    rows.push_back(
                        listRow("Управление", fControl, fixedList(1006), d[kDevParam6] & 3, 0));
                    blocked();
                    break;
                }
                default:
                    break;
            }
            // Second tab: the loops the device is on (shown, not edited).
            tab.caption = "ШС устройства";
            tab.editable = false;
            const int slots = type == kTypeTk3 ? 3 : 1;
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
    const auto v = static_cast<std::uint8_t>(r.value);
    LoopRecord* l = w.item == Item::Loop ? &w.loops[static_cast<std::size_t>(w.index)] : nullptr;
    DeviceRecord& d = w.dev;
    switch (r.field) {
        case fEntryDelay:
            w.panel[0] = v;
            break;
        case fLoopName: {
            const std::string bytes = utf8ToCp1251(r.text);
            w.name.fill(' ');
            for (std::size_t i = 0; i < bytes.size() && i < w.name.size(); ++i)
                w.name[i] = static_cast<std::uint8_t>(bytes[i]);
            break;
        }
        case fLoopNumber:
            if (l) {
                (*l)[kLoopNumber] = static_cast<std::uint8_t>(r.value & 0xFF);
                (*l)[kLoopNumber + 1] = static_cast<std::uint8_t>((r.value >> 8) & 0xFF);
            }
            break;
        case fCountdown:
            if (l) (*l)[kLoopParam7] = v;
            break;
        case fLink1:
        case fLink1 + 1:
        case fLink1 + 2:
        case fLink1 + 3:
            if (l) (*l)[kLoopLink1 + static_cast<std::size_t>(r.field - fLink1)] = v;
            break;
        case fLogic:
            if (l) (*l)[kLoopLogic] = v;
            break;
        case fLoopBlocked:
            setBit(w.blockedLoops, static_cast<std::size_t>(w.index), r.value != 0);
            break;
        case fKeyOrdinal:
            w.key[kKeyOrdinal] = v;
            break;
        case fKeyCode:
            for (std::size_t i = 0; i < kKeyCodeSize; ++i)
                w.key[kKeyCode + i] = r.key[i];
            break;
        case fKeyGroup:
            w.key[kKeyKind] =
                static_cast<std::uint8_t>((w.key[kKeyKind] & ~0x03) | (r.value & 0x03));
            break;
        case fCondition:
            d[kDevTypeCond] =
                static_cast<std::uint8_t>((d[kDevTypeCond] & 0x0F) | ((r.value & 0x0F) << 4));
            break;
        case fDevLoop:
            d[kDevLoop] = v;
            break;
        case fTk3Loop:
        case fTk3Loop + 1:
        case fTk3Loop + 2:
            d[kDevLoop + static_cast<std::size_t>(r.field - fTk3Loop)] = v;
            break;
        case fTk3Tactic:
        case fTk3Tactic + 1:
        case fTk3Tactic + 2: {
            const int shift = 2 * (r.field - fTk3Tactic);
            d[kDevParam6] = static_cast<std::uint8_t>((d[kDevParam6] & ~(3 << shift)) |
                                                      ((r.value & 3) << shift));
            break;
        }
        case fFaultHigh:
        case fKtmTactic:
            d[kDevParam6] =
                static_cast<std::uint8_t>((d[kDevParam6] & 0x3F) | ((r.value & 3) << 6));
            break;
        case fKtmFault:
            d[kDevParam6] = static_cast<std::uint8_t>((d[kDevParam6] & ~1) | (r.value & 1));
            break;
        case fRelayDelay:
            d[kDevParam5] = v;
            break;
        case fControl:
            d[kDevParam6] = static_cast<std::uint8_t>((d[kDevParam6] & ~3) | (r.value & 3));
            break;
        case fDevBlocked:
            w.devBlocked = r.value != 0;
            break;
        default:
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
