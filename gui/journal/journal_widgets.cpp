#include "journal/journal_widgets.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDrag>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <algorithm>

namespace tavrin::gui {

namespace {

constexpr int kEdgeGrip = 4;  // pixels either side of a section edge that resize

QIcon signIcon(bool expanded) {
    QPixmap pm(11, 11);
    pm.fill(Qt::white);
    QPainter p(&pm);
    p.setPen(QColor(120, 120, 120));
    p.drawRect(0, 0, 10, 10);
    p.setPen(Qt::black);
    p.drawLine(2, 5, 8, 5);
    if (!expanded) p.drawLine(5, 2, 5, 8);
    return QIcon(pm);
}

}  // namespace

// ---- JournalTableModel ----------------------------------------------------------------

void JournalTableModel::refresh() {
    beginResetModel();
    endResetModel();
}

int JournalTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(model_.rows().size());
}

int JournalTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(model_.columns().size());
}

QVariant JournalTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const auto& row = model_.rows()[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(model_.rowCell(row, index.column()));
        case Qt::DecorationRole:
            if (row.group && index.column() == 0) {
                static const QIcon open = signIcon(true), closed = signIcon(false);
                return row.expanded ? open : closed;
            }
            return {};
        case Qt::FontRole:
            if (row.group) {
                QFont f;
                f.setBold(true);
                return f;
            }
            return {};
        default:
            return {};
    }
}

QVariant JournalTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section < 0 || static_cast<std::size_t>(section) >= model_.columns().size()) return {};
    return QString::fromStdString(model_.columns()[static_cast<std::size_t>(section)]);
}

// ---- JournalHeader ----------------------------------------------------------------------

JournalHeader::JournalHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(true);
    setSortIndicatorShown(true);
    setStretchLastSection(true);
}

bool JournalHeader::onSectionEdge(const QPoint& pos) const {
    const int section = logicalIndexAt(pos);
    if (section < 0) return true;
    const int left = sectionViewportPosition(section);
    const int right = left + sectionSize(section);
    return (visualIndex(section) > 0 && pos.x() - left <= kEdgeGrip) ||
           right - pos.x() <= kEdgeGrip;
}

void JournalHeader::mousePressEvent(QMouseEvent* event) {
    passOn_ = event->button() != Qt::LeftButton || onSectionEdge(event->position().toPoint());
    if (passOn_) {
        QHeaderView::mousePressEvent(event);
        return;
    }
    pressed_ = logicalIndexAt(event->position().toPoint());
    pressPos_ = event->position().toPoint();
}

void JournalHeader::mouseMoveEvent(QMouseEvent* event) {
    if (passOn_ || pressed_ < 0 || !(event->buttons() & Qt::LeftButton)) {
        QHeaderView::mouseMoveEvent(event);
        return;
    }
    if ((event->position().toPoint() - pressPos_).manhattanLength() <
        QApplication::startDragDistance()) {
        return;
    }
    const int column = pressed_;
    pressed_ = -1;
    auto* mime = new QMimeData;
    mime->setData(kColumnMime, QByteArray::number(column));
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    const QString title =
        model() ? model()->headerData(column, Qt::Horizontal).toString() : QString();
    QPixmap pm(fontMetrics().horizontalAdvance(title) + 12, fontMetrics().height() + 6);
    pm.fill(QColor(230, 230, 240));
    QPainter p(&pm);
    p.drawRect(0, 0, pm.width() - 1, pm.height() - 1);
    p.drawText(pm.rect(), Qt::AlignCenter, title);
    p.end();
    drag->setPixmap(pm);
    drag->exec(Qt::CopyAction);
}

void JournalHeader::mouseReleaseEvent(QMouseEvent* event) {
    if (passOn_) {
        QHeaderView::mouseReleaseEvent(event);
        passOn_ = false;
        return;
    }
    const int section = logicalIndexAt(event->position().toPoint());
    if (pressed_ >= 0 && section == pressed_) emit sectionClicked(section);
    pressed_ = -1;
}

// ---- GroupStrip ------------------------------------------------------------------------------

GroupStrip::GroupStrip(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("groupStrip"));
    setFrameShape(QFrame::StyledPanel);
    setAcceptDrops(true);
    setMinimumHeight(30);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(236, 238, 244));
    setPalette(pal);
    layout_ = new QHBoxLayout(this);
    layout_->setContentsMargins(6, 3, 6, 3);
    hint_ = new QLabel(
        QStringLiteral("Перетащите заголовок колонки сюда, чтобы сгруппировать по этой колонке"),
        this);
    hint_->setStyleSheet(QStringLiteral("color: #666"));
    layout_->addWidget(hint_);
    layout_->addStretch();
}

