// A report list: the columns and rows that the analysis window, the cli and
// the list printing render. Cells are UTF-8 texts. A row may name the tree
// item it is about (by the item's code).
#pragma once

#include <cstdint>
#include <optional>
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
    // The item of each row, by row index; rows past the end name no item.
    std::vector<std::optional<std::int32_t>> rowItems;

    void clear() {
        columns.clear();
        rows.clear();
        rowItems.clear();
    }
    void addRow(std::vector<std::string> cells, std::optional<std::int32_t> item = std::nullopt) {
        if (item) rowItems.resize(rows.size());
        rows.push_back(std::move(cells));
        if (item) rowItems.push_back(item);
    }
    std::optional<std::int32_t> itemOf(std::size_t row) const {
        return row < rowItems.size() ? rowItems[row] : std::nullopt;
    }
};

}  // namespace tavrin
