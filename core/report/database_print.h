// Printing of a database as a three-column table "Название", "Параметр",
// "Значение" under a title, section by section, with "стр. N" under each
// page. The family gathers its items as texts (database_print_k2 for the
// "Талвир К2"); the layout here draws them on a PrintSurface.
//
// Layout: margins of 1/20 of the page width, the columns at 40 %, 30 % and
// 30 % of the width between them; a line is the larger of the surface's
// line height and 1/60 of the page height. Each page repeats the headings;
// an item whose parameters run over a page goes on under its name again.
#pragma once

#include <string>
#include <vector>

#include "base/seams.h"

namespace tavrin {

struct PrintField {
    std::string parameter;
    std::string value;
};

struct PrintItem {
    std::string name;
    std::vector<PrintField> fields;
};

struct PrintSection {
    std::string title;
    std::vector<PrintItem> items;
};

// The printout's title: "База данных прибора ", the family's name and a full stop.
std::string databasePrintTitle(const std::string& familyName);

// A yes/no parameter as the printout writes it: "да"/"нет", or "Да"/"Нет"
// with `capitalised`.
std::string printYesNo(bool yes, bool capitalised = false);

// Draws the table; returns the number of pages.
int printDatabaseTable(PrintSurface& surface, const std::string& title,
                       const std::vector<PrintSection>& sections);

// What the "Талвир К2" printout takes from its database, as texts: the
// devices in use, the loops by their labels, the keys in use by number.
struct K2PrintData {
    struct Key {
        int number = 0;
        std::vector<PrintField> fields;
    };
    std::vector<PrintItem> devices;
    std::vector<PrintItem> loops;
    std::vector<Key> keys;
};

// "База данных прибора Талвир К2." with the sections "Устройства",
// "Шлейфы" and "Ключи" (each key named "Ключ_" and its number).
std::vector<PrintSection> k2PrintSections(const K2PrintData& data);
int printDatabaseK2(PrintSurface& surface, const K2PrintData& data);

constexpr const char* kK2PrintTitle = "База данных прибора Талвир К2.";

}  // namespace tavrin
