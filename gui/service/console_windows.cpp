#include "service/console_windows.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/qt_text.h"
#include "link/dbase.h"
#include "link/result_codes.h"

namespace tavrin::gui {

// ---- DLArchive -----------------------------------------------------------------------

DLArchive::DLArchive(DatabaseGetter database, DeviceRunner runner, StatusSink status,
                     QWidget* parent)
    : QDialog(parent),
      database_(std::move(database)),
      runner_(std::move(runner)),
      status_(std::move(status)) {
    setObjectName("DLArchive");
    setWindowTitle(u("Архив"));
    if (DBase* db = database_()) family_ = db->familyCode;
    list_ = new QListWidget(this);
    auto* read = new QPushButton(u("Прочитать список"), this);
    open_ = new QPushButton(u("Открыть"), this);
    auto* close = new QPushButton(u("Закрыть"), this);
    connect(read, &QPushButton::clicked, this, &DLArchive::readList);
    connect(open_, &QPushButton::clicked, this, [this] { openChosen(); });
    connect(list_, &QListWidget::itemActivated, this, [this] { openChosen(); });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(read);
    buttons->addStretch();
    buttons->addWidget(open_);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    resize(320, 360);
    refill();
}

ConsoleOperations* DLArchive::console() const {
    DBase* db = database_();
    return db ? consoleOperations(*db) : nullptr;
}

void DLArchive::refill() {
    list_->clear();
    if (ConsoleOperations* c = console()) {
        for (const std::string& name : c->archiveNames())
            list_->addItem(q(name));
    }
    if (list_->count() > 0) list_->setCurrentRow(0);
    open_->setEnabled(list_->count() > 0);
}

void DLArchive::readList() {
    DBase* db = database_();
    ConsoleOperations* c = console();
    if (!db || !c) return;
    const int code = runner_([c](Progress& p) { return c->ReadArchiveList(p); });
    const std::string text = db->DescribeResult(code);
    if (status_) status_(text);
    if (code != kResultOk) {
        db->context().prompter->message(text, "Чтение архива", PromptIcon::Error);
        return;
    }
    refill();
}

bool DLArchive::openChosen() {
    DBase* db = database_();
    ConsoleOperations* c = console();
    QListWidgetItem* item = list_->currentItem();
    if (!db || !c || !item) return false;
    const std::string name = item->text().toStdString();
    const int code = runner_([c, &name](Progress& p) { return c->ReadArchive(p, name); });
    const std::string text = db->DescribeResult(code);
    if (status_) status_(text);
    if (code != kResultOk) {
        db->context().prompter->message(text, "Чтение архива", PromptIcon::Error);
        return false;
    }
    emit journalReady(c->archiveJournalPath(name));
    return true;
}

// ---- DLProgramTarget -------------------------------------------------------------------

DLProgramTarget::DLProgramTarget(const std::vector<ProgramTarget>& targets, QWidget* parent)
    : QDialog(parent), targets_(targets) {
    setObjectName("DLProgramTarget");
    setWindowTitle(u("Обновить ПО прибора с SD карты"));
    name_ = new QLineEdit(this);
    name_->setMaxLength(64);
    target_ = new QComboBox(this);
    for (const ProgramTarget& t : targets_)
        target_->addItem(q(t.name));
    auto* form = new QFormLayout;
    form->addRow(u("Файл на SD карте:"), name_);
    form->addRow(u("Обновить:"), target_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(u("ОК"));
    buttons->button(QDialogButtonBox::Cancel)->setText(u("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setEnabled(false);
    connect(name_, &QLineEdit::textChanged, this,
            [ok](const QString& text) { ok->setEnabled(!text.trimmed().isEmpty()); });
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

ShellHost::ProgramChoice DLProgramTarget::choice() const {
    ShellHost::ProgramChoice c;
    c.name = name_->text().trimmed().toStdString();
    const int i = target_->currentIndex();
    c.target = i >= 0 && i < static_cast<int>(targets_.size())
                   ? targets_[static_cast<std::size_t>(i)].code
                   : 0;
    return c;
}

std::optional<ShellHost::ProgramChoice> askProgramTarget(
    QWidget* parent, const std::vector<ProgramTarget>& targets) {
    DLProgramTarget dialog(targets, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const ShellHost::ProgramChoice c = dialog.choice();
    if (c.name.empty()) return std::nullopt;
    return c;
}

}  // namespace tavrin::gui
