#include "editor/c_grid.h"
#include "registry/family_registry.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimeEdit>
#include <QTimer>
#include <QVBoxLayout>

#include "app/qt_text.h"
#include "editor/g_combo_box.h"
#include "editor/g_edit.h"

namespace tavrin::gui {

namespace {

const QColor kGrey(220, 220, 220);
const QColor kChanged(0, 0, 200);
const QColor kRefused(255, 0, 0);
const QColor kLines(160, 160, 160);
constexpr int kMargin = 4;   // left and right of the table
constexpr int kTextPad = 4;  // inside a cell

}  // namespace

// ---- GridTable
// ------------------------------------------------------------------------------------

GridTable::GridTable(CGrid& grid, QWidget* parent) : QAbstractScrollArea(parent), grid_(grid) {
    setObjectName("gridTable");
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(false);
}

int GridTable::rowHeight() const {
    return fontMetrics().height() + 8;
}

int GridTable::columnSplit() const {
    const int width = viewport()->width() - 2 * kMargin;
    return kMargin + width / 2;
}

QRect GridTable::nameRect(int row) const {
    const int h = rowHeight();
    const int y = (row + 1) * h - verticalScrollBar()->value();
    return QRect(kMargin, y, columnSplit() - kMargin, h);
}

QRect GridTable::valueRect(int row) const {
    const int h = rowHeight();
    const int y = (row + 1) * h - verticalScrollBar()->value();
    const int right = viewport()->width() - kMargin;
    return QRect(columnSplit(), y, right - columnSplit(), h);
}

int GridTable::rowAt(const QPoint& pos) const {
    const auto& rows = grid_.model().rows();
    if (pos.x() < kMargin || pos.x() >= viewport()->width() - kMargin) return -1;
    const int y = pos.y() + verticalScrollBar()->value();
    const int row = y / rowHeight() - 1;
    return row >= 0 && row < static_cast<int>(rows.size()) ? row : -1;
}

void GridTable::setCurrentRow(int row) {
    const int count = static_cast<int>(grid_.model().rows().size());
    current_ = count == 0 ? -1 : std::clamp(row, 0, count - 1);
    ensureVisible(current_);
    viewport()->update();
}

void GridTable::ensureVisible(int row) {
    if (row < 0) return;
    const QRect r = valueRect(row);
    QScrollBar* bar = verticalScrollBar();
    // The first row brings the header back into view with it.
    if (r.top() < 0 || row == 0) {
        bar->setValue(row == 0 ? 0 : bar->value() + r.top());
    } else if (r.bottom() > viewport()->height()) {
        bar->setValue(bar->value() + r.bottom() - viewport()->height() + 1);
    }
}

void GridTable::keyPressEvent(QKeyEvent* event) {
    const int count = static_cast<int>(grid_.model().rows().size());
    if (count == 0) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const int page = std::max(1, viewport()->height() / rowHeight() - 1);
    const bool alt = event->modifiers() & Qt::AltModifier;
    const int row = std::max(0, current_);
    switch (event->key()) {
        case Qt::Key_Up:
            setCurrentRow(row - 1);
            return;
        case Qt::Key_Down:
            if (alt) {
                grid_.startEditWithList(row);
            } else {
                setCurrentRow(row + 1);
            }
            return;
        case Qt::Key_PageUp:
            setCurrentRow(row - page);
            return;
        case Qt::Key_PageDown:
            setCurrentRow(row + page);
            return;
        case Qt::Key_Home:
            setCurrentRow(0);
            return;
        case Qt::Key_End:
            setCurrentRow(count - 1);
            return;
        case Qt::Key_F2:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            setCurrentRow(row);
            grid_.startEdit(row);
            return;
        case Qt::Key_F4:
            setCurrentRow(row);
            grid_.startEditWithList(row);
            return;
        default:
            break;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void GridTable::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    if (current_ < 0 && !grid_.model().rows().empty()) current_ = 0;
    viewport()->update();
}

void GridTable::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void GridTable::updateScrollBar() {
    const int total = (static_cast<int>(grid_.model().rows().size()) + 1) * rowHeight();
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setSingleStep(rowHeight());
    verticalScrollBar()->setRange(0, std::max(0, total - viewport()->height()));
}

void GridTable::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBar();
    grid_.placeEditor();
}

void GridTable::scrollContentsBy(int, int) {
    grid_.placeEditor();
    viewport()->update();
}

void GridTable::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), Qt::white);
    const auto& rows = grid_.model().rows();
    if (rows.empty()) return;
    const int h = rowHeight();
    const int split = columnSplit();
    const int right = viewport()->width() - kMargin;
    const QFontMetrics fm = fontMetrics();
    auto drawText = [&](const QRect& cell, const QString& text, const QColor& color) {
        const QRect inner = cell.adjusted(kTextPad, 0, -kTextPad, 0);
        p.setPen(color);
        p.drawText(inner, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   fm.elidedText(text, Qt::ElideRight, inner.width()));
    };
    // The header row.
    const int top = -verticalScrollBar()->value();
    const QRect headName(kMargin, top, split - kMargin, h);
    const QRect headValue(split, top, right - split, h);
    p.fillRect(headName, kGrey);
    p.fillRect(headValue, kGrey);
    drawText(headName, QString::fromUtf8("Параметры"), Qt::black);
    drawText(headValue, QString::fromUtf8("Значения"), Qt::black);
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const QRect name = nameRect(i);
        if (name.bottom() < 0) continue;
        if (name.top() > viewport()->height()) break;
        const QRect value = valueRect(i);
        const GridRow& r = rows[static_cast<std::size_t>(i)];
        // The current row's name is drawn as a selection, strong while the
        // table has the focus (or its editor is open), faint otherwise.
        const bool current = i == current_;
        const bool active = hasFocus() || grid_.editingRow() == i;
        if (current) {
            const QPalette::ColorGroup group = active ? QPalette::Active : QPalette::Inactive;
            p.fillRect(name, palette().color(group, QPalette::Highlight));
            drawText(name, q(r.name), palette().color(group, QPalette::HighlightedText));
        } else {
            p.fillRect(name, kGrey);
            drawText(name, q(r.name), Qt::black);
        }
        if (i == grid_.editingRow()) continue;  // the editor covers it
        QColor color = Qt::black;
        if (r.error) {
            p.fillRect(value, Qt::white);
            color = kRefused;
        } else if (r.changed) {
            color = kChanged;
        }
        drawText(value, q(r.text), color);
    }
    // Lines between all rows and columns.
    p.setPen(kLines);
    const int bottom = top + static_cast<int>(rows.size() + 1) * h;
    for (int y = top; y <= bottom; y += h)
        p.drawLine(kMargin, y, right, y);
    p.drawLine(kMargin, top, kMargin, bottom);
    p.drawLine(split, top, split, bottom);
    p.drawLine(right, top, right, bottom);
    if (current_ >= 0 && hasFocus() && current_ < static_cast<int>(rows.size())) {
        QPen pen(palette().color(QPalette::Highlight));
        pen.setWidth(2);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(nameRect(current_).united(valueRect(current_)).adjusted(1, 1, -1, -1));
    }
}

