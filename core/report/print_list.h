// List printing: the rows of a report list as a ruled table, page by page,
// with a title line carrying today's date and "стр. N" under each page. The
// layout is computed here against a PrintSurface; the gui backs the surface
// with a printer (or a PDF file) behind its print dialog.
//
// Geometry, in the surface's units: the page is V high and W wide; one row is
// h = V / 55 high. The printed columns keep the proportions of their screen
// widths: with T their sum and S = T × 105 / 100, the first column edge is at
// 20 × W / S and each further edge adds the column's width × W / S; texts are
// inset by 5 × W / S from their column edge. Text positions are the top of
// the text line.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "base/seams.h"
#include "report/report_list.h"

namespace tavrin {

// Pages the print dialog offers for a list of `rows` rows: 1 to rows / 50 + 1.
int printListPageCount(std::size_t rows);

struct PrintListRequest {
    enum class Range { All, Pages, Selection };
    Range range = Range::All;
    int fromPage = 1;  // Pages: the first and last page printed
    int toPage = 100;
    std::vector<bool> selected;  // Selection: one flag per list row
};

// "%02d.%02d.%4dг. " of the date, then the title, then "  Выборочная печать"
// when only the selected rows are printed. Also the print job's name.
std::string printListTitle(const std::string& title, const LocalTime& today, bool selection);

struct PrintListResult {
    std::string documentName;
    std::vector<int> pagesPrinted;  // page numbers, in order
    std::size_t rowsPrinted = 0;
};

// Prints the columns of `list` from `firstColumn` to its last one under the
// headings `columnTitles` (one per printed column; a missing one prints
// empty). Pages from 1 are laid out while rows remain; those before the
// first requested page are laid out but not drawn, and none after the last.
// In selection mode the rows not selected are skipped without using space.
// A list with no rows prints one page with the title and the headings.
// Nothing is printed when the printed columns have no width.
PrintListResult PrintList(PrintSurface& surface, const std::vector<std::string>& columnTitles,
                          const ReportList& list, const std::string& title, int firstColumn,
                          const PrintListRequest& request, const LocalTime& today);

}  // namespace tavrin
