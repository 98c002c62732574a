// Printing from the service windows: a report list through the print dialog
// (all rows, a page range, or the selected rows as "Выборочная печать"), and
// a family's database printout. The layouts are core's; this draws them with
// a QPainter on the QPrinter the dialog set up (a printer or a PDF file).
#pragma once

#include <string>
#include <vector>

#include "base/seams.h"
#include "report/print_list.h"
#include "report/report_list.h"

class QPrinter;
class QWidget;

namespace tavrin {
class DBase;
}

namespace tavrin::gui {

// Offers pages 1..rows/50+1 and the selection (when a row is selected) in
// the print dialog and prints the columns of `list` from `firstColumn` under
// `columnTitles`. `selected` holds one flag per row. False when cancelled.
bool printReportList(QWidget* parent, const std::vector<std::string>& columnTitles,
                     const ReportList& list, const std::string& title, int firstColumn,
                     const std::vector<bool>& selected, const LocalTime& today);

// Prints onto a printer already set up; the pages from `request`.
void printReportListOn(QPrinter& printer, const std::vector<std::string>& columnTitles,
                       const ReportList& list, const std::string& title, int firstColumn,
                       const PrintListRequest& request, const LocalTime& today);

// "Печать базы": the print dialog, then the family's PrintDatabase.
bool printDatabase(QWidget* parent, DBase& database);
void printDatabaseOn(QPrinter& printer, DBase& database);

}  // namespace tavrin::gui
