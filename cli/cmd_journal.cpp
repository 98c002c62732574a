// Commands on the files the viewers show: show-journal, show-dust. Both print
// the rows the journal dialog and the dustiness window would show, as
// tab-separated lines (tabs and line breaks inside a cell become blanks).
#include <iostream>

#include "args.h"
#include "base/file_io.h"
#include "base/text.h"
#include "cli_prompter.h"
#include "commands.h"
#include "files/dust_file.h"
#include "files/journal_file.h"
#include "journal/journal_model.h"
#include "registry/family_registry.h"
#include "service/dust_list.h"

namespace tavrin::cli {

namespace {

std::string cellText(std::string s) {
    for (char& c : s) {
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    }
    return s;
}

void printRow(const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i) std::cout << '\t';
        std::cout << cellText(cells[i]);
    }
    std::cout << '\n';
}

// A column named by its title (any letter case) or its 1-based number; -1 if none.
int findColumn(const std::vector<std::string>& columns, const std::string& name) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (equalsIgnoreCase(columns[i], name)) return static_cast<int>(i);
    }
    if (!name.empty() && name.find_first_not_of("0123456789") == std::string::npos &&
        name.size() < 4) {
        const int n = std::stoi(name);
        if (n >= 1 && static_cast<std::size_t>(n) <= columns.size()) return n - 1;
    }
    return -1;
}

constexpr const char* kShowJournalUsage =
    "usage: tavrin-cli show-journal FILE [--include TEXT] [--exclude TEXT] [--from TIME] "
    "[--to TIME] [--group COLUMN]... [--family k2|r7|s5] [--header]\n";

int runShowJournal(const Argv& argv) {
    const Args args(argv, {"--include", "--exclude", "--from", "--to", "--group", "--family"},
                    {"--group"});
    if (!args.error().empty() || args.positional().size() != 1) {
        if (!args.error().empty()) std::cerr << "tavrin-cli: " << args.error() << "\n";
        std::cerr << kShowJournalUsage;
        return 1;
    }
    const std::string path = args.positional()[0];
    const FamilyDescriptor* family = nullptr;
    if (const auto f = args.value("--family")) {
        family = familyByCliName(*f);
        if (!family) {
            std::cerr << "tavrin-cli: unknown family '" << *f << "' (k2, r7 or s5)\n";
            return 1;
        }
    }

    // The capacity of the family given, else of the family whose journal the
    // file's kind holds.
    Bytes data;
    FileError error;
    if (!readWholeFile(pathFromUtf8(path), data, &error)) {
        std::cerr << "tavrin-cli: cannot read " << path << ": " << error.message << "\n";
        return 1;
    }
    const std::uint32_t kind = getU32(data, 0);
    const FamilyDescriptor* capacityFamily = family ? family : familyOfJournalKind(kind);
    const int capacity = capacityFamily ? capacityFamily->traits.journalCapacity : 0;
    CliPrompter prompter;
    JournalFile file;
    const JournalReadStatus status = parseJournalFile(data, capacity, prompter, file);
    if (status == JournalReadStatus::NotAJournal) {
        std::cerr << "tavrin-cli: " << path << " is not a journal file\n";
        return 1;
    }
    if (status == JournalReadStatus::TooMany) return 1;  // the prompter has said why
    if (status == JournalReadStatus::Truncated) {
        std::cerr << "tavrin-cli: " << path << " ends inside a record; showing the "
                  << file.records.size() << " whole records\n";
    }

    // The columns of the family given, else those of the file's kind.
    const std::uint32_t columnsKind = family ? family->traits.journalKinds.front() : file.kind;
    JournalModel model(journalColumnTitles(columnsKind), std::move(file.records));
    model.setTimeOrder(journalTimeOrder(columnsKind));
    for (const std::string& g : args.values("--group")) {
        const int column = findColumn(model.columns(), g);
        if (column < 0) {
            std::cerr << "tavrin-cli: no column '" << g << "'\n";
            return 1;
        }
        if (!model.addGroupColumn(column)) {
            std::cerr << "tavrin-cli: cannot group by '" << g
                      << "' (a column once, four levels at most)\n";
            return 1;
        }
    }
    model.setExpandAll(true);
    model.setInclude(args.value("--include").value_or(""));
    model.setExclude(args.value("--exclude").value_or(""));
    if (args.has("--from") || args.has("--to")) {
        // An open end of the range: below or above every time text.
        model.setTimeRange(args.value("--from").value_or(""), args.value("--to").value_or("~"));
    }

    if (args.has("--header")) printRow(model.columns());
    const std::size_t columns = model.columns().size();
    for (const JournalRow& row : model.rows()) {
        if (row.group) {
            printRow({row.text});
            continue;
        }
        std::vector<std::string> cells;
        for (std::size_t c = 0; c < columns; ++c) {
            cells.push_back(model.rowCell(row, static_cast<int>(c)));
        }
        printRow(cells);
    }
    return 0;
}

constexpr const char* kShowDustUsage =
    "usage: tavrin-cli show-dust FILE [--level normal|80|90]... [--family k2|s5] [--header]\n";

int runShowDust(const Argv& argv) {
    const Args args(argv, {"--level", "--family"}, {"--level"});
    if (!args.error().empty() || args.positional().size() != 1) {
        if (!args.error().empty()) std::cerr << "tavrin-cli: " << args.error() << "\n";
        std::cerr << kShowDustUsage;
        return 1;
    }
    const FamilyTraits* family = &familyTraits(Family::K2);
    if (const auto f = args.value("--family")) {
        const FamilyDescriptor* d = familyByCliName(*f);
        if (!d || !d->traits.commands.dustiness) {
            std::cerr << "tavrin-cli: no dustiness for family '" << *f << "' (k2 or s5)\n";
            return 1;
        }
        family = &d->traits;
    }
    DustFilter filter;
    for (const std::string& level : args.values("--level")) {
        if (level == "normal") {
            filter.normal = true;
        } else if (level == "80") {
            filter.over80 = true;
        } else if (level == "90") {
            filter.over90 = true;
        } else {
            std::cerr << "tavrin-cli: unknown level '" << level << "' (normal, 80 or 90)\n";
            return 1;
        }
    }
    const std::string path = args.positional()[0];
    CliPrompter prompter;
    std::vector<DustRecord> records;
    FileError error;
    if (!readDustinessFile(path, prompter, records, &error)) {
        // A refused file has been described by the prompter.
        if (error) std::cerr << "tavrin-cli: cannot read " << path << ": " << error.message << "\n";
        return 1;
    }
    if (args.has("--header")) {
        std::vector<std::string> titles{"№"};
        const auto& columns = family->dustColumns;
        for (std::size_t c = 1; c < columns.size(); ++c)
            titles.push_back(columns[c].title);
        printRow(titles);
    }
    for (const DustRow& row : dustRows(records, filter)) {
        printRow({std::to_string(row.number), row.first, row.second, row.percent});
    }
    return 0;
}

}  // namespace

int runShowJournalCommand(const Argv& a) {
    return runShowJournal(a);
}
int runShowDustCommand(const Argv& a) {
    return runShowDust(a);
}

}  // namespace tavrin::cli
