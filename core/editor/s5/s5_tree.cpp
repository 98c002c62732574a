#include "editor/s5/s5_tree.h"

#include <algorithm>
#include <cstdio>

#include "editor/s5/s5_grid.h"
#include "editor/tree_editor.h"
#include "families/s5/dbs5.h"

namespace tavrin {

using namespace s5;

namespace {

DBS5* s5db(DBase* base) {
    return dynamic_cast<DBS5*>(base);
}

std::string numbered(const char* pattern, int n) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, n);
    return text;
}

constexpr const char* kDeleteCaption = "Удаление";

// The codes of the expanded nodes, to open them again after a rebuild.
std::vector<ItemCode> expandedCodes(const TreeModel& m) {
    std::vector<ItemCode> out;
    m.visit([&](const TreeNode& n, int) {
        if (n.expanded && !n.children.empty()) out.push_back(n.code);
    });
    return out;
}

// The code an item of LCP `from` gets when that LCP takes address `to`.
ItemCode readdressed(ItemCode code, int from, int to) {
    const ItemRef r = decodeItem(code);
    if (r.lcp != from) return code;
    switch (r.kind) {
        case ItemKind::Lcp:
            return lcpItem(to);
        case ItemKind::Object:
            return objectItem(to, r.slot);
        case ItemKind::Device:
            return deviceItem(to, r.slot);
        case ItemKind::Key:
            return keyItem(to, r.slot);
        default:
            return code;
    }
}

void reopen(TreeEditor& tree, const std::vector<ItemCode>& codes) {
    for (ItemCode c : codes) {
        const NodeId n = tree.model().find(c);
        if (n != kNoNode && !tree.model().node(n).children.empty()) tree.setExpanded(n, true);
    }
}
// The add-device commands of an LCP's and an object's menu, in menu order:
// command, label, type code, type code when the database uses the
// alternative codes.
struct AddDevice {
    int command;
    const char* label;
    std::uint8_t code;
    std::uint8_t alternative;
};
constexpr AddDevice kAddDevices[] = {
    {1151, "ВЕРС-ДИП", 17, 17}, {1152, "ВЕРС-ИПР", 24, 37}, {1176, "ВЕРС-ИПГ", 15, 39},
    {1164, "ВЕРС-ТC", 12, 12},  {1153, "ВЕРС-ТК", 33, 33},  {1155, "ВЕРС-КТМ", 84, 84},
    {1178, "ВЕРС-КПР", 45, 84}, {1157, "ВЕРС-УПТ", 49, 49}, {1177, "ВЕРС У", 48, 48},
    {1159, "ВЕРС-УОП", 52, 52},
};

MenuItem addDeviceMenu() {
    MenuItem sub{0, "Добавить устройство", true, {}};
    for (const AddDevice& d : kAddDevices)
        sub.submenu.push_back({d.command, d.label, true, {}});
    return sub;
}

}  // namespace

std::string s5ObjectLabel(const DBS5& db, int lcp, int slot) {
    const LcpDatabase* d = db.lcp(lcp);
    return d ? nameText(objectName(d->objects[static_cast<std::size_t>(slot)])) : std::string{};
}

std::string s5DeviceLabel(const DBS5& db, int lcp, int slot) {
    const LcpDatabase* d = db.lcp(lcp);
    return d ? nameText(deviceName(d->devices[static_cast<std::size_t>(slot)])) : std::string{};
}

std::string s5KeyLabel(const DBS5& db, int lcp, int slot) {
    if (lcp == 0) return nameText(keyOwner(db.commonKeys[static_cast<std::size_t>(slot)]));
    const LcpDatabase* d = db.lcp(lcp);
    return d ? nameText(keyOwner(d->keys[static_cast<std::size_t>(slot)])) : std::string{};
}

bool S5Tree::isKeyItem(ItemCode code) const {
    const ItemKind k = decodeItem(code).kind;
    return k == ItemKind::Key || k == ItemKind::CommonKey;
}

// ---- Build -------------------------------------------------------------------------

