#include "families/r7/dbr7.h"
#include "files/journal_file.h"

namespace tavrin {

const FamilyTraits& r7Traits() {
    static const FamilyTraits traits{
        .family = Family::R7,
        .name = "Ордис Р7",
        .cliName = "r7",
        .extension1 = "bor",
        .extension2 = "ord",
        .fileTypeText = "БД Ордиса Р7",
        .openFilter = "*.bor",
        .firmwareFilter = "*.hex",
        .title = "Конфигуратор Ордис Р7",
        .sectionName = "Ордис_Р7",
        .journalFileName = "Journal.odj",
        .journalFileName2 = "",
        .journalCapacity = 2048,
        .dustinessFileName = "",
        .defaultBaudRate = 9600,
        .folderDatabase = false,
        .journalKinds = {kJournalKindR7},
        .journalFilter = {"Журнал Ордиса Р7", "*.odj"},
        .journalExtension = "odj",
        .activeEventsExtension = "orj",
        .dustColumns = {{"", 30}, {"Имя датчика", 150}, {"Имя шлейфа", 250}, {"Коэф.", 100}},
        .dustOpenFilter = {"Завыленность Талвир К2", "*.tvz"},
        .dustSaveFilter = {"Зопыленность датчиков Талвир К2", "*.tvz"},
        .dustExtension = "tvz",
        .analysisDeviceColumns = {{"Устройство", 170},
                                  {"Линия А", 100},
                                  {"Линия Б", 100},
                                  {"Линия В", 100},
                                  {"Линия Г", 100},
                                  {"Всего", 100}},
        .analysisFunctionColumns = {{"Функция", 160},
                                    {"Линия А", 100},
                                    {"Линия Б", 100},
                                    {"Линия В", 100},
                                    {"Линия Г", 100},
                                    {"Всего", 100}},
        .gridTextLimit = 20,
        .gridSecondTab = "Линии",
        .menuCommand = 32773,
        .inFamilyMenu = true,
        .showsPanelAddress = true,
        .commands = {.print = true, .firmwareUpdate = true, .readTime = true},
        .itemCodesRenumber = true,
        .readBackAfterWrite = true,
    };
    return traits;
}

}  // namespace tavrin
