// A report list: the columns and rows that the analysis window, the cli and
// the list printing render. Cells are UTF-8 texts.
#pragma once

#include <string>
#include <vector>

namespace tavrin {

struct ReportColumn {
    std::string title;
    int width = 100;  // display width in pixels, as the window lays it out
};

struct ReportList {
    std::vector<ReportColumn> columns;
    std::vector<std::vector<std::string>> rows;

    void clear() {
        columns.clear();
        rows.clear();
    }
    void addRow(std::vector<std::string> cells) { rows.push_back(std::move(cells)); }
};

}  // namespace tavrin
