#include "editor/k2/k2_tree.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <utility>

#include "base/bit_set.h"
#include "editor/k2/k2_grid.h"
#include "editor/tree_editor.h"
#include "families/k2/dbk2.h"
#include "families/k2/device_kinds.h"

namespace tavrin {

using namespace k2;
using namespace k2code;

namespace {

constexpr const char* kPasteTitle = "Вставка из буфера";

// Commands by device kind, in the order of the kinds.
constexpr int kAddCommands[16] = {1151, 1152, 1153, 1154, 1155, 1176, 1224, 1156,
                                  0,    0,    0,    1157, 1158, 1159, 1191, 0};

DBK2* k2db(DBase* db) {
    return db && db->family() == Family::K2 ? static_cast<DBK2*>(db) : nullptr;
}
const DBK2* k2db(const DBase* db) {
    return db && db->family() == Family::K2 ? static_cast<const DBK2*>(db) : nullptr;
}

std::string formatCount(const char* pattern, int n) {
    char buf[64];
    std::snprintf(buf, sizeof buf, pattern, n);
    return buf;
}

// The index of the expanded flag of a group code in DBK2::groupExpanded, or -1.
int expandFlagOf(ItemCode c) {
    if (isLoopGroup(c)) return 1 + groupOfCode(c);
    switch (c) {
        case kDevices:
            return 0;
        case kDutyKeys:
            return 5;
        case kEmployeeKeys:
            return 6;
        default:
            return -1;
    }
}

bool hasLink(const LoopRecord& l, int control) {
    for (int j = 0; j < kLoopLinkCount; ++j) {
        if (l[kLoopLink1 + j] == control) return true;
    }
    return false;
}

int freeLink(const LoopRecord& l) {
    for (int j = 0; j < kLoopLinkCount; ++j) {
        if (l[kLoopLink1 + j] == kNone) return j;
    }
    return -1;
}

void dropLink(LoopRecord& l, int control) {
    for (int j = 0; j < kLoopLinkCount; ++j) {
        if (l[kLoopLink1 + j] == control) l[kLoopLink1 + j] = kNone;
    }
}

void sealDevice(DeviceRecord& d) {
    d[kDevChecksum] = recordChecksum(d, kDevChecksum);
}
void sealLoop(LoopRecord& l) {
    l[kLoopChecksum] = recordChecksum(l, kLoopChecksum);
}

// Copies a device record into a new device of `db`; -1 when no slot is free.
int cloneDevice(DBK2& db, const DeviceRecord& src, bool blocked) {
    const int before = db.modified;
    const int i = db.CreateElement(deviceType(src), -1);
    db.modified = before;
    if (i < 0) return -1;
    DeviceRecord& d = db.devices[static_cast<std::size_t>(i)];
    const std::uint8_t number = d[kDevNumber];
    d = src;
    if (deviceType(src) != kTypeTk3) d[kDevNumber] = number;
    sealDevice(d);
    setBit(db.blockedDevices, static_cast<std::size_t>(i), blocked);
    return i;
}

// Copies a key into a new key of `db`; -1 when no slot is free.
int cloneKey(DBK2& db, const KeyRecord& src) {
    const int before = db.modified;
    const int k = db.CreateKey();
    db.modified = before;
    if (k < 0) return -1;
    KeyRecord& key = db.keys[static_cast<std::size_t>(k)];
    key = src;
    key[kKeyOrdinal] = static_cast<std::uint8_t>(k);
    return k;
}

// Snapshot layout: the tables one after another.
template <typename T>
void append(Bytes& out, const T& table) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(table.data());
    out.insert(out.end(), p, p + sizeof(table));
}
template <typename T>
void take(const Bytes& in, std::size_t& pos, T& table) {
    if (pos + sizeof(table) > in.size()) return;
    std::copy(in.begin() + static_cast<std::ptrdiff_t>(pos),
              in.begin() + static_cast<std::ptrdiff_t>(pos + sizeof(table)),
              reinterpret_cast<std::uint8_t*>(table.data()));
    pos += sizeof(table);
}

}  // namespace

int k2AddDeviceCommand(int kind) {
    return kind >= 0 && kind < 16 ? kAddCommands[kind] : 0;
}

int k2KindOfCommand(int command) {
    for (int k = 0; k < 16; ++k) {
        if (kAddCommands[k] != 0 && kAddCommands[k] == command) return k;
    }
    return -1;
}

bool k2LoopAcceptsKind(const DBK2& db, int loop, int kind) {
    if (kind < 0 || kind >= 16) return false;
    const DeviceKind& k = deviceKind(kind);
    return groupIn(k.groups, loop) && !(k.onePerLoop && db.HasUptOnLoop(loop));
}

// ---- Rebuild ------------------------------------------------------------------------