void GridTable::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const int row = rowAt(pos);
    setFocus(Qt::MouseFocusReason);  // ends an edit in progress
    if (row >= 0) setCurrentRow(row);
    if (row >= 0 && valueRect(row).contains(pos) && event->button() == Qt::LeftButton) {
        grid_.startEditWithList(row);
    }
}

// ---- CGrid
// ------------------------------------------------------------------------------------------

CGrid::CGrid(Prompter& prompter, QWidget* parent) : QWidget(parent), model_(prompter) {
    setObjectName("CGrid");
    model_.setListener(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName("gridTabs");
    table_ = new GridTable(*this);
    tabs_->addTab(table_, QString::fromUtf8("Параметры"));
    // The item's check lists ("Связанные АУ", "Подчиненные объекты", ...), each
    // on a tab shown only for an item that has it.
    for (std::size_t i = 0; i < checkLists_.size(); ++i) {
        checkLists_[i] = new QListWidget;
        checkLists_[i]->setObjectName(i == 0 ? "checkList" : "checkList" + QString::number(i + 1));
        tabs_->addTab(checkLists_[i], QString());
        tabs_->setTabVisible(static_cast<int>(i) + 1, false);
    }
    layout->addWidget(tabs_);

    edit_ = new GEdit(table_->viewport());
    combo_ = new GComboBox(table_->viewport());
    time_ = new QTimeEdit(table_->viewport());
    time_->setObjectName("timeEdit");
    time_->setDisplayFormat("HH:mm");
    time_->setFrame(false);
    for (QWidget* w : std::initializer_list<QWidget*>{edit_, combo_, time_}) {
        w->hide();
        w->installEventFilter(this);
    }
    connect(edit_, &GEdit::enterPressed, this, [this] { table_->setFocus(Qt::OtherFocusReason); });
    connect(combo_, &GComboBox::enterPressed, this,
            [this] { table_->setFocus(Qt::OtherFocusReason); });
    // Enter in the time editor ends the edit as in the others.
    connect(time_, &QTimeEdit::editingFinished, this, [this] {
        if (editing_ >= 0 && time_->hasFocus()) table_->setFocus(Qt::OtherFocusReason);
    });
    connect(combo_, qOverload<int>(&QComboBox::activated), this, [this](int) {
        if (editing_ >= 0 && !combo_->isEditable()) table_->setFocus(Qt::OtherFocusReason);
    });
    for (std::size_t i = 0; i < checkLists_.size(); ++i) {
        connect(checkLists_[i], &QListWidget::itemChanged, this,
                [this, i](QListWidgetItem* item) { checkChanged(static_cast<int>(i), item); });
    }
}

CGrid::~CGrid() {
    model_.setListener(nullptr);
}

void CGrid::setFamily(Family family) {
    const FamilyTraits& traits = familyTraits(family);
    fixedSecondTab_ = traits.gridSecondTab;
    textLimit_ = traits.gridTextLimit;
    edit_->setMaxLength(textLimit_);
    rowsReset();
}

QWidget* CGrid::activeEditor() const {
    for (QWidget* w : std::initializer_list<QWidget*>{edit_, combo_, time_}) {
        if (w->isVisible()) return w;
    }
    return nullptr;
}

bool CGrid::startEdit(int row) {
    if (editing_ >= 0 && !commitEdit()) return false;
    const auto& rows = model_.rows();
    if (row < 0 || row >= static_cast<int>(rows.size())) return false;
    const GridRow& r = rows[static_cast<std::size_t>(row)];
    if (!r.editable()) return false;
    hideEditors();
    QWidget* editor = nullptr;
    switch (r.kind) {
        case EditorKind::Text:
        case EditorKind::Number:
        case EditorKind::Number5:
        case EditorKind::Hex:
        case EditorKind::KeyNumber: {
            edit_->setHexMode(r.kind == EditorKind::Hex);
            int limit = textLimit_;
            if (r.kind == EditorKind::Number) limit = 3;
            if (r.kind == EditorKind::Number5) limit = 5;
            if (r.kind == EditorKind::Hex) limit = 4;
            if (r.kind == EditorKind::KeyNumber) limit = 17;
            edit_->setMaxLength(limit);
            edit_->setText(q(r.text));
            edit_->selectAll();
            editor = edit_;
            break;
        }
        case EditorKind::List:
        case EditorKind::NameCombo: {
            const bool editable = r.kind == EditorKind::NameCombo;
            combo_->blockSignals(true);
            combo_->setEditable(editable);
            combo_->clear();
            for (const ListEntry& e : r.list.entries)
                combo_->addItem(q(e.text), e.value);
            if (editable) {
                combo_->lineEdit()->setMaxLength(textLimit_);
                combo_->lineEdit()->installEventFilter(combo_);
                combo_->lineEdit()->installEventFilter(this);
                combo_->setEditText(q(r.text));
            } else {
                combo_->setCurrentIndex(r.list.indexOfValue(r.value));
            }
            combo_->blockSignals(false);
            editor = combo_;
            break;
        }
        case EditorKind::Time:
            time_->setTime(QTime(r.value / 60, r.value % 60));
            editor = time_;
            break;
        case EditorKind::ReadOnly:
            return false;
    }
    editing_ = row;
    table_->setCurrentRow(row);
    editor->setGeometry(table_->valueRect(row).adjusted(1, 1, 0, 0));
    editor->show();
    editor->setFocus(Qt::OtherFocusReason);
    table_->viewport()->update();
    return true;
}

void CGrid::placeEditor() {
    QWidget* editor = activeEditor();
    if (!editor || editing_ < 0) return;
    editor->setGeometry(table_->valueRect(editing_).adjusted(1, 1, 0, 0));
}

bool CGrid::startEditWithList(int row) {
    if (!startEdit(row)) return false;
    // The entries open once the key or click that asked for them is over.
    QTimer::singleShot(0, this, [this, row] {
        if (editing_ == row) openList();
    });
    return true;
}

void CGrid::openList() {
    if (editing_ >= 0 && activeEditor() == combo_ && !combo_->isEditable()) combo_->showPopup();
}

void CGrid::cancelEdit() {
    if (editing_ < 0 || committing_) return;
    const int row = editing_;
    editing_ = -1;
    hideEditors();
    table_->setFocus(Qt::OtherFocusReason);
    table_->setCurrentRow(row);
}

void CGrid::hideEditors() {
    combo_->hidePopup();
    for (QWidget* w : std::initializer_list<QWidget*>{edit_, combo_, time_})
        w->hide();
}

void CGrid::abandonEdit() {
    editing_ = -1;
    hideEditors();
}

void CGrid::focusError() {
    const auto& rows = model_.rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].error && startEdit(static_cast<int>(i))) return;
    }
    table_->setFocus(Qt::OtherFocusReason);
}

