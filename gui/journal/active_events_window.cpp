#include "journal/active_events_window.h"
#include "registry/family_registry.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <filesystem>

#include "journal/journal_view.h"
#include "link/dbase.h"
#include "service/list_printer.h"
#include "service/viewer_dialogs.h"

namespace tavrin::gui {

namespace {

constexpr const char* kLoadTitle = "Загрузка журнала";

}  // namespace

QIcon CJournal::classIcon(int cls) {
    static const QColor colors[] = {QColor(150, 150, 150), QColor(215, 40, 30),
                                    QColor(230, 130, 20),  QColor(50, 110, 200),
                                    QColor(200, 170, 20),  QColor(110, 80, 160)};
    if (cls < 0 || cls > 5) cls = 0;
    QPixmap pm(19, 19);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(colors[cls]);
    p.setPen(QPen(colors[cls].darker(140), 1));
    p.drawRoundedRect(QRectF(1.5, 1.5, 16, 16), 3, 3);
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setPixelSize(12);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(0, 0, 19, 19), Qt::AlignCenter,
               cls ? QString::number(cls) : QStringLiteral("?"));
    return QIcon(pm);
}

CJournal::CJournal(DatabaseGetter database, std::string path, DeviceRunner runner,
                   StatusSink status, QWidget* parent)
    : ViewerWindow(std::move(database), std::move(runner), std::move(status), parent),
      path_(std::move(path)) {
    setObjectName(QStringLiteral("CJournal"));
    setWindowTitle(QStringLiteral("Актуальные события"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);

    addFileCommands([this] { openFile(); }, [this] { saveAs(); });
    addRefreshCommand([this] { refreshFromPanel(); });
    addPrintCommand([this] { print(); });
    layout->addWidget(toolBar());

    auto* classRow = new QHBoxLayout;
    for (int cls = 1; cls <= kEventClassButtons; ++cls) {
        auto* b = new QToolButton(this);
        b->setCheckable(true);
        b->setIcon(classIcon(cls));
        // Underlined letters that no other button of the window uses.
        static constexpr int kMnemonicAt[kEventClassButtons] = {7, 10, 10, 7};
        QString text = QString::fromUtf8(eventClassButtonText(cls));
        if (kMnemonicAt[cls - 1] < text.size()) text.insert(kMnemonicAt[cls - 1], '&');
        b->setText(text);
        b->setToolButtonStyle(b->text().isEmpty() ? Qt::ToolButtonIconOnly
                                                  : Qt::ToolButtonTextBesideIcon);
        connect(b, &QToolButton::toggled, this, [this, cls](bool on) {
            if (syncing_) return;
            model_.setClassButton(cls, on);
            refill();
        });
        classRow->addWidget(b);
        classButtons_[static_cast<std::size_t>(cls - 1)] = b;
    }
    classRow->addStretch();
    auto* reset = new QPushButton(QStringLiteral("&Сброс всех фильтров"), this);
    connect(reset, &QPushButton::clicked, this, [this] { resetFilters(); });
    classRow->addWidget(reset);
    layout->addLayout(classRow);

    auto* filterGrid = new QGridLayout;
    for (int i = 0; i < kEventValueFilters; ++i) {
        const auto f = static_cast<EventValueFilter>(i);
        auto* combo = new QComboBox(this);
        combo->setMinimumContentsLength(14);
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        auto* mode = new QPushButton(this);
        connect(combo, &QComboBox::currentIndexChanged, this, [this, f](int index) {
            if (syncing_ || index < 0) return;
            model_.chooseValue(f, index);
            refill();
        });
        connect(mode, &QPushButton::clicked, this, [this, f] {
            model_.toggleMode(f);
            refill();
        });
        filterGrid->addWidget(combo, 0, i);
        filterGrid->addWidget(mode, 1, i);
        combos_[static_cast<std::size_t>(i)] = combo;
        modes_[static_cast<std::size_t>(i)] = mode;
    }
    layout->addLayout(filterGrid);

    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("eventsList"));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setIconSize(QSize(19, 19));
    layout->addWidget(list_, 1);
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("eventsCount"));
    layout->addWidget(count_, 0, Qt::AlignRight);
    resize(820, 520);
}

bool CJournal::openStartFile() {
    JournalFile file;
    const bool ok = openJournalForView(path_, db().journalCapacity, *db().context().prompter, file);
    file_ = std::move(file);
    if (!ok) file_.kind = kJournalKindK2ActiveEvents;
    model_.setFile(file_);
    refill();
    return ok;
}

bool CJournal::loadFile(const std::string& path) {
    JournalFile file;
    if (!db().ReadJournalFile(path, file)) return false;
    path_ = path;
    file_ = std::move(file);
    model_.setFile(file_);
    refill();
    return true;
}

