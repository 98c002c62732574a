#include "editor/c_tree.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>

#include "editor/c_grid.h"
#include "editor/editor_dialogs.h"
#include "editor/menu.h"

namespace tavrin::gui {

namespace {

constexpr int kScrollZone = 20;  // pixels from the top or bottom edge
constexpr int kScrollInterval = 120;

void fillMenu(QMenu* menu, const std::vector<MenuItem>& items) {
    for (const MenuItem& m : items) {
        if (!m.submenu.empty()) {
            fillMenu(menu->addMenu(QString::fromStdString(m.label)), m.submenu);
            continue;
        }
        QAction* a = menu->addAction(QString::fromStdString(m.label));
        a->setData(m.command);
        a->setEnabled(m.enabled);
    }
}

}  // namespace

CTree::CTree(EditorDocument& document, int index, Prompter& prompter, QWidget* parent)
    : QTreeView(parent), editor_(document, index, prompter) {
    setObjectName(index == 0 ? "CTree" : "CTree2");
    model_ = new TreeItemModel(editor_.model(), this);
    setModel(model_);
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setExpandsOnDoubleClick(true);
    setIconSize(QSize(16, 16));
    setAutoScroll(false);  // the drag scrolls by itself
    editor_.setStatusSink(
        [this](const std::string& s) { emit statusText(QString::fromStdString(s)); });

    connect(model_, &TreeItemModel::rebuilt, this, [this] {
        restoreExpansion();
        syncView();
    });
    connect(model_, &TreeItemModel::nodeStateChanged, this, &CTree::followNodeState);
    connect(model_, &QAbstractItemModel::rowsInserted, this, [this] { syncView(); });
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& i) {
        if (!syncing_) editor_.setExpanded(model_->nodeOf(i), true);
    });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& i) {
        if (!syncing_) editor_.setExpanded(model_->nodeOf(i), false);
    });
    scrollTimer_.setInterval(kScrollInterval);
    connect(&scrollTimer_, &QTimer::timeout, this, &CTree::autoScroll);
}

CTree::~CTree() {
    // The grid shows items of this tree's database: let it go first.
    editor_.setGrid(nullptr);
    setModel(nullptr);
    // The item model listens to the core model, which goes with editor_.
    delete model_;
    model_ = nullptr;
}

void CTree::attachGrid(CGrid* grid) {
    if (grid_ == grid) return;
    if (grid_) disconnect(grid_.data(), nullptr, this, nullptr);
    grid_ = grid;
    editor_.setGrid(grid ? &grid->model() : nullptr);
    // A grid that goes first leaves no dangling model behind.
    if (grid) connect(grid, &QObject::destroyed, this, [this] { editor_.setGrid(nullptr); });
    if (grid && editor_.database()) {
        grid->setFamily(editor_.database()->family());
        editor_.setCurrent(editor_.current());
    }
}

CGrid* CTree::grid() const {
    return grid_;
}

void CTree::rebuild() {
    DBase* db = editor_.database();
    const std::optional<Family> family = db ? std::optional<Family>(db->family()) : std::nullopt;
    model_->setFamily(family);
    if (grid_ && family) grid_->setFamily(*family);
    editor_.rebuild();
    syncView();
}

// ---- Keeping the view in step with the editor --------------------------------------------------

void CTree::restoreExpansion() {
    const bool was = syncing_;
    syncing_ = true;
    editor_.model().visit([this](const TreeNode& n, int) {
        if (n.expanded && !n.children.empty()) expand(model_->indexOf(n.id));
    });
    syncing_ = was;
}

void CTree::followNodeState(const QModelIndex& index) {
    const NodeId n = model_->nodeOf(index);
    if (n == kNoNode) return;
    const bool want = editor_.model().node(n).expanded;
    if (want != isExpanded(index)) {
        const bool was = syncing_;
        syncing_ = true;
        setExpanded(index, want);
        syncing_ = was;
    }
}

void CTree::syncView() {
    if (!selectionModel()) return;
    const bool was = syncing_;
    syncing_ = true;
    const QModelIndex current = model_->indexOf(editor_.current());
    QItemSelection selection;
    for (NodeId n : editor_.selection()) {
        const QModelIndex i = model_->indexOf(n);
        selection.select(i, i);
    }
    selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (current.isValid()) scrollTo(current);
    syncing_ = was;
    emit editStateChanged();
}