bool CGrid::commitEdit() {
    if (editing_ < 0 || committing_) return true;
    committing_ = true;
    const int row = editing_;
    editing_ = -1;
    const GridRow r = model_.rows()[static_cast<std::size_t>(row)];
    bool ok = true;
    QWidget* editor = activeEditor();
    // Read the editor before it goes (hiding may move the focus).
    const QString text = edit_->text();
    const QString comboText = combo_->currentText();
    const int comboIndex = combo_->currentIndex();
    const QTime time = time_->time();
    if (editor && editor->hasFocus()) table_->setFocus(Qt::OtherFocusReason);
    hideEditors();
    switch (r.kind) {
        case EditorKind::List:
            ok = comboIndex < 0 ? true : model_.commitEntry(row, comboIndex);
            break;
        case EditorKind::NameCombo:
            ok = model_.commitText(row, comboText.toStdString());
            break;
        case EditorKind::Time:
            ok = model_.commitTime(row, time.hour(), time.minute());
            break;
        case EditorKind::ReadOnly:
            break;
        default:
            ok = model_.commitText(row, text.toStdString());
            break;
    }
    committing_ = false;
    table_->viewport()->update();
    if (ok && !model_.commitNote().empty()) emit note(q(model_.commitNote()));
    emit edited();
    return ok;
}