void S5Tree::build(TreeEditor& tree, ItemCode remembered) {
    DBS5* db = s5db(tree.database());
    if (!db) return;
    TreeModel& m = tree.model();
    const ItemRef held = decodeItem(remembered);

    const NodeId root = m.add(kNoNode, kItemRoot, " Версан С5", db->GetItemImage(kItemRoot));
    m.setExpanded(root, true);

    const NodeId keys =
        m.add(root, kItemCommonKeys, "Ключи пульта", db->GetItemImage(kItemCommonKeys));
    for (int k = 0; k < kCommonKeys; ++k) {
        if (!db->commonKeyUsed[static_cast<std::size_t>(k)]) continue;
        m.add(keys, commonKeyItem(k), s5KeyLabel(*db, 0, k), db->GetItemImage(commonKeyItem(k)));
    }
    if (held.kind == ItemKind::CommonKey) m.setExpanded(keys, true);

    for (int l = 1; l <= kMaxLcps; ++l) {
        LcpDatabase* d = db->lcp(l);
        if (!d) continue;
        const NodeId ln =
            m.add(root, lcpItem(l), numbered("LCP %d", l), db->GetItemImage(lcpItem(l)));

        // Objects under their parents: passes over the table until a pass
        // places nothing more. An object whose parent never appears (a
        // missing parent, or a loop of parents) is placed under the LCP so
        // that no record is hidden.
        std::array<NodeId, kSlots> placed;
        placed.fill(kNoNode);
        bool progress = true;
        while (progress) {
            progress = false;
            for (int j = 0; j < kSlots; ++j) {
                if (!d->objectUsed(j) || placed[static_cast<std::size_t>(j)] != kNoNode) continue;
                const int parent = d->objects[static_cast<std::size_t>(j)][obj::kParent];
                NodeId under = kNoNode;
                if (parent == 0) {
                    under = ln;
                } else if (placed[static_cast<std::size_t>(parent - 1)] != kNoNode) {
                    under = placed[static_cast<std::size_t>(parent - 1)];
                } else {
                    continue;
                }
                placed[static_cast<std::size_t>(j)] =
                    m.add(under, objectItem(l, j), s5ObjectLabel(*db, l, j),
                          db->GetItemImage(objectItem(l, j)));
                progress = true;
            }
        }
        for (int j = 0; j < kSlots; ++j) {
            if (!d->objectUsed(j) || placed[static_cast<std::size_t>(j)] != kNoNode) continue;
            placed[static_cast<std::size_t>(j)] = m.add(
                ln, objectItem(l, j), s5ObjectLabel(*db, l, j), db->GetItemImage(objectItem(l, j)));
        }

        for (int j = 0; j < kSlots; ++j) {
            if (!d->deviceUsed(j)) continue;
            DeviceRecord& r = d->devices[static_cast<std::size_t>(j)];
            const int o = r[dev::kObject];
            NodeId under = ln;
            if (o != 0) {
                if (d->objectUsed(o - 1)) {
                    under = placed[static_cast<std::size_t>(o - 1)];
                } else {
                    // The object byte names no object: the device belongs to
                    // none.
                    r[dev::kObject] = 0;
                    d->changed = true;
                }
            }
            m.add(under, deviceItem(l, j), s5DeviceLabel(*db, l, j),
                  db->GetItemImage(deviceItem(l, j)));
        }
        for (int j = 0; j < kSlots; ++j) {
            if (!d->keyUsed(j)) continue;
            m.add(ln, keyItem(l, j), s5KeyLabel(*db, l, j), db->GetItemImage(keyItem(l, j)));
        }
        if (held.lcp == l && held.kind != ItemKind::Lcp) m.setExpanded(ln, true);
    }

    m.add(root, kItemMessages, "Сообщения", db->GetItemImage(kItemMessages));
}

// ---- Context menus ---------------------------------------------------------------------

