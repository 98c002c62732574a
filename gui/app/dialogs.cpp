#include "app/dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/device_search.h"
#include "app/qt_text.h"
#include "app/shell.h"
#include "base/file_io.h"

namespace tavrin::gui {

namespace {
QDialogButtonBox* okCancel(QDialog* d, const char* ok = "OK", const char* cancel = "Cancel") {
    auto* box = new QDialogButtonBox(d);
    box->addButton(u(ok), QDialogButtonBox::AcceptRole);
    box->addButton(u(cancel), QDialogButtonBox::RejectRole);
    QObject::connect(box, &QDialogButtonBox::accepted, d, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, d, &QDialog::reject);
    return box;
}

// The picture of the About box: the maker's emblem drawn in place of a bitmap.
QPixmap emblem() {
    QPixmap pm(96, 96);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(178, 34, 34));
    p.setPen(Qt::NoPen);
    p.drawEllipse(4, 4, 88, 88);
    p.setBrush(QColor(255, 200, 40));
    QPolygon flame;
    flame << QPoint(48, 16) << QPoint(70, 60) << QPoint(48, 80) << QPoint(26, 60);
    p.drawPolygon(flame);
    return pm;
}
}  // namespace

// ---- CDLParol --------------------------------------------------------------------

CDLParol::CDLParol(std::u16string stored, QWidget* parent)
    : QDialog(parent), stored_(std::move(stored)) {
    setObjectName("CDLParol");
    setWindowTitle(u("Программа \"Конфигуратор приборов\" ЗАО Квитор"));
    edit_ = new QLineEdit(this);
    edit_->setEchoMode(QLineEdit::Password);
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(u("Пароль:"), this));
    row->addWidget(edit_, 1);
    layout->addLayout(row);
    layout->addWidget(okCancel(this));
}

void CDLParol::accept() {
    const QString typed = edit_->text().left(static_cast<int>(kPasswordMaxChars));
    if (passwordAccepted(typed.toStdU16String(), stored_)) {
        QDialog::accept();
    } else {
        QDialog::reject();
    }
}

// ---- CAboutDlg -------------------------------------------------------------------

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("CAboutDlg");
    setWindowTitle(u("О программе"));
    auto* picture = new QLabel(this);
    picture->setPixmap(emblem());
    auto* text = new QVBoxLayout;
    text->addWidget(new QLabel(u("ПОЖАРНЫЕ И ОХРАННЫЕ СИСТЕМЫ."), this));
    text->addWidget(new QLabel(u("Конфигуратор приборов: "), this));
    text->addWidget(new QLabel(u("Талвир К2,   версии 1.09 - 1.10"), this));
    text->addWidget(new QLabel(u("Ордис Р7,    версия 1.4"), this));
    auto* third = new QLabel(u("Версан С5,         отладка"), this);
    // The third family is finished in the editor and on the console, so its
    // line is shown like the other two.
    third->setObjectName("control1099");
    text->addWidget(third);
    text->addWidget(new QLabel(u("Версия ") + QString::fromLatin1(TAVRIN_VERSION), this));
    auto* top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addLayout(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    box->button(QDialogButtonBox::Ok)->setText(u("OK"));
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(box);
}

// ---- CDlgParam -------------------------------------------------------------------

