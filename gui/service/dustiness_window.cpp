#include "service/dustiness_window.h"
#include "registry/family_registry.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <filesystem>

#include "base/file_io.h"
#include "link/dbase.h"
#include "service/list_printer.h"
#include "service/viewer_dialogs.h"

namespace tavrin::gui {

namespace {

constexpr const char* kReadTitle = "Чтение запыленности";

bool fileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(pathFromUtf8(path), ec);
}

}  // namespace

QIcon DLZapil::levelIcon(DustClass cls) {
    static const QColor colors[] = {QColor(40, 160, 60), QColor(230, 180, 20), QColor(210, 40, 30)};
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(colors[static_cast<int>(cls)]);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    return QIcon(pm);
}

DLZapil::DLZapil(DatabaseGetter database, DeviceRunner runner, StatusSink status, QWidget* parent)
    : ViewerWindow(std::move(database), std::move(runner), std::move(status), parent) {
    setObjectName(QStringLiteral("DLZapil"));
    setWindowTitle(QString::fromStdString(dustWindowTitle("")));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);

    addFileCommands([this] { openFile(); }, [this] { saveAs(); });
    addRefreshCommand([this] { refreshFromPanel(); });
    addPrintCommand([this] { print(); });
    toolBar()->addSeparator();
    // The level filters show their icons only: the legend below the list
    // names them, once.
    for (int c = 0; c < 3; ++c) {
        const auto cls = static_cast<DustClass>(c);
        QAction* a = toolBar()->addAction(levelIcon(cls), QString::fromUtf8(dustClassLegend(cls)));
        a->setCheckable(true);
        a->setToolTip(a->text());
        if (auto* b = qobject_cast<QToolButton*>(toolBar()->widgetForAction(a)))
            b->setToolButtonStyle(Qt::ToolButtonIconOnly);
        connect(a, &QAction::toggled, this, [this] { fillList(); });
        filters_[static_cast<std::size_t>(c)] = a;
    }
    layout->addWidget(toolBar());

    list_ = new QTreeWidget(this);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setAllColumnsShowFocus(true);
    list_->header()->setStretchLastSection(false);
    const auto& columns = db().traits().dustColumns;
    QStringList titles;
    for (const auto& c : columns)
        titles << QString::fromStdString(c.title);
    list_->setHeaderLabels(titles);
    for (std::size_t c = 0; c < columns.size(); ++c)
        list_->setColumnWidth(static_cast<int>(c), columns[c].width);
    // The names take the width the window has.
    if (columns.size() > 2) list_->header()->setSectionResizeMode(2, QHeaderView::Stretch);
    layout->addWidget(list_, 1);
    list_->headerItem()->setTextAlignment(1, Qt::AlignCenter);
    list_->headerItem()->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);

    legend_ = new QWidget(this);
    legend_->setObjectName(QStringLiteral("legend"));
    auto* legendLayout = new QHBoxLayout(legend_);
    legendLayout->setContentsMargins(0, 0, 0, 0);
    for (int c = 0; c < 3; ++c) {
        const auto cls = static_cast<DustClass>(c);
        auto* icon = new QLabel(legend_);
        icon->setPixmap(levelIcon(cls).pixmap(16, 16));
        legendLayout->addWidget(icon);
        legendLayout->addWidget(new QLabel(QString::fromUtf8(dustClassLegend(cls)), legend_));
        if (c < 2) legendLayout->addSpacing(20);
    }
    layout->addWidget(legend_, 0, Qt::AlignHCenter);
    resize(780, 460);
}

std::string DLZapil::folder() const {
    return pathToUtf8(db().context().programFolder);
}

bool DLZapil::start() {
    const std::string file = pathToUtf8(db().context().programFolder / db().dustinessFileName);
    if (!db().dustinessFileName.empty() && fileExists(file)) return loadFile(file);
    return openFile();
}

bool DLZapil::loadFile(const std::string& path) {
    std::vector<DustRecord> records;
    if (!db().ReadDustinessFile(path, records)) return false;
    records_ = std::move(records);
    path_ = path;
    fillList();
    return true;
}

DustFilter DLZapil::filter() const {
    DustFilter f;
    f.normal = filters_[0]->isChecked();
    f.over80 = filters_[1]->isChecked();
    f.over90 = filters_[2]->isChecked();
    return f;
}

void DLZapil::fillList() {
    if (!path_.empty()) setWindowTitle(QString::fromStdString(dustWindowTitle(path_)));
    list_->clear();
    rows_ = dustRows(records_, filter());
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<int>(rows_.size()));
    for (const DustRow& r : rows_) {
        auto* item = new QTreeWidgetItem;
        item->setIcon(0, levelIcon(r.cls));
        item->setText(1, QString::fromStdString(r.first));
        item->setText(2, QString::fromStdString(r.second));
        item->setText(3, QString::fromStdString(r.percent));
        item->setTextAlignment(1, Qt::AlignCenter);
        item->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
        items << item;
    }
    list_->addTopLevelItems(items);
}

bool DLZapil::openFile() {
    const auto path =
        viewerDialogs().openFile(this, kDustOpenTitle, dustOpenFilters(db().traits()), folder());
    if (!path || !loadFile(*path)) {
        close();
        return false;
    }
    return true;
}

bool DLZapil::saveAs() {
    return saveWith(kDustSaveTitle, dustSaveFilters(db().traits()), db().traits().dustExtension,
                    [this](const std::string& path, FileError* error) {
                        return writeDustinessFile(path, records_, error);
                    });
}

void DLZapil::refreshFromPanel() {
    const int code = readFromPanel(
        kReadTitle, [](DBase& target, Progress& p) { return target.ReadDustiness(p, 0); });
    const std::string file = pathToUtf8(db().context().programFolder / db().dustinessFileName);
    if (code == 0 && fileExists(file)) loadFile(file);
}

void DLZapil::print() {
    const ReportList list = dustReportList(db().traits(), rows_);
    std::vector<std::string> titles;
    for (std::size_t c = 1; c < list.columns.size(); ++c)
        titles.push_back(list.columns[c].title);
    std::vector<bool> selected(rows_.size(), false);
    for (QTreeWidgetItem* item : list_->selectedItems()) {
        const int row = list_->indexOfTopLevelItem(item);
        if (row >= 0 && static_cast<std::size_t>(row) < selected.size())
            selected[static_cast<std::size_t>(row)] = true;
    }
    printReportList(this, titles, list, kDustPrintTitle, 1, selected, db().context().clock->now());
}

}  // namespace tavrin::gui
