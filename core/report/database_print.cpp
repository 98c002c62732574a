#include "report/database_print.h"

#include <algorithm>

namespace tavrin {

namespace {

class TablePrinter {
  public:
    TablePrinter(PrintSurface& surface, const std::string& title) : s_(surface), title_(title) {
        W_ = s_.pageWidth();
        V_ = s_.pageHeight();
        h_ = std::max({s_.lineHeight(), V_ / 60, 1});
        const int margin = W_ / 20;
        const int inner = W_ - 2 * margin;
        edges_ = {margin, margin + inner * 4 / 10, margin + inner * 7 / 10, W_ - margin};
        pad_ = std::max(W_ / 200, 1);
        startPage();
    }

    // One table row; a new page first when it would not fit. `item` is the
    // name of the item the row belongs to, repeated at the top of a new page
    // when the row itself leaves its name empty.
    void row(const std::string& name, const std::string& parameter, const std::string& value,
             const std::string& item = {}) {
        const std::string* shown = &name;
        if (y_ + h_ > V_ - 3 * h_) {
            endPage();
            s_.newPage();
            startPage();
            if (name.empty()) shown = &item;
        }
        s_.text(edges_[0] + pad_, y_, *shown);
        s_.text(edges_[1] + pad_, y_, parameter);
        s_.text(edges_[2] + pad_, y_, value);
        y_ += h_;
        s_.line(edges_.front(), y_, edges_.back(), y_);
    }

    int finish() {
        endPage();
        return page_;
    }

  private:
    void startPage() {
        ++page_;
        s_.text(edges_[0], h_, title_);
        tableTop_ = 3 * h_;
        s_.line(edges_.front(), tableTop_, edges_.back(), tableTop_);
        y_ = tableTop_;
        const std::string heads[3] = {"Название", "Параметр", "Значение"};
        for (int c = 0; c < 3; ++c)
            s_.text(edges_[static_cast<std::size_t>(c)] + pad_, y_, heads[c]);
        y_ += h_;
        s_.line(edges_.front(), y_, edges_.back(), y_);
    }

    void endPage() {
        for (int x : edges_)
            s_.line(x, tableTop_, x, y_);
        const std::string footer = "стр. " + std::to_string(page_);
        s_.text((W_ - s_.textWidth(footer)) / 2, V_ - 2 * h_, footer);
    }

    PrintSurface& s_;
    std::string title_;
    int W_ = 0, V_ = 0, h_ = 1, pad_ = 1;
    std::vector<int> edges_;
    int y_ = 0, tableTop_ = 0, page_ = 0;
};

}  // namespace

int printDatabaseTable(PrintSurface& surface, const std::string& title,
                       const std::vector<PrintSection>& sections) {
    TablePrinter t(surface, title);
    for (const PrintSection& section : sections) {
        t.row(section.title, "", "");
        for (const PrintItem& item : section.items) {
            if (item.fields.empty()) {
                t.row(item.name, "", "");
                continue;
            }
            for (const PrintField& f : item.fields)
                t.row(item.name, f.parameter, f.value);
        }
    }
    return t.finish();
}

std::vector<PrintSection> k2PrintSections(const K2PrintData& data) {
    std::vector<PrintSection> sections(3);
    sections[0] = {"Устройства", data.devices};
    sections[1] = {"Шлейфы", data.loops};
    sections[2].title = "Ключи";
    for (const auto& key : data.keys) {
        sections[2].items.push_back({"Ключ_" + std::to_string(key.number), key.fields});
    }
    return sections;
}

std::string databasePrintTitle(const std::string& familyName) {
    return "База данных прибора " + familyName + ".";
}

std::string printYesNo(bool yes, bool capitalised) {
    if (capitalised) return yes ? "Да" : "Нет";
    return yes ? "да" : "нет";
}

int printDatabaseK2(PrintSurface& surface, const K2PrintData& data) {
    return printDatabaseTable(surface, kK2PrintTitle, k2PrintSections(data));
}

}  // namespace tavrin
