#include "editor/r7/r7_tree.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "editor/r7/r7_fields.h"
#include "editor/r7/r7_grid.h"
#include "editor/tree_editor.h"
#include "families/r7/dbr7.h"
#include "families/r7/element_types.h"

namespace tavrin {

using namespace r7;
using namespace r7code;

namespace {

constexpr const char* kPasteTitle = "Вставка из буфера";
// A paste or an addition that finds no free record in the table.
constexpr const char* kTableFull = "Нет свободных записей в базе";
constexpr const char* kLineNames[4] = {"Линия А", "Линия Б", "Линия В", "Линия Г"};

// Add-device commands in the order of r7::deviceKinds().
constexpr int kAddCommands[] = {1151, 1152, 1223, 1176, 1153, 1164,
                                1159, 1191, 1155, 1177, 1165, 1156};

DBR7* r7db(DBase* db) {
    return db && db->family() == Family::R7 ? static_cast<DBR7*>(db) : nullptr;
}
const DBR7* r7db(const DBase* db) {
    return db && db->family() == Family::R7 ? static_cast<const DBR7*>(db) : nullptr;
}

std::string withCount(const std::string& text, int n) {
    char buf[32];
    std::snprintf(buf, sizeof buf, " (%d)", n);
    return text + buf;
}

// The type of the element a code names in a database; 0 for none.
std::uint8_t typeOf(const DBR7& db, ItemCode c) {
    const ElementRecord* r = db.element(c);
    return r && !r->isFree() ? r->type() : kTypeFree;
}

std::vector<ItemCode> toCodes(const std::vector<int>& indexes) {
    std::vector<ItemCode> out(indexes.size());
    for (std::size_t i = 0; i < indexes.size(); ++i)
        out[i] = indexes[i] < 0 ? kNoItem : indexes[i];
    return out;
}

// Records a change of element bytes made by a tree command as a parameter
// change (operation 8), unless nothing changed.
void recordEdit(TreeEditor& tree, DBR7& db, Bytes before, const R7Tree& family,
                const std::vector<ItemCode>& items) {
    if (family.snapshot(db) == before) return;
    auto r = std::make_unique<CommandRecord>();
    r->code = kCmdParameters;
    r->saved[static_cast<std::size_t>(tree.index())] = std::move(before);
    r->items = items;
    r->parent = tree.codeOf(tree.parentOf(tree.current()));
    r->path = tree.pathOf(tree.current());
    r->refreshGrid = true;
    TreeEditor::markChanged(db, db.modified);
    tree.pushRecord(std::move(r));
}

MenuItem linesMenu() {
    MenuItem sub{0, "Задать линию", true, {}};
    for (int l = 0; l < 4; ++l)
        sub.submenu.push_back({r7cmd::kLineA + l, kLineNames[l], true, {}});
    return sub;
}

}  // namespace

int r7AddDeviceCommand(std::size_t kind) {
    return kind < std::size(kAddCommands) ? kAddCommands[kind] : 0;
}

int r7KindOfCommand(int command) {
    for (std::size_t k = 0; k < std::size(kAddCommands) && k < deviceKinds().size(); ++k) {
        if (kAddCommands[k] == command) return static_cast<int>(k);
    }
    return -1;
}

// ---- Rebuild -------------------------------------------------------------------------

void R7Tree::build(TreeEditor& tree, ItemCode) {
    DBR7* db = r7db(tree.database());
    shown_ = db;
    if (!db) return;
    TreeModel& m = tree.model();
    const ElementTable& t = db->table();

    // The index of each id (the first used record that carries it).
    static thread_local std::vector<std::int16_t> byId(0x10000, -1);
    std::vector<std::uint16_t> ids;
    ids.reserve(kElementCount);
    for (int i = 0; i < kElementCount; ++i) {
        const ElementRecord& r = t[static_cast<std::size_t>(i)];
        if (r.isFree() || r.id() == 0 || byId[r.id()] >= 0) continue;
        byId[r.id()] = static_cast<std::int16_t>(i);
        ids.push_back(r.id());
    }
    auto indexOfId = [&](std::uint16_t id) { return id == 0 ? -1 : byId[id]; };

    // Children of each object in table order (a list through `next`), the
    // elements under the panel, and the devices of each line.
    std::vector<int> first(kElementCount, -1), last(kElementCount, -1), next(kElementCount, -1);
    std::vector<int> count(kElementCount, 0);
    std::vector<std::uint8_t> purposes(kElementCount, 0);  // bit 0 fire, 1 security, 2 control
    std::vector<int> top;
    std::array<std::vector<int>, 5> onLine;
    for (int i = 1; i < kElementCount; ++i) {
        const ElementRecord& r = t[static_cast<std::size_t>(i)];
        if (r.isFree()) continue;
        const std::uint8_t type = r.type();
        const int p = indexOfId(r.parent());
        const bool underObject = p > 0 && t[static_cast<std::size_t>(p)].type() == kTypeObject;
        if (type == kTypeObject) {
            top.push_back(i);
            continue;
        }
        if (type == kTypeKey && !underObject) {
            top.push_back(i);  // a general key: under the panel
            continue;
        }
        if (type != kTypeKey && !isDeviceType(type)) continue;
        if (isDeviceType(type)) {
            onLine[static_cast<std::size_t>(-lineGroup(r.line()) - 1)].push_back(i);
            const std::uint8_t purpose = r.outputMode();
            if (underObject)
                purposes[static_cast<std::size_t>(p)] |= purpose == 0                     ? 1
                                                         : purpose == 1                   ? 2
                                                         : (purpose >= 2 && purpose <= 4) ? 4
                                                                                          : 0;
        }
        if (!underObject) continue;
        const auto ps = static_cast<std::size_t>(p);
        if (first[ps] < 0)
            first[ps] = i;
        else
            next[static_cast<std::size_t>(last[ps])] = i;
        last[ps] = i;
        ++count[ps];
    }
    for (std::uint16_t id : ids)
        byId[id] = -1;

    // Device labels and images are used twice: take them once.
    std::vector<std::string> names(kElementCount);
    auto nameOf = [&](int i) -> const std::string& {
        std::string& n = names[static_cast<std::size_t>(i)];
        if (n.empty()) n = t[static_cast<std::size_t>(i)].name();
        return n;
    };

    const NodeId root = m.add(kNoNode, kRoot, "", db->GetItemImage(kRoot));
    m.setExpanded(root, true);
    for (int i : top) {
        const ElementRecord& r = t[static_cast<std::size_t>(i)];
        if (r.type() != kTypeObject) {
            m.add(root, i, nameOf(i), db->GetItemImage(i));
            continue;
        }
        const auto is = static_cast<std::size_t>(i);
        const int image = objectImage(r.switchedOff(), (purposes[is] & 1) != 0,
                                      (purposes[is] & 2) != 0, (purposes[is] & 4) != 0);
        const NodeId on = m.add(root, i, withCount(nameOf(i), count[is]), image);
        for (int c = first[is]; c >= 0; c = next[static_cast<std::size_t>(c)])
            m.add(on, c, nameOf(c), db->GetItemImage(c));
        if (expanded_.count(i)) m.setExpanded(on, true);
    }
    for (int g = 0; g < 5; ++g) {
        const ItemCode code = -(g + 1);
        const auto& devices = onLine[static_cast<std::size_t>(g)];
        const std::string label = g < 4 ? kLineNames[g] : "Без линии";
        const NodeId gn = m.add(root, code, withCount(label, static_cast<int>(devices.size())),
                                db->GetItemImage(code));
        for (int d : devices)
            m.add(gn, d, nameOf(d), db->GetItemImage(d));
        if (expanded_.count(code)) m.setExpanded(gn, true);
    }
    m.setLabel(root, withCount("Ордис Р7", static_cast<int>(top.size())));
}

void R7Tree::expandedChanged(TreeEditor& tree, NodeId node, bool expanded) {
    const ItemCode c = tree.codeOf(node);
    if (tree.parentOf(node) == kNoNode) return;  // the root stays open
    if (expanded)
        expanded_.insert(c);
    else
        expanded_.erase(c);
}

void R7Tree::renumbered(TreeEditor&, const std::vector<ItemCode>& newCodes) {
    std::set<ItemCode> moved;
    for (ItemCode c : expanded_) {
        if (c < 0 || static_cast<std::size_t>(c) >= newCodes.size()) {
            moved.insert(c);
        } else if (newCodes[static_cast<std::size_t>(c)] != kNoItem) {
            moved.insert(newCodes[static_cast<std::size_t>(c)]);
        }
    }
    expanded_ = std::move(moved);
}

// ---- Context menus ---------------------------------------------------------------------

std::vector<MenuItem> R7Tree::contextMenu(TreeEditor& tree, NodeId node) {
    DBR7* db = r7db(tree.database());
    const ItemCode c = tree.codeOf(node);
    if (!db || isLineGroup(c)) return {};
    const std::uint8_t type = typeOf(*db, c);
    const ClipBuffer& b = tree.buffer();
    const DBR7* src = r7db(tree.databaseAt(b.tree));
    const std::uint8_t bufferType = !b.empty() && src ? typeOf(*src, b.items.front()) : kTypeFree;
    std::vector<MenuItem> menu;
    if (type == kTypePanel && tree.parentOf(node) == kNoNode) {
        menu.push_back({cmd::kAddObject, "Добавить объект", true, {}});
        menu.push_back({cmd::kAddKey, "Добавить общий ключ", true, {}});
        if (!b.empty() && bufferType == kTypeObject)
            menu.push_back({cmd::kPasteR7, "Вставить из буфера", true, {}});
    } else if (type == kTypeObject) {
        MenuItem add{0, "Добавить устройство", true, {}};
        const auto kinds = deviceKinds();
        for (std::size_t k = 0; k < kinds.size(); ++k)
            add.submenu.push_back({r7AddDeviceCommand(k), kinds[k].label, true, {}});
        menu.push_back(std::move(add));
        menu.push_back({cmd::kAddKey, "Добавить ключ сотрудника", true, {}});
        menu.push_back({cmd::kCopy, "Копировать", true, {}});
        menu.push_back({cmd::kDeleteObject,
                        tree.selection().size() > 1 ? "Удалить объекты" : "Удалить объект",
                        true,
                        {}});
        if (!b.empty() && bufferType != kTypePanel)
            menu.push_back({cmd::kPasteR7, "Вставить из буфера", true, {}});
        menu.push_back({0,
                        "Включить",
                        true,
                        {{cmd::kBlock, "Объекты", true, {}},
                         {r7cmd::kSwitchOnWithDevices, "Объекты и устройства", true, {}}}});
        menu.push_back({0,
                        "Отключить",
                        true,
                        {{cmd::kUnblock, "Объекты", true, {}},
                         {r7cmd::kSwitchOffWithDevices, "Объекты и устройства", true, {}}}});
        menu.push_back(linesMenu());
    } else if (type == kTypeKey || isDeviceType(type)) {
        if (!isLineGroup(tree.codeOf(tree.parentOf(node)))) {
            menu.push_back({cmd::kCopy, "Копировать", true, {}});
            menu.push_back({r7cmd::kCut, "Вырезать", true, {}});
            menu.push_back({cmd::kDeleteDevice, "Удалить\t", true, {}});
        }
        menu.push_back({cmd::kBlock, "Включить", true, {}});
        menu.push_back({cmd::kUnblock, "Отключить", true, {}});
        if (type != kTypeKey) menu.push_back(linesMenu());
    }
    return menu;
}

// ---- Commands ---------------------------------------------------------------------------

bool R7Tree::runCommand(TreeEditor& tree, int command) {
    if (const int kind = r7KindOfCommand(command); kind >= 0) {
        addElement(tree, deviceKinds()[static_cast<std::size_t>(kind)].newCode);
        return true;
    }
    switch (command) {
        case cmd::kAddObject:
            addElement(tree, kTypeObject);
            return true;
        case cmd::kAddKey:
            addElement(tree, kTypeKey);
            return true;
        case cmd::kBlock:
        case cmd::kUnblock:
            setSwitchedOff(tree, command == cmd::kUnblock, false);
            return true;
        case r7cmd::kSwitchOnWithDevices:
        case r7cmd::kSwitchOffWithDevices:
            setSwitchedOff(tree, command == r7cmd::kSwitchOffWithDevices, true);
            return true;
        default:
            break;
    }
    if (command >= r7cmd::kLineA && command <= r7cmd::kLineLast) {
        setLine(tree, command - r7cmd::kLineA + 1);
        return true;
    }
    return false;
}

void R7Tree::addElement(TreeEditor& tree, int type) {
    DBR7* db = r7db(tree.database());
    if (!db || tree.current() == kNoNode) return;
    const ItemCode host = tree.currentCode();
    if (isLineGroup(host)) return;
    const std::uint8_t hostType = typeOf(*db, host);
    const bool allowed = type == kTypeObject ? hostType == kTypePanel
                         : type == kTypeKey  ? hostType == kTypePanel || hostType == kTypeObject
                                             : hostType == kTypeObject;
    if (!allowed || (hostType == kTypePanel && tree.parentOf(tree.current()) != kNoNode)) return;
    if (!tree.leaveItem()) return;
    auto r = std::make_unique<CommandRecord>();
    r->code = kCmdAdded;
    r->saved[static_cast<std::size_t>(tree.index())] = snapshot(*db);
    const int before = db->modified;
    const int i = db->CreateElement(type, host);
    if (i < 0) {
        db->modified = before;
        tree.status(kTableFull);
        return;  // no free record: nothing added, nothing recorded
    }
    TreeEditor::markChanged(*db, before);
    r->items = {i};
    r->parent = host;
    tree.pushRecord(std::move(r));
    if (hostType == kTypeObject) expanded_.insert(host);
    tree.rebuildSelecting(hostType == kTypePanel ? ItemPath{kRoot, i} : ItemPath{kRoot, host, i});
}

void R7Tree::setSwitchedOff(TreeEditor& tree, bool off, bool withDevices) {
    DBR7* db = r7db(tree.database());
    if (!db || !tree.leaveItem()) return;
    Bytes before = snapshot(*db);
    std::vector<ItemCode> items;
    // From an object's menu the command is about objects ("Объекты"), from a
    // device's or key's about devices and keys: a marked sibling of the other
    // kind stays as it is.
    const bool objects = typeOf(*db, tree.currentCode()) == kTypeObject;
    for (NodeId n : tree.selection()) {
        const ItemCode c = tree.codeOf(n);
        ElementRecord* r = c > 0 ? db->element(c) : nullptr;
        if (!r || r->isFree()) continue;
        const std::uint8_t type = r->type();
        if (type != kTypeObject && type != kTypeKey && !isDeviceType(type)) continue;
        if ((type == kTypeObject) != objects) continue;
        r7field::setSwitchedOff(*r, off);
        items.push_back(c);
        if (type != kTypeObject || !withDevices || r->id() == 0) continue;
        for (ElementRecord& d : db->table()) {
            if (!d.isFree() && isDeviceType(d.type()) && d.parent() == r->id())
                r7field::setSwitchedOff(d, off);
        }
    }
    recordEdit(tree, *db, std::move(before), *this, items);
    tree.rebuild();
}

void R7Tree::setLine(TreeEditor& tree, int line) {
    DBR7* db = r7db(tree.database());
    if (!db || !tree.leaveItem()) return;
    Bytes before = snapshot(*db);
    std::vector<ItemCode> items;
    auto put = [line](ElementRecord& d) { d.bytes[kOffLine] = static_cast<std::uint8_t>(line); };
    for (NodeId n : tree.selection()) {
        const ItemCode c = tree.codeOf(n);
        ElementRecord* r = c > 0 ? db->element(c) : nullptr;
        if (!r || r->isFree()) continue;
        if (isDeviceType(r->type())) {
            put(*r);
        } else if (r->type() == kTypeObject && r->id() != 0) {
            for (ElementRecord& d : db->table()) {
                if (!d.isFree() && isDeviceType(d.type()) && d.parent() == r->id()) put(d);
            }
        } else {
            continue;
        }
        items.push_back(c);
    }
    // A device chosen under its line group is chosen again under its new one.
    const ItemCode current = tree.currentCode();
    const bool inGroup = isLineGroup(tree.codeOf(tree.parentOf(tree.current())));
    recordEdit(tree, *db, std::move(before), *this, items);
    if (inGroup && isDeviceType(typeOf(*db, current))) {
        expanded_.insert(lineGroup(line));
        tree.rebuildSelecting(ItemPath{kRoot, lineGroup(line), current});
    } else {
        tree.rebuild();
    }
}

// ---- Delete -----------------------------------------------------------------------------

void R7Tree::remove(TreeEditor& tree) {
    DBR7* db = r7db(tree.database());
    if (!db || tree.current() == kNoNode) return;
    if (!db->DeleteItem(tree.ruleArgs(tree.current())).allowed) return;
    std::vector<ItemCode> codes;
    for (NodeId n : tree.selection())
        codes.push_back(tree.codeOf(n));
    const ItemCode parent = tree.codeOf(tree.parentOf(tree.current()));
    if (!tree.leaveItem()) return;
    auto r = std::make_unique<CommandRecord>();
    const Bytes before = snapshot(*db);
    r->saved[static_cast<std::size_t>(tree.index())] = before;
    r->parent = parent;
    const int beforeModified = db->modified;
    bool keysOnly = true;
    for (ItemCode c : codes) {
        const std::uint8_t type = c > 0 ? typeOf(*db, c) : kTypeFree;
        if (type == kTypeFree || type == kTypePanel) continue;
        if (type == kTypeKey)
            db->RemoveKey(c);
        else
            db->RemoveElement(c);  // an object goes with its devices and keys
        keysOnly = keysOnly && type == kTypeKey;
        r->items.push_back(c);
    }
    if (r->items.empty()) {
        db->modified = beforeModified;
        return;
    }
    r->code = keysOnly ? kCmdKeysDeleted : kCmdItemsDeleted;
    TreeEditor::markChanged(*db, beforeModified);
    tree.pushRecord(std::move(r));
    // The buffer lets go of what is gone: a later addition may take the same
    // record, and a paste must not take that one instead.
    ClipBuffer& b = tree.buffer();
    if (b.tree == tree.index() && !b.empty()) {
        std::erase_if(b.items, [&](ItemCode c) { return !db->isUsed(c); });
        if (b.items.empty()) b.clear();
    }
    if (tree.grid()) tree.grid()->clear();
    tree.rebuildSelecting(parent);
}

// ---- Copy, cut and paste ----------------------------------------------------------------

void R7Tree::copy(TreeEditor& tree, bool cut) {
    DBR7* db = r7db(tree.database());
    if (!db || tree.current() == kNoNode) return;
    EditRuleArgs args = tree.ruleArgs(tree.current());
    auto allowed = [&](const EditRuleArgs& a) {
        return (cut ? db->CutItem(a) : db->CopyItem(a)).allowed;
    };
    if (!allowed(args)) return;
    for (int i = 0; i < 2; ++i) {
        if (TreeEditor* t = tree.otherTree(i)) t->ghostBuffer(false);
    }
    ClipBuffer& b = tree.buffer();
    b.clear();
    for (NodeId n : tree.selection()) {
        args.item = tree.codeOf(n);
        if (allowed(args)) b.items.push_back(args.item);  // a marked object is not cut
    }
    b.parent = tree.codeOf(tree.parentOf(tree.current()));
    b.tree = tree.index();
    b.takenByCut = cut;
    tree.ghostBuffer(true);
    auto r = std::make_unique<CommandRecord>();
    r->code = cut ? kCmdBufferCut : kCmdBufferCopy;
    r->items = b.items;
    r->parent = b.parent;
    r->sourceTree = b.tree;
    r->takenByCut = cut;
    tree.pushRecord(std::move(r));
    tree.status(cut ? "Вырезано" : "Скопировано");
}

void R7Tree::paste(TreeEditor& tree, NodeId targetNode) {
    DBR7* db = r7db(tree.database());
    ClipBuffer& b = tree.buffer();
    DBR7* src = r7db(tree.databaseAt(b.tree));
    if (!db || b.empty()) return;
    if (targetNode == kNoNode || !src) {
        tree.prompter().message("Недопустимая операция", kPasteTitle, PromptIcon::Error);
        return;
    }
    const ItemCode target = tree.codeOf(targetNode);
    const bool sameDb = src == db;
    const bool move = b.takenByCut;

    // Every item is asked first; a refusal leaves everything as it was.
    std::size_t needed = 0;
    for (ItemCode c : b.items) {
        EditRuleArgs a;
        a.item = target;
        a.parent = tree.codeOf(tree.parentOf(targetNode));
        a.bufferItem = c;
        a.bufferDatabase = src;
        a.flag = sameDb ? 0 : 1;
        const RuleAnswer answer = db->PasteItem(a);
        if (!answer.allowed) {
            if (!answer.text.empty())
                tree.prompter().message(answer.text, kPasteTitle, PromptIcon::Error);
            return;
        }
        if (sameDb && move) continue;
        // A copy takes a record for the element and, for an object, one for
        // each element under it.
        needed += 1 + (typeOf(*src, c) == kTypeObject ? src->childCount(c) : 0);
    }
    std::size_t free = 0;
    for (int i = 0; i < kFileRecordCount; ++i)
        free += db->table()[static_cast<std::size_t>(i)].isFree() ? 1 : 0;
    if (needed > free || needed > 0xFFFFu - db->maxElementId()) {
        tree.prompter().message(kTableFull, kPasteTitle, PromptIcon::Error);
        return;
    }
    if (!tree.leaveItem()) return;

    auto rb = std::make_unique<CommandRecord>();
    rb->code = kCmdPasteBuffer;
    rb->items = b.items;
    rb->second = b.parent;
    rb->sourceTree = b.tree;
    rb->takenByCut = move;
    auto rr = std::make_unique<CommandRecord>();
    rr->code = kCmdPasteRecords;
    rr->items = b.items;
    rr->parent = target;
    rr->second = b.parent;
    rr->sourceTree = b.tree;
    rr->takenByCut = move;
    rr->saved[static_cast<std::size_t>(tree.index())] = snapshot(*db);
    if (!sameDb && move) rr->saved[static_cast<std::size_t>(b.tree)] = snapshot(*src);
    const int beforeDb = db->modified;
    const int beforeSrc = src->modified;
    bool srcChanged = false;

    // Each paste compacts the table: the codes still to be used follow it,
    // and `total` gathers where every element of the table before went.
    std::vector<ItemCode> total(kElementCount);
    for (int i = 0; i < kElementCount; ++i)
        total[static_cast<std::size_t>(i)] = i;
    ItemCode at = target;
    std::vector<ItemCode> pending = b.items;
    int pasted = -1;
    for (std::size_t k = 0; k < pending.size(); ++k) {
        const ItemCode c = pending[k];
        if (c == kNoItem || !src->isUsed(c) || at == kNoItem) continue;
        std::vector<int> step;
        const int now = db->PasteElement(*src, c, at, move, &step);
        if (now < 0) break;
        const std::vector<ItemCode> codes = toCodes(step);
        auto follow = [&](ItemCode x) {
            return x >= 0 && x < kElementCount ? codes[static_cast<std::size_t>(x)] : x;
        };
        for (ItemCode& v : total)
            v = follow(v);
        at = follow(at);
        if (sameDb) {
            for (std::size_t j = k + 1; j < pending.size(); ++j)
                pending[j] = follow(pending[j]);
        }
        pasted = now;
        if (!sameDb && move) {
            src->RemoveElement(c);
            srcChanged = true;
        }
    }
    TreeEditor::markChanged(*db, beforeDb);
    if (srcChanged) TreeEditor::markChanged(*src, beforeSrc);
    if (!srcChanged && b.tree != tree.index()) rr->saved[static_cast<std::size_t>(b.tree)].clear();
    rr->renumbered = total;
    tree.pushRecord(std::move(rb));
    tree.pushRecord(std::move(rr));
    // Everything that names elements of this table follows the compaction.
    tree.renumber(total);
    if (move) {
        // The cut items have left their place: the buffer is spent.
        for (int i = 0; i < 2; ++i) {
            if (TreeEditor* t = tree.otherTree(i)) t->ghostBuffer(false);
        }
        tree.buffer().clear();
    }
    if (!sameDb) {
        for (int i = 0; i < 2; ++i) {
            TreeEditor* t = tree.otherTree(i);
            if (t && t != &tree) t->rebuild();
        }
    }
    if (at != kRoot) expanded_.insert(at);
    if (pasted < 0) {
        tree.rebuildSelecting(at);
    } else {
        tree.rebuildSelecting(at == kRoot ? ItemPath{kRoot, pasted} : ItemPath{kRoot, at, pasted});
    }
}

// ---- Undo and drop ------------------------------------------------------------------------

bool R7Tree::undoStep(TreeEditor&, CommandRecord&, const CommandRecord*) {
    // Every record of this family is reversed by the tree itself.
    return false;
}

bool R7Tree::canDrop(TreeEditor& tree, NodeId target, const std::vector<NodeId>& dragged) {
    DBR7* db = r7db(tree.database());
    if (!db) return false;
    EditRuleArgs a;
    a.item = tree.codeOf(target);
    a.bufferDatabase = db;
    if (isLineGroup(a.item)) return false;
    for (NodeId n : dragged) {
        const ItemCode c = tree.codeOf(n);
        if (tree.parentOf(n) == kNoNode || n == target) return false;
        EditRuleArgs item;
        item.item = c;
        a.bufferItem = c;
        if (!db->CutItem(item).allowed || !db->PasteItem(a).allowed) return false;
    }
    return true;
}

bool R7Tree::isKeyItem(ItemCode code) const {
    return shown_ && typeOf(*shown_, code) == kTypeKey;
}

// ---- Snapshot -------------------------------------------------------------------------------

Bytes R7Tree::snapshot(const DBase& base) const {
    const DBR7* db = r7db(&base);
    Bytes out;
    if (!db) return out;
    out.reserve(kElementCount * kElementRecordSize + 2);
    for (const ElementRecord& r : db->table())
        out.insert(out.end(), r.bytes.begin(), r.bytes.end());
    // The next id given: undoing an addition gives its id back.
    out.push_back(static_cast<std::uint8_t>(db->maxElementId()));
    out.push_back(static_cast<std::uint8_t>(db->maxElementId() >> 8));
    return out;
}

void R7Tree::restore(DBase& base, const Bytes& saved) const {
    DBR7* db = r7db(&base);
    if (!db || saved.size() != kElementCount * kElementRecordSize + 2) return;
    auto p = saved.begin();
    for (ElementRecord& r : db->table()) {
        std::copy(p, p + kElementRecordSize, r.bytes.begin());
        p += kElementRecordSize;
    }
    db->setMaxElementId(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}

SnapshotLayout R7Tree::snapshotLayout() const {
    return {{kElementRecordSize, kElementCount}, {2, 1}};
}

std::unique_ptr<FamilyGrid> R7Tree::makeGrid() const {
    return std::make_unique<R7Grid>();
}

}  // namespace tavrin