void CTree::commitGridEdit() {
    if (grid_) grid_->commitEdit();
}

void CTree::selectNode(NodeId node, Qt::KeyboardModifiers modifiers) {
    commitGridEdit();
    if (node == kNoNode) return;
    if (modifiers & Qt::ControlModifier) {
        editor_.toggleMark(node);
    } else if ((modifiers & Qt::ShiftModifier) && editor_.current() != kNoNode &&
               editor_.model().parent(node) == editor_.model().parent(editor_.current())) {
        // Mark the siblings from the current item to the clicked one.
        const TreeModel& m = editor_.model();
        const int a = m.row(editor_.current());
        const int b = m.row(node);
        const auto& kids = m.children(m.parent(node));
        for (int i = 0; i < static_cast<int>(kids.size()); ++i) {
            const NodeId k = kids[static_cast<std::size_t>(i)];
            const bool inRange = i >= std::min(a, b) && i <= std::max(a, b);
            if (k != editor_.current() && m.node(k).selected != inRange) editor_.toggleMark(k);
        }
    } else {
        editor_.select(node);
    }
    syncView();
}

bool CTree::runCommand(int command) {
    commitGridEdit();
    bool handled = true;
    if (command == cmd::kNewElement) {
        showNewElementDialog();
    } else if (command == cmd::kShowBuffer) {
        showBufferDialog();
    } else {
        handled = editor_.runCommand(command);
    }
    syncView();
    if (newElement_) newElement_->follow();
    if (bufferView_) bufferView_->refresh();
    // The other tree shows the buffer's ghosts and may have been rebuilt.
    if (peer_) peer_->syncView();
    return handled;
}

void CTree::setGroupHidden(int command, bool hidden) {
    const int group = command - cmd::kToggleDevices;
    if (group < 0 || group >= kGroupToggleCount) return;
    if (editor_.groupHidden(group) == hidden) return;
    runCommand(command);
}

bool CTree::selectPath(const ItemPath& path) {
    if (path.size() == 2 && path.front() == kNoItem) {
        const NodeId node = editor_.findItem(path.back());
        if (node == kNoNode) return false;
        selectNode(node, Qt::NoModifier);
        return editor_.current() == node;
    }
    for (ItemPath p = path; !p.empty(); p.pop_back()) {
        const NodeId node = editor_.findPath(p);
        if (node == kNoNode) continue;
        selectNode(node, Qt::NoModifier);
        return editor_.current() == node;
    }
    return false;
}

void CTree::setDifferences(const std::vector<ItemPath>& paths) {
    model_->setDifferences(paths);
    viewport()->update();
}

QModelIndex CTree::indexOfCode(ItemCode code) const {
    return model_->indexOf(editor_.model().find(code));
}

QModelIndex CTree::indexOfCode(ItemCode code, ItemCode parentCode) const {
    const TreeModel& m = editor_.model();
    const NodeId p = m.find(parentCode);
    return model_->indexOf(p == kNoNode ? kNoNode : m.findUnder(p, code));
}

// ---- Mouse
// -------------------------------------------------------------------------------------------

void CTree::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const QModelIndex index = indexAt(pos);
    // A click on the expand mark left of the item only opens or closes it.
    if (!index.isValid() || pos.x() < visualRect(index).left()) {
        QTreeView::mousePressEvent(event);
        return;
    }
    if (event->button() != Qt::LeftButton) return;  // the context menu selects
    const NodeId node = model_->nodeOf(index);
    selectNode(node, event->modifiers());
    pressNode_ = node;
    pressPos_ = pos;
}

void CTree::mouseDoubleClickEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && event->button() == Qt::LeftButton)
        setExpanded(index, !isExpanded(index));
}

void CTree::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (!dragging_) {
        if (pressNode_ == kNoNode ||
            (pos - pressPos_).manhattanLength() < QApplication::startDragDistance())
            return;
        // Start a drag of the selected siblings (or of the pressed item alone).
        if (!editor_.model().contains(pressNode_)) return;
        const std::vector<NodeId> selected = editor_.selection();
        dragged_ = std::find(selected.begin(), selected.end(), pressNode_) != selected.end()
                       ? selected
                       : std::vector<NodeId>{pressNode_};
        if (editor_.model().parent(pressNode_) == kNoNode) return;  // the root stays
        dragging_ = true;
    }
    updateDrag(pos, event->modifiers());
}