bool CJournal::openFile() {
    auto filters = journalOpenFilters();
    // Only the first two families' files.
    filters.erase(std::remove_if(filters.begin(), filters.end(),
                                 [](const FileFilter& f) { return f.pattern == "*.vsj"; }),
                  filters.end());
    filters.insert(filters.begin(), {"Актуальные события", "*.tlj;*.orj"});
    const auto path = viewerDialogs().openFile(this, kJournalOpenTitle, filters,
                                               pathToUtf8(db().context().programFolder));
    return path && loadFile(*path);
}

bool CJournal::saveAs() {
    const FamilyTraits& family = db().traits();
    const std::string ext = family.activeEventsExtension;
    const FileFilter filter{family.journalFilter.name, "*." + ext};
    return saveWith(kJournalSaveTitle, {filter}, ext,
                    [this](const std::string& path, FileError* error) {
                        return writeJournalFile(path, file_, error);
                    });
}

void CJournal::refreshFromPanel() {
    const bool events = model_.kind() == kJournalKindK2ActiveEvents;
    const int code = readFromPanel(kLoadTitle, [events](DBase& target, Progress& p) {
        return events ? target.ReadActiveEvents(p) : target.ReadJournal(p);
    });
    if (code != 0) return;
    // The fresh records under the same filters.
    JournalFile file;
    if (!db().ReadJournalFile(path_, file)) return;
    file_ = std::move(file);
    model_.refreshFile(file_);
    refill();
}

QString CJournal::countText() const {
    return QStringLiteral("Записей: %1 из %2")
        .arg(model_.shownRecords().size())
        .arg(model_.recordCount());
}

void CJournal::print() {
    ReportList list = model_.reportList();
    for (std::size_t c = 0;
         c < list.columns.size() && c < static_cast<std::size_t>(list_->columnCount()); ++c) {
        list.columns[c].width = list_->columnWidth(static_cast<int>(c));
    }
    std::vector<bool> selected(list.rows.size(), false);
    for (QTreeWidgetItem* item : list_->selectedItems()) {
        const int row = list_->indexOfTopLevelItem(item);
        if (row >= 0 && static_cast<std::size_t>(row) < selected.size())
            selected[static_cast<std::size_t>(row)] = true;
    }
    printReportList(this, model_.columns(), list, model_.printTitle(), 0, selected,
                    db().context().clock->now());
}

void CJournal::resetFilters() {
    model_.resetFilters();
    refill();
}

void CJournal::syncFilters() {
    syncing_ = true;
    for (int cls = 1; cls <= kEventClassButtons; ++cls)
        classButtons_[static_cast<std::size_t>(cls - 1)]->setChecked(model_.classButton(cls));
    for (int i = 0; i < kEventValueFilters; ++i) {
        const auto& f = model_.filter(static_cast<EventValueFilter>(i));
        QComboBox* combo = combos_[static_cast<std::size_t>(i)];
        combo->clear();
        for (const auto& v : f.values)
            combo->addItem(QString::fromStdString(v));
        combo->setCurrentIndex(f.chosen);
        combo->setVisible(f.column >= 0);
        QPushButton* mode = modes_[static_cast<std::size_t>(i)];
        // Each mode button underlines its own letter of "Фильтр": Alt with
        // Ф, И, Л, Т or Р toggles the filter of that column.
        static constexpr int kMnemonicAt[kEventValueFilters] = {0, 1, 2, 4, 5};
        mode->setText(QString::fromStdString(eventFilterModeText(f)).insert(kMnemonicAt[i], '&'));
        mode->setEnabled(f.on());
        mode->setVisible(f.column >= 0);
    }
    syncing_ = false;
}

void CJournal::refill() {
    syncFilters();
    const auto& columns = model_.columns();
    if (list_->columnCount() != static_cast<int>(columns.size()) ||
        list_->headerItem()->text(0) != QString::fromStdString(columns.empty() ? "" : columns[0])) {
        QStringList titles;
        for (const auto& c : columns)
            titles << QString::fromStdString(c);
        list_->setHeaderLabels(titles);
        for (int c = 0; c < list_->columnCount(); ++c)
            list_->setColumnWidth(c, c == 0 ? 50 : (c == 1 ? 260 : 180));
    }
    list_->clear();
    QList<QTreeWidgetItem*> items;
    for (std::size_t r : model_.shownRecords()) {
        const auto cells = model_.cells(r);
        auto* item = new QTreeWidgetItem;
        for (std::size_t c = 0; c < cells.size(); ++c) {
            if (c == 0 && !columns.empty() && columns[0] == "Тип") {
                item->setIcon(0, classIcon(model_.recordClass(r)));
                item->setToolTip(0, QString::fromStdString(cells[0]));
            } else {
                item->setText(static_cast<int>(c), QString::fromStdString(cells[c]));
            }
        }
        items << item;
    }
    list_->addTopLevelItems(items);
    if (count_) count_->setText(countText());
    if (!path_.empty()) {
        setWindowTitle(QStringLiteral("Актуальные события (Файл ") +
                       QString::fromStdString(pathToUtf8(pathFromUtf8(path_).filename())) + ")");
    }
}

}  // namespace tavrin::gui