std::vector<MenuItem> S5Tree::contextMenu(TreeEditor& tree, NodeId node) {
    DBS5* db = s5db(tree.database());
    if (!db) return {};
    const ItemCode c = tree.codeOf(node);
    const ItemRef ref = decodeItem(c);
    const std::string label = tree.model().node(node).label;
    std::vector<MenuItem> menu;
    const ClipBuffer& buffer = tree.buffer();
    const bool single = tree.selection().size() <= 1;
    auto cutItem = [&] {
        menu.push_back({1170, single ? "Вырезать в буфер " + label : "Вырезать в буфер", true, {}});
    };
    switch (ref.kind) {
        case ItemKind::Root:
            menu.push_back({s5cmd::kAddLcp, "Добавить LCP", db->lcpCount() < kMaxLcps, {}});
            break;
        case ItemKind::CommonKeys:
            menu.push_back({cmd::kAddKey, "Добавить ключ", true, {}});
            if (!buffer.empty() && buffer.kind == 3)
                menu.push_back({cmd::kPasteS5, "Вставить ключи из буфера", true, {}});
            break;
        case ItemKind::CommonKey:
        case ItemKind::Key:
            menu.push_back({1186, "Копировать ", true, {}});
            menu.push_back({1187, "Вырезать ", true, {}});
            menu.push_back({s5cmd::kDeleteLcpKeys, "Удалить ", true, {}});
            break;
        case ItemKind::Lcp:
            menu.push_back({cmd::kAddObject, "Добавить объект", true, {}});
            menu.push_back(addDeviceMenu());
            menu.push_back({cmd::kAddKey, "Добавить ключ", true, {}});
            if (!buffer.empty() && buffer.kind != 4)
                menu.push_back({cmd::kPasteS5, "Вставить из буфера", true, {}});
            menu.push_back({s5cmd::kDeleteLcp, "Удалить " + label, true, {}});
            break;
        case ItemKind::Object:
            if (single) {
                menu.push_back(addDeviceMenu());
                menu.push_back({cmd::kAddObject, "Добавить подчиненный объект", true, {}});
                if (!buffer.empty() && (buffer.kind == 1 || buffer.kind == 2))
                    menu.push_back({cmd::kPasteS5, "Вставить из буфера", true, {}});
            }
            cutItem();
            menu.push_back({cmd::kDeleteObject, "Удалить", true, {}});
            break;
        case ItemKind::Device:
            cutItem();
            menu.push_back({cmd::kDeleteObject, "Удалить", true, {}});
            break;
        default:
            break;
    }
    return menu;
}

bool S5Tree::runCommand(TreeEditor& tree, int command) {
    DBS5* db = s5db(tree.database());
    if (!db) return false;
    switch (command) {
        case s5cmd::kAddLcp:
            addLcp(tree);
            return true;
        case s5cmd::kDeleteLcp: {
            const ItemRef ref = decodeItem(tree.currentCode());
            if (ref.kind != ItemKind::Lcp) return false;
            deleteLcp(tree, ref.lcp);
            return true;
        }
        case cmd::kAddObject:
            addObject(tree);
            return true;
        case cmd::kAddKey:
            addKey(tree);
            return true;
        default:
            for (const AddDevice& d : kAddDevices) {
                if (d.command != command) continue;
                addDevice(tree, db->alternativeCodes ? d.alternative : d.code);
                return true;
            }
            return false;
    }
}

void S5Tree::addDevice(TreeEditor& tree, int type) {
    DBS5* db = s5db(tree.database());
    const ItemRef ref = decodeItem(tree.currentCode());
    if (ref.kind != ItemKind::Lcp && ref.kind != ItemKind::Object) return;
    const int before = db->modified;
    const int slot = db->CreateElement(type, ref.lcp);
    if (slot < 0) return;
    if (ref.kind == ItemKind::Object) db->lcp(ref.lcp)->setDeviceObject(slot, ref.slot);
    db->MarkObjects();
    TreeEditor::markChanged(*db, before);
    const auto open = expandedCodes(tree.model());
    tree.rebuildSelecting(deviceItem(ref.lcp, slot));
    reopen(tree, open);
}