void CTree::mouseReleaseEvent(QMouseEvent* event) {
    if (dragging_) {
        updateDrag(event->position().toPoint(), event->modifiers());
        endDrag(true);
    }
    pressNode_ = kNoNode;
}

bool CTree::dragCopies(Qt::KeyboardModifiers modifiers) const {
    return editor_.dropAsCopy(dragged_, (modifiers & Qt::ControlModifier) != 0);
}

void CTree::updateDrag(const QPoint& pos, Qt::KeyboardModifiers modifiers) {
    dragPos_ = pos;
    dragModifiers_ = modifiers;
    const QModelIndex index = indexAt(pos);
    const NodeId target = model_->nodeOf(index);
    const QModelIndex before = dropTarget_;
    const bool ok = target != kNoNode &&
                    std::find(dragged_.begin(), dragged_.end(), target) == dragged_.end() &&
                    editor_.canDrop(target, dragged_);
    dropTarget_ = ok ? QPersistentModelIndex(index) : QPersistentModelIndex();
    // The cursor tells a move, a copy, or that nothing here takes the items.
    viewport()->setCursor(!ok                     ? Qt::ForbiddenCursor
                          : dragCopies(modifiers) ? Qt::DragCopyCursor
                                                  : Qt::DragMoveCursor);
    // A collapsed group under the cursor opens.
    if (index.isValid() && !isExpanded(index) && model_->rowCount(index) > 0) expand(index);
    emit statusText(QString::fromStdString(
        editor_.dragStatus(dragged_, (modifiers & Qt::ControlModifier) != 0)));
    const bool nearEdge = pos.y() < kScrollZone || pos.y() > viewport()->height() - kScrollZone;
    if (nearEdge) {
        autoScroll();
        if (!scrollTimer_.isActive()) scrollTimer_.start();
    } else {
        scrollTimer_.stop();
    }
    if (before != dropTarget_) viewport()->update();
}

void CTree::autoScroll() {
    if (!dragging_) {
        scrollTimer_.stop();
        return;
    }
    QScrollBar* bar = verticalScrollBar();
    if (dragPos_.y() < kScrollZone) {
        bar->setValue(bar->value() - 1);  // the view scrolls per item: one line
    } else if (dragPos_.y() > viewport()->height() - kScrollZone) {
        bar->setValue(bar->value() + 1);
    }
}

void CTree::endDrag(bool drop) {
    scrollTimer_.stop();
    dragging_ = false;
    const QModelIndex target = dropTarget_;
    dropTarget_ = QPersistentModelIndex();
    const std::vector<NodeId> dragged = std::move(dragged_);
    dragged_.clear();
    viewport()->unsetCursor();
    viewport()->update();
    if (drop && target.isValid()) {
        commitGridEdit();
        editor_.drop(model_->nodeOf(target), dragged, dragCopies(dragModifiers_));
    } else if (drop && !dragged.empty()) {
        // A drop nowhere acceptable says why nothing happened.
        const QModelIndex under = indexAt(dragPos_);
        const NodeId node = model_->nodeOf(under);
        QString why;
        if (node == kNoNode) {
            why = QString::fromUtf8("Перенос отменен: под курсором нет элемента");
        } else if (std::find(dragged.begin(), dragged.end(), node) != dragged.end()) {
            why = QString::fromUtf8("Перенос отменен: элемент нельзя перенести на самого себя");
        } else if (const std::string reason = editor_.dropRefusal(node, dragged); !reason.empty()) {
            why = QString::fromUtf8("Перенос отменен: ") + QString::fromStdString(reason);
        } else {
            why = QString::fromUtf8("Перенос отменен: \"") + under.data().toString() +
                  QString::fromUtf8("\" не принимает перетаскиваемые элементы");
        }
        emit statusText(why);
    }
    syncView();
    if (bufferView_) bufferView_->refresh();
}

void CTree::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                    const QModelIndex& index) const {
    if (dragging_ && index == dropTarget_) {
        QStyleOptionViewItem o = option;
        o.state |= QStyle::State_Selected;
        QTreeView::drawRow(painter, o, index);
        return;
    }
    QTreeView::drawRow(painter, option, index);
}

