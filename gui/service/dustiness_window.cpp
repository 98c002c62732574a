#include "service/dustiness_window.h"
#include "registry/family_registry.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QResizeEvent>
#include <QStyle>
#include <QToolBar>
#include <QTreeWidget>
#include <filesystem>

#include "base/file_io.h"
#include "link/dbase.h"
#include "service/list_printer.h"
#include "service/viewer_dialogs.h"

namespace tavrin::gui {

namespace {

constexpr int kToolBarHeight = 30;
constexpr int kBottomSpace = 70;  // below the list: the legend strip
constexpr int kLegendHeight = 24;
constexpr const char* kLoadFirst = "Сначала нужно загрузить базу из файла или прибора";
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
    : QDialog(parent),
      database_(std::move(database)),
      family_(database_()->familyCode),
      runner_(std::move(runner)),
      status_(std::move(status)) {
    setObjectName(QStringLiteral("DLZapil"));
    setWindowTitle(QString::fromStdString(dustWindowTitle("")));
    setSizeGripEnabled(true);

    toolBar_ = new QToolBar(this);
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolBar_->setIconSize(QSize(16, 16));
    QStyle* st = style();
    auto addCommand = [&](const QIcon& icon, const char* tip, auto slot) {
        QAction* a = toolBar_->addAction(icon, QString());
        a->setToolTip(QString::fromUtf8(tip));
        a->setObjectName(QString::fromUtf8(tip));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    addCommand(st->standardIcon(QStyle::SP_DialogOpenButton), "Открыть файл",
               [this] { openFile(); });
    addCommand(st->standardIcon(QStyle::SP_DialogSaveButton), "Сохранить как...",
               [this] { saveAs(); });
    addCommand(st->standardIcon(QStyle::SP_BrowserReload), "Обновить от прибора",
               [this] { refreshFromPanel(); });
    addCommand(st->standardIcon(QStyle::SP_FileDialogDetailedView), "Печать", [this] { print(); });
    toolBar_->addSeparator();
    for (int c = 0; c < 3; ++c) {
        const auto cls = static_cast<DustClass>(c);
        QAction* a = toolBar_->addAction(levelIcon(cls), QString::fromUtf8(dustClassLegend(cls)));
        a->setCheckable(true);
        connect(a, &QAction::toggled, this, [this] { fillList(); });
        filters_[static_cast<std::size_t>(c)] = a;
    }

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
    legend_->adjustSize();
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
    const auto path = viewerDialogs().saveFile(this, kDustSaveTitle, dustSaveFilters(db().traits()),
                                               db().traits().dustExtension, folder());
    if (!path) return false;
    FileError error;
    if (!writeDustinessFile(*path, records_, &error)) {
        db().context().prompter->message(error.message, kDustSaveTitle, PromptIcon::Error);
        return false;
    }
    return true;
}

void DLZapil::refreshFromPanel() {
    Prompter& prompter = *db().context().prompter;
    if (!db().databaseValid) {
        prompter.message(kLoadFirst, kReadTitle, PromptIcon::Error);
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    DBase* target = &db();
    const int code = runner_([target](Progress& p) { return target->ReadDustiness(p, 0); });
    if (status_) status_(db().DescribeResult(code));
    QApplication::restoreOverrideCursor();
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

void DLZapil::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const int w = width(), h = height();
    toolBar_->setGeometry(0, 0, w, kToolBarHeight);
    const int listBottom = std::max(kToolBarHeight + 20, h - kBottomSpace);
    list_->setGeometry(0, kToolBarHeight, w, listBottom - kToolBarHeight);
    const QSize ls = legend_->sizeHint();
    legend_->setGeometry((w - ls.width()) / 2, listBottom + (kBottomSpace - kLegendHeight) / 2,
                         ls.width(), kLegendHeight);
}

}  // namespace tavrin::gui