void S5Tree::addLcp(TreeEditor& tree) {
    DBS5* db = s5db(tree.database());
    const int before = db->modified;
    const int l = db->AddLcp();
    if (l < 0) return;
    TreeEditor::markChanged(*db, before);
    {
        const auto open = expandedCodes(tree.model());
        tree.rebuildSelecting(lcpItem(l));
        reopen(tree, open);
    }
}

void S5Tree::deleteLcp(TreeEditor& tree, int lcp) {
    DBS5* db = s5db(tree.database());
    const int count = db->lcpCount();
    const bool last = lcp == count;
    const std::string question = last ? "Подтвердите удаление LCP.\nУдалить?"
                                      : "Подтвердите удаление LCP.\nАдрес последнего LCP будет "
                                        "изменен!\nУдалить?";
    if (tree.prompter().ask(question, kDeleteCaption, PromptIcon::Question, PromptButtons::YesNo) !=
        PromptAnswer::Yes)
        return;
    // The expanded branches of the removed LCP go; those of the moved LCP
    // follow it to its new address.
    std::vector<ItemCode> open;
    for (ItemCode c : expandedCodes(tree.model())) {
        if (decodeItem(c).lcp == lcp) continue;
        open.push_back(last ? c : readdressed(c, count, lcp));
    }
    const int before = db->modified;
    db->RemoveLcp(lcp);
    db->MarkObjects();
    TreeEditor::markChanged(*db, before);
    // The buffer follows: items of the removed LCP are gone (the buffer is
    // emptied), items of the moved LCP take their new codes.
    ClipBuffer& b = tree.buffer();
    if (!b.empty() && b.tree == tree.index()) {
        bool gone = false;
        for (ItemCode& c : b.items) {
            if (decodeItem(c).lcp == lcp) gone = true;
            if (!last) c = readdressed(c, count, lcp);
        }
        if (!last) b.parent = readdressed(b.parent, count, lcp);
        if (gone) b.clear();
    }
    tree.rebuildSelecting(lcpItem(last ? lcp - 1 : lcp));
    reopen(tree, open);
}

void S5Tree::addObject(TreeEditor& tree) {
    DBS5* db = s5db(tree.database());
    const ItemCode c = tree.currentCode();
    const ItemRef ref = decodeItem(c);
    if (ref.kind != ItemKind::Lcp && ref.kind != ItemKind::Object) return;
    const int before = db->modified;
    const int slot = db->NewObject(ref.lcp);
    if (slot < 0) return;
    LcpDatabase* d = db->lcp(ref.lcp);
    ObjectRecord& o = d->objects[static_cast<std::size_t>(slot)];
    setNameText(objectName(o), numbered("Объект %d", slot + 1));
    if (ref.kind == ItemKind::Object) {
        o[obj::kParent] = static_cast<std::uint8_t>(ref.slot + 1);
        ObjectRecord& p = d->objects[static_cast<std::size_t>(ref.slot)];
        p[obj::kSubMap + static_cast<std::size_t>(slot / 8)] |=
            static_cast<std::uint8_t>(1u << (slot % 8));
    }
    db->MarkObjects();
    TreeEditor::markChanged(*db, before);
    {
        const auto open = expandedCodes(tree.model());
        tree.rebuildSelecting(objectItem(ref.lcp, slot));
        reopen(tree, open);
    }
}

void S5Tree::addKey(TreeEditor& tree) {
    DBS5* db = s5db(tree.database());
    const ItemRef ref = decodeItem(tree.currentCode());
    const int before = db->modified;
    if (ref.kind == ItemKind::CommonKeys) {
        const int slot = db->CreateKey();
        if (slot < 0) return;
        setNameText(keyOwner(db->commonKeys[static_cast<std::size_t>(slot)]),
                    numbered("Ключ %d", slot + 1));
        TreeEditor::markChanged(*db, before);
        {
            const auto open = expandedCodes(tree.model());
            tree.rebuildSelecting(commonKeyItem(slot));
            reopen(tree, open);
        }
        return;
    }
    if (ref.kind != ItemKind::Lcp) return;
    const int slot = db->NewLcpKey(ref.lcp);
    if (slot < 0) return;
    setNameText(keyOwner(db->lcp(ref.lcp)->keys[static_cast<std::size_t>(slot)]),
                numbered("Ключ %d", slot + 1));
    TreeEditor::markChanged(*db, before);
    {
        const auto open = expandedCodes(tree.model());
        tree.rebuildSelecting(keyItem(ref.lcp, slot));
        reopen(tree, open);
    }
}

