#include "journal/journal_window.h"
#include "registry/family_registry.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "journal/journal_view.h"
#include "journal/journal_widgets.h"
#include "link/dbase.h"
#include "service/list_printer.h"
#include "service/viewer_dialogs.h"

namespace tavrin::gui {

namespace {

constexpr int kIdTimeRange = 2056;
constexpr int kIdReset = 2058;
constexpr int kIdExit = 2057;
constexpr int kSignWidth = 20;  // the expand sign's zone per level

// Clicks on the list with their position, for the group rows' sign.
class ClickFilter : public QObject {
  public:
    ClickFilter(QTreeView* view, std::function<void(const QModelIndex&, const QPoint&)> onClick)
        : QObject(view), view_(view), onClick_(std::move(onClick)) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress) {
            auto* me = static_cast<QMouseEvent*>(event);
            const QPoint pos = me->position().toPoint();
            const QModelIndex index = view_->indexAt(pos);
            if (index.isValid()) onClick_(index, pos);
        }
        return false;
    }

  private:
    QTreeView* view_;
    std::function<void(const QModelIndex&, const QPoint&)> onClick_;
};

}  // namespace

DLJournal::DLJournal(DatabaseGetter database, std::string path, QWidget* parent)
    : ViewerWindow(std::move(database), nullptr, nullptr, parent), path_(std::move(path)) {
    setObjectName(QStringLiteral("DLJournal"));
    setWindowTitle(QString::fromStdString(journalWindowTitle(path_)));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    addFileCommands([this] { openFile(); }, [this] { saveAs(); });
    addPrintCommand([this] { print(); });
    layout->addWidget(toolBar());

    // Filters: include, exclude, time range.
    auto* filters = new QGridLayout;
    include_ = new QLineEdit(this);
    exclude_ = new QLineEdit(this);
    include_->setObjectName(QStringLiteral("include"));
    exclude_->setObjectName(QStringLiteral("exclude"));
    for (QLineEdit* e : {include_, exclude_})
        e->setMaxLength(static_cast<int>(kJournalFilterMaxChars));
    filters->addWidget(new QLabel(QStringLiteral("Включить:"), this), 0, 0);
    filters->addWidget(include_, 0, 1);
    filters->addWidget(new QLabel(QStringLiteral("Исключить:"), this), 0, 2);
    filters->addWidget(exclude_, 0, 3);
    auto* rangeButton = new QPushButton(QStringLiteral("Временной &диапазон"), this);
    timeBox_ = new QCheckBox(this);
    timeBox_->setObjectName(QStringLiteral("timeRangeOn"));
    auto* resetButton = new QPushButton(QStringLiteral("&Сброс всех фильтров"), this);
    auto* rangeRow = new QHBoxLayout;
    rangeRow->addWidget(timeBox_);
    rangeRow->addWidget(rangeButton);
    rangeRow->addWidget(resetButton);
    rangeRow->addStretch();
    filters->addLayout(rangeRow, 1, 0, 1, 4);
    layout->addLayout(filters);
    buttons_.push_back({kIdTimeRange, rangeButton});
    buttons_.push_back({kIdReset, resetButton});

    strip_ = new GroupStrip(this);
    layout->addWidget(strip_);

    table_ = new JournalTableModel(model_, this);
    view_ = new QTreeView(this);
    view_->setObjectName(QStringLiteral("journalList"));
    header_ = new JournalHeader(view_);
    view_->setHeader(header_);
    view_->setModel(table_);
    view_->setRootIsDecorated(false);
    view_->setUniformRowHeights(true);
    view_->setAllColumnsShowFocus(true);
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->viewport()->installEventFilter(new ClickFilter(
        view_, [this](const QModelIndex& i, const QPoint& p) { onRowClicked(i, p); }));
    layout->addWidget(view_, 1);

    // Paging and exit.
    auto* paging = new QHBoxLayout;
    const struct {
        int id;
        const char* text;
    } moves[] = {{2050, "&В начало"},
                 {2051, "&Назад на страницу"},
                 {2052, "На &предыдущую строку"},
                 {2053, "На с&ледующую строку"},
                 {2054, "Вп&еред на страницу"},
                 {2055, "В &конец"}};
    for (const auto& m : moves) {
        auto* b = new QPushButton(QString::fromUtf8(m.text), this);
        const auto mv = static_cast<JournalMove>(m.id);
        connect(b, &QPushButton::clicked, this, [this, mv] { move(mv); });
        paging->addWidget(b);
        buttons_.push_back({m.id, b});
    }
    paging->addStretch();
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("journalCount"));
    paging->addWidget(count_);
    paging->addSpacing(12);
    auto* exitButton = new QPushButton(QStringLiteral("Вы&ход"), this);
    paging->addWidget(exitButton);
    buttons_.push_back({kIdExit, exitButton});
    layout->addLayout(paging);

    connect(include_, &QLineEdit::textChanged, this, [this](const QString& t) {
        model_.setInclude(t.toStdString());
        refill();
    });
    connect(exclude_, &QLineEdit::textChanged, this, [this](const QString& t) {
        model_.setExclude(t.toStdString());
        refill();
    });
    connect(timeBox_, &QCheckBox::toggled, this, [this](bool on) {
        if (on && model_.timeFrom().empty() && model_.timeTo().empty()) {
            // Nothing chosen yet: ask for the range first.
            if (!chooseTimeRange()) syncControls();
            return;
        }
        model_.setTimeRangeOn(on);
        refill();
    });
    connect(rangeButton, &QPushButton::clicked, this, [this] { chooseTimeRange(); });
    connect(resetButton, &QPushButton::clicked, this, [this] { resetFilters(); });
    connect(exitButton, &QPushButton::clicked, this, &QDialog::close);
    connect(header_, &QHeaderView::sectionClicked, this, [this](int column) {
        if (!model_.sortByColumn(column)) return;
        header_->setSortIndicator(
            column, model_.descending(column) ? Qt::DescendingOrder : Qt::AscendingOrder);
        refill();
    });
    connect(strip_, &GroupStrip::columnDropped, this, [this](int column) { groupBy(column); });
    connect(strip_, &GroupStrip::levelMoved, this, [this](int from, int to) {
        if (model_.moveGroupLevel(static_cast<std::size_t>(from), static_cast<std::size_t>(to)))
            refill();
    });
    connect(strip_, &GroupStrip::levelRemoved, this, [this](int level) {
        const auto& levels = model_.groupColumns();
        if (level >= 0 && static_cast<std::size_t>(level) < levels.size() &&
            model_.removeGroupColumn(levels[static_cast<std::size_t>(level)]))
            refill();
    });
    resize(820, 560);
}

