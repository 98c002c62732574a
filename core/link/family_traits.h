// The facts of one panel family: names, files, settings section, report
// columns, limits and which commands it has. Each family folder defines its
// row (families/X/*_traits.cpp); the registry lists them. Code outside a
// family's folder asks these facts instead of comparing family codes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/family.h"
#include "base/file_filter.h"
#include "report/report_list.h"

namespace tavrin {

// The commands a family offers beyond the ones every family has.
struct FamilyCommands {
    bool consoleCommands = false;  // a console: reads and writes by part ("Чтение базы",
                                   // "Запись базы" submenus) and its further commands
    bool compare = false;          // "Сличение баз" with the panel
    bool twoBases = false;         // "Две базы"
    bool csvExport = false;        // "Вывод базы для Excel ..."
    bool print = false;            // "Печать базы"
    bool activeEvents = false;  // "Прочитать актуальные события", "Актуальные события"
    bool dustiness = false;       // "Прочитать запыленность датчиков"
    bool archive = false;         // "Прочитать список архива", "Архив"
    bool firmwareUpdate = false;  // "Обновить программу прибора" from a file
    bool sdCardFirmware = false;  // "Записать ПО ... на SD карту", "Обновить ПО ... с SD карты"
    bool readTime = false;           // "Прочитать время" in "Сервис"
    bool readTimeShown = false;      // a disabled "Прочитать время" in "Прибор"
    bool loadBeforeJournal = false;  // the journal read needs a loaded database
    bool readKeepsDatabase = false;  // a failed read leaves the database as it was by itself
    bool portSearch = true;          // "Поиск прибора" can probe ports for it
    bool analysisWindow = true;      // the correctness check shows the analysis window
};

struct FamilyTraits {
    Family family;
    const char* name;        // "Талвир К2"
    const char* cliName;     // "k2"
    const char* extension1;  // written ("bta"); empty for a folder database
    const char* extension2;  // also accepted when opening
    const char* fileTypeText;
    const char* openFilter;
    const char* firmwareFilter;
    const char* title;        // "Конфигуратор Талвир К2"
    const char* sectionName;  // settings section of the port keys
    const char* journalFileName;
    const char* journalFileName2;
    int journalCapacity;
    const char* dustinessFileName;
    int defaultBaudRate;
    bool folderDatabase;                      // the database is a folder, not a file
    std::vector<std::uint32_t> journalKinds;  // journal file kinds it writes
    FileFilter journalFilter;                 // journal save dialog
    const char* journalExtension;
    const char* activeEventsExtension;
    std::vector<ReportColumn> dustColumns;
    FileFilter dustOpenFilter;
    FileFilter dustSaveFilter;
    const char* dustExtension;
    std::vector<ReportColumn> analysisDeviceColumns;
    std::vector<ReportColumn> analysisFunctionColumns;
    int gridTextLimit;          // characters of a text row in the grid
    const char* gridSecondTab;  // a fixed caption of the grid's second tab, or empty
    int menuCommand;            // the command of its item in "Сервис"
    bool inFamilyMenu;          // that item is in the menu
    bool showsPanelAddress;     // result texts and the write question name the panel address
    FamilyCommands commands;
    // Deleting an item renumbers the items after it (their codes move), so
    // two databases are compared item by item by their order and content,
    // not by their codes.
    bool itemCodesRenumber = false;
    // A write first saves the panel's database as a backup unless the
    // family's setting says otherwise: on for a family whose whole read is
    // quick.
    bool backupByDefault = false;
    // A write is read back and compared (the read addresses the panel at the
    // address of the database written; a console compares its checksums).
    bool readBackAfterWrite = false;
};

}  // namespace tavrin