void K2Tree::build(TreeEditor& tree, ItemCode remembered) {
    DBK2* db = k2db(tree.database());
    if (!db) return;
    TreeModel& m = tree.model();

    // Devices by loop (a three-loop device once per slot on the loop), and
    // member loops by control loop: one pass each.
    std::array<std::vector<std::pair<int, int>>, kLoopCount> onLoop;  // (device, slot)
    for (int i = 0; i < kDeviceCount; ++i) {
        if (!db->IsDeviceInUse(i)) continue;
        const DeviceRecord& d = db->devices[static_cast<std::size_t>(i)];
        const int slots = deviceType(d) == kTypeTk3 ? 3 : 1;
        for (int s = 0; s < slots; ++s) {
            const int loop = deviceLoopSlot(d, s);
            if (loop < kLoopCount)
                onLoop[static_cast<std::size_t>(loop)].push_back(
                    {i, deviceType(d) == kTypeTk3 ? s : -1});
        }
    }
    std::array<std::vector<int>, kLoopCount> members;
    for (int k = 0; k < kFirstControlLoop; ++k) {
        for (int j = 0; j < kLoopLinkCount; ++j) {
            const int c =
                db->loops[static_cast<std::size_t>(k)][kLoopLink1 + static_cast<std::size_t>(j)];
            if (c >= kFirstControlLoop && c < kLoopCount &&
                std::find(members[static_cast<std::size_t>(c)].begin(),
                          members[static_cast<std::size_t>(c)].end(),
                          k) == members[static_cast<std::size_t>(c)].end()) {
                members[static_cast<std::size_t>(c)].push_back(k);
            }
        }
    }
    for (int l = 0; l < kLoopCount; ++l) {
        db->loops[static_cast<std::size_t>(l)][kLoopContent] =
            !onLoop[static_cast<std::size_t>(l)].empty() ||
                    !members[static_cast<std::size_t>(l)].empty()
                ? 1
                : 0;
    }

    auto addDevicesOf = [&](NodeId parent, int loop) {
        for (const auto& [i, slot] : onLoop[static_cast<std::size_t>(loop)]) {
            const ItemCode image = slot >= 0 ? slotEntryCode(i, slot) : i;
            m.add(parent, i, db->DeviceLabel(i, slot), db->GetItemImage(image));
        }
    };

    const NodeId root = m.add(kNoNode, kRoot, " Талвир К2", db->GetItemImage(-1));
    m.setExpanded(root, true);

    auto groupExpanded = [&](ItemCode group, bool containsRemembered) {
        const int flag = expandFlagOf(group);
        return containsRemembered ||
               (flag >= 0 && db->groupExpanded[static_cast<std::size_t>(flag)]);
    };

    if (!tree.groupHidden(0)) {
        const NodeId devs = m.add(root, kDevices, "", db->GetItemImage(kDevices));
        int count = 0;
        for (int i = 0; i < kDeviceCount; ++i) {
            if (!db->IsDeviceInUse(i)) continue;
            ++count;
            const NodeId n = m.add(devs, i, db->DeviceLabel(i), db->GetItemImage(i));
            if (deviceType(db->devices[static_cast<std::size_t>(i)]) == kTypeTk3) {
                static constexpr const char* kSlotLabels[3] = {"ШС А", "ШС В", "ШС С"};
                for (int s = 0; s < 3; ++s) {
                    const ItemCode c = slotEntryCode(i, s);
                    m.add(n, c, kSlotLabels[s], db->GetItemImage(c));
                }
            }
        }
        m.setLabel(devs, formatCount("Устройства (%d)", count));
        if (tree.orderedByType()) {
            m.sortChildren(devs,
                           [](const TreeNode& a, const TreeNode& b) { return a.label < b.label; });
        }
        m.setExpanded(devs,
                      groupExpanded(kDevices, isDevice(remembered) || isSlotEntry(remembered)));
    }

    const NodeId loopsNode = m.add(root, kLoops, "Шлейфы", db->GetItemImage(kLoops));
    m.setExpanded(loopsNode, true);
    static constexpr const char* kGroupLabels[4] = {"Охранные (%d)", "Пожарные (%d)",
                                                    "Контрольные (%d)", "Управляющие (%d)"};
    for (int g = 0; g < 4; ++g) {
        if (tree.groupHidden(1 + g)) continue;
        const ItemCode gc = loopGroupCode(g);
        const NodeId gn = m.add(loopsNode, gc, "", db->GetItemImage(gc));
        int withContent = 0;
        for (int l = 32 * g; l < 32 * g + 32; ++l) {
            const NodeId ln =
                m.add(gn, kLoopBase + l, db->LoopFullLabel(l), db->GetItemImage(kLoopBase + l));
            addDevicesOf(ln, l);
            for (int k : members[static_cast<std::size_t>(l)]) {
                const NodeId mn =
                    m.add(ln, kLoopBase + k, db->LoopFullLabel(k), db->GetItemImage(kLoopBase + k));
                addDevicesOf(mn, k);
            }
            withContent += db->loops[static_cast<std::size_t>(l)][kLoopContent] ? 1 : 0;
        }
        m.setLabel(gn, formatCount(kGroupLabels[g], withContent));
        const bool holds = isLoop(remembered) && loopGroup(loopOf(remembered)) == g;
        m.setExpanded(gn, groupExpanded(gc, holds));
    }

    if (!tree.groupHidden(5)) {
        const NodeId keysNode = m.add(root, kKeys, "Ключи", db->GetItemImage(kKeys));
        m.setExpanded(keysNode, true);
        const NodeId duty = m.add(keysNode, kDutyKeys, "", db->GetItemImage(kDutyKeys));
        const NodeId employee = m.add(keysNode, kEmployeeKeys, "", db->GetItemImage(kEmployeeKeys));
        int dutyCount = 0, employeeCount = 0;
        bool heldEmployee = false, heldDuty = false;
        for (int k = 0; k < kKeyCount; ++k) {
            if (!db->IsKeyInUse(k)) continue;
            KeyRecord& key = db->keys[static_cast<std::size_t>(k)];
            if (key[kKeyOrdinal] == kNone) {
                // A key without its number gets its slot number. Showing a
                // database is no edit: the counter stays (the number goes
                // into the file with the next save).
                key[kKeyOrdinal] = static_cast<std::uint8_t>(k);
            }
            const bool isEmployee = isEmployeeKey(key);
            (isEmployee ? employeeCount : dutyCount) += 1;
            if (remembered == kKeyBase + k) (isEmployee ? heldEmployee : heldDuty) = true;
            m.add(isEmployee ? employee : duty, kKeyBase + k, formatCount("Ключ_%03d", k),
                  db->GetItemImage(kKeyBase + k));
        }
        m.setLabel(duty, formatCount("Дежурный (%d)", dutyCount));
        m.setLabel(employee, formatCount("Сотрудник (%d)", employeeCount));
        m.setExpanded(duty, groupExpanded(kDutyKeys, heldDuty));
        m.setExpanded(employee, groupExpanded(kEmployeeKeys, heldEmployee));
    }
}