// ---- Edits -------------------------------------------------------------------------------

namespace {

// The buffer kind of an item: 1 object, 2 device, 3 key (of an LCP or of the
// console), 4 anything else.
int bufferKind(ItemCode code) {
    switch (decodeItem(code).kind) {
        case ItemKind::Object:
            return 1;
        case ItemKind::Device:
            return 2;
        case ItemKind::Key:
        case ItemKind::CommonKey:
            return 3;
        default:
            return 4;
    }
}

}  // namespace

void S5Tree::copy(TreeEditor& tree, bool cut) {
    std::vector<ItemCode> codes;
    ItemCode parent = kItemRoot;
    int kind = 0;
    for (NodeId n : tree.selection()) {
        const ItemCode c = tree.codeOf(n);
        const ItemKind k = decodeItem(c).kind;
        if (k == ItemKind::Lcp || k == ItemKind::Root) continue;
        // The first item fixes the kind; items of another kind are left out.
        if (kind == 0) {
            kind = bufferKind(c);
            const NodeId p = tree.parentOf(n);
            parent = p == kNoNode ? kItemRoot : tree.codeOf(p);
        } else if (bufferKind(c) != kind) {
            continue;
        }
        codes.push_back(c);
    }
    if (codes.empty() || kind == 4) return;
    // Unmark what the previous buffer held, in whichever tree it was.
    for (int i = 0; i < 2; ++i) {
        if (TreeEditor* t = tree.otherTree(i)) t->ghostBuffer(false);
    }
    ClipBuffer& b = tree.buffer();
    b.items = std::move(codes);
    b.parent = parent;
    b.tree = tree.index();
    b.takenByCut = cut;
    b.kind = kind;
    tree.ghostBuffer(true);
    tree.status(cut ? "Вырезано" : "Скопировано");
}

