#include "editor/tree_editor.h"

#include <algorithm>
#include <limits>

namespace tavrin {

namespace {

constexpr const char* kHideLabels[kGroupToggleCount] = {
    "Скрыть устройства",     "Скрыть охранные ШС",    "Скрыть пожарные ШС",
    "Скрыть контрольные ШС", "Скрыть управляющие ШС", "Скрыть ключи"};
constexpr const char* kShowLabels[kGroupToggleCount] = {
    "Показать устройства",     "Показать охранные ШС",    "Показать пожарные ШС",
    "Показать контрольные ШС", "Показать управляющие ШС", "Показать ключи"};

bool isOneOf(int v, std::initializer_list<int> set) {
    return std::find(set.begin(), set.end(), v) != set.end();
}

}  // namespace

TreeEditor::TreeEditor(EditorDocument& document, int index, Prompter& prompter)
    : document_(document), index_(index), prompter_(prompter) {
    document_.trees[static_cast<std::size_t>(index_)] = this;
}

TreeEditor::~TreeEditor() {
    if (document_.trees[static_cast<std::size_t>(index_)] == this) {
        document_.trees[static_cast<std::size_t>(index_)] = nullptr;
    }
}

void TreeEditor::setGrid(GridModel* grid) {
    grid_ = grid;
    if (grid_ && family_) grid_->setFamily(family_->makeGrid());
}

DBase* TreeEditor::databaseAt(int i) const {
    return i == 0 || i == 1 ? document_.databases[static_cast<std::size_t>(i)] : nullptr;
}

TreeEditor* TreeEditor::otherTree(int i) const {
    return i == 0 || i == 1 ? document_.trees[static_cast<std::size_t>(i)] : nullptr;
}

ItemCode TreeEditor::codeOf(NodeId node) const {
    return node != kNoNode && model_.contains(node) ? model_.node(node).code : kNoItem;
}

ItemPath TreeEditor::pathOf(NodeId node) const {
    ItemPath path;
    for (NodeId n = node; n != kNoNode && model_.contains(n); n = model_.parent(n))
        path.insert(path.begin(), model_.node(n).code);
    return path;
}

NodeId TreeEditor::findPath(const ItemPath& path) const {
    NodeId at = kNoNode;
    for (ItemCode c : path) {
        NodeId next = kNoNode;
        for (NodeId k : model_.children(at)) {
            if (model_.node(k).code == c) {
                next = k;
                break;
            }
        }
        if (next == kNoNode) return kNoNode;
        at = next;
    }
    return at;
}

NodeId TreeEditor::findItem(ItemCode code) const {
    if (code == kNoItem) return kNoNode;
    for (NodeId r : model_.roots()) {
        const NodeId n = model_.findUnder(r, code);
        if (n != kNoNode) return n;
    }
    for (NodeId r : model_.roots()) {
        if (model_.node(r).code == code) return r;
    }
    return kNoNode;
}

ItemCode TreeEditor::currentCode() const {
    return codeOf(current_);
}

void TreeEditor::ensureFamily() {
    const DBase* db = database();
    const std::optional<Family> code = db ? std::optional<Family>(db->family()) : std::nullopt;
    if (code == treeFamily_ && (family_ || !code)) return;
    treeFamily_ = code;
    family_ = code && document_.makeTree ? document_.makeTree(*code) : nullptr;
    if (grid_) grid_->setFamily(family_ ? family_->makeGrid() : nullptr);
}

void TreeEditor::rebuild() {
    if (current_ != kNoNode && model_.contains(current_)) remembered_ = pathOf(current_);
    rebuildSelecting(ItemPath(remembered_));
}

void TreeEditor::rebuildSelecting(ItemCode code) {
    rebuildSelecting(ItemPath{kNoItem, code});
}

void TreeEditor::rebuildSelecting(const ItemPath& path) {
    ensureFamily();
    DBase* db = database();
    model_.beginRebuild();
    model_.clear();
    current_ = kNoNode;
    if (db && family_) {
        // {kNoItem, code}: an element by its code; otherwise a full path.
        const bool byCode = path.size() == 2 && path.front() == kNoItem;
        const ItemCode code = path.size() > 1 ? path.back() : kNoItem;
        family_->build(*this, code);
        if (buffer().tree == index_) ghostBuffer(true);
        NodeId n = byCode ? findItem(code) : findPath(path);
        // A path whose item is gone: its nearest ancestor still there.
        for (std::size_t len = path.size(); !byCode && n == kNoNode && len > 1; --len)
            n = findPath(
                ItemPath(path.begin(), path.begin() + static_cast<std::ptrdiff_t>(len - 1)));
        if (n == kNoNode && !model_.roots().empty()) n = model_.roots().front();
        // Make the selection visible.
        for (NodeId p = model_.parent(n); p != kNoNode; p = model_.parent(p))
            model_.setExpanded(p, true);
        current_ = n;
        remembered_ = pathOf(n);
    }
    model_.endRebuild();
    showGrid();
}

void TreeEditor::showGrid() {
    if (!grid_) return;
    if (current_ == kNoNode || !database()) {
        grid_->clear();
        return;
    }
    grid_->show(database(), codeOf(current_), model_.parent(current_) == kNoNode);
}

bool TreeEditor::leaveItem() {
    if (!grid_ || !grid_->hasItem() || grid_->database() != database() || !family_) return true;
    if (grid_->hasError()) {
        prompter_.message(kGridErrorText, kGridErrorTitle, PromptIcon::Error);
        return false;
    }
    // Values only corrected on showing the item are not written: showing a
    // database never changes it. They go in with the user's first edit.
    if (!grid_->modified() || !grid_->userModified()) return true;
    DBase& db = *database();
    auto record = std::make_unique<CommandRecord>();
    record->code = kCmdParameters;
    record->saved[static_cast<std::size_t>(index_)] = family_->snapshot(db);
    record->items = {grid_->item()};
    record->path = current_ != kNoNode ? pathOf(current_) : ItemPath{};
    record->refreshGrid = true;
    record->recordTree = index_;
    const ItemPath keep = record->path;
    const int before = db.modified;
    const WriteBackResult result = grid_->writeBack();
    if (!result.written) return !result.hasError;
    markChanged(db, before);
    pushRecord(std::move(record));
    // Labels, icons and places may follow the new values.
    if (keep.empty()) {
        rebuild();
    } else {
        rebuildSelecting(keep);
    }
    return true;
}

bool TreeEditor::select(NodeId node) {
    if (selecting_ || node == kNoNode || !model_.contains(node)) return false;
    if (node == current_) return true;
    selecting_ = true;
    const ItemPath targetPath = pathOf(node);
    const ItemCode oldParent = codeOf(model_.parent(current_));
    const NodeId old = current_;
    const ItemCode oldCode = codeOf(old);
    std::vector<ItemCode> oldSelection;
    for (NodeId n : selection())
        oldSelection.push_back(codeOf(n));
    const bool oldIsRoot = old != kNoNode && model_.parent(old) == kNoNode;
    const CommandRecord* lastBefore = commands_.last();
    if (!leaveItem()) {
        selecting_ = false;
        return false;
    }
    // The write-back may have rebuilt the tree: find the target again.
    if (!model_.contains(node) || pathOf(node) != targetPath) {
        node = findPath(targetPath);
        if (node == kNoNode) {
            selecting_ = false;
            return false;
        }
    }
    if (family_ && family_->hasUndo() && !commands_.undoInProgress() && old != kNoNode) {
        auto r = std::make_unique<CommandRecord>();
        r->code = kCmdSelection;
        r->items = oldSelection.empty() ? std::vector<ItemCode>{oldCode} : oldSelection;
        r->parent = oldIsRoot ? std::numeric_limits<ItemCode>::min() : oldParent;
        r->word = oldIsRoot ? 1 : 0;  // the root: found among the top-level items
        r->recordTree = index_;
        // The selection record goes below a parameter record of the same click.
        if (commands_.last() != lastBefore) {
            auto params = commands_.pop();
            pushRecord(std::move(r));
            pushRecord(std::move(params));
        } else {
            pushRecord(std::move(r));
        }
    }
    setCurrent(node);
    selecting_ = false;
    return true;
}

bool TreeEditor::selectCode(ItemCode code) {
    const NodeId n = findItem(code);
    return n != kNoNode && select(n);
}

void TreeEditor::setCurrent(NodeId node) {
    for (NodeId n : selection()) {
        if (model_.contains(n)) model_.setSelected(n, false);
    }
    current_ = node;
    remembered_ = pathOf(node);
    showGrid();
}

void TreeEditor::toggleMark(NodeId node) {
    if (node == kNoNode || current_ == kNoNode || !model_.contains(node)) return;
    if (model_.parent(node) != model_.parent(current_) || node == current_) return;
    model_.setSelected(node, !model_.node(node).selected);
    if (!model_.node(current_).selected) model_.setSelected(current_, true);
}

std::vector<NodeId> TreeEditor::selection() const {
    if (current_ == kNoNode || !model_.contains(current_)) return {};
    std::vector<NodeId> out;
    for (NodeId n : model_.children(model_.parent(current_))) {
        if (n == current_ || model_.node(n).selected) out.push_back(n);
    }
    return out;
}

void TreeEditor::setExpanded(NodeId node, bool expanded) {
    if (node == kNoNode || !model_.contains(node)) return;
    model_.setExpanded(node, expanded);
    if (family_) family_->expandedChanged(*this, node, expanded);
}

void TreeEditor::toggleGroup(int group) {
    if (group < 0 || group >= kGroupToggleCount) return;
    hidden_[static_cast<std::size_t>(group)] = !hidden_[static_cast<std::size_t>(group)];
    auto r = std::make_unique<CommandRecord>();
    r->code = kCmdGroupToggled;
    r->extra = group;
    r->recordTree = index_;
    pushRecord(std::move(r));
    rebuild();
}

void TreeEditor::setGroupHidden(int group, bool hidden) {
    if (group < 0 || group >= kGroupToggleCount) return;
    if (hidden_[static_cast<std::size_t>(group)] == hidden) return;
    hidden_[static_cast<std::size_t>(group)] = hidden;
    rebuild();
}

std::string TreeEditor::groupToggleLabel(int group) const {
    if (group < 0 || group >= kGroupToggleCount) return {};
    return groupHidden(group) ? kShowLabels[group] : kHideLabels[group];
}

void TreeEditor::resetView() {
    hidden_.fill(false);
    commands_.clear();
}

void TreeEditor::databaseReplaced() {
    if (family_) family_->databaseReplaced();
}

void TreeEditor::forgetDatabase(int index) {
    if (index != 0 && index != 1) return;
    bool touches = index == index_;
    for (std::size_t i = 0; !touches && i < commands_.size(); ++i) {
        const CommandRecord& r = commands_.at(i);
        touches = !r.changes[static_cast<std::size_t>(index)].empty() || r.sourceTree == index;
    }
    if (touches) commands_.clear();
}

std::vector<MenuItem> TreeEditor::contextMenu(NodeId node) {
    if (!family_ || node == kNoNode) return {};
    if (node != current_ && !select(node)) return {};
    return family_->contextMenu(*this, current_);
}

bool TreeEditor::runCommand(int command) {
    if (!family_ || !database()) return false;
    if (command >= cmd::kToggleDevices && command <= cmd::kToggleKeys &&
        family_->hasGroupToggles()) {
        toggleGroup(command - cmd::kToggleDevices);
        return true;
    }
    if (command == cmd::kEditUndo) {
        undo();
        return true;
    }
    if (command == cmd::kEditCopy || isOneOf(command, {1172, 1186})) {
        if (command == cmd::kEditCopy && !editMenu().copy.enabled) return false;
        family_->copy(*this, false);
        return true;
    }
    if (command == cmd::kEditCut || isOneOf(command, {1169, 1170, 1187, 1192, 1202})) {
        if (command == cmd::kEditCut && !editMenu().cut.enabled) return false;
        family_->copy(*this, true);
        return true;
    }
    if (command == cmd::kEditPaste || isOneOf(command, {1174, 1193, 1203})) {
        if (buffer().empty()) return false;
        family_->paste(*this, current_);
        return true;
    }
    if (command == cmd::kEditDelete || isOneOf(command, {1160, 1162, 1167, 1185})) {
        if (command == cmd::kEditDelete && !editMenu().remove.enabled) return false;
        family_->remove(*this);
        return true;
    }
    if (command == cmd::kOrderByType || command == cmd::kOrderByNumber) {
        if (current_ == kNoNode) return false;
        const bool byType = command == cmd::kOrderByType;
        orderedByType_ = byType;
        model_.sortChildren(current_, [byType](const TreeNode& a, const TreeNode& b) {
            return byType ? a.label < b.label : a.code < b.code;
        });
        return true;
    }
    return family_->runCommand(*this, command);
}

EditRuleArgs TreeEditor::ruleArgs(NodeId node) const {
    // The root is known to the rules by the family's own code for it.
    auto ruleCode = [this](NodeId n) {
        if (n == kNoNode) return ItemCode{0};
        const ItemCode c = codeOf(n);
        return model_.parent(n) == kNoNode && family_ ? family_->rootRuleCode(c) : c;
    };
    EditRuleArgs a;
    a.item = ruleCode(node);
    const NodeId p = node == kNoNode ? kNoNode : model_.parent(node);
    a.parent = ruleCode(p);
    a.grandparent = p == kNoNode ? 0 : ruleCode(model_.parent(p));
    if (!buffer().empty()) {
        a.bufferItem = buffer().items.front();
        a.bufferDatabase = databaseAt(buffer().tree);
        a.flag = buffer().tree != index_ ? 1 : 0;
    }
    return a;
}

EditMenuState TreeEditor::editMenu() const {
    EditMenuState s;
    if (!commands_.empty()) s.undo = {cmd::kEditUndo, "Возврат на команду", true};
    if (!buffer().empty()) s.showBuffer = {cmd::kShowBuffer, "Просмотр буфера", true};
    DBase* db = database();
    if (!db || current_ == kNoNode) return s;
    const EditRuleArgs args = ruleArgs(current_);
    EditRuleArgs insertArgs;
    insertArgs.item = args.item;
    auto fill = [](MenuState& m, const RuleAnswer& a) {
        m.label = a.text;
        m.enabled = a.allowed;
    };
    fill(s.insert, db->InsertItem(insertArgs));
    fill(s.cut, db->CutItem(args));
    fill(s.copy, db->CopyItem(args));
    fill(s.remove, db->DeleteItem(args));
    if (buffer().empty() || !args.bufferDatabase) {
        s.paste = {cmd::kEditPaste, "Вставить из буфера", false};
    } else {
        fill(s.paste, db->PasteItem(args));
    }
    return s;
}

void TreeEditor::pushRecord(std::unique_ptr<CommandRecord> record) {
    if (!family_ || !family_->hasUndo()) return;
    if (record->recordTree < 0) record->recordTree = index_;
    // Keep only the records the operation changed.
    for (std::size_t i = 0; i < 2; ++i) {
        if (record->saved[i].empty()) continue;
        if (DBase* db = databaseAt(static_cast<int>(i))) {
            record->changes[i] = RecordChanges::between(family_->snapshotLayout(), record->saved[i],
                                                        family_->snapshot(*db));
        }
        record->saved[i].clear();
    }
    commands_.push(std::move(record));
}

bool TreeEditor::revertChanges(const CommandRecord& record) {
    std::array<Bytes, 2> current;
    for (std::size_t i = 0; i < 2; ++i) {
        DBase* db = databaseAt(static_cast<int>(i));
        if (!db || record.changes[i].empty()) continue;
        current[i] = family_->snapshot(*db);
        if (!record.changes[i].revertible(current[i])) return false;
    }
    for (std::size_t i = 0; i < 2; ++i) {
        DBase* db = databaseAt(static_cast<int>(i));
        if (!db || record.changes[i].empty()) continue;
        record.changes[i].revert(current[i]);
        family_->restore(*db, current[i]);
        if (db->modified > 0) --db->modified;
        TreeEditor* t = otherTree(static_cast<int>(i));
        if (t && t != this) t->rebuild();
    }
    return true;
}

namespace {

ItemCode mapCode(ItemCode c, const std::vector<ItemCode>& newCodes) {
    return c >= 0 && static_cast<std::size_t>(c) < newCodes.size()
               ? newCodes[static_cast<std::size_t>(c)]
               : c;
}

// Maps a list of codes; codes of elements that are gone leave the list.
void mapCodes(std::vector<ItemCode>& codes, const std::vector<ItemCode>& newCodes) {
    std::vector<ItemCode> out;
    for (ItemCode c : codes) {
        const ItemCode m = mapCode(c, newCodes);
        if (m != kNoItem || c == kNoItem) out.push_back(m);
    }
    codes = std::move(out);
}

// A path ends above the first of its items that is gone.
void mapPath(std::vector<ItemCode>& path, const std::vector<ItemCode>& newCodes) {
    for (std::size_t i = 0; i < path.size(); ++i) {
        const ItemCode m = mapCode(path[i], newCodes);
        if (m == kNoItem && path[i] != kNoItem) {
            path.resize(i);
            return;
        }
        path[i] = m;
    }
}

// The codes of a record that name elements of database `db`: the buffer's
// items belong to the database they were taken from, everything else to the
// database of the tree that recorded it.
void mapRecord(CommandRecord& r, int db, const std::vector<ItemCode>& newCodes) {
    const bool bufferRecord = r.code == kCmdBufferCut || r.code == kCmdBufferCopy ||
                              r.code == kCmdBufferRefused || r.code == kCmdPasteBuffer;
    if (bufferRecord) {
        if (r.sourceTree != db) return;
        mapCodes(r.items, newCodes);
        r.parent = mapCode(r.parent, newCodes);
        r.second = mapCode(r.second, newCodes);
        return;
    }
    if (r.code == kCmdPasteRecords) {
        if (r.sourceTree == db) {
            mapCodes(r.items, newCodes);
            r.second = mapCode(r.second, newCodes);
        }
        if (r.recordTree == db) r.parent = mapCode(r.parent, newCodes);
        return;
    }
    if (r.recordTree != db) return;
    mapCodes(r.items, newCodes);
    r.parent = mapCode(r.parent, newCodes);
    r.second = mapCode(r.second, newCodes);
    mapPath(r.path, newCodes);
}

}  // namespace

std::vector<ItemCode> TreeEditor::inverseCodes(const std::vector<ItemCode>& newCodes) {
    std::vector<ItemCode> back(newCodes.size(), kNoItem);
    for (std::size_t old = 0; old < newCodes.size(); ++old) {
        const ItemCode n = newCodes[old];
        if (n >= 0 && static_cast<std::size_t>(n) < back.size())
            back[static_cast<std::size_t>(n)] = static_cast<ItemCode>(old);
    }
    return back;
}

void TreeEditor::renumber(const std::vector<ItemCode>& newCodes, CommandRecord* extra) {
    ClipBuffer& b = buffer();
    if (b.tree == index_ && !b.empty()) {
        mapCodes(b.items, newCodes);
        b.parent = mapCode(b.parent, newCodes);
        if (b.items.empty()) b.clear();
    }
    for (TreeEditor* t : document_.trees) {
        if (!t) continue;
        for (std::size_t i = 0; i < t->commands_.size(); ++i)
            mapRecord(t->commands_.at(i), index_, newCodes);
    }
    if (extra) mapRecord(*extra, index_, newCodes);
    mapPath(remembered_, newCodes);
    if (family_) family_->renumbered(*this, newCodes);
}

void TreeEditor::ghostBuffer(bool on) {
    // Exactly the items the buffer holds from this tree are ghosted: a ghost
    // left from a buffer that was emptied or refilled meanwhile goes too.
    const bool mine = on && buffer().tree == index_;
    model_.visit([&](const TreeNode& n, int) {
        const bool held = mine &&
                          std::find(buffer().items.begin(), buffer().items.end(), n.code) !=
                              buffer().items.end() &&
                          codeOf(n.parent) == buffer().parent;
        if (n.ghosted != held) model_.setGhosted(n.id, held);
    });
}

void TreeEditor::undo() {
    if (!family_) return;
    // Write the user's changes of the item shown back first: their record
    // joins the list. Corrections made on showing alone are not an edit of
    // their own; they are made again when the item is shown again.
    const bool correctionsOnly =
        grid_ && grid_->hasItem() && !grid_->userModified() && !grid_->hasError();
    if (!correctionsOnly && !leaveItem()) return;
    commands_.setUndoInProgress(true);
    while (!commands_.empty()) {
        auto rec = commands_.pop();
        const CommandRecord* next = commands_.last();
        bool goOn = false;
        switch (rec->code) {
            case kCmdAdded:
            case kCmdPasteRecords:
            case kCmdKeysDeleted:
            case kCmdItemsDeleted:
            case kCmdParameters: {
                if (!revertChanges(*rec)) {
                    // A later edit in the other tree changed these records:
                    // putting the old ones back would undo that edit too.
                    prompter_.message(kUndoConflictText, kUndoTitle, PromptIcon::Error);
                    break;
                }
                if (grid_) grid_->clear();
                // The codes held since the paste go back to the table before it.
                if (!rec->renumbered.empty()) renumber(inverseCodes(rec->renumbered), rec.get());
                if (rec->code == kCmdParameters && !rec->path.empty()) {
                    rebuildSelecting(rec->path);
                } else {
                    rebuildSelecting(rec->code == kCmdParameters && !rec->items.empty()
                                         ? rec->items.front()
                                         : rec->parent);
                }
                if (rec->code == kCmdAdded && current_ != kNoNode)
                    model_.setExpanded(current_, true);
                if (rec->code == kCmdAdded && family_->undoAddReachesSelection())
                    goOn = next && next->code == kCmdSelection;
                if (rec->code == kCmdPasteRecords) {
                    goOn = next && (next->code == kCmdBufferRefused ||
                                    (next->code == kCmdPasteBuffer && next->takenByCut));
                }
                break;
            }
            case kCmdBufferCut:
            case kCmdBufferCopy:
                ghostBuffer(false);
                goOn = next != nullptr;
                break;
            case kCmdGroupToggled:
                setGroupHidden(rec->extra, !groupHidden(rec->extra));
                break;
            case kCmdSelection: {
                while (commands_.last() && commands_.last()->code == kCmdSelection &&
                       commands_.last()->parent == rec->parent) {
                    commands_.pop();
                }
                NodeId p = rec->word == 1 ? kNoNode : findItem(rec->parent);
                NodeId first = kNoNode;
                for (ItemCode c : rec->items) {
                    NodeId n = kNoNode;
                    if (rec->word == 1) {
                        for (NodeId r : model_.roots()) {
                            if (codeOf(r) == c) n = r;
                        }
                    } else if (p != kNoNode) {
                        n = model_.findUnder(p, c);
                    }
                    if (n == kNoNode && rec->word != 1) n = findItem(c);
                    if (n == kNoNode) continue;
                    if (first == kNoNode) {
                        setCurrent(n);
                        first = n;
                    } else {
                        toggleMark(n);
                    }
                }
                break;
            }
            case kCmdFocus:
                goOn = next && next->code == kCmdFocus;
                break;
            case kCmdBufferRefused:
                ghostBuffer(false);
                buffer().items = rec->items;
                buffer().parent = rec->second;
                buffer().tree = rec->sourceTree;
                buffer().takenByCut = rec->takenByCut;
                ghostBuffer(true);
                goOn = next && next->code != kCmdBufferCut && next->code != kCmdBufferCopy;
                break;
            case kCmdPasteBuffer:
                if (buffer().empty()) {
                    buffer().items = rec->items;
                    buffer().parent = rec->second;
                    buffer().tree = rec->sourceTree;
                    buffer().takenByCut = rec->takenByCut;
                    ghostBuffer(true);
                }
                break;
            case kCmdNewElementDialog:
                goOn = next != nullptr;
                break;
            default:
                goOn = family_->undoStep(*this, *rec, next);
                break;
        }
        if (!goOn) break;
    }
    commands_.setUndoInProgress(false);
}

bool TreeEditor::canDrop(NodeId target, const std::vector<NodeId>& dragged) {
    if (!family_ || target == kNoNode || dragged.empty()) return false;
    return family_->canDrop(*this, target, dragged);
}

std::string TreeEditor::dropRefusal(NodeId target, const std::vector<NodeId>& dragged) {
    if (!family_ || target == kNoNode || dragged.empty()) return {};
    return family_->dropRefusal(*this, target, dragged);
}

bool TreeEditor::dropAsCopy(const std::vector<NodeId>& dragged, bool ctrlHeld) const {
    if (!ctrlHeld || !family_ || dragged.empty()) return false;
    for (NodeId n : dragged) {
        if (!family_->isKeyItem(codeOf(n))) return false;
    }
    return true;
}

std::string TreeEditor::dragStatus(const std::vector<NodeId>& dragged, bool ctrlHeld) const {
    return dropAsCopy(dragged, ctrlHeld) ? "Копирование" : "Перенос";
}

bool TreeEditor::drop(NodeId target, const std::vector<NodeId>& dragged, bool copy) {
    if (!canDrop(target, dragged)) return false;
    const ItemCode targetCode = codeOf(target);
    const ItemCode targetParent = codeOf(model_.parent(target));
    // The dragged items go through the buffer, as a copy or a cut.
    ghostBuffer(false);
    ClipBuffer& b = buffer();
    b.clear();
    for (NodeId n : dragged)
        b.items.push_back(codeOf(n));
    b.parent = codeOf(model_.parent(dragged.front()));
    b.tree = index_;
    b.takenByCut = !copy;
    NodeId t = findItem(targetParent);
    t = t != kNoNode ? model_.findUnder(t, targetCode) : findItem(targetCode);
    if (t == kNoNode) t = findItem(targetCode);
    family_->paste(*this, t);
    return true;
}

}  // namespace tavrin
