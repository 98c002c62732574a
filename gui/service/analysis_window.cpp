#include "service/analysis_window.h"
#include "registry/family_registry.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "link/dbase.h"
#include "link/result_codes.h"
#include "settings/settings.h"

namespace tavrin::gui {

namespace {

constexpr int kListHeight = 400;

}  // namespace

ReportList defaultDeviceColumns(const FamilyTraits& family) {
    ReportList list;
    list.columns = family.analysisDeviceColumns;
    return list;
}

ReportList defaultFunctionColumns(const FamilyTraits& family) {
    ReportList list;
    list.columns = family.analysisFunctionColumns;
    return list;
}

TestRes::TestRes(DBase& database, bool writeGate, QWidget* parent)
    : QDialog(parent), db_(database), writeGate_(writeGate) {
    setWindowTitle(QStringLiteral("Анализ базы данных"));
    setObjectName(QStringLiteral("TestRes"));
    // The lists use the application's font, as every other window does.
    font_ = font();

    auto* layout = new QVBoxLayout(this);
    // The tabs sit right on their list: no strip between them.
    layout->setSpacing(0);
    tabs_ = new QTabBar(this);
    tabs_->setDocumentMode(true);
    tabs_->setExpanding(false);
    tabs_->setDrawBase(false);
    tabs_->addTab(QStringLiteral("Ошибки"));
    tabs_->addTab(QStringLiteral("Устройства"));
    tabs_->addTab(QStringLiteral("Функции"));
    layout->addWidget(tabs_);
    for (std::size_t i = 0; i < lists_.size(); ++i) {
        auto* t = new QTableWidget(this);
        t->setFont(font_);
        t->setShowGrid(true);
        t->setEditTriggers(QAbstractItemView::NoEditTriggers);
        t->setSelectionBehavior(QAbstractItemView::SelectRows);
        t->verticalHeader()->setVisible(false);
        // Rows as tall as the text needs, as in the other lists.
        t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 6);
        t->horizontalHeader()->setFont(font_);
        t->setMinimumHeight(kListHeight);
        t->horizontalHeader()->setStretchLastSection(true);
        t->setVisible(i == 0);
        layout->addWidget(t, 1);
        lists_[i] = t;
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    ok_ = new QPushButton(QStringLiteral("&ОК"), this);
    ok_->setDefault(true);
    buttons->addWidget(ok_);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(tabs_, &QTabBar::currentChanged, this, &TestRes::showTab);
    connect(lists_[0], &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        if (row < 0) return;
        if (const auto item = remarks_.itemOf(static_cast<std::size_t>(row))) emit showItem(*item);
    });
    resize(780, 540);
}

void TestRes::showTab(int index) {
    for (std::size_t i = 0; i < lists_.size(); ++i)
        lists_[i]->setVisible(static_cast<int>(i) == index);
}

int TestRes::runCheck() {
    ReportList remarks;
    remarks.columns = {{"Источник", 300}, {"Ошибка", 400}};
    ReportList devices = defaultDeviceColumns(db_.traits());
    ReportList functions = defaultFunctionColumns(db_.traits());
    const ReportList emptyDevices = devices, emptyFunctions = functions;
    outcome_ = db_.CheckDatabase(&remarks, &devices, &functions);
    // A family that fills no columns keeps the window's own.
    if (remarks.columns.empty()) remarks.columns = {{"Источник", 300}, {"Ошибка", 400}};
    if (devices.columns.empty()) devices.columns = emptyDevices.columns;
    if (functions.columns.empty()) functions.columns = emptyFunctions.columns;
    fill(lists_[0], remarks, false);
    remarks_ = remarks;
    if (remarks.rows.empty()) {
        // An empty list of findings says so rather than showing nothing.
        lists_[0]->setRowCount(1);
        auto* item = new QTableWidgetItem(QStringLiteral("Ошибок нет"));
        item->setFlags(Qt::ItemIsEnabled);
        lists_[0]->setItem(0, 0, item);
        if (lists_[0]->columnCount() > 1) lists_[0]->setSpan(0, 0, 1, lists_[0]->columnCount());
    }
    fill(lists_[1], devices, true);
    fill(lists_[2], functions, true);
    return outcome_;
}

void TestRes::fill(QTableWidget* table, const ReportList& list, bool centreNumbers) {
    table->clear();
    table->setColumnCount(static_cast<int>(list.columns.size()));
    table->setRowCount(static_cast<int>(list.rows.size()));
    QStringList titles;
    for (const auto& c : list.columns)
        titles << QString::fromStdString(c.title);
    table->setHorizontalHeaderLabels(titles);
    for (int c = 0; c < table->columnCount(); ++c) {
        table->setColumnWidth(c, list.columns[static_cast<std::size_t>(c)].width);
        if (auto* h = table->horizontalHeaderItem(c))
            h->setTextAlignment(centreNumbers && c > 0 ? Qt::AlignCenter
                                                       : Qt::AlignLeft | Qt::AlignVCenter);
    }
    for (int r = 0; r < table->rowCount(); ++r) {
        const auto& cells = list.rows[static_cast<std::size_t>(r)];
        for (int c = 0; c < table->columnCount(); ++c) {
            const auto cell = static_cast<std::size_t>(c);
            auto* item = new QTableWidgetItem(
                QString::fromStdString(cell < cells.size() ? cells[cell] : ""));
            item->setTextAlignment(centreNumbers && c > 0 ? Qt::AlignCenter
                                                          : Qt::AlignLeft | Qt::AlignVCenter);
            table->setItem(r, c, item);
        }
    }
    // Each column at least as wide as the list asks, wider where its
    // header or a value would be cut.
    for (int c = 0; c < table->columnCount(); ++c) {
        table->resizeColumnToContents(c);
        const int asked = list.columns[static_cast<std::size_t>(c)].width;
        table->setColumnWidth(c, std::max(asked, table->columnWidth(c)));
    }
}

int runWriteGate(QWidget* parent, DBase& database) {
    TestRes window(database, true, parent);
    const int outcome = window.runCheck();
    // A family without its check yet has nothing to show; the caller says so.
    if (outcome != 0 && outcome != kResultNotImplemented) window.exec();
    return outcome;
}

}  // namespace tavrin::gui
