#include "report/print_list.h"

#include <cstdint>
#include <cstdio>

namespace tavrin {

namespace {

constexpr int kRowsPerDialogPage = 50;
constexpr int kRowDivisor = 55;       // h = V / 55
constexpr int kScalePercent = 105;    // S = T × 105 / 100
constexpr int kLeftMarginUnits = 20;  // first edge at 20 × W / S
constexpr int kTextInsetUnits = 5;    // texts inset by 5 × W / S
constexpr int kHeadingOffset = 10;    // headings at 2h + 10
constexpr int kFirstRowOffset = 20;   // rows from 3h + 20
constexpr int kAllPages = 1 << 30;

int scaled(std::int64_t units, int w, std::int64_t s) {
    return static_cast<int>(units * w / s);
}

// A group row: text in its first printed cell only (a heading over the rows
// below it, such as a journal's grouping by a column's value).
bool spansColumns(const std::vector<std::string>& cells, std::size_t first, std::size_t count) {
    if (count < 2 || first >= cells.size() || cells[first].empty()) return false;
    for (std::size_t c = first + 1; c < cells.size() && c < first + count; ++c) {
        if (!cells[c].empty()) return false;
    }
    return true;
}

// The text cut at a character boundary, with "…", so that it is at most
// `width` wide; the whole text when it fits.
std::string fitted(const PrintSurface& surface, const std::string& text, int width) {
    if (surface.textWidth(text) <= width) return text;
    std::string cut = text;
    while (!cut.empty()) {
        // Drop the last UTF-8 character.
        std::size_t end = cut.size() - 1;
        while (end > 0 && (static_cast<unsigned char>(cut[end]) & 0xC0) == 0x80)
            --end;
        cut.resize(end);
        if (surface.textWidth(cut + "…") <= width) return cut + "…";
    }
    return {};
}

}  // namespace

int printListPageCount(std::size_t rows) {
    return static_cast<int>(rows / kRowsPerDialogPage) + 1;
}

std::string printListTitle(const std::string& title, const LocalTime& today, bool selection) {
    char date[32];
    std::snprintf(date, sizeof date, "%02d.%02d.%4dг. ", today.day, today.month, today.year);
    std::string text = date + title;
    if (selection) text += "  Выборочная печать";
    return text;
}

PrintListResult PrintList(PrintSurface& surface, const std::vector<std::string>& columnTitles,
                          const ReportList& list, const std::string& title, int firstColumn,
                          const PrintListRequest& request, const LocalTime& today) {
    using Range = PrintListRequest::Range;
    const bool selection = request.range == Range::Selection;
    PrintListResult result;
    result.documentName = printListTitle(title, today, selection);

    const int V = surface.pageHeight();
    const int W = surface.pageWidth();
    const int h = V / kRowDivisor;
    if (firstColumn < 0) firstColumn = 0;
    std::int64_t T = 0;
    for (std::size_t c = static_cast<std::size_t>(firstColumn); c < list.columns.size(); ++c) {
        T += list.columns[c].width;
    }
    const std::int64_t S = T * kScalePercent / 100;
    if (S <= 0 || h <= 0 || W <= 0) return result;

    // Column edges: one more than the printed columns.
    std::vector<int> edges{scaled(kLeftMarginUnits, W, S)};
    for (std::size_t c = static_cast<std::size_t>(firstColumn); c < list.columns.size(); ++c) {
        edges.push_back(edges.back() + scaled(list.columns[c].width, W, S));
    }
    const int p = scaled(kTextInsetUnits, W, S);
    const std::size_t printedColumns = edges.size() - 1;

    const int firstPage = request.range == Range::Pages ? request.fromPage : 1;
    const int lastPage = request.range == Range::Pages ? request.toPage : kAllPages;

    const auto wanted = [&](std::size_t row) {
        return !selection || (row < request.selected.size() && request.selected[row]);
    };
    const auto nextRow = [&](std::size_t row) {
        while (row < list.rows.size() && !wanted(row))
            ++row;
        return row;
    };

    std::size_t row = nextRow(0);
    for (int page = 1; page <= lastPage; ++page) {
        if (page > 1 && row >= list.rows.size()) break;
        const bool draw = page >= firstPage;
        if (draw) {
            if (!result.pagesPrinted.empty()) surface.newPage();
            result.pagesPrinted.push_back(page);
            surface.text(edges[0] + p, h, result.documentName);
            surface.line(edges.front(), 2 * h, edges.back(), 2 * h);
            surface.line(edges.front(), 3 * h, edges.back(), 3 * h);
            for (std::size_t c = 0; c < printedColumns; ++c) {
                surface.text(edges[c] + p, 2 * h + kHeadingOffset,
                             c < columnTitles.size() ? columnTitles[c] : std::string());
            }
        }
        int y = 3 * h + kFirstRowOffset;
        // The bands of the group rows on this page: a group row spans the
        // whole width, so the inner column lines stop above it and go on
        // below it.
        std::vector<std::pair<int, int>> spans;
        while (y < V - 3 * h && row < list.rows.size()) {
            if (draw) {
                const auto& cells = list.rows[row];
                const bool group =
                    spansColumns(cells, static_cast<std::size_t>(firstColumn), printedColumns);
                if (group) spans.emplace_back(y, y + h);
                for (std::size_t c = 0; c < printedColumns; ++c) {
                    const std::size_t cell = c + static_cast<std::size_t>(firstColumn);
                    if (cell >= cells.size()) continue;
                    // A cell's text stays inside its column, as on screen; a
                    // group row's heading runs across the row.
                    surface.text(edges[c] + p, y,
                                 group ? cells[cell]
                                       : fitted(surface, cells[cell], edges[c + 1] - edges[c] - p));
                }
                ++result.rowsPrinted;
            }
            y += h;
            row = nextRow(row + 1);
        }
        if (draw) {
            surface.line(edges.front(), 2 * h, edges.front(), y);
            surface.line(edges.back(), 2 * h, edges.back(), y);
            for (std::size_t c = 1; c + 1 < edges.size(); ++c) {
                int top = 2 * h;
                for (const auto& [from, to] : spans) {
                    if (from > top) surface.line(edges[c], top, edges[c], from);
                    top = to;
                }
                if (y > top) surface.line(edges[c], top, edges[c], y);
            }
            char footer[32];
            std::snprintf(footer, sizeof footer, "стр. %d", page);
            surface.text(W / 2 - p, V - 2 * h, footer);
        }
    }
    return result;
}

}  // namespace tavrin
