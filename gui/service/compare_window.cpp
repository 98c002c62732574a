#include "service/compare_window.h"
#include "app/qt_text.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tavrin::gui {

namespace {

enum Column { kPathColumn, kRowColumn, kOursColumn, kTheirsColumn, kColumnCount };

// Rows of items only in one database: green for an item the other one
// adds, red for one it lacks.
const QColor kAddedBackground(214, 242, 214);
const QColor kRemovedBackground(248, 214, 214);

}  // namespace

QString CompareWindow::addedText() {
    return u("добавлено");
}

QString CompareWindow::removedText() {
    return u("удалено");
}

QString CompareWindow::countText(const std::vector<DiffEntry>& entries) {
    if (entries.empty()) return u("Нет различий");
    return u("Элементов с различиями: %1; различий: %2")
        .arg(countChangedItems(entries))
        .arg(entries.size());
}

CompareWindow::CompareWindow(std::vector<DiffEntry> entries, const QString& oursTitle,
                             const QString& theirsTitle, QWidget* parent)
    : QDialog(parent),
      entries_(std::move(entries)),
      oursTitle_(oursTitle.isEmpty() ? u("Эта база") : oursTitle),
      theirsTitle_(theirsTitle.isEmpty() ? u("Другая база") : theirsTitle) {
    setObjectName("CompareWindow");
    setWindowTitle(u("Сравнение баз"));
    count_ = new QLabel(this);
    count_->setObjectName("compareCount");
    note_ = new QLabel(this);
    note_->setObjectName("compareNote");
    note_->setWordWrap(true);
    note_->hide();
    table_ = new QTableWidget(this);
    table_->setColumnCount(kColumnCount);
    table_->setHorizontalHeaderLabels({u("Элемент"), u("Параметр"), oursTitle_, theirsTitle_});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->setVisible(false);
    table_->horizontalHeader()->setStretchLastSection(true);
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { choose(row); });
    connect(table_, &QTableWidget::cellActivated, this, [this](int row, int) { choose(row); });

    save_ = new QPushButton(u("Сохранить как..."), this);
    copy_ = new QPushButton(u("Копировать"), this);
    auto* close = new QPushButton(u("Закрыть"), this);
    // Enter on a row chooses the row: no button takes it as the default.
    for (QPushButton* b : {save_, copy_, close}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    connect(save_, &QPushButton::clicked, this, &CompareWindow::askSave);
    connect(copy_, &QPushButton::clicked, this, &CompareWindow::copyText);
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(count_);
    layout->addWidget(note_);
    layout->addWidget(table_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(save_);
    buttons->addWidget(copy_);
    buttons->addStretch();
    buttons->addWidget(close);
    layout->addLayout(buttons);
    resize(820, 480);
    fill();
}

void CompareWindow::fill() {
    count_->setText(countText(entries_));
    if (entries_.empty()) {
        // Equal databases say so in the table too, rather than showing nothing.
        table_->setRowCount(1);
        auto* item = new QTableWidgetItem(u("Нет различий"));
        item->setFlags(Qt::ItemIsEnabled);
        table_->setItem(0, 0, item);
        table_->setSpan(0, 0, 1, kColumnCount);
        save_->setEnabled(false);
        copy_->setEnabled(false);
        return;
    }
    table_->setRowCount(static_cast<int>(entries_.size()));
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const DiffEntry& e = entries_[i];
        QString cells[kColumnCount];
        cells[kPathColumn] = q(e.path);
        QColor background;
        switch (e.kind) {
            case DiffEntry::Kind::Added:
                cells[kRowColumn] = addedText();
                cells[kTheirsColumn] = u("есть");
                cells[kOursColumn] = u("нет");
                background = kAddedBackground;
                break;
            case DiffEntry::Kind::Removed:
                cells[kRowColumn] = removedText();
                cells[kOursColumn] = u("есть");
                cells[kTheirsColumn] = u("нет");
                background = kRemovedBackground;
                break;
            case DiffEntry::Kind::Changed:
                cells[kRowColumn] = q(e.row);
                cells[kOursColumn] = q(e.ourText);
                cells[kTheirsColumn] = q(e.theirText);
                break;
        }
        for (int c = 0; c < kColumnCount; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (background.isValid()) {
                item->setBackground(background);
                item->setForeground(QColor(Qt::black));
                if (c == kRowColumn) {
                    QFont bold = item->font();
                    bold.setBold(true);
                    item->setFont(bold);
                }
            }
            table_->setItem(static_cast<int>(i), c, item);
        }
    }
    table_->resizeColumnsToContents();
    // A long path does not push the values out of sight.
    table_->setColumnWidth(kPathColumn, std::min(table_->columnWidth(kPathColumn), 360));
}

void CompareWindow::setNote(const QString& text) {
    note_->setText(text);
    note_->setVisible(!text.isEmpty());
}

QString CompareWindow::text() const {
    QString out = oursTitle_ + u(" → ") + theirsTitle_ + '\n' + countText(entries_) + '\n';
    if (!note_->text().isEmpty()) out += note_->text() + '\n';
    for (const DiffEntry& e : entries_) {
        out += q(e.path) + u(": ");
        switch (e.kind) {
            case DiffEntry::Kind::Added:
                out += addedText();
                break;
            case DiffEntry::Kind::Removed:
                out += removedText();
                break;
            case DiffEntry::Kind::Changed:
                out += q(e.row) + u(": ") + q(e.ourText) + u(" → ") + q(e.theirText);
                break;
        }
        out += '\n';
    }
    return out;
}

bool CompareWindow::saveText(const QString& path) {
    QFile file(path);
    const QByteArray bytes = text().toUtf8();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size() || !file.flush()) {
        QMessageBox::warning(this, windowTitle(),
                             u("Не удалось записать файл\n%1\n%2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

void CompareWindow::copyText() {
    QApplication::clipboard()->setText(text());
}

void CompareWindow::askSave() {
    const QString path = QFileDialog::getSaveFileName(this, u("Сохранить различия"), QString(),
                                                      u("Текст (*.txt);;Все файлы (*)"));
    if (!path.isEmpty()) saveText(path);
}

ItemPath CompareWindow::treePath(const ItemPath& shown, const ItemPath& other) {
    if (!shown.empty()) return shown;
    if (other.size() > 1 && other.front() != kNoItem)
        return ItemPath(other.begin(), other.end() - 1);
    return {};
}

void CompareWindow::choose(int row) {
    if (row < 0 || row >= static_cast<int>(entries_.size())) return;
    const DiffEntry& e = entries_[static_cast<std::size_t>(row)];
    emit itemActivated(e.ours, e.theirs);
}

}  // namespace tavrin::gui