DLJournal::~DLJournal() {
    // The view asks the table (and the table the core model) while it goes.
    delete view_;
}

QPushButton* DLJournal::button(int id) const {
    for (const auto& [i, b] : buttons_) {
        if (i == id) return b;
    }
    return nullptr;
}

void DLJournal::layOutColumns() {
    // The time, a wide event column, the rest alike; the last one stretches.
    for (int c = 0; c < table_->columnCount(); ++c)
        header_->resizeSection(c, c == 0 ? 150 : (c == 1 ? 280 : 140));
}

bool DLJournal::openStartFile() {
    JournalFile file;
    const bool ok = openJournalForView(path_, db().journalCapacity, *db().context().prompter, file);
    file_ = std::move(file);
    model_.setContent(journalColumnTitles(file_.kind), file_.records);
    model_.setTimeOrder(journalTimeOrder(file_.kind));
    refill();
    layOutColumns();
    return ok;
}

bool DLJournal::loadFile(const std::string& path) {
    JournalFile file;
    if (!db().ReadJournalFile(path, file)) return false;
    path_ = path;
    file_ = std::move(file);
    setWindowTitle(QString::fromStdString(journalWindowTitle(path_)));
    model_.setContent(journalColumnTitles(file_.kind), file_.records);
    model_.setTimeOrder(journalTimeOrder(file_.kind));
    refill();
    layOutColumns();
    return true;
}

bool DLJournal::openFile() {
    const auto path = viewerDialogs().openFile(this, kJournalOpenTitle, journalOpenFilters(),
                                               pathToUtf8(db().context().programFolder));
    return path && loadFile(*path);
}

bool DLJournal::saveAs() {
    const FamilyDescriptor* writer = familyOfJournalKind(file_.kind);
    const FamilyTraits& family = writer ? writer->traits : db().traits();
    return saveWith(kJournalSaveTitle, {family.journalFilter}, family.journalExtension,
                    [this](const std::string& path, FileError* error) {
                        return writeJournalFile(path, file_, error);
                    });
}

void DLJournal::print() {
    std::vector<int> widths;
    for (int c = 0; c < table_->columnCount(); ++c)
        widths.push_back(header_->sectionSize(c));
    const ReportList list = model_.reportList(widths);
    std::vector<bool> selected(list.rows.size(), false);
    for (const QModelIndex& i : view_->selectionModel()->selectedRows()) {
        if (static_cast<std::size_t>(i.row()) < selected.size())
            selected[static_cast<std::size_t>(i.row())] = true;
    }
    printReportList(this, model_.columns(), list, "Журнал", 0, selected,
                    db().context().clock->now());
}

