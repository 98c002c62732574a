#include "commands.h"

namespace tavrin::cli {

int runInfoCommand(const Argv& args);
int runConvertCommand(const Argv& args);
int runExportCsvCommand(const Argv& args);
int runCheckCommand(const Argv& args);

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"info", "info FILE [--family k2|r7|s5]",
         "load a database file (or a \"Версан С5\" folder) and print what it holds", runInfoCommand},
        {"convert", "convert IN OUT [--family k2|r7|s5]",
         "load a database in any supported version and save it in the current one", runConvertCommand},
        {"export-csv", "export-csv FILE OUT",
         "write the devices of a \"Талвир К2\" database as a CSV file (Windows-1251, extension csv)",
         runExportCsvCommand},
        {"check", "check FILE",
         "check a \"Талвир К2\" database: remarks, --, devices, --, functions; exit code 0 or 2",
         runCheckCommand},
    };
    return table;
}

}  // namespace tavrin::cli
