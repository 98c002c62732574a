// The configuration tree's behaviour (the view only draws the model and
// forwards the user's clicks, keys and menu commands here).
//
// A TreeEditor shows one database of the document (index 0 = the first, 1 =
// the second of "Две базы"). Both trees share one EditorDocument, which
// holds the two databases and the ClipBuffer, so items can be copied and
// moved between the databases. Each tree owns its model, its undo list and
// its family part; the grid, when set, shows the tree's current item and is
// written back before the selection moves.
//
// Single-threaded: the user-interface thread owns it. Prompts go through the
// Prompter; status-bar texts through the status sink.
#pragma once

#include <array>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "editor/clip_buffer.h"
#include "editor/command_list.h"
#include "editor/family_tree.h"
#include "editor/grid_model.h"
#include "editor/menu.h"
#include "editor/tree_model.h"

namespace tavrin {

class TreeEditor;

struct EditorDocument {
    explicit EditorDocument(FamilyTreeFactory factory) : makeTree(factory) {}

    FamilyTreeFactory makeTree = nullptr;
    std::array<DBase*, 2> databases{};
    ClipBuffer buffer;
    std::array<TreeEditor*, 2> trees{};  // registered by the trees themselves
};

// The code of "no item" (the parent of a top-level node, a node that is not
// there). Item codes of elements may be 0 and the root's code may equal an
// element's code, so neither 0 nor the root's code can mean "none".
inline constexpr ItemCode kNoItem = std::numeric_limits<ItemCode>::min();

// A node named by the codes from the top of the tree down to it: tells the
// root from an element that carries the same code.
using ItemPath = std::vector<ItemCode>;

// The six groups that can be hidden: devices, security, fire, monitoring and
// control loops, keys (commands 107..112).
inline constexpr int kGroupToggleCount = 6;

// The texts of the two refusals the tree shows itself.
inline constexpr const char* kGridErrorText =
    "В параметрах устройства есть ошибки!\nНеобходимо исправить";
inline constexpr const char* kGridErrorTitle = "Корректировка параметров";
// An undo whose records were changed since by the other tree's edits.
inline constexpr const char* kUndoConflictText =
    "Команду нельзя отменить: измененные ею записи\nс тех пор изменены в другой базе.";
inline constexpr const char* kUndoTitle = "Возврат на команду";

class TreeEditor {
  public:
    TreeEditor(EditorDocument& document, int index, Prompter& prompter);
    ~TreeEditor();
    TreeEditor(const TreeEditor&) = delete;
    TreeEditor& operator=(const TreeEditor&) = delete;

    void setGrid(GridModel* grid);
    void setStatusSink(std::function<void(const std::string&)> sink) { status_ = std::move(sink); }

    // ---- What the tree works on -------------------------------------------------
    TreeModel& model() { return model_; }
    const TreeModel& model() const { return model_; }
    int index() const { return index_; }
    DBase* database() const { return document_.databases[static_cast<std::size_t>(index_)]; }
    DBase* databaseAt(int i) const;
    EditorDocument& document() { return document_; }
    ClipBuffer& buffer() { return document_.buffer; }
    const ClipBuffer& buffer() const { return document_.buffer; }
    CommandList& commands() { return commands_; }
    const CommandList& commands() const { return commands_; }
    Prompter& prompter() { return prompter_; }
    GridModel* grid() { return grid_; }
    FamilyTree* family() { return family_.get(); }
    // Another tree of the document (null when not open).
    TreeEditor* otherTree(int i) const;

    // ---- Rebuild and selection --------------------------------------------------
    // Builds the whole tree from the database and selects the remembered
    // item (or the first one); the grid shows it.
    void rebuild();
    // Rebuilds and selects the element `code` (or the first item when it is
    // gone); the root is selected through its path only.
    void rebuildSelecting(ItemCode code);
    void rebuildSelecting(const ItemPath& path);

    NodeId current() const { return current_; }
    ItemCode currentCode() const;
    // The node's code; kNoItem for no node.
    ItemCode codeOf(NodeId node) const;
    ItemPath pathOf(NodeId node) const;
    // The node at a path, or kNoNode.
    NodeId findPath(const ItemPath& path) const;
    // The first element (not a top-level node) with the code, else a
    // top-level node with it, or kNoNode.
    NodeId findItem(ItemCode code) const;
    NodeId parentOf(NodeId node) const { return node == kNoNode ? kNoNode : model_.parent(node); }
    // The user selects a node: the change is recorded, the grid writes the
    // item left back (a refused value keeps the old item: false).
    bool select(NodeId node);
    bool selectCode(ItemCode code);
    // Ctrl-click: marks or unmarks a sibling of the current node.
    void toggleMark(NodeId node);
    // The marked siblings of the current node in tree order (the current
    // node alone when none is marked).
    std::vector<NodeId> selection() const;
    // Makes a node current without recording it (after an edit or an undo).
    void setCurrent(NodeId node);
    // Writes the grid's item back when it has changes; false when a row is
    // refused (the message has been shown).
    bool leaveItem();
    // The user expanded or collapsed a node.
    void setExpanded(NodeId node, bool expanded);

