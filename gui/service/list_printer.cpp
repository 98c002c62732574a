#include "service/list_printer.h"

#include <QPainter>
#include <QPrinter>
#include <algorithm>

#include "link/dbase.h"
#include "report/print_list.h"
#include "service/qt_print_surface.h"
#include "service/viewer_dialogs.h"

namespace tavrin::gui {

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
    QtPrintSurface surface(painter, &printer);
    PrintList(surface, columnTitles, list, title, firstColumn, request, today);
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
