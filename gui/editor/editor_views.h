// EditorViews: the trees and the grid of the main window and what joins
// them to it. It owns the EditorDocument that both trees share (the two
// databases and the buffer), creates the left tree, the right tree of "Две
// базы" and the grid in the places the main frame gives, and carries the
// frame's edit and filter commands to the active tree, the trees' status
// texts to the status bar and the Edit menu's labels back to the actions.
#pragma once

#include <QObject>
#include <array>
#include <functional>

#include "editor/tree_editor.h"
#include "registry/family_registry.h"

class QAction;
class QWidget;

namespace tavrin::gui {

class CTree;
class CGrid;

class EditorViews : public QObject {
    Q_OBJECT
  public:
    // `actions` finds the frame's action of a command (null when none);
    // `status` writes the first pane of the status bar.
    EditorViews(Prompter& prompter, QWidget* treePane, QWidget* gridPlace,
                std::function<QAction*(int)> actions,
                std::function<void(const std::string&)> status, QObject* parent = nullptr);
    ~EditorViews() override;

    CTree* tree(int role) const { return trees_[static_cast<std::size_t>(role & 1)]; }
    CGrid* grid() const { return grid_; }
    EditorDocument& document() { return document_; }
    // The tree the edit commands go to.
    CTree* activeTree() const { return tree(active_); }

    // The database of a role is (again) `db`: the tree rebuilds; a new
    // database object drops the undo list and a buffer taken from the old one.
    void showDatabase(int role, DBase* db);
    // The database of a role holds another database now (however it was
    // loaded): the undo entries that touch it and a buffer taken from it go,
    // every group is shown again, and the tree rebuilds.
    // `other` is the document's other database (both may be new after a
    // family switch).
    void replaceDatabase(int role, DBase* db, DBase* other);
    // The family changed: the grid's text limit and second tab follow.
    void setFamily(Family family);
    // Makes the tree of a role the active one; the grid's pending values of
    // the tree left are written back first. False (the focus goes to the
    // refused value) when one is refused.
    bool setActive(int role);
    void setTwoBases(bool on);
    // Runs an Edit-menu command on the active tree.
    void runCommand(int command);
    // Shows or hides a group in both trees (107..112).
    void setGroupHidden(int command, bool hidden);
    // Writes the grid's pending values back into the active tree's database
    // as leaving the item does (the edit in progress first, then the item
    // with its undo record). False when a value is refused: the focus is put
    // on it.
    bool commitPendingEdits();
    // Clears the undo lists and the buffer and shows every group again.
    void resetTreeState();
    // Empties the buffer (and takes the ghosts off its items).
    void clearBuffer();
    // Sets the Edit menu's labels and states from the active tree.
    void updateEditMenu();
    // Moves the focus to the next (or previous) pane: the left tree, the
    // right tree when it is shown, the grid. Tab and Shift+Tab in a pane do
    // the same, so the keyboard never leaves the panes for the tab bar.
    void focusNextPane(bool forward);
    // "Две базы": each tree's header names the file it holds, the active
    // tree's in bold with a marker; one database shows no header.
    void updateTreeCaptions();
    // The pane that holds the focus: 0 or 1 for a tree, 2 for the grid, -1
    // for none.
    int focusedPane() const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  signals:
    // The active tree changed (0 left, 1 right).
    void activeChanged(int role);
    // A tree or the grid changed a database or the edit state (the window
    // title's unsaved marker may follow).
    void stateChanged();

  private:
    // The other tree follows the active one's shown and hidden groups.
    void alignGroups();

    EditorDocument document_{CreateFamilyTree};
    std::array<CTree*, 2> trees_{};
    CGrid* grid_ = nullptr;
    std::function<QAction*(int)> actions_;
    std::function<void(const std::string&)> status_;
    int active_ = 0;
};

}  // namespace tavrin::gui