void K2Tree::expandedChanged(TreeEditor& tree, NodeId node, bool expanded) {
    DBK2* db = k2db(tree.database());
    const int flag = expandFlagOf(tree.codeOf(node));
    if (db && flag >= 0) db->groupExpanded[static_cast<std::size_t>(flag)] = expanded;
}

// ---- Context menus ----------------------------------------------------------------------

std::vector<MenuItem> K2Tree::contextMenu(TreeEditor& tree, NodeId node) {
    DBK2* db = k2db(tree.database());
    if (!db || tree.parentOf(node) == kNoNode) return {};  // the root has no menu
    const ItemCode c = tree.codeOf(node);
    const ItemCode parent = tree.codeOf(tree.parentOf(node));
    const EditMenuState edit = tree.editMenu();
    std::vector<MenuItem> menu;
    auto addDevicesMenu = [&](auto accepts) {
        MenuItem sub{0, "Добавить устройство", true, {}};
        for (int kind = 0; kind < 16; ++kind) {
            if (kAddCommands[kind] == 0 || !accepts(kind)) continue;
            sub.submenu.push_back({kAddCommands[kind], DBK2::DeviceTypeName(kind), true, {}});
        }
        if (!sub.submenu.empty()) menu.push_back(std::move(sub));
    };
    if (c == kDevices) {
        addDevicesMenu([](int) { return true; });
        if (edit.paste.enabled) menu.push_back({cmd::kPasteK2, "Вставить из буфера", true, {}});
        menu.push_back({0,
                        "Упорядочить устройства",
                        true,
                        {{cmd::kOrderByType, "по типу", true, {}},
                         {cmd::kOrderByNumber, "по номеру АУ", true, {}}}});
    } else if (isDevice(c)) {
        menu.push_back({cmd::kDeleteDevice, "Удалить устройство", true, {}});
        if (edit.cut.enabled) menu.push_back({cmd::kCutK2, "Вырезать", true, {}});
        if (edit.copy.enabled) menu.push_back({cmd::kCopy, "Копировать", true, {}});
        menu.push_back({cmd::kBlock, "Заблокировать", true, {}});
        menu.push_back({cmd::kUnblock, "Разблокировать", true, {}});
    } else if (isLoop(c)) {
        const int loop = loopOf(c);
        if (edit.paste.enabled) menu.push_back({cmd::kPasteK2, "Вставить из буфера", true, {}});
        addDevicesMenu([&](int kind) { return k2LoopAcceptsKind(*db, loop, kind); });
        if (!isControlLoop(c)) {
            menu.push_back({cmd::kCopy, "Скопировать в буфер", true, {}});
            if (edit.cut.enabled) menu.push_back({cmd::kCutK2, "Вырезать", true, {}});
        }
        if (isControlLoop(parent)) menu.push_back({cmd::kDeleteDevice, "Удалить", true, {}});
        menu.push_back({cmd::kBlock, "Заблокировать", true, {}});
        menu.push_back({cmd::kUnblock, "Разблокировать", true, {}});
    } else if (c == kDutyKeys || c == kEmployeeKeys) {
        menu.push_back({cmd::kAddKey, "Добавить ключ", true, {}});
        if (edit.paste.enabled) menu.push_back({cmd::kPasteK2, "Вставить из буфера", true, {}});
    } else if (isKey(c)) {
        menu.push_back({cmd::kDeleteKeys,
                        tree.selection().size() > 1 ? "Удалить ключи" : "Удалить ключ",
                        true,
                        {}});
        menu.push_back({cmd::kCutK2, "Вырезать в буфер", true, {}});
        if (edit.copy.enabled) menu.push_back({cmd::kCopy, "Копировать", true, {}});
    }
    return menu;
}

