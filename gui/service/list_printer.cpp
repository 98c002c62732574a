#include "service/list_printer.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <algorithm>

#include "link/dbase.h"
#include "report/print_list.h"
#include "service/qt_print_surface.h"
#include "service/viewer_dialogs.h"

namespace tavrin::gui {

namespace {

// The columns' widths made wide enough for their texts in the print font
// where the page allows: a column whose texts would be cut takes what it
// needs from the others, which share the rest of the page by their screen
// widths. Group rows (text in the first printed cell only) set no width.
void fitColumns(ReportList& list, const std::vector<std::string>& titles, int firstColumn,
                const QFontMetrics& metrics, int pageWidth) {
    const auto first = static_cast<std::size_t>(std::max(firstColumn, 0));
    const std::size_t n = list.columns.size() > first ? list.columns.size() - first : 0;
    if (n == 0 || pageWidth <= 0) return;
    std::vector<double> need(n, 0.0), share(n, 0.0);
    double total = 0;
    for (std::size_t c = 0; c < n; ++c) {
        share[c] = std::max(list.columns[first + c].width, 0);
        total += share[c];
        if (c < titles.size())
            need[c] = metrics.horizontalAdvance(QString::fromStdString(titles[c]));
    }
    if (total <= 0) return;
    for (const auto& cells : list.rows) {
        bool group = cells.size() > first && !cells[first].empty();
        for (std::size_t c = first + 1; group && c < cells.size(); ++c)
            group = cells[c].empty();
        if (group && n > 1) continue;
        for (std::size_t c = 0; c < n && first + c < cells.size(); ++c) {
            need[c] = std::max<double>(
                need[c], metrics.horizontalAdvance(QString::fromStdString(cells[first + c])));
        }
    }
    // The printout spreads the columns over 100/105 of the page and insets
    // each text; keep a margin of two characters.
    const double room = pageWidth * 100.0 / 105.0;
    for (double& v : need)
        v += 2.0 * metrics.averageCharWidth();
    std::vector<bool> fixed(n, false);
    std::vector<double> px(n);
    for (std::size_t round = 0; round <= n; ++round) {
        double fixedWidth = 0, freeShare = 0;
        for (std::size_t c = 0; c < n; ++c) {
            if (fixed[c])
                fixedWidth += need[c];
            else
                freeShare += share[c];
        }
        bool changed = false;
        for (std::size_t c = 0; c < n; ++c) {
            px[c] = fixed[c] ? need[c]
                             : (freeShare > 0 ? share[c] * (room - fixedWidth) / freeShare : 0);
            if (!fixed[c] && px[c] < need[c]) {
                fixed[c] = true;
                changed = true;
            }
        }
        if (!changed) break;
    }
    bool cut = false;
    for (std::size_t c = 0; c < n; ++c)
        cut = cut || share[c] * room / total < need[c];
    if (!cut) return;  // the screen's proportions fit: keep them
    // Back to the screen's units, so that the margins stay as they were.
    for (std::size_t c = 0; c < n; ++c)
        list.columns[first + c].width = std::max(1, static_cast<int>(px[c] * total / room));
}

}  // namespace

bool printReportList(QWidget* parent, const std::vector<std::string>& columnTitles,
                     const ReportList& list, const std::string& title, int firstColumn,
                     const std::vector<bool>& selected, const LocalTime& today) {
    QPrinter printer(QPrinter::HighResolution);
    PrintListRequest request;
    const bool hasSelection = std::find(selected.begin(), selected.end(), true) != selected.end();
    if (!viewerDialogs().choosePrinter(parent, printer, printListPageCount(list.rows.size()),
                                       hasSelection, request)) {
        return false;
    }
    request.selected = selected;
    printReportListOn(printer, columnTitles, list, title, firstColumn, request, today);
    return true;
}

void printReportListOn(QPrinter& printer, const std::vector<std::string>& columnTitles,
                       const ReportList& list, const std::string& title, int firstColumn,
                       const PrintListRequest& request, const LocalTime& today) {
    const bool selection = request.range == PrintListRequest::Range::Selection;
    printer.setDocName(QString::fromStdString(printListTitle(title, today, selection)));
    QPainter painter;
    if (!painter.begin(&printer)) return;
    painter.setFont(QFont(printFont(), &printer));
    ReportList fitted = list;
    fitColumns(fitted, columnTitles, firstColumn, painter.fontMetrics(), printer.width());
    QtPrintSurface surface(painter, &printer);
    PrintList(surface, columnTitles, fitted, title, firstColumn, request, today);
    painter.end();
}

bool printDatabase(QWidget* parent, DBase& database) {
    QPrinter printer(QPrinter::HighResolution);
    PrintListRequest unused;
    if (!viewerDialogs().choosePrinter(parent, printer, 0, false, unused)) return false;
    printDatabaseOn(printer, database);
    return true;
}

void printDatabaseOn(QPrinter& printer, DBase& database) {
    printer.setDocName(QString::fromStdString(database.title));
    QPainter painter;
    if (!painter.begin(&printer)) return;
    painter.setFont(QFont(printFont(), &printer));
    QtPrintSurface surface(painter, &printer);
    database.PrintDatabase(surface);
    painter.end();
}

}  // namespace tavrin::gui