void GroupStrip::setLevels(const std::vector<QString>& titles) {
    for (QLabel* b : boxes_)
        delete b;
    boxes_.clear();
    for (std::size_t i = 0; i < titles.size(); ++i) {
        auto* b = new QLabel(titles[i], this);
        b->setObjectName(QStringLiteral("groupLevel%1").arg(i));
        b->setFrameShape(QFrame::Box);
        b->setMargin(3);
        b->setStyleSheet(QStringLiteral("background: #fff; border: 1px solid #889;"));
        b->setCursor(Qt::OpenHandCursor);
        b->installEventFilter(this);
        layout_->insertWidget(static_cast<int>(i) + 1, b);
        boxes_.push_back(b);
    }
    hint_->setVisible(boxes_.empty());
}

int GroupStrip::placeAt(int x) const {
    int place = 0;
    for (QLabel* b : boxes_) {
        if (x > b->geometry().center().x()) ++place;
    }
    return place;
}

void GroupStrip::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasFormat(kColumnMime) || event->mimeData()->hasFormat(kGroupLevelMime))
        event->acceptProposedAction();
}

void GroupStrip::dragMoveEvent(QDragMoveEvent* event) {
    event->acceptProposedAction();
}

void GroupStrip::dropEvent(QDropEvent* event) {
    const QMimeData* mime = event->mimeData();
    if (mime->hasFormat(kColumnMime)) {
        bool ok = false;
        const int column = mime->data(kColumnMime).toInt(&ok);
        if (!ok) return;
        event->acceptProposedAction();
        emit columnDropped(column);
    } else if (mime->hasFormat(kGroupLevelMime)) {
        bool ok = false;
        const int level = mime->data(kGroupLevelMime).toInt(&ok);
        if (!ok) return;
        event->acceptProposedAction();
        int to = placeAt(event->position().toPoint().x());
        if (to > level) --to;  // the box leaves its own place first
        if (to != level) emit levelMoved(level, to);
    }
}

bool GroupStrip::eventFilter(QObject* watched, QEvent* event) {
    auto* box = qobject_cast<QLabel*>(watched);
    const auto it = std::find(boxes_.begin(), boxes_.end(), box);
    if (it == boxes_.end()) return QFrame::eventFilter(watched, event);
    const int level = static_cast<int>(it - boxes_.begin());
    if (event->type() == QEvent::MouseButtonPress) {
        pressedBox_ = level;
        pressPos_ = static_cast<QMouseEvent*>(event)->position().toPoint();
        return true;
    }
    if (event->type() == QEvent::MouseMove && pressedBox_ == level) {
        auto* me = static_cast<QMouseEvent*>(event);
        if ((me->position().toPoint() - pressPos_).manhattanLength() <
            QApplication::startDragDistance()) {
            return true;
        }
        pressedBox_ = -1;
        auto* mime = new QMimeData;
        mime->setData(kGroupLevelMime, QByteArray::number(level));
        auto* drag = new QDrag(box);
        drag->setMimeData(mime);
        drag->setPixmap(box->grab());
        // Dropped anywhere but on the strip: the level goes.
        if (drag->exec(Qt::MoveAction) == Qt::IgnoreAction) emit levelRemoved(level);
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        pressedBox_ = -1;
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

// ---- TimeRangeDialog -----------------------------------------------------------------------

TimeRangeDialog::TimeRangeDialog(const QString& from, const QString& to, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Временной диапазон"));
    auto* form = new QFormLayout(this);
    from_ = new QLineEdit(from, this);
    to_ = new QLineEdit(to, this);
    for (QLineEdit* e : {from_, to_}) {
        e->setMaxLength(static_cast<int>(kJournalTimeMaxChars));
        e->setPlaceholderText(QStringLiteral("дд/мм/гг чч:мм:сс"));
    }
    form->addRow(QStringLiteral("Начало"), from_);
    form->addRow(QStringLiteral("Конец"), to_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

QString TimeRangeDialog::from() const {
    return from_->text();
}

QString TimeRangeDialog::to() const {
    return to_->text();
}

}  // namespace tavrin::gui