void S5Tree::paste(TreeEditor& tree, NodeId targetNode) {
    DBS5* db = s5db(tree.database());
    ClipBuffer& b = tree.buffer();
    DBS5* src = s5db(tree.databaseAt(b.tree));
    if (!db || !src || b.empty()) return;
    const ItemRef target = decodeItem(tree.codeOf(targetNode));
    // The rule reads whether the buffer was filled by a cut: that, not
    // whether it comes from the other tree, decides whether a device may
    // leave its LCP.
    EditRuleArgs args = tree.ruleArgs(targetNode);
    args.flag = b.takenByCut ? 1 : 0;
    for (ItemCode c : b.items) {
        args.bufferItem = c;
        const RuleAnswer answer = db->PasteItem(args);
        if (!answer.allowed) {
            if (!answer.text.empty())
                tree.prompter().message(answer.text, "Вставка", PromptIcon::Warning);
            return;
        }
    }
    const bool sameDb = src == db;
    const int before = db->modified;
    const int targetLcp =
        target.kind == ItemKind::CommonKeys || target.kind == ItemKind::CommonKey ? 0 : target.lcp;
    const int targetObject = target.kind == ItemKind::Object ? target.slot : -1;
    ItemCode last = tree.codeOf(targetNode);
    for (ItemCode c : b.items) {
        const ItemRef r = decodeItem(c);
        LcpDatabase* from = src->lcp(r.lcp);
        LcpDatabase* to = db->lcp(targetLcp);
        switch (r.kind) {
            case ItemKind::Device: {
                if (!from || !from->deviceUsed(r.slot) || !to) break;
                if (b.takenByCut && sameDb && r.lcp == targetLcp) {
                    to->setDeviceObject(r.slot, targetObject);
                    to->changed = true;
                    last = deviceItem(targetLcp, r.slot);
                    break;
                }
                const DeviceRecord record = from->devices[static_cast<std::size_t>(r.slot)];
                const int slot = db->CreateElement(record[dev::kType], targetLcp);
                if (slot < 0) break;
                DeviceRecord& d = to->devices[static_cast<std::size_t>(slot)];
                d = record;
                d[dev::kNumber] = static_cast<std::uint8_t>(slot);
                d[dev::kObject] = 0;
                to->setDeviceObject(slot, targetObject);
                last = deviceItem(targetLcp, slot);
                break;
            }
            case ItemKind::Key:
            case ItemKind::CommonKey: {
                const KeyRecord* record = nullptr;
                if (r.kind == ItemKind::CommonKey) {
                    if (r.slot >= 0 && r.slot < kCommonKeys &&
                        src->commonKeyUsed[static_cast<std::size_t>(r.slot)])
                        record = &src->commonKeys[static_cast<std::size_t>(r.slot)];
                } else if (from && from->keyUsed(r.slot)) {
                    record = &from->keys[static_cast<std::size_t>(r.slot)];
                }
                if (!record) break;
                const KeyRecord copy = *record;
                const int slot = targetLcp == 0 ? db->CreateKey() : db->NewLcpKey(targetLcp);
                if (slot < 0) break;
                KeyRecord& k = targetLcp == 0 ? db->commonKeys[static_cast<std::size_t>(slot)]
                                              : to->keys[static_cast<std::size_t>(slot)];
                const std::uint16_t number = getU16(k, key::kNumber);
                k = copy;
                putU16(k, key::kNumber, number);
                if (targetLcp == 0) db->commonKeysChanged = true;
                last = targetLcp == 0 ? commonKeyItem(slot) : keyItem(targetLcp, slot);
                break;
            }
            case ItemKind::Object: {
                if (!from || !from->objectUsed(r.slot) || !to) break;
                if (b.takenByCut && sameDb && r.lcp == targetLcp) {
                    // A cut object moves inside its LCP with everything it
                    // holds: its devices, subordinate objects and link. The
                    // paste rule's link test has ruled out a target under it.
                    to->setObjectParent(r.slot, targetObject);
                    last = objectItem(targetLcp, r.slot);
                    break;
                }
                const ObjectRecord record = from->objects[static_cast<std::size_t>(r.slot)];
                const int slot = db->NewObject(targetLcp);
                if (slot < 0) break;
                ObjectRecord& o = to->objects[static_cast<std::size_t>(slot)];
                // The object's own values; its devices, children and link stay
                // behind.
                o = {};
                o[obj::kFlags] = record[obj::kFlags] & ~obj::kTypeMask;
                o[obj::kParam] = record[obj::kParam];
                std::copy(record.begin() + obj::kName, record.begin() + obj::kName + kNameSize,
                          o.begin() + obj::kName);
                o[obj::kDelay] = record[obj::kDelay];
                o[obj::kDayTime] = record[obj::kDayTime];
                o[obj::kNightTime] = record[obj::kNightTime];
                if (targetObject >= 0) {
                    o[obj::kParent] = static_cast<std::uint8_t>(targetObject + 1);
                    to->objects[static_cast<std::size_t>(targetObject)]
                               [obj::kSubMap + static_cast<std::size_t>(slot / 8)] |=
                        static_cast<std::uint8_t>(1u << (slot % 8));
                }
                last = objectItem(targetLcp, slot);
                break;
            }
            default:
                break;
        }
    }
    // A cut item leaves its old place (a device moved inside its LCP has
    // already moved).
    if (b.takenByCut) {
        for (ItemCode c : b.items) {
            const ItemRef r = decodeItem(c);
            if ((r.kind == ItemKind::Device || r.kind == ItemKind::Object) && sameDb &&
                r.lcp == targetLcp)
                continue;
            const int srcBefore = src->modified;
            src->RemoveElement(c);
            if (!sameDb) {
                src->MarkObjects();
                TreeEditor::markChanged(*src, srcBefore);
            }
        }
        b.clear();
        if (!sameDb) {
            if (TreeEditor* other = tree.otherTree(1 - tree.index())) other->rebuild();
        }
    }
    db->MarkObjects();
    TreeEditor::markChanged(*db, before);
    const auto open = expandedCodes(tree.model());
    tree.rebuildSelecting(last);
    reopen(tree, open);
}

