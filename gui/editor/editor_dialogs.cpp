#include "editor/editor_dialogs.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/qt_text.h"
#include "editor/c_grid.h"
#include "editor/c_tree.h"

namespace tavrin::gui {

namespace {

// The additions of a context menu: the items that add something, with the
// entries of their submenus.
void collectAdditions(const std::vector<MenuItem>& items, bool inAdd, QListWidget* list) {
    for (const MenuItem& m : items) {
        const bool add = inAdd || m.label.rfind("Добавить", 0) == 0;
        if (!m.submenu.empty()) {
            collectAdditions(m.submenu, add, list);
        } else if (add && m.command != 0 && m.enabled) {
            auto* item = new QListWidgetItem(q(m.label), list);
            item->setData(Qt::UserRole, m.command);
        }
    }
}

}  // namespace

CDlgNewElement::CDlgNewElement(CTree& tree, QWidget* parent) : QDialog(parent), tree_(tree) {
    setObjectName("CDlgNewElement");
    setWindowTitle(QString::fromUtf8("Добавить новый элемент"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    list_ = new QListWidget(this);
    layout->addWidget(list_);
    auto* buttons = new QDialogButtonBox(this);
    add_ = buttons->addButton(QString::fromUtf8("&Добавить"), QDialogButtonBox::ActionRole);
    buttons->addButton(QDialogButtonBox::Close);
    layout->addWidget(buttons);
    connect(add_, &QPushButton::clicked, this, &CDlgNewElement::addChosen);
    connect(list_, &QListWidget::itemDoubleClicked, this, &CDlgNewElement::addChosen);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    resize(280, 320);
}

void CDlgNewElement::follow() {
    list_->clear();
    TreeEditor& e = tree_.editor();
    if (e.current() != kNoNode && e.family()) {
        collectAdditions(e.family()->contextMenu(e, e.current()), false, list_);
    }
    if (list_->count() > 0) list_->setCurrentRow(0);
    add_->setEnabled(list_->count() > 0);
}

void CDlgNewElement::addChosen() {
    QListWidgetItem* item = list_->currentItem();
    if (!item) return;
    tree_.runCommand(item->data(Qt::UserRole).toInt());
}

CDlgBuffer::CDlgBuffer(CTree& tree, QWidget* parent) : QDialog(parent), tree_(tree) {
    setObjectName("CDlgBuffer");
    setWindowTitle(QString::fromUtf8("Просмотр буфера"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    list_ = new QListWidget(this);
    layout->addWidget(list_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    resize(280, 320);
}

void CDlgBuffer::refresh() {
    list_->clear();
    const ClipBuffer& b = tree_.editor().buffer();
    TreeEditor* source = tree_.editor().otherTree(b.tree);
    for (ItemCode code : b.items) {
        QString label = QString::number(code);
        if (source) {
            const TreeModel& m = source->model();
            NodeId p = m.find(b.parent);
            NodeId n = p != kNoNode ? m.findUnder(p, code) : m.find(code);
            if (n == kNoNode) n = m.find(code);
            if (n != kNoNode) label = q(m.node(n).label);
        }
        new QListWidgetItem(label, list_);
    }
    const QString how = QString::fromUtf8(b.takenByCut ? "Вырезано" : "Скопировано");
    setWindowTitle(QString::fromUtf8("Просмотр буфера") + " - " + how);
}

}  // namespace tavrin::gui