CDlgParam::CDlgParam(const GeneralSettings& s, bool logEnabled, bool simulation, QWidget* parent)
    : QDialog(parent) {
    setObjectName("CDlgParam");
    setWindowTitle(u("Настройка параметров"));
    tabs = new QTabWidget(this);

    auto* other = new QWidget;  // CPagePar, dialog 104
    other->setObjectName("CPagePar");
    logBox = new QCheckBox(u("Формировать лог"), other);
    simulationBox = new QCheckBox(u("Имитация обмена"), other);
    askParamsBox = new QCheckBox(u("Спрашивать о  сохранении измененных параметров"), other);
    askDatabaseBox = new QCheckBox(u("Спрашивать о сохранении измененной базы"), other);
    extendedComBox = new QCheckBox(u("Расширенные параметры компорта"), other);
    backupBox = new QCheckBox(u("Сохранять копию базы прибора перед записью"), other);
    backupBox->setObjectName("backupBox");
    logBox->setChecked(logEnabled);
    simulationBox->setChecked(simulation);
    askParamsBox->setChecked(s.askSaveParameters);
    askDatabaseBox->setChecked(s.askSaveDatabase);
    extendedComBox->setChecked(s.extendedPortParameters);
    auto* otherLayout = new QVBoxLayout(other);
    for (QCheckBox* b :
         {logBox, simulationBox, askParamsBox, askDatabaseBox, extendedComBox, backupBox}) {
        otherLayout->addWidget(b);
    }
    otherLayout->addStretch();

    auto* access = new QWidget;  // CAccess, dialog 109
    access->setObjectName("CAccess");
    currentPassword = new QLineEdit(access);
    newPassword = new QLineEdit(access);
    confirmPassword = new QLineEdit(access);
    auto* form = new QFormLayout(access);
    for (QLineEdit* e : {currentPassword, newPassword, confirmPassword}) {
        e->setEchoMode(QLineEdit::Password);
        e->setMaxLength(static_cast<int>(kPasswordMaxChars));
    }
    form->addRow(u("Текущий пароль"), currentPassword);
    form->addRow(u("Новый пароль"), newPassword);
    form->addRow(u("Контроль нового пароля"), confirmPassword);

    tabs->addTab(other, u("Прочие"));
    tabs->addTab(access, u("Доступ"));
    connect(tabs, &QTabWidget::currentChanged, this, [this](int i) {
        if (i == 1) accessVisited_ = true;
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(okCancel(this, "ОК", "Отмена"));
}

// ---- BackupListDialog --------------------------------------------------------------

BackupListDialog::BackupListDialog(const std::vector<BackupFile>& backups,
                                   const QString& familyName, QWidget* parent)
    : QDialog(parent) {
    setObjectName("BackupListDialog");
    setWindowTitle(u("Восстановить из копии"));
    auto* label =
        new QLabel(u("Копии баз прибора \"") + familyName + u("\", новые первыми:"), this);
    table_ = new QTableWidget(static_cast<int>(backups.size()), 3, this);
    table_->setHorizontalHeaderLabels({u("Дата"), u("Адрес"), u("Файл")});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    for (int r = 0; r < static_cast<int>(backups.size()); ++r) {
        const BackupFile& b = backups[static_cast<std::size_t>(r)];
        const LocalTime& t = b.taken;
        table_->setItem(
            r, 0,
            new QTableWidgetItem(QString::asprintf("%02d.%02d.%04d %02d:%02d:%02d", t.day, t.month,
                                                   t.year, t.hour, t.minute, t.second)));
        table_->setItem(r, 1, new QTableWidgetItem(QString::number(b.address)));
        table_->setItem(
            r, 2, new QTableWidgetItem(QString::fromStdString(pathToUtf8(b.path.filename()))));
    }
    table_->resizeColumnsToContents();
    if (!backups.empty()) table_->selectRow(0);
    connect(table_, &QTableWidget::cellDoubleClicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(table_);
    layout->addWidget(okCancel(this, "ОК", "Отмена"));
    resize(560, 320);
}

int BackupListDialog::chosenRow() const {
    const auto rows = table_->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

// ---- CPageCom ----------------------------------------------------------------------

CPageCom::CPageCom(const DBase& db, bool extended, std::vector<std::string> devices,
                   QWidget* parent)
    : QDialog(parent) {
    setObjectName("CPageCom");
    setWindowTitle(u("COM порт"));
    downButton = new QPushButton(u("<"), this);
    upButton = new QPushButton(u(">"), this);
    portLabel = new QLabel(this);
    portLabel->setAlignment(Qt::AlignCenter);
    portLabel->setMinimumWidth(70);
    for (QPushButton* b : {downButton, upButton})
        b->setFixedWidth(32);
    connect(downButton, &QPushButton::clicked, this, [this] { setNumber(number_ - 1); });
    connect(upButton, &QPushButton::clicked, this, [this] { setNumber(number_ + 1); });
    auto* portRow = new QHBoxLayout;
    portRow->addWidget(downButton);
    portRow->addWidget(portLabel);
    portRow->addWidget(upButton);
    portRow->addStretch();

    deviceBox = new QComboBox(this);
    deviceBox->setEditable(true);
    deviceBox->addItem(u("(по номеру порта)"), QString());
    for (const std::string& d : devices) {
        deviceBox->addItem(QString::fromStdString(d), QString::fromStdString(d));
    }
#ifdef _WIN32
    deviceBox->hide();
#endif

    auto makeGroup = [this](const char* title, std::vector<QRadioButton*>& buttons,
                            const std::vector<QString>& texts, int checked) {
        auto* group = new QGroupBox(u(title), this);
        auto* l = new QVBoxLayout(group);
        for (std::size_t i = 0; i < texts.size(); ++i) {
            auto* b = new QRadioButton(texts[i], group);
            b->setChecked(static_cast<int>(i) == checked);
            buttons.push_back(b);
            l->addWidget(b);
        }
        l->addStretch();
        return group;
    };
    std::vector<QString> speeds;
    int speedIndex = -1;
    for (std::size_t i = 0; i < std::size(kDialogBaudRates); ++i) {
        speeds.push_back(QString::number(kDialogBaudRates[i]));
        if (kDialogBaudRates[i] == db.baudRate) speedIndex = static_cast<int>(i);
    }
    speedGroup = makeGroup("Скорость", speedButtons, speeds, speedIndex);
    stopGroup = makeGroup("Стоп-биты", stopButtons, {u("1"), u("1.5"), u("2")}, db.stopBits);
    parityGroup =
        makeGroup("Четность", parityButtons,
                  {u("нет"), u("нечет"), u("чет"), u("всегда 1"), u("всегда 0")}, db.parity);
    auto* groups = new QHBoxLayout;
    // Three groups of the same width and height, their buttons from the top.
    for (QGroupBox* g : {speedGroup, stopGroup, parityGroup})
        groups->addWidget(g, 1);

    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(u("&ОК"), this);
    auto* cancel = new QPushButton(u("О&тмена"), this);
    searchButton = new QPushButton(u("&Автопоиск"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(searchButton, &QPushButton::clicked, this, &CPageCom::searchRequested);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(searchButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(portRow);
    layout->addWidget(deviceBox);
    layout->addLayout(groups);
    layout->addLayout(buttons);
    if (!extended) {
        for (QGroupBox* g : {speedGroup, stopGroup, parityGroup})
            g->hide();
    }
    showPort(db.portName);
    // Choosing a device names it above; the first entry names the COM number.
    connect(deviceBox, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int i) {
        portLabel->setText(i > 0 ? deviceBox->itemText(i) : QString("COM%1").arg(number_));
    });
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CPageCom::setNumber(int n) {
    number_ = std::clamp(n, 1, 100);
    portLabel->setText(QString("COM%1").arg(number_));
    deviceBox->setCurrentIndex(0);
}

void CPageCom::showPort(const std::string& name) {
    if (!name.empty() && name.front() == '/') {
        const QString path = QString::fromStdString(name);
        int i = deviceBox->findData(path);
        if (i < 0) {
            deviceBox->addItem(path, path);
            i = deviceBox->count() - 1;
        }
        deviceBox->setCurrentIndex(i);
        // The port in use is the device path: the label says so, not "COM1".
        portLabel->setText(path);
        return;
    }
    const int n = portNumberOf(name);
    setNumber(n > 0 ? n : 1);
}

void CPageCom::applyTo(DBase& db) const {
    const QString device =
        deviceBox->currentIndex() == 0 && deviceBox->currentText() == deviceBox->itemText(0)
            ? QString()
            : deviceBox->currentText().trimmed();
    db.portName = device.startsWith('/') ? device.toStdString() : "COM" + std::to_string(number_);
    if (!speedGroup->isHidden()) {
        for (std::size_t i = 0; i < speedButtons.size(); ++i) {
            if (speedButtons[i]->isChecked()) db.baudRate = kDialogBaudRates[i];
        }
        for (std::size_t i = 0; i < stopButtons.size(); ++i) {
            if (stopButtons[i]->isChecked()) db.stopBits = static_cast<int>(i);
        }
        for (std::size_t i = 0; i < parityButtons.size(); ++i) {
            if (parityButtons[i]->isChecked()) db.parity = static_cast<int>(i);
        }
    }
}

}  // namespace tavrin::gui
