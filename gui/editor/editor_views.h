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

#include "registry/family_registry.h"
#include "editor/tree_editor.h"

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
    // The family changed: the grid's text limit and second tab follow.
    void setFamily(Family family);
    void setActive(int role);
    void setTwoBases(bool on);
    // Runs an Edit-menu command on the active tree.
    void runCommand(int command);
    // Shows or hides a group in both trees (107..112).
    void setGroupHidden(int command, bool hidden);
    // Ends a grid edit in progress; true when there was one.
    bool applyPendingEdit();
    // Clears the undo lists and shows every group again.
    void resetTreeState();
    // Sets the Edit menu's labels and states from the active tree.
    void updateEditMenu();

  private:
    EditorDocument document_{CreateFamilyTree};
    std::array<CTree*, 2> trees_{};
    CGrid* grid_ = nullptr;
    std::function<QAction*(int)> actions_;
    std::function<void(const std::string&)> status_;
    int active_ = 0;
};

}  // namespace tavrin::gui