// ---- Commands ----------------------------------------------------------------------------

bool K2Tree::runCommand(TreeEditor& tree, int command) {
    if (const int kind = k2KindOfCommand(command); kind >= 0) {
        addDevice(tree, kind);
        return true;
    }
    switch (command) {
        case cmd::kAddKey:
            addKey(tree);
            return true;
        case cmd::kBlock:
        case cmd::kUnblock:
            setBlocked(tree, command == cmd::kBlock);
            return true;
        case cmd::kNewElement: {
            auto r = std::make_unique<CommandRecord>();
            r->code = kCmdNewElementDialog;
            r->items = {tree.currentCode()};
            tree.pushRecord(std::move(r));
            return true;
        }
        default:
            return false;
    }
}

void K2Tree::addDevice(TreeEditor& tree, int kind) {
    DBK2* db = k2db(tree.database());
    const ItemCode target = tree.currentCode();
    if (!db || (target != kDevices && !isLoop(target))) return;
    if (isLoop(target) && !k2LoopAcceptsKind(*db, loopOf(target), kind)) return;
    if (!tree.leaveItem()) return;
    auto r = std::make_unique<CommandRecord>();
    r->code = kCmdAdded;
    r->saved[static_cast<std::size_t>(tree.index())] = snapshot(*db);
    const int before = db->modified;
    const int i = db->CreateElement(kind, -1);
    if (i < 0) {
        db->modified = before;
        return;  // no free device: nothing added, nothing recorded
    }
    if (isLoop(target)) {
        DeviceRecord& d = db->devices[static_cast<std::size_t>(i)];
        d[kDevLoop] = static_cast<std::uint8_t>(loopOf(target));
        sealDevice(d);
    }
    TreeEditor::markChanged(*db, before);
    r->items = {i};
    r->parent = target;
    r->recordTree = tree.index();
    tree.pushRecord(std::move(r));
    const NodeId parentNode = tree.current();
    const ItemCode parentOfTarget = tree.codeOf(tree.parentOf(parentNode));
    tree.rebuildSelecting(target);
    // Select the new device under the item it was added to.
    NodeId p = tree.model().find(parentOfTarget);
    p = p != kNoNode ? tree.model().findUnder(p, target) : tree.model().find(target);
    if (p == kNoNode) p = tree.model().find(target);
    if (p != kNoNode) {
        tree.model().setExpanded(p, true);
        const NodeId n = tree.model().findUnder(p, i);
        if (n != kNoNode) tree.setCurrent(n);
    }
}

void K2Tree::addKey(TreeEditor& tree) {
    DBK2* db = k2db(tree.database());
    const ItemCode target = tree.currentCode();
    if (!db || (target != kDutyKeys && target != kEmployeeKeys)) return;
    if (!tree.leaveItem()) return;
    auto r = std::make_unique<CommandRecord>();
    r->code = kCmdAdded;
    r->saved[static_cast<std::size_t>(tree.index())] = snapshot(*db);
    const int before = db->modified;
    const int k = db->CreateKey();
    if (k < 0) {
        db->modified = before;
        return;
    }
    if (target == kEmployeeKeys) db->keys[static_cast<std::size_t>(k)][kKeyKind] |= kKeyEmployeeBit;
    TreeEditor::markChanged(*db, before);
    r->items = {kKeyBase + k};
    r->parent = target;
    tree.pushRecord(std::move(r));
    tree.rebuildSelecting(kKeyBase + k);
}

void K2Tree::setBlocked(TreeEditor& tree, bool blocked) {
    DBK2* db = k2db(tree.database());
    if (!db || !tree.leaveItem()) return;
    auto r = std::make_unique<CommandRecord>();
    r->code = kCmdParameters;
    r->saved[static_cast<std::size_t>(tree.index())] = snapshot(*db);
    r->refreshGrid = true;
    bool any = false;
    for (NodeId n : tree.selection()) {
        if (tree.parentOf(n) == kNoNode) continue;  // the root
        const ItemCode c = tree.codeOf(n);
        if (isDevice(c)) {
            setBit(db->blockedDevices, static_cast<std::size_t>(c), blocked);
            any = true;
        } else if (isLoop(c)) {
            setBit(db->blockedLoops, static_cast<std::size_t>(loopOf(c)), blocked);
            any = true;
        }
        r->items.push_back(c);
    }
    if (!any) return;
    r->parent = tree.codeOf(tree.parentOf(tree.current()));
    TreeEditor::markChanged(*db, db->modified);
    tree.pushRecord(std::move(r));
    tree.rebuild();
}