namespace {

// The paste rule's answer for dropping the dragged nodes on `target`; an
// answer without text when the drag mixes kinds or holds what no paste takes.
RuleAnswer dropAnswer(TreeEditor& tree, NodeId target, const std::vector<NodeId>& dragged) {
    DBS5* db = s5db(tree.database());
    if (!db || target == kNoNode || dragged.empty()) return {false, {}};
    EditRuleArgs args = tree.ruleArgs(target);
    args.bufferDatabase = db;
    args.flag = 1;  // a drag moves (a key dragged with Ctrl is copied, which keys allow alike)
    int kind = 0;
    for (NodeId n : dragged) {
        const ItemCode c = tree.codeOf(n);
        const int k = bufferKind(c);
        if (k == 4 || (kind != 0 && k != kind) || n == target) return {false, {}};
        kind = k;
        args.bufferItem = c;
        RuleAnswer answer = db->PasteItem(args);
        if (!answer.allowed) return answer;
    }
    return {true, {}};
}

}  // namespace

bool S5Tree::canDrop(TreeEditor& tree, NodeId target, const std::vector<NodeId>& dragged) {
    return dropAnswer(tree, target, dragged).allowed;
}

std::string S5Tree::dropRefusal(TreeEditor& tree, NodeId target,
                                const std::vector<NodeId>& dragged) {
    const RuleAnswer answer = dropAnswer(tree, target, dragged);
    return answer.allowed ? std::string{} : answer.text;
}

void S5Tree::remove(TreeEditor& tree) {
    deleteSelection(tree);
}

void S5Tree::deleteSelection(TreeEditor& tree) {
    DBS5* db = s5db(tree.database());
    if (!db) return;
    std::vector<ItemCode> codes;
    for (NodeId n : tree.selection())
        codes.push_back(tree.codeOf(n));
    if (codes.empty()) return;
    if (codes.size() == 1 && decodeItem(codes.front()).kind == ItemKind::Lcp) {
        deleteLcp(tree, decodeItem(codes.front()).lcp);
        return;
    }
    bool linked = false;
    for (ItemCode c : codes) {
        const ItemRef r = decodeItem(c);
        if (r.kind != ItemKind::Object) continue;
        const LcpDatabase* d = db->lcp(r.lcp);
        if (!d || !d->objectUsed(r.slot)) continue;
        const ObjectRecord& o = d->objects[static_cast<std::size_t>(r.slot)];
        if (o[obj::kLinkedLcp] != 0 || (o[obj::kFlags] & obj::kFlagMain)) linked = true;
    }
    // Nothing of this family can be undone: a deletion always asks.
    const std::string question = linked ? "Есть связанные LCP.\nУдалить?" : "Удалить?";
    if (tree.prompter().ask(question, kDeleteCaption, PromptIcon::Question, PromptButtons::YesNo) !=
        PromptAnswer::Yes)
        return;
    const int before = db->modified;
    ItemCode parent = kItemRoot;
    if (NodeId p = tree.parentOf(tree.current()); p != kNoNode) parent = tree.codeOf(p);
    for (ItemCode c : codes) {
        const ItemKind k = decodeItem(c).kind;
        if (k == ItemKind::Object || k == ItemKind::Device || k == ItemKind::Key ||
            k == ItemKind::CommonKey)
            db->RemoveElement(c);
    }
    db->MarkObjects();
    TreeEditor::markChanged(*db, before);
    {
        const auto open = expandedCodes(tree.model());
        tree.rebuildSelecting(parent);
        reopen(tree, open);
    }
}

std::unique_ptr<FamilyGrid> S5Tree::makeGrid() const {
    return std::make_unique<S5Grid>();
}

}  // namespace tavrin
