#include "editor/find_bar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QToolButton>

#include "app/qt_text.h"
#include "editor/c_tree.h"
#include "editor/editor_views.h"
#include "registry/family_registry.h"

namespace tavrin::gui {

FindBar::FindBar(EditorViews& views, QWidget* parent) : QWidget(parent), views_(views) {
    setObjectName("findBar");
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(new QLabel(u("Поиск:"), this));
    edit_ = new QLineEdit(this);
    edit_->setPlaceholderText(u("имя, номер, серийный номер, тип, ключ, помещение"));
    edit_->setClearButtonEnabled(true);
    edit_->installEventFilter(this);
    layout->addWidget(edit_, 1);
    auto* previous = new QToolButton(this);
    previous->setArrowType(Qt::UpArrow);
    previous->setToolTip(u("Предыдущее (Shift+F3)"));
    auto* next = new QToolButton(this);
    next->setArrowType(Qt::DownArrow);
    next->setToolTip(u("Следующее (F3)"));
    count_ = new QLabel(this);
    count_->setMinimumWidth(90);
    auto* close = new QToolButton(this);
    close->setText(u("✕"));
    close->setToolTip(u("Закрыть (Esc)"));
    layout->addWidget(previous);
    layout->addWidget(next);
    layout->addWidget(count_);
    layout->addWidget(close);
    connect(previous, &QToolButton::clicked, this, &FindBar::previous);
    connect(next, &QToolButton::clicked, this, &FindBar::next);
    connect(close, &QToolButton::clicked, this, &FindBar::close);
    connect(edit_, &QLineEdit::textChanged, this, [this] { search(false); });

    // F3 and Shift+F3 step from anywhere in the window while the bar is open.
    auto* f3 = new QShortcut(QKeySequence(Qt::Key_F3), this);
    f3->setContext(Qt::WindowShortcut);
    connect(f3, &QShortcut::activated, this, &FindBar::next);
    auto* shiftF3 = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), this);
    shiftF3->setContext(Qt::WindowShortcut);
    connect(shiftF3, &QShortcut::activated, this, &FindBar::previous);
    hide();
}

void FindBar::open() {
    QWidget::show();
    edit_->setFocus();
    edit_->selectAll();
    if (!edit_->text().isEmpty()) search(false);
}

void FindBar::close() {
    hide();
    if (CTree* t = views_.activeTree()) t->setFocus();
}

std::string FindBar::currentLabel() const {
    const int c = cursor_.current();
    if (c < 0 || c >= matchCount()) return {};
    return list_.label(list_.items[matches_[static_cast<std::size_t>(c)].item]);
}

void FindBar::search(bool force) {
    CTree* tree = views_.activeTree();
    DBase* db = tree ? tree->editor().database() : nullptr;
    const int role = tree ? tree->editor().index() : -1;
    const bool listStale = db != db_ || role != role_ || (db && db->modified != modified_);
    if (!force && !listStale && edit_->text() == searched_) return;
    if (listStale) {
        list_ = db ? listDbItems(*db, CreateFamilyTree) : DbItemList{};
        db_ = db;
        role_ = role;
        modified_ = db ? db->modified : -1;
    }
    searched_ = edit_->text();
    matches_ = findItems(list_, searched_.toStdString());
    cursor_.reset(matches_.size());
    // A new text shows its first match at once.
    if (!matches_.empty()) show(cursor_.next());
    updateCount();
}

void FindBar::step(bool forward) {
    if (isHidden()) {
        open();
        return;
    }
    // The active tree or its database may have changed since: search again
    // (which shows the first match).
    CTree* tree = views_.activeTree();
    DBase* db = tree ? tree->editor().database() : nullptr;
    if (db != db_ || (tree && tree->editor().index() != role_) ||
        (db && db->modified != modified_) || edit_->text() != searched_) {
        search(true);
        return;
    }
    if (matches_.empty()) return;
    show(forward ? cursor_.next() : cursor_.previous());
    updateCount();
}

void FindBar::next() {
    step(true);
}

void FindBar::previous() {
    step(false);
}

void FindBar::show(int index) {
    if (index < 0 || index >= matchCount()) return;
    CTree* tree = views_.activeTree();
    if (!tree) return;
    const DbItem& item = list_.items[matches_[static_cast<std::size_t>(index)].item];
    tree->selectPath(list_.path(item));
}

void FindBar::updateCount() {
    if (searched_.trimmed().isEmpty()) {
        count_->clear();
    } else if (matches_.empty()) {
        count_->setText(u("Не найдено"));
    } else {
        count_->setText(u("%1 из %2").arg(cursor_.current() + 1).arg(matches_.size()));
    }
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                step(!(key->modifiers() & Qt::ShiftModifier));
                return true;
            case Qt::Key_Escape:
                close();
                return true;
            default:
                break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace tavrin::gui