QRect CTree::dropIndicatorRect() const {
    if (!dragging_ || !dropTarget_.isValid()) return {};
    const QRect item = visualRect(dropTarget_);
    if (!item.isValid()) return {};
    return QRect(0, item.top(), viewport()->width(), item.height());
}

void CTree::paintEvent(QPaintEvent* event) {
    QTreeView::paintEvent(event);
    const QRect r = dropIndicatorRect();
    if (r.isEmpty()) return;
    // The drop lands on the item: frame its row as item views frame a drop
    // onto an item.
    QPainter painter(viewport());
    QStyleOption opt;
    opt.initFrom(this);
    opt.rect = r.adjusted(0, 0, -1, -1);
    style()->drawPrimitive(QStyle::PE_IndicatorItemViewItemDrop, &opt, &painter, this);
}

// ---- Keyboard, context menu, focus
// -----------------------------------------------------------------

void CTree::keyPressEvent(QKeyEvent* event) {
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    int command = 0;
    switch (event->key()) {
        case Qt::Key_Delete:
            command = cmd::kEditDelete;
            break;
        case Qt::Key_Insert:
            command = ctrl ? cmd::kEditCopy : cmd::kNewElement;
            break;
        case Qt::Key_C:
            if (ctrl) command = cmd::kEditCopy;
            break;
        case Qt::Key_X:
            if (ctrl) command = cmd::kEditCut;
            break;
        case Qt::Key_V:
            if (ctrl) command = cmd::kEditPaste;
            break;
        case Qt::Key_Z:
            if (ctrl) command = cmd::kEditUndo;
            break;
        case Qt::Key_Escape:
            if (dragging_) {
                endDrag(false);
                return;
            }
            break;
        default:
            break;
    }
    if (command != 0) {
        runCommand(command);
        return;
    }
    // Navigation: the view moves the current index, currentChanged forwards it.
    QTreeView::keyPressEvent(event);
}

void CTree::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    if (syncing_) return;
    const NodeId node = model_->nodeOf(current);
    if (node == kNoNode || node == editor_.current()) return;
    commitGridEdit();
    const bool moved = editor_.select(node);
    syncView();
    // A refused move: the view may still mark the item it wanted to go to.
    if (!moved) QTimer::singleShot(0, this, &CTree::syncView);
}

void CTree::contextMenuEvent(QContextMenuEvent* event) {
    const QModelIndex index = indexAt(event->pos());
    if (!index.isValid()) return;
    commitGridEdit();
    const std::vector<MenuItem> items = editor_.contextMenu(model_->nodeOf(index));
    syncView();
    if (items.empty()) return;
    QMenu menu(this);
    menu.setObjectName("treeContextMenu");
    fillMenu(&menu, items);
    QAction* chosen = menu.exec(event->globalPos());
    if (chosen && chosen->data().toInt() != 0) runCommand(chosen->data().toInt());
}

void CTree::focusInEvent(QFocusEvent* event) {
    QTreeView::focusInEvent(event);
    const Qt::FocusReason r = event->reason();
    if (r != Qt::PopupFocusReason && r != Qt::ActiveWindowFocusReason && grid_) {
        // The focus came back from the grid: write the item's values back.
        commitGridEdit();
        GridModel& g = grid_->model();
        if (g.hasItem() && g.database() == editor_.database() && g.modified() && !g.hasError()) {
            editor_.leaveItem();
            syncView();
        }
    }
    // Focus that only comes back with the window (after a message box, say)
    // does not make this tree the active one.
    if (r != Qt::PopupFocusReason && r != Qt::ActiveWindowFocusReason) emit focused();
}

// ---- Dialogs
// -------------------------------------------------------------------------------------------

void CTree::showNewElementDialog() {
    if (!newElement_) {
        newElement_ = new CDlgNewElement(*this, this);
        // The family records the dialog's opening for its undo, if it keeps one.
        editor_.runCommand(cmd::kNewElement);
    }
    newElement_->follow();
    newElement_->show();
    newElement_->raise();
}

void CTree::showBufferDialog() {
    if (editor_.buffer().empty()) return;
    if (!bufferView_) bufferView_ = new CDlgBuffer(*this, this);
    bufferView_->refresh();
    bufferView_->show();
    bufferView_->raise();
}

}  // namespace tavrin::gui
