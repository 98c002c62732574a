#include "families/k2/dbk2.h"
#include "files/journal_file.h"

namespace tavrin {

const FamilyTraits& k2Traits() {
    static const FamilyTraits traits{
        .family = Family::K2,
        .name = "Талвир К2",
        .cliName = "k2",
        .extension1 = "bta",
        .extension2 = "tlv",
        .fileTypeText = "БД Талвира К2",
        .openFilter = "*.bta;*.tlv",
        .firmwareFilter = "",
        .title = "Конфигуратор Талвир К2",
        .sectionName = "Талвир_К2",
        .journalFileName = "Journal.tvj",
        .journalFileName2 = "JournalAS.tvj",
        .journalCapacity = 2339,
        .dustinessFileName = "Zap.tvz",
        .defaultBaudRate = 128000,
        .folderDatabase = false,
        .journalKinds = {kJournalKindK2, kJournalKindK2ActiveEvents},
        .journalFilter = {"Журнал Талвира К2", "*.tvj"},
        .journalExtension = "tvj",
        .activeEventsExtension = "tlj",
        .dustColumns = {{"", 30}, {"Имя датчика", 150}, {"Имя шлейфа", 250}, {"Коэф.", 100}},
        .dustOpenFilter = {"Завыленность Талвир К2", "*.tvz"},
        .dustSaveFilter = {"Зопыленность датчиков Талвир К2", "*.tvz"},
        .dustExtension = "tvz",
        .analysisDeviceColumns = {{"Устройство", 160},
                                  {"Используется", 170},
                                  {"Заблокировано", 170},
                                  {"Всего", 160}},
        .analysisFunctionColumns = {{"", 100},
                                    {"Охранные", 95},
                                    {"Пожарные", 95},
                                    {"Контрольные", 120},
                                    {"Управляющие", 130},
                                    {"Всего", 90},
                                    {"Вне шлейфа", 120}},
        .gridTextLimit = 16,
        .gridSecondTab = "",
        .menuCommand = 32774,
        .inFamilyMenu = true,
        .showsPanelAddress = false,
        .commands = {.twoBases = true,
                     .csvExport = true,
                     .print = true,
                     .activeEvents = true,
                     .dustiness = true},
        .backupByDefault = true,
        .readBackAfterWrite = true,
    };
    return traits;
}

}  // namespace tavrin