// ---- Delete --------------------------------------------------------------------------------

void K2Tree::remove(TreeEditor& tree) {
    DBK2* db = k2db(tree.database());
    if (!db || tree.current() == kNoNode) return;
    const EditRuleArgs args = tree.ruleArgs(tree.current());
    if (!db->DeleteItem(args).allowed) return;
    if (!tree.leaveItem()) return;
    const std::vector<NodeId> selected = tree.selection();
    const ItemCode parent = tree.codeOf(tree.parentOf(tree.current()));
    auto r = std::make_unique<CommandRecord>();
    r->saved[static_cast<std::size_t>(tree.index())] = snapshot(*db);
    r->parent = parent;
    const int before = db->modified;
    bool keys = false;
    for (NodeId n : selected) {
        const ItemCode c = tree.codeOf(n);
        if (tree.parentOf(n) == kNoNode) continue;  // the root, not device 0
        if (isKey(c)) {
            db->RemoveKey(c);
            keys = true;
        } else if (const int i = deviceOf(c); i >= 0) {
            db->RemoveElement(i);
        } else if (isLoop(c) && isLoop(parent) && loopOf(c) < kFirstControlLoop) {
            // A member loop leaves its control loop.
            LoopRecord& l = db->loops[static_cast<std::size_t>(loopOf(c))];
            dropLink(l, loopOf(parent));
            sealLoop(l);
        } else {
            continue;
        }
        r->items.push_back(c);
    }
    if (r->items.empty()) {
        db->modified = before;
        return;
    }
    r->code = keys ? kCmdKeysDeleted : kCmdItemsDeleted;
    TreeEditor::markChanged(*db, before);
    tree.pushRecord(std::move(r));
    if (tree.grid()) tree.grid()->clear();
    tree.rebuildSelecting(parent);
}

// ---- Copy, cut and paste -------------------------------------------------------------------

void K2Tree::copy(TreeEditor& tree, bool cut) {
    DBK2* db = k2db(tree.database());
    // The root is not an element (its code is also device 0's).
    if (!db || tree.current() == kNoNode || tree.parentOf(tree.current()) == kNoNode) return;
    const EditRuleArgs args = tree.ruleArgs(tree.current());
    if (!(cut ? db->CutItem(args) : db->CopyItem(args)).allowed) return;
    // Unmark what the previous buffer held, in whichever tree it was.
    for (int i = 0; i < 2; ++i) {
        if (TreeEditor* t = tree.otherTree(i)) t->ghostBuffer(false);
    }
    ClipBuffer& b = tree.buffer();
    b.clear();
    for (NodeId n : tree.selection())
        b.items.push_back(tree.codeOf(n));
    b.parent = tree.codeOf(tree.parentOf(tree.current()));
    b.tree = tree.index();
    b.takenByCut = cut;
    tree.ghostBuffer(true);
    auto r = std::make_unique<CommandRecord>();
    r->code = kCmdBufferCut;  // a copy is recorded as a cut in this family
    r->items = b.items;
    r->parent = b.parent;
    r->sourceTree = b.tree;
    r->takenByCut = cut;
    tree.pushRecord(std::move(r));
    tree.status(cut ? "Вырезано" : "Скопировано");
}

void K2Tree::refusePaste(TreeEditor& tree, const std::string& text) {
    ClipBuffer& b = tree.buffer();
    if (TreeEditor* source = tree.otherTree(b.tree)) {
        NodeId p = source->model().find(b.parent);
        NodeId first = kNoNode;
        for (ItemCode c : b.items) {
            const NodeId n =
                p != kNoNode ? source->model().findUnder(p, c) : source->model().find(c);
            if (n == kNoNode) continue;
            if (first == kNoNode) {
                source->setCurrent(n);
                first = n;
            } else {
                source->toggleMark(n);
            }
        }
    }
    auto r = std::make_unique<CommandRecord>();
    r->code = kCmdBufferRefused;
    r->items = b.items;
    r->second = b.parent;
    r->sourceTree = b.tree;
    r->takenByCut = b.takenByCut;
    tree.pushRecord(std::move(r));
    tree.prompter().message(text, kPasteTitle, PromptIcon::Error);
}