int DLJournal::selectedRow() const {
    const QModelIndex i = view_->currentIndex();
    return i.isValid() ? i.row() : -1;
}

int DLJournal::rowsPerPage() const {
    const int rowHeight =
        view_->sizeHintForRow(0) > 0 ? view_->sizeHintForRow(0) : view_->fontMetrics().height() + 4;
    return std::max(1, view_->viewport()->height() / rowHeight);
}

void DLJournal::move(JournalMove mv) {
    const QModelIndex top = view_->indexAt(QPoint(1, 1));
    const int row = journalMove(mv, selectedRow(), top.isValid() ? top.row() : 0, rowsPerPage(),
                                table_->rowCount());
    if (row >= 0) selectRow(row);
}

void DLJournal::selectRow(int row) {
    if (row < 0 || row >= table_->rowCount()) return;
    const QModelIndex index = table_->index(row, 0);
    view_->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view_->scrollTo(index);
}

bool DLJournal::chooseTimeRange() {
    QString from = QString::fromStdString(model_.timeFrom());
    QString to = QString::fromStdString(model_.timeTo());
    if (from.isEmpty() && to.isEmpty() && !model_.records().empty()) {
        // Start from the span of the records.
        std::string lo, hi;
        for (std::size_t r = 0; r < model_.records().size(); ++r) {
            const std::string t = model_.cell(r, 0);
            if (t.empty()) continue;
            if (lo.empty() || t < lo) lo = t;
            if (hi.empty() || t > hi) hi = t;
        }
        from = QString::fromStdString(lo);
        to = QString::fromStdString(hi);
    }
    TimeRangeDialog dialog(from, to, this);
    if (dialog.exec() != QDialog::Accepted) return false;
    model_.setTimeRange(dialog.from().toStdString(), dialog.to().toStdString());
    syncControls();
    refill();
    return true;
}

void DLJournal::resetFilters() {
    const bool changed = model_.resetFilters();
    header_->setSortIndicator(-1, Qt::AscendingOrder);
    syncControls();
    if (changed) refill();
}

void DLJournal::groupBy(int column) {
    if (model_.addGroupColumn(column)) refill();
}

void DLJournal::syncControls() {
    const QSignalBlocker b1(include_), b2(exclude_), b3(timeBox_);
    include_->setText(QString::fromStdString(model_.include()));
    exclude_->setText(QString::fromStdString(model_.exclude()));
    timeBox_->setChecked(model_.timeRangeOn());
}

QString DLJournal::countText() const {
    std::size_t shown = 0;
    bool grouped = false;
    for (const JournalRow& r : model_.rows()) {
        if (r.group && r.level == 0) {
            grouped = true;
            shown += static_cast<std::size_t>(r.count);
        }
    }
    if (!grouped) {
        for (const JournalRow& r : model_.rows())
            shown += r.group ? 0 : 1;
    }
    return QStringLiteral("Записей: %1 из %2").arg(shown).arg(model_.records().size());
}

void DLJournal::refill() {
    const int selected = selectedRow();
    table_->refresh();
    if (count_) count_->setText(countText());
    std::vector<QString> titles;
    for (int c : model_.groupColumns())
        titles.push_back(QString::fromStdString(model_.columns()[static_cast<std::size_t>(c)]));
    strip_->setLevels(titles);
    for (std::size_t r = 0; r < model_.rows().size(); ++r) {
        if (model_.rows()[r].group) view_->setFirstColumnSpanned(static_cast<int>(r), {}, true);
    }
    if (selected >= 0) selectRow(std::min(selected, table_->rowCount() - 1));
}

void DLJournal::onRowClicked(const QModelIndex& index, const QPoint& pos) {
    const auto row = static_cast<std::size_t>(index.row());
    if (row >= model_.rows().size() || !model_.rows()[row].group) return;
    if (pos.x() >= kSignWidth * (model_.rows()[row].level + 1)) return;
    // The expand sign: open or close the group and rebuild the list.
    QMetaObject::invokeMethod(
        this, [this, r = index.row()] { toggleGroup(r); }, Qt::QueuedConnection);
}

bool DLJournal::toggleGroup(int row) {
    if (row < 0 || !model_.toggleGroup(static_cast<std::size_t>(row))) return false;
    refill();
    selectRow(row);
    return true;
}

}  // namespace tavrin::gui