bool CGrid::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && editing_ >= 0) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape) {
            cancelEdit();
            return true;
        }
        // The time editor lets Enter through to the table, which would open
        // the editor again: it ends the edit here.
        if (watched == time_ && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            table_->setFocus(Qt::OtherFocusReason);
            return true;
        }
    }
    if (event->type() == QEvent::FocusOut && editing_ >= 0 && !committing_) {
        const auto* f = static_cast<QFocusEvent*>(event);
        QWidget* editor = activeEditor();
        QWidget* now = QApplication::focusWidget();
        const bool inside = editor && now && (now == editor || editor->isAncestorOf(now));
        // The list's open entries take the focus for a while: no end yet.
        const bool listOpen = editor == combo_ && combo_->view()->isVisible();
        if (listOpen) return QWidget::eventFilter(watched, event);
        if (f->reason() != Qt::PopupFocusReason && !inside && watched != nullptr) commitEdit();
    }
    return QWidget::eventFilter(watched, event);
}

// ---- GridListener
// ------------------------------------------------------------------------------------

void CGrid::rowsReset() {
    if (editing_ >= 0 && !committing_) {
        // The item changed under the editor: the edit is dropped.
        editing_ = -1;
        hideEditors();
    }
    table_->updateScrollBar();
    table_->setCurrentRow(table_->currentRow());
    fillCheckList();
}

void CGrid::rowChanged(int) {
    table_->viewport()->update();
}

void CGrid::tabChanged() {
    fillCheckList();
}

void CGrid::fillCheckList() {
    for (std::size_t i = 0; i < checkLists_.size(); ++i)
        fillCheckList(static_cast<int>(i));
}

void CGrid::fillCheckList(int index) {
    static const CheckList kNone;
    const auto& all = model_.tabs();
    const CheckList& tab =
        index < static_cast<int>(all.size()) ? all[static_cast<std::size_t>(index)] : kNone;
    QListWidget* list = checkLists_[static_cast<std::size_t>(index)];
    fillingChecks_ = true;
    bool same = list->count() == static_cast<int>(tab.entries.size());
    for (int i = 0; same && i < list->count(); ++i)
        same = list->item(i)->text() == q(tab.entries[static_cast<std::size_t>(i)].label);
    if (same) {
        // Only the marks moved: keep the items (one of them may be the sender).
        for (int i = 0; i < list->count(); ++i) {
            const bool on = tab.entries[static_cast<std::size_t>(i)].checked;
            list->item(i)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
        }
    } else {
        list->clear();
    }
    for (const CheckEntry& e : tab.entries) {
        if (same) break;
        auto* item = new QListWidgetItem(q(e.label), list);
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (tab.editable) flags |= Qt::ItemIsUserCheckable;
        item->setFlags(flags);
        item->setCheckState(e.checked ? Qt::Checked : Qt::Unchecked);
    }
    fillingChecks_ = false;
    // A family may name its second tab itself.
    const bool fixed = index == 0 && !fixedSecondTab_.empty();
    const bool present = tab.present() || fixed;
    const int at = index + 1;
    if (!present && tabs_->currentIndex() == at) tabs_->setCurrentIndex(0);
    tabs_->setTabVisible(at, present);
    tabs_->setTabText(at, fixed ? q(fixedSecondTab_) : q(tab.caption));
}

void CGrid::checkChanged(int tab, QListWidgetItem* item) {
    if (fillingChecks_) return;
    const int index = checkLists_[static_cast<std::size_t>(tab)]->row(item);
    const bool checked = item->checkState() == Qt::Checked;
    if (!model_.setCheck(tab, index, checked)) fillCheckList(tab);
    emit edited();
}

}  // namespace tavrin::gui