namespace {

// One paste: where the buffer's items come from and where they go.
struct PasteJob {
    DBK2* db = nullptr;   // the target's database
    DBK2* src = nullptr;  // the buffer's database (the same one or the other)
    ItemCode target = 0;
    ItemCode targetParent = 0;
    ItemCode from = 0;  // the buffer items' parent
    int sourceTree = 0;
    bool sameDb = true;
    bool move = false;  // the buffer was taken by a cut
    std::vector<ItemCode> items;
};

struct PasteRefusal {
    std::string text;  // may be empty: refused without a message
    bool marksBuffer;  // the buffer's items are shown again and the refusal recorded
};

// Checks the paste: one УПТ per fire loop, free links and matching groups of
// loops put into a control loop, then the family's rule for every item.
std::optional<PasteRefusal> checkPaste(const PasteJob& job) {
    DBK2* db = job.db;
    const DBK2* src = job.src;
    const ItemCode target = job.target;
    const bool sameDb = job.sameDb;
    const bool move = job.move;
    const std::vector<ItemCode>& items = job.items;

    // 1. One УПТ per fire loop.
    if (isLoop(target) && loopGroup(loopOf(target)) == kGroupFire) {
        int upts = 0;
        for (ItemCode c : items) {
            const int i = deviceOf(c);
            if (i >= 0 && src->IsDeviceInUse(i) &&
                deviceType(src->devices[static_cast<std::size_t>(i)]) == kTypeUpt)
                ++upts;
        }
        bool targetHas = false;
        for (int i = 0; i < kDeviceCount; ++i) {
            if (!db->IsDeviceInUse(i) ||
                deviceType(db->devices[static_cast<std::size_t>(i)]) != kTypeUpt)
                continue;
            if (db->devices[static_cast<std::size_t>(i)][kDevLoop] != loopOf(target)) continue;
            // A УПТ moved within this loop does not count twice.
            const bool moving =
                sameDb && move && std::find(items.begin(), items.end(), i) != items.end();
            if (!moving) targetHas = true;
        }
        if (upts > 1 || (upts == 1 && targetHas)) {
            return PasteRefusal{"УПТ в ШС может быть только одно!", true};
        }
    }

    // 2. Loops into a control loop: free links and matching groups.
    if (isControlLoop(target)) {
        int logic = db->loops[static_cast<std::size_t>(loopOf(target))][kLoopLogic];
        for (ItemCode c : items) {
            if (!isLoop(c) || loopOf(c) >= kFirstControlLoop) continue;
            const int k = loopOf(c);
            const LoopRecord& l = db->loops[static_cast<std::size_t>(k)];
            if (hasLink(l, loopOf(target))) continue;  // already a member
            const bool movedHere =
                sameDb && move && isControlLoop(job.from) && hasLink(l, loopOf(job.from));
            if (freeLink(l) < 0 && !movedHere) {
                return PasteRefusal{sameDb ? "Шлейф уже добавлен в четыре управляющих шлейфа!"
                                           : "Все ссылки шлейфа заняты!",
                                    true};
            }
            if (logic == kNone) logic = loopGroup(k);
            if (logic <= kGroupMonitoring && loopGroup(k) != logic) {
                return PasteRefusal{"Такая вставка недопустима.", true};
            }
        }
    }

    // 3. The family's rule for every item.
    for (ItemCode c : items) {
        EditRuleArgs a;
        a.item = target;
        a.parent = job.targetParent;
        a.bufferItem = c;
        a.flag = sameDb ? 0 : 1;
        a.bufferDatabase = src;
        const RuleAnswer answer = db->PasteItem(a);
        if (!answer.allowed) return PasteRefusal{answer.text, false};
    }
    return std::nullopt;
}

// The two undo records of a paste: the buffer, and the records of both
// databases as they were (the source's only when a cut takes from it).
std::pair<std::unique_ptr<CommandRecord>, std::unique_ptr<CommandRecord>> recordPaste(
    const PasteJob& job, const K2Tree& family, int treeIndex) {
    auto rb = std::make_unique<CommandRecord>();
    rb->code = kCmdPasteBuffer;
    rb->items = job.items;
    rb->second = job.from;
    rb->sourceTree = job.sourceTree;
    rb->takenByCut = job.move;
    auto rr = std::make_unique<CommandRecord>();
    rr->code = kCmdPasteRecords;
    rr->items = job.items;
    rr->parent = job.target;
    rr->second = job.from;
    rr->sourceTree = job.sourceTree;
    rr->takenByCut = job.move;
    rr->saved[static_cast<std::size_t>(treeIndex)] = family.snapshot(*job.db);
    if (!job.sameDb && job.move)
        rr->saved[static_cast<std::size_t>(job.sourceTree)] = family.snapshot(*job.src);
    return {std::move(rb), std::move(rr)};
}

// Puts the items into the target; true when the source database changed too.
bool applyPaste(const PasteJob& job) {
    DBK2* db = job.db;
    DBK2* src = job.src;
    const ItemCode target = job.target;
    const bool sameDb = job.sameDb;
    const bool move = job.move;
    const std::vector<ItemCode>& items = job.items;
    bool srcChanged = false;

    const int fromLoop = isLoop(job.from) ? loopOf(job.from) : -1;
    for (ItemCode c : items) {
        if (const int i = deviceOf(c); i >= 0) {
            if (!src->IsDeviceInUse(i)) continue;
            const DeviceRecord original = src->devices[static_cast<std::size_t>(i)];
            const bool tk3 = deviceType(original) == kTypeTk3;
            int d = i;
            if (!(sameDb && move)) {
                d = cloneDevice(*db, original, src->IsDeviceBlocked(i));
                if (d < 0) break;
                if (!move && isLoop(target) && tk3) {
                    // A copy of a three-loop device starts on the target alone.
                    db->devices[static_cast<std::size_t>(d)][kDevLoop + 1] = kNone;
                    db->devices[static_cast<std::size_t>(d)][kDevLoop + 2] = kNone;
                }
                if (move) {
                    src->RemoveElement(i);
                    srcChanged = true;
                }
            }
            DeviceRecord& rec = db->devices[static_cast<std::size_t>(d)];
            const std::uint8_t newLoop =
                isLoop(target) ? static_cast<std::uint8_t>(loopOf(target)) : kNone;
            if (tk3) {
                int slot = 0;
                if (move && fromLoop >= 0) {
                    for (int s = 0; s < 3; ++s) {
                        if (rec[kDevLoop + static_cast<std::size_t>(s)] == fromLoop) {
                            slot = s;
                            break;
                        }
                    }
                }
                if (move || isLoop(target))
                    rec[kDevLoop + static_cast<std::size_t>(slot)] = newLoop;
            } else if (move || isLoop(target)) {
                rec[kDevLoop] = newLoop;
            }
            sealDevice(rec);
        } else if (isLoop(c) && isControlLoop(target)) {
            const int k = loopOf(c);
            LoopRecord& l = db->loops[static_cast<std::size_t>(k)];
            if (move && isControlLoop(job.from)) {
                LoopRecord& from = src->loops[static_cast<std::size_t>(k)];
                if (job.from != target) {
                    dropLink(from, loopOf(job.from));
                    sealLoop(from);
                    srcChanged = srcChanged || !sameDb;
                }
            }
            if (!hasLink(l, loopOf(target))) {
                const int j = freeLink(l);
                if (j >= 0)
                    l[kLoopLink1 + static_cast<std::size_t>(j)] =
                        static_cast<std::uint8_t>(loopOf(target));
            }
            sealLoop(l);
            LoopRecord& control = db->loops[static_cast<std::size_t>(loopOf(target))];
            if (control[kLoopLogic] == kNone) {
                control[kLoopLogic] = static_cast<std::uint8_t>(loopGroup(k));
                sealLoop(control);
            }
        } else if (isKey(c)) {
            const int k = keyOf(c);
            if (!src->IsKeyInUse(k)) continue;
            int dk = k;
            if (!sameDb || (!move && (target == kDutyKeys || target == kEmployeeKeys))) {
                dk = cloneKey(*db, src->keys[static_cast<std::size_t>(k)]);
                if (dk < 0) break;
                if (!sameDb && move) {
                    src->RemoveKey(c);
                    srcChanged = true;
                }
            }
            KeyRecord& key = db->keys[static_cast<std::size_t>(dk)];
            if (target == kEmployeeKeys) key[kKeyKind] |= kKeyEmployeeBit;
            if (target == kDutyKeys) key[kKeyKind] &= static_cast<std::uint8_t>(~kKeyEmployeeBit);
            if (isLoop(target)) {
                // The key applies to the loop of its group.
                const int bit = loopOf(target) % 32;
                key[kKeyApplication + static_cast<std::size_t>(bit / 8)] |=
                    static_cast<std::uint8_t>(1u << (bit % 8));
            }
        }
    }
    return srcChanged;
}

}  // namespace

