#include "editor/editor_views.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLayout>
#include <QSplitter>

#include <QTimeEdit>
#include "editor/c_grid.h"
#include "editor/c_tree.h"
#include "editor/g_combo_box.h"
#include "editor/g_edit.h"
#include "editor/tree_item_model.h"

namespace tavrin::gui {

namespace {

// The pane holding the focus shows a highlighted frame; the others keep a
// plain one of the same width, so nothing moves when the focus does.
const char* const kPaneStyle =
    "QAbstractScrollArea { border: 2px solid palette(midlight); }"
    "QAbstractScrollArea:focus { border: 2px solid palette(highlight); }";

// Puts a widget into its place: a splitter, a layout, or a plain parent.
void place(QWidget* where, QWidget* w) {
    if (auto* s = qobject_cast<QSplitter*>(where)) {
        s->addWidget(w);
    } else if (where->layout()) {
        where->layout()->addWidget(w);
    } else {
        w->setParent(where);
    }
}

// The Edit menu's labels change with the selection: the new label keeps
// the underlined letter of the old one where it has that letter.
QString keepMnemonic(const QString& old, const QString& label) {
    qsizetype at = -1;
    for (qsizetype i = 0; i + 1 < old.size(); ++i) {
        if (old.at(i) == QLatin1Char('&')) {
            if (old.at(i + 1) != QLatin1Char('&')) {
                at = i + 1;
                break;
            }
            ++i;
        }
    }
    if (at < 0 || label.contains(QLatin1Char('&'))) return label;
    const QChar c = old.at(at).toLower();
    for (qsizetype i = 0; i < label.size(); ++i) {
        if (label.at(i).toLower() == c) return label.left(i) + QLatin1Char('&') + label.mid(i);
    }
    return label;
}

}  // namespace

EditorViews::EditorViews(Prompter& prompter, QWidget* treePane, QWidget* gridPlace,
                         std::function<QAction*(int)> actions,
                         std::function<void(const std::string&)> status, QObject* parent)
    : QObject(parent), actions_(std::move(actions)), status_(std::move(status)) {
    for (int role = 0; role < 2; ++role) {
        auto* t = new CTree(document_, role, prompter);
        trees_[static_cast<std::size_t>(role)] = t;
        place(treePane, t);
        connect(t, &CTree::statusText, this, [this](const QString& s) {
            if (status_) status_(s.toStdString());
        });
        connect(t, &CTree::editStateChanged, this, [this, role] {
            if (role == active_) updateEditMenu();
        });
        connect(t, &CTree::focused, this, [this, role] { setActive(role); });
        // The window takes its children down in its own order: a grid edit
        // that ends meanwhile must not reach a tree that is gone.
        connect(t, &QObject::destroyed, this,
                [this, role] { trees_[static_cast<std::size_t>(role)] = nullptr; });
    }
    trees_[0]->setPeer(trees_[1]);
    trees_[1]->setPeer(trees_[0]);
    trees_[1]->hide();
    grid_ = new CGrid(prompter);
    place(gridPlace, grid_);
    connect(grid_, &CGrid::edited, this, &EditorViews::updateEditMenu);
    connect(grid_, &CGrid::note, this, [this](const QString& text) {
        if (status_) status_(text.toStdString());
    });
    trees_[0]->attachGrid(grid_);
    for (QWidget* w : {static_cast<QWidget*>(trees_[0]), static_cast<QWidget*>(trees_[1]),
                       static_cast<QWidget*>(grid_->table())}) {
        w->setStyleSheet(QString::fromLatin1(kPaneStyle));
        w->installEventFilter(this);
    }
    for (QWidget* w : {static_cast<QWidget*>(grid_->edit()), static_cast<QWidget*>(grid_->combo()),
                       static_cast<QWidget*>(grid_->timeEdit())}) {
        w->installEventFilter(this);
    }
}

void EditorViews::updateTreeCaptions() {
    const bool two = trees_[1] && !trees_[1]->isHidden();
    for (int role = 0; role < 2; ++role) {
        CTree* t = trees_[static_cast<std::size_t>(role)];
        if (!t) continue;
        auto* model = qobject_cast<TreeItemModel*>(t->model());
        t->setHeaderHidden(!two);
        if (!two || !model) continue;
        const DBase* db = document_.databases[static_cast<std::size_t>(role)];
        const QString path = db ? QString::fromStdString(db->filePath) : QString();
        QString name =
            path.isEmpty() ? QString::fromUtf8("(без файла)") : QFileInfo(path).fileName();
        const bool active = role == active_;
        if (active) name = QString::fromUtf8("\u25B6 ") + name;
        model->setCaption(name, QDir::toNativeSeparators(path), active);
    }
}

int EditorViews::focusedPane() const {
    QWidget* focus = QApplication::focusWidget();
    if (!focus) return -1;
    for (int role = 0; role < 2; ++role) {
        CTree* t = trees_[static_cast<std::size_t>(role)];
        if (t && (t == focus || t->isAncestorOf(focus))) return role;
    }
    if (grid_ && (grid_ == focus || grid_->isAncestorOf(focus))) return 2;
    return -1;
}

void EditorViews::focusNextPane(bool forward) {
    std::vector<QWidget*> panes;
    for (CTree* t : trees_) {
        if (t && t->isVisible()) panes.push_back(t);
    }
    if (grid_ && grid_->table()->isVisible()) panes.push_back(grid_->table());
    if (panes.empty()) return;
    const int now = focusedPane();
    int at = -1;
    for (std::size_t i = 0; i < panes.size(); ++i) {
        if ((now == 2 && panes[i] == grid_->table()) ||
            (now >= 0 && now < 2 && panes[i] == tree(now)))
            at = static_cast<int>(i);
    }
    const int n = static_cast<int>(panes.size());
    const int next = at < 0 ? 0 : (at + (forward ? 1 : n - 1)) % n;
    // Leaving the grid ends its edit as a click elsewhere does.
    panes[static_cast<std::size_t>(next)]->setFocus(forward ? Qt::TabFocusReason
                                                            : Qt::BacktabFocusReason);
}

bool EditorViews::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* k = static_cast<QKeyEvent*>(event);
        const bool plain = !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        if (plain && (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab)) {
            focusNextPane(k->key() == Qt::Key_Tab);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

EditorViews::~EditorViews() = default;

void EditorViews::showDatabase(int role, DBase* db) {
    const auto r = static_cast<std::size_t>(role & 1);
    CTree* t = trees_[r];
    if (document_.databases[r] != db) {
        // Another database object: what the tree kept of the old one goes.
        if (document_.buffer.tree == role) document_.buffer.clear();
        t->editor().commands().clear();
        if (grid_->model().database() == document_.databases[r]) grid_->model().clear();
        document_.databases[r] = db;
    }
    t->rebuild();
    if (role == active_) updateEditMenu();
}

void EditorViews::replaceDatabase(int role, DBase* db, DBase* other) {
    const auto r = static_cast<std::size_t>(role & 1);
    const DBase* shown = grid_->model().database();
    if (shown && (shown == document_.databases[0] || shown == document_.databases[1]))
        grid_->model().clear();
    // The buffer's items are gone with their database. The views are not
    // brought up to date here: the old database may be deleted already, and
    // the trees are rebuilt below.
    if (document_.buffer.tree == (role & 1)) {
        for (CTree* t : trees_)
            t->editor().ghostBuffer(false);
        document_.buffer.clear();
    }
    for (CTree* t : trees_) {
        t->editor().forgetDatabase(role & 1);
        t->editor().showAllGroups();
    }
    trees_[r]->editor().commands().clear();
    trees_[r]->editor().databaseReplaced();
    document_.databases[r] = db;
    document_.databases[r ^ 1] = other;
    for (CTree* t : trees_) {
        if (t->editor().database()) t->rebuild();
    }
    updateEditMenu();
}

void EditorViews::clearBuffer() {
    for (CTree* t : trees_)
        t->editor().ghostBuffer(false);
    document_.buffer.clear();
    for (CTree* t : trees_)
        t->syncView();
}

void EditorViews::setFamily(Family family) {
    grid_->setFamily(family);
}

bool EditorViews::setActive(int role) {
    role &= 1;
    if (role == active_ && tree(role)->grid() == grid_) return true;
    if (!commitPendingEdits()) return false;
    tree(active_)->attachGrid(nullptr);
    active_ = role;
    tree(role)->attachGrid(grid_);
    updateEditMenu();
    updateTreeCaptions();
    emit activeChanged(role);
    return true;
}

void EditorViews::setTwoBases(bool on) {
    const bool was = !trees_[1]->isHidden();
    trees_[1]->setVisible(on);
    auto* pane = qobject_cast<QSplitter*>(trees_[0]->parentWidget());
    // The pane grows to take the second tree and shrinks back without it.
    if (auto* outer = pane ? qobject_cast<QSplitter*>(pane->parentWidget()) : nullptr;
        outer && was != on) {
        QList<int> sizes = outer->sizes();
        const int i = outer->indexOf(pane);
        int total = 0;
        for (int v : sizes)
            total += v;
        if (i >= 0 && i + 1 < sizes.size() && total > 0) {
            const int want = on ? std::min(2 * sizes[i], total * 3 / 5) : std::max(1, sizes[i] / 2);
            sizes[i + 1] += sizes[i] - want;
            sizes[i] = want;
            outer->setSizes(sizes);
        }
    }
    // The two trees share their pane evenly.
    if (pane && on) {
        const int half = std::max(1, (pane->width() - pane->handleWidth()) / 2);
        QList<int> sizes;
        for (int i = 0; i < pane->count(); ++i)
            sizes.append(pane->widget(i) == trees_[0] || pane->widget(i) == trees_[1] ? half : 0);
        pane->setSizes(sizes);
    }
    for (CTree* t : trees_)
        t->editor().commands().clear();
    updateTreeCaptions();
    if (!on) {
        // Nothing may be pasted from a database no longer shown.
        clearBuffer();
        setActive(0);
    }
    updateEditMenu();
}

void EditorViews::runCommand(int command) {
    activeTree()->runCommand(command);
    // An undo may have shown or hidden a group again.
    alignGroups();
    updateEditMenu();
}

void EditorViews::alignGroups() {
    CTree* other = tree(active_ ^ 1);
    if (!other->editor().database()) return;
    bool changed = false;
    for (int g = 0; g < kGroupToggleCount; ++g) {
        const bool hidden = activeTree()->editor().groupHidden(g);
        if (other->editor().groupHidden(g) != hidden) {
            other->editor().setGroupHidden(g, hidden);
            changed = true;
        }
    }
    if (changed) other->syncView();
}

void EditorViews::setGroupHidden(int command, bool hidden) {
    for (CTree* t : trees_) {
        if (t->editor().database()) t->setGroupHidden(command, hidden);
    }
    updateEditMenu();
}

bool EditorViews::commitPendingEdits() {
    if (grid_->editingRow() >= 0 && !grid_->commitEdit()) {
        // "Ошибка в параметре!" has been shown: back into the value.
        grid_->focusError();
        return false;
    }
    CTree* t = activeTree();
    if (t->grid() != grid_) return true;
    if (!t->editor().leaveItem()) {
        grid_->focusError();
        return false;
    }
    t->syncView();
    updateEditMenu();
    return true;
}

void EditorViews::resetTreeState() {
    clearBuffer();
    for (CTree* t : trees_) {
        t->editor().resetView();
        if (t->editor().database()) t->rebuild();
    }
    updateEditMenu();
}

void EditorViews::updateEditMenu() {
    emit stateChanged();
    updateTreeCaptions();
    if (!actions_ || !activeTree()) return;
    const EditMenuState s = activeTree()->editor().editMenu();
    for (const MenuState* m :
         {&s.insert, &s.cut, &s.copy, &s.paste, &s.remove, &s.undo, &s.showBuffer}) {
        QAction* a = actions_(m->command);
        if (!a) continue;
        if (!m->label.empty())
            a->setText(keepMnemonic(a->text(), QString::fromStdString(m->label)));
        a->setEnabled(m->enabled);
    }
}

}  // namespace tavrin::gui