    // ---- Groups and ordering ------------------------------------------------------
    bool groupHidden(int group) const { return hidden_[static_cast<std::size_t>(group)]; }
    void toggleGroup(int group);
    // Sets a group's state without recording it (keeps the other tree in
    // step after an undo); rebuilds when it changes.
    void setGroupHidden(int group, bool hidden);
    // The main frame's label for commands 107..112.
    std::string groupToggleLabel(int group) const;
    // Shows every group again (the next rebuild shows them).
    void showAllGroups() { hidden_.fill(false); }
    // Shows every group again and clears the undo list (a new database).
    void resetView();
    // Another database is shown: the family's view state of the old one goes.
    void databaseReplaced();
    // Forgets the undo records that touch database `index` (that database
    // was replaced); the whole list goes when one does, since later records
    // may build on it.
    void forgetDatabase(int index);
    bool orderedByType() const { return orderedByType_; }
    void setOrderedByType(bool on) { orderedByType_ = on; }

    // ---- Menus and commands ----------------------------------------------------------
    // Selects the node and returns its context menu.
    std::vector<MenuItem> contextMenu(NodeId node);
    // Runs a command (context menu, Edit menu, group toggles); false when
    // no one handles it.
    bool runCommand(int command);
    EditMenuState editMenu() const;
    void undo();

    // ---- Drag and drop -----------------------------------------------------------------
    bool canDrop(NodeId target, const std::vector<NodeId>& dragged);
    // The family's reason a drop on `target` is refused, or empty.
    std::string dropRefusal(NodeId target, const std::vector<NodeId>& dragged);
    // The status-bar text while dragging: "Копирование" when Ctrl is held
    // and the dragged items are keys, "Перенос" otherwise; a drop then
    // copies or moves accordingly (dropAsCopy).
    std::string dragStatus(const std::vector<NodeId>& dragged, bool ctrlHeld) const;
    bool dropAsCopy(const std::vector<NodeId>& dragged, bool ctrlHeld) const;
    // Drops the dragged nodes (of this tree) on the target: a paste as a
    // copy or as a move. False when the drop is not allowed.
    bool drop(NodeId target, const std::vector<NodeId>& dragged, bool copy);

    // ---- Helpers for the family parts ---------------------------------------------------
    // Rule arguments for a node: its code, parent and grandparent codes,
    // with the buffer's first item and database.
    EditRuleArgs ruleArgs(NodeId node) const;
    void pushRecord(std::unique_ptr<CommandRecord> record);
    // Shows the buffer's items in this tree ghosted and nothing else (on),
    // or nothing ghosted (off).
    void ghostBuffer(bool on);
    void status(const std::string& text) {
        if (status_) status_(text);
    }
    // The elements of this tree's database were renumbered: `newCodes[c]` is
    // the new code of the element that had code c (kNoItem: it is gone);
    // codes outside the table (the tree's groups) stay. The buffer, the
    // remembered selection, the family's expanded nodes and the undo records
    // of both trees follow, and so does `extra` (a record not in a list).
    void renumber(const std::vector<ItemCode>& newCodes, CommandRecord* extra = nullptr);
    // The renumbering that takes `newCodes` back.
    static std::vector<ItemCode> inverseCodes(const std::vector<ItemCode>& newCodes);
    // Sets the database's change counter after an edit: one more than before.
    static void markChanged(DBase& db, int before) { db.modified = before + 1; }

  private:
    void ensureFamily();
    void showGrid();
    // Reverts the records of an undo record; false (nothing changed) when a
    // later edit changed one of them.
    bool revertChanges(const CommandRecord& record);

    EditorDocument& document_;
    const int index_;
    Prompter& prompter_;
    GridModel* grid_ = nullptr;
    std::function<void(const std::string&)> status_;
    TreeModel model_;
    CommandList commands_;
    std::unique_ptr<FamilyTree> family_;
    std::optional<Family> treeFamily_;
    NodeId current_ = kNoNode;
    ItemPath remembered_;
    std::array<bool, kGroupToggleCount> hidden_{};
    bool orderedByType_ = false;
    bool selecting_ = false;
};

}  // namespace tavrin