void K2Tree::paste(TreeEditor& tree, NodeId targetNode) {
    DBK2* db = k2db(tree.database());
    ClipBuffer& b = tree.buffer();
    DBK2* src = k2db(tree.databaseAt(b.tree));
    if (!db || b.empty()) return;
    // The root (whose code is also device 0's) takes nothing.
    if (targetNode == kNoNode || !src || tree.parentOf(targetNode) == kNoNode) {
        tree.prompter().message("Недопустимая операция", kPasteTitle, PromptIcon::Error);
        return;
    }
    PasteJob job;
    job.db = db;
    job.src = src;
    job.target = tree.codeOf(targetNode);
    job.targetParent = tree.codeOf(tree.parentOf(targetNode));
    job.from = b.parent;
    job.sourceTree = b.tree;
    job.sameDb = src == db;
    job.move = b.takenByCut;
    job.items = b.items;

    if (const auto refusal = checkPaste(job)) {
        if (refusal->marksBuffer)
            refusePaste(tree, refusal->text);
        else if (!refusal->text.empty())
            tree.prompter().message(refusal->text, kPasteTitle, PromptIcon::Error);
        return;
    }
    if (!tree.leaveItem()) return;
    auto [rb, rr] = recordPaste(job, *this, tree.index());
    const int beforeDb = db->modified;
    const int beforeSrc = src->modified;
    const bool srcChanged = applyPaste(job);

    const ItemCode target = job.target;
    const bool move = job.move;
    const bool sameDb = job.sameDb;
    TreeEditor::markChanged(*db, beforeDb);
    if (srcChanged) TreeEditor::markChanged(*src, beforeSrc);
    if (!srcChanged && b.tree != tree.index()) rr->saved[static_cast<std::size_t>(b.tree)].clear();
    tree.pushRecord(std::move(rb));
    tree.pushRecord(std::move(rr));
    if (move) {
        // The cut items have left their place: the buffer is spent.
        for (int i = 0; i < 2; ++i) {
            if (TreeEditor* t = tree.otherTree(i)) t->ghostBuffer(false);
        }
        b.clear();
    }
    if (!sameDb) {
        for (int i = 0; i < 2; ++i) {
            TreeEditor* t = tree.otherTree(i);
            if (t && t != &tree) t->rebuild();
        }
    }
    const ItemCode parentOfTarget = tree.codeOf(tree.parentOf(targetNode));
    tree.rebuildSelecting(target);
    NodeId p = tree.model().find(parentOfTarget);
    NodeId t = p != kNoNode ? tree.model().findUnder(p, target) : kNoNode;
    if (t != kNoNode) {
        tree.model().setExpanded(t, true);
        tree.setCurrent(t);
    }
}

