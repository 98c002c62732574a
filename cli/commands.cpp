#include "commands.h"

namespace tavrin::cli {

int runInfoCommand(const Argv& args);
int runConvertCommand(const Argv& args);
int runExportCsvCommand(const Argv& args);
int runCheckCommand(const Argv& args);
int runPortsCommand(const Argv& args);
int runSearchCommand(const Argv& args);
int runShowJournalCommand(const Argv& args);
int runShowDustCommand(const Argv& args);
int runTreeCommand(const Argv& args);
int runParamsCommand(const Argv& args);
int runSetCommand(const Argv& args);
int runDiffCommand(const Argv& args);
int runFindCommand(const Argv& args);
int runReadDbCommand(const Argv& args);
int runWriteDbCommand(const Argv& args);
int runReadVersionCommand(const Argv& args);
int runSetTimeCommand(const Argv& args);
int runReadJournalCommand(const Argv& args);
int runReadEventsCommand(const Argv& args);
int runReadDustCommand(const Argv& args);
int runReadTimeCommand(const Argv& args);
int runWriteFirmwareCommand(const Argv& args);
int runReadDbAnyCommand(const Argv& args);
int runWriteDbAnyCommand(const Argv& args);
int runReadJournalAnyCommand(const Argv& args);
int runReadDustAnyCommand(const Argv& args);
int runSetTimeAnyCommand(const Argv& args);
int runCompareCommand(const Argv& args);
int runReadArchiveListCommand(const Argv& args);
int runReadArchiveCommand(const Argv& args);
int runWriteSdCommand(const Argv& args);
int runUpdateFirmwareCommand(const Argv& args);
int runClearEventsCommand(const Argv& args);

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"info", "info FILE [--family k2|r7|s5]",
         "load a database file (or a \"Версан С5\" folder) and print what it holds",
         runInfoCommand},
        {"convert", "convert IN OUT [--force] [--family k2|r7|s5]",
         "load a database in any supported version and save it in the current one (a "
         "\"Версан С5\" folder holding files of another database, which the save would delete, "
         "only with --force)",
         runConvertCommand},
        {"export-csv", "export-csv FILE OUT",
         "write the devices of a \"Талвир К2\" database as a CSV file (Windows-1251, extension "
         "csv)",
         runExportCsvCommand},
        {"check", "check FILE [--family k2|r7]",
         "check a database: remarks, --, devices, --, functions; exit code 0 or 2",
         runCheckCommand},
        {"ports", "ports", "list the serial ports the device search tries", runPortsCommand},
        {"search", "search [--family k2|r7] [--port PORT]... [--save]",
         "find the port a panel answers on (the system's ports, or those given); --save stores it",
         runSearchCommand},
        {"show-journal",
         "show-journal FILE [--include T] [--exclude T] [--from TIME] [--to TIME] [--group COL]... "
         "[--family k2|r7|s5] [--header]",
         "print a journal or active-events file, filtered and grouped, as tab-separated rows",
         runShowJournalCommand},
        {"show-dust", "show-dust FILE [--level normal|80|90]... [--family k2|s5] [--header]",
         "print a dustiness file as tab-separated rows", runShowDustCommand},
        {"tree", "tree FILE [--codes] [--family k2|r7|s5]",
         "print the configuration tree, two blanks of indent per level ([ItemCode] label with "
         "--codes)",
         runTreeCommand},
        {"params", "params FILE CODE [--family k2|r7|s5]",
         "print the parameter grid of the item CODE as \"name<TAB>value\" lines", runParamsCommand},
        {"set", "set FILE CODE \"row name\" VALUE [-o OUT] [--force] [--family k2|r7|s5]",
         "commit VALUE in a grid row of the item CODE as if typed or chosen, and save (to OUT or "
         "over FILE)",
         runSetCommand},
        {"diff", "diff A B [--family k2|r7|s5]",
         "compare two databases of one family item by item (\"PATH: added\", \"PATH: removed\", "
         "\"PATH: changed: ROW: OLD → NEW\"); exit code 0 equal, 1 different, 2 not compared",
         runDiffCommand},
        {"find", "find FILE TEXT [--family k2|r7|s5]",
         "find items whose tree label or grid value holds TEXT (any case): \"CODE<TAB>PATH<TAB>"
         "row: value\" lines; exit code 0 found, 1 none, 2 not searched",
         runFindCommand},
        {"read-db",
         "read-db -o OUT --port NAME|--simulate [--baud N] [--log] [--family k2|r7|s5]\n"
         "          s5: read-db -o DIR [--force] | --db DIR (--keys | --lcp N)",
         "read the database from a panel and save it (\"Талвир К2\" unless --family r7; "
         "s5: a folder, or the console's keys or one LCP into --db)",
         runReadDbAnyCommand},
        {"write-db",
         "write-db FILE [--yes] [--force] [--no-backup] [--no-verify] --port NAME|--simulate "
         "[--baud N] [--log] [--family k2|r7|s5]\n"
         "          s5: write-db DIR [--keys | --lcp N]",
         "check a database, back the panel's database up into backups/ (when the family's "
         "setting says so), write, read back and compare (exit code 25 \"Запись не "
         "подтверждена\" when it differs); asks unless --yes, an incomplete database only "
         "with --force",
         runWriteDbAnyCommand},
        {"read-version",
         "read-version --port NAME|--simulate [--baud N] [--log] [--family k2|r7|s5]",
         "read the panel's (or the \"Версан С5\" console's) firmware version",
         runReadVersionCommand},
        {"set-time", "set-time --port NAME|--simulate [--baud N] [--log] [--family k2|r7|s5]",
         "set the panel clock from this computer's local time", runSetTimeAnyCommand},
        {"read-time", "read-time --family r7 --port NAME|--simulate [--baud N] [--log]",
         "read the panel clock (\"Ордис Р7\")", runReadTimeCommand},
        {"read-journal",
         "read-journal [--db FILE] [-o FILE] --port NAME|--simulate [--log] [--family k2|r7|s5]",
         "read the event journal (the database first, unless --db; s5 needs --db DIR) into the "
         "family's journal file (Journal.tvj, Journal.odj, Journal.vsj) or -o",
         runReadJournalAnyCommand},
        {"read-events", "read-events --db FILE [-o FILE] --port NAME|--simulate [--log]",
         "read the active events into JournalAS.tvj or -o", runReadEventsCommand},
        {"read-dust",
         "read-dust --db FILE [-o FILE] --port NAME|--simulate [--log] [--family k2|s5]\n"
         "          s5: read-dust --db DIR [--lcp N] [--yes]",
         "read the dustiness of the smoke detectors into Zap.tvz or -o (s5: Zap.conf; --yes "
         "goes on past an LCP the console cannot reach)",
         runReadDustAnyCommand},
        {"write-firmware",
         "write-firmware FILE.hex [--yes] --family r7 --port NAME|--simulate [--baud N] [--log]",
         "load new firmware from an Intel HEX file into an \"Ордис Р7\" panel (asks unless --yes)",
         runWriteFirmwareCommand},
        {"compare", "compare DIR --port NAME|--simulate [--baud N] [--log]",
         "\"Версан С5\": compare a database folder with the console, one row per LCP and kind "
         "(LCP, data, console, computer, result)",
         runCompareCommand},
        {"read-archive-list", "read-archive-list --port NAME|--simulate [--baud N] [--log]",
         "\"Версан С5\": read the console's archive list (ARCH.dat) and print its names",
         runReadArchiveListCommand},
        {"read-archive", "read-archive NAME [--db DIR] --port NAME|--simulate [--baud N] [--log]",
         "\"Версан С5\": read an archive file into a journal file named after it (.vsj)",
         runReadArchiveCommand},
        {"write-sd",
         "write-sd FILE [--name NAME] [--yes] --port NAME|--simulate [--baud N] [--log]",
         "\"Версан С5\": write a file onto the console's SD card (asks unless --yes)",
         runWriteSdCommand},
        {"update-firmware",
         "update-firmware NAME [--target 0|LCP] [--yes] --port NAME|--simulate [--baud N] [--log]",
         "\"Версан С5\": load the program NAME from the SD card into the console (0) or an LCP",
         runUpdateFirmwareCommand},
        {"clear-events",
         "clear-events fires|alarms|messages|faults|all --port NAME|--simulate [--baud N] [--log]",
         "\"Версан С5\": clear the console's current events of a kind", runClearEventsCommand},
    };
    return table;
}

}  // namespace tavrin::cli
