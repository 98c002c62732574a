// Commands of the "Талвир К2" family: export-csv, check.
#include <filesystem>
#include <iostream>

#include "args.h"
#include "base/file_io.h"
#include "cli_prompter.h"
#include "commands.h"
#include "families/k2/dbk2.h"
#include "family_files.h"
#include "registry/family_registry.h"
#include "report/report_list.h"

namespace tavrin::cli {

int runExportCsvCommand(const Argv& argv) {
    const Args args(argv, {});
    if (!args.error().empty() || args.positional().size() != 2) {
        std::cerr << "usage: tavrin-cli export-csv FILE OUT\n";
        return 1;
    }
    CliPrompter prompter;
    AppContext ctx = makeAppContext(std::filesystem::current_path());
    ctx.prompter = &prompter;
    DBK2 db(0, ctx);
    if (!loadNamedFile(db, args.positional()[0])) return 1;
    const std::string& out = args.positional()[1];
    if (!db.ExportCsv(out)) {
        const auto dot = out.find_last_of('.');
        const auto slash = out.find_last_of("/\\");
        if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
            std::cerr << "tavrin-cli: the output name has no extension: " << out << "\n";
        return 1;
    }
    return 0;
}

int runCheckCommand(const Argv& argv) {
    const Args args(argv, {"--family"});
    if (!args.error().empty() || args.positional().size() != 1) {
        std::cerr << "usage: tavrin-cli check FILE [--family k2|r7]\n";
        return 1;
    }
    CliPrompter prompter;
    AppContext ctx = makeAppContext(std::filesystem::current_path());
    ctx.prompter = &prompter;
    const auto db =
        openDatabaseFile(args.positional()[0], args.value("--family").value_or(""), ctx);
    if (!db) return 1;
    ReportList remarks, devices, functions;
    const int outcome = db->CheckDatabase(&remarks, &devices, &functions);
    printReportRows(remarks, std::cout);
    std::cout << "--\n";
    printReportRows(devices, std::cout);
    std::cout << "--\n";
    printReportRows(functions, std::cout);
    return outcome;
}

}  // namespace tavrin::cli