// ---- Undo and drop ------------------------------------------------------------------------------

bool K2Tree::undoStep(TreeEditor&, CommandRecord&, const CommandRecord*) {
    // Every record of this family is reversed by the tree itself.
    return false;
}

bool K2Tree::canDrop(TreeEditor& tree, NodeId target, const std::vector<NodeId>& dragged) {
    DBK2* db = k2db(tree.database());
    const ItemCode t = tree.codeOf(target);
    if (!db || !isLoop(t)) return false;
    for (NodeId n : dragged) {
        const ItemCode c = tree.codeOf(n);
        if (tree.parentOf(n) == kNoNode || !isDevice(c) || !db->IsDeviceInUse(c)) return false;
        const DeviceKind& k = deviceKind(deviceType(db->devices[static_cast<std::size_t>(c)]));
        if (!k.byDrag || !groupIn(k.groups, loopOf(t))) return false;
    }
    return true;
}

// ---- Snapshot
// ------------------------------------------------------------------------------------

Bytes K2Tree::snapshot(const DBase& base) const {
    const DBK2* db = k2db(&base);
    Bytes out;
    if (!db) return out;
    out.reserve(8 * 1024);
    append(out, db->devices);
    // A loop's content flag follows its devices and members on every
    // rebuild; it is no part of an edit (and must not make one look changed
    // since), so the snapshot leaves it out.
    auto loops = db->loops;
    for (LoopRecord& l : loops)
        l[kLoopContent] = 0;
    append(out, loops);
    append(out, db->keys);
    append(out, db->names);
    append(out, db->deviceMap);
    append(out, db->keyMap);
    append(out, db->blockedDevices);
    append(out, db->blockedLoops);
    append(out, db->panelBlock);
    return out;
}

void K2Tree::restore(DBase& base, const Bytes& saved) const {
    DBK2* db = k2db(&base);
    if (!db || saved.empty()) return;
    std::size_t pos = 0;
    take(saved, pos, db->devices);
    std::array<std::uint8_t, kLoopCount> content{};
    for (std::size_t l = 0; l < content.size(); ++l)
        content[l] = db->loops[l][kLoopContent];
    take(saved, pos, db->loops);
    for (std::size_t l = 0; l < content.size(); ++l)
        db->loops[l][kLoopContent] = content[l];
    take(saved, pos, db->keys);
    take(saved, pos, db->names);
    take(saved, pos, db->deviceMap);
    take(saved, pos, db->keyMap);
    take(saved, pos, db->blockedDevices);
    take(saved, pos, db->blockedLoops);
    take(saved, pos, db->panelBlock);
}

SnapshotLayout K2Tree::snapshotLayout() const {
    // The tables in snapshot order; the bit sets and maps byte by byte, the
    // panel block as one record.
    return {{sizeof(DeviceRecord), kDeviceCount},
            {sizeof(LoopRecord), kLoopCount},
            {sizeof(KeyRecord), kKeyCount},
            {sizeof(NameText), kNameCount},
            {1, kDeviceMapSize},
            {1, kKeyMapSize},
            {1, kBlockedDevicesSize},
            {1, kBlockedLoopsSize},
            {kPanelBlockSize, 1}};
}

std::unique_ptr<FamilyGrid> K2Tree::makeGrid() const {
    return std::make_unique<K2Grid>();
}

}  // namespace tavrin
