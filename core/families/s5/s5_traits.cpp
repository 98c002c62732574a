#include "families/s5/dbs5.h"
#include "files/journal_file.h"

namespace tavrin {

const FamilyTraits& s5Traits() {
    static const FamilyTraits traits{
        .family = Family::S5,
        .name = "Версан С5",
        .cliName = "s5",
        .extension1 = "",
        .extension2 = "",
        .fileTypeText = "БД Версан С5",
        .openFilter = "",
        .firmwareFilter = "Soft*.conf",
        .title = "Конфигуратор Версан С5",
        .sectionName = "Версан_С5",
        .journalFileName = "Journal.vsj",
        .journalFileName2 = "",
        .journalCapacity = 0,
        .dustinessFileName = "Zap.conf",
        .defaultBaudRate = 19200,
        .folderDatabase = true,
        .journalKinds = {kJournalKindS5},
        .journalFilter = {"Журнал Версана С5", "*.vsj"},
        .journalExtension = "vsj",
        .activeEventsExtension = "tlj",
        .dustColumns = {{"", 30}, {"LCP", 120}, {"Датчик", 280}, {"Коэф.", 100}},
        .dustOpenFilter = {"Завыленность Версан С5", "*.conf"},
        .dustSaveFilter = {"Зопыленность датчиков Версан С5", "*.conf"},
        .dustExtension = "conf",
        .analysisDeviceColumns = {{"Устройство", 160},
                                  {"Всего", 100},
                                  {"В объектах", 120},
                                  {"Вне объекта", 120}},
        .analysisFunctionColumns =
            {{"LCP", 130}, {"Объекты", 100}, {"АУ", 100}, {"АУ вне объекта", 140}, {"Ключи", 100}},
        .gridTextLimit = 20,
        .gridSecondTab = "",
        .menuCommand = 32827,
        .inFamilyMenu = true,
        .showsPanelAddress = false,
        .commands = {.consoleCommands = true,
                     .compare = true,
                     .print = true,
                     .dustiness = true,
                     .archive = true,
                     .sdCardFirmware = true,
                     .readTimeShown = true,
                     .loadBeforeJournal = true,
                     .readKeepsDatabase = true,
                     .portSearch = false},
        // Confirmed by the console's checksums, not by reading it all back.
        .readBackAfterWrite = true,
    };
    return traits;
}

}  // namespace tavrin
