// CTree: the configuration tree on screen. It draws the core tree model
// (through TreeItemModel) with the family's icons and forwards the user's
// clicks, keys, context-menu choices and drags to the TreeEditor, which
// decides everything: the selection, the edits, the undo list and the
// refusals. After every forwarded action the view takes the current item
// and the marked siblings back from the editor.
//
// Mouse handling is the view's own: a plain click selects, Ctrl marks or
// unmarks a sibling, Shift marks the siblings between the current item and
// the clicked one; pressing and moving starts a drag that highlights only
// the items that take the dragged ones (framed by the style's drop
// indicator, the cursor showing a move, a copy or a refusal), expands a
// collapsed item under the cursor, scrolls near the edges and shows
// "Копирование" or "Перенос"; a drop that is refused says why.
#pragma once

#include <QPointer>
#include <QTimer>
#include <QTreeView>
#include <memory>
#include <vector>

#include "editor/tree_editor.h"
#include "editor/tree_item_model.h"

namespace tavrin::gui {

class CGrid;
class CDlgNewElement;
class CDlgBuffer;

class CTree : public QTreeView {
    Q_OBJECT
  public:
    // The tree of database `index` (0 first, 1 second) of the document.
    CTree(EditorDocument& document, int index, Prompter& prompter, QWidget* parent = nullptr);
    ~CTree() override;

    TreeEditor& editor() { return editor_; }
    TreeItemModel* itemModel() { return model_; }

    // Lets the grid show this tree's current item (null: the grid serves
    // the other tree).
    void attachGrid(CGrid* grid);
    CGrid* grid() const;
    // The tree of the other database ("Две базы"), kept in step after edits
    // that reach both (a move between the databases, the buffer's ghosts).
    void setPeer(CTree* peer) { peer_ = peer; }

    // Builds the whole tree from the database anew.
    void rebuild();
    // An Edit-menu or toolbar command (undo, cut, copy, paste, delete,
    // "Добавить новый элемент", "Показать буфер") or a command of the
    // context menu; false when nothing handles it.
    bool runCommand(int command);
    // Shows or hides a group (commands 107..112).
    void setGroupHidden(int command, bool hidden);

    // The index of the first node with the code (under the node with
    // `parentCode` when given), for tests and the screenshots.
    QModelIndex indexOfCode(ItemCode code) const;
    QModelIndex indexOfCode(ItemCode code, ItemCode parentCode) const;
    // The item highlighted as a drop target during a drag.
    QModelIndex dropTarget() const { return dropTarget_; }
    bool dragging() const { return dragging_; }
    // Where the drop indicator is drawn (the target's row across the
    // view); empty when nothing would take the drop.
    QRect dropIndicatorRect() const;

    // Takes the current item and the marks back from the editor.
    void syncView();
    // Selects the item at a path of codes as a click would, or, when the
    // tree does not show it, its nearest shown parent; false when nothing
    // of the path is shown. {kNoItem, code} names an element by its code.
    bool selectPath(const ItemPath& path);
    // Marks the items that differ from the other database ("Две базы") and
    // the groups that hold them; empty takes the marks away.
    void setDifferences(const std::vector<ItemPath>& paths);

  signals:
    void statusText(const QString& text);
    // The Edit menu's labels may have changed (selection, edit, buffer).
    void editStateChanged();
    // The tree got the keyboard focus.
    void focused();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void restoreExpansion();
    void followNodeState(const QModelIndex& index);
    void selectNode(NodeId node, Qt::KeyboardModifiers modifiers);
    void commitGridEdit();
    void updateDrag(const QPoint& pos, Qt::KeyboardModifiers modifiers);
    void endDrag(bool drop);
    bool dragCopies(Qt::KeyboardModifiers modifiers) const;
    void autoScroll();
    void showNewElementDialog();
    void showBufferDialog();

    TreeEditor editor_;
    TreeItemModel* model_ = nullptr;
    QPointer<CGrid> grid_;
    QPointer<CTree> peer_;
    bool syncing_ = false;

    // Drag state.
    NodeId pressNode_ = kNoNode;
    QPoint pressPos_;
    bool dragging_ = false;
    std::vector<NodeId> dragged_;
    QPersistentModelIndex dropTarget_;
    QPoint dragPos_;
    Qt::KeyboardModifiers dragModifiers_;
    QTimer scrollTimer_;

    QPointer<CDlgNewElement> newElement_;
    QPointer<CDlgBuffer> bufferView_;
};

}  // namespace tavrin::gui
