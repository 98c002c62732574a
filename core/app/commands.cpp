#include "app/commands.h"

#include <algorithm>

#include "registry/family_registry.h"
#include "settings/settings.h"

namespace tavrin {

namespace {

MenuNode item(int id, const char* text, bool checkable = false) {
    MenuNode n;
    n.id = id;
    n.text = text;
    n.checkable = checkable;
    return n;
}

MenuNode separator() {
    MenuNode n;
    n.kind = MenuNode::Kind::Separator;
    return n;
}

MenuNode submenu(const char* text, std::vector<MenuNode> children) {
    MenuNode n;
    n.kind = MenuNode::Kind::Submenu;
    n.text = text;
    n.children = std::move(children);
    return n;
}

constexpr const char* kNotImplemented = "Функция не реализована";
constexpr const char* kDeviceNotImplemented = "Функция прибором не реализована";
constexpr const char* kLoadFirst = "Сначала нужно загрузить базу из файла или прибора";

}  // namespace

int familyCommand(Family family) {
    return familyTraits(family).menuCommand;
}

std::optional<Family> familyOfCommand(int command) {
    for (const FamilyDescriptor& d : allFamilies()) {
        if (d.traits.menuCommand == command) return d.traits.family;
    }
    return std::nullopt;
}

std::vector<MenuNode> buildMenuBar(Family family) {
    const FamilyCommands& has = familyTraits(family).commands;

    std::vector<MenuNode> base{item(kCmdNew, "Создать"),
                               item(kCmdOpen, "Открыть"),
                               item(kCmdSave, "Сохранить"),
                               item(kCmdSaveAs, "Сохранить как..."),
                               separator(),
                               item(kCmdCheck, "Проверка корректности"),
                               item(kCmdSearchDatabase, "Поиск по БД")};
    if (has.compare) base.push_back(item(kCmdCompare, "Сличение баз"));
    base.push_back(separator());
    base.push_back(item(kCmdPrint, "Печать базы"));
    base.push_back(item(kCmdExportCsv, "Вывод базы для Excel в формате  *.csv"));
    if (has.twoBases) base.push_back(item(kCmdTwoBases, "Две базы", true));
    // A backup taken before a whole-database write goes back to the panel.
    base.push_back(separator());
    base.push_back(item(kCmdRestoreBackup, "Восстановить из копии..."));
    base.push_back(separator());
    MenuNode recent;
    recent.kind = MenuNode::Kind::RecentFiles;
    base.push_back(recent);
    base.push_back(separator());
    base.push_back(item(kCmdExit, "Выход"));

    std::vector<MenuNode> edit{item(kCmdUndo, "Отменить команду"),
                               separator(),
                               item(kCmdCut, "Вырезать"),
                               item(kCmdCopy, "Копировать"),
                               item(kCmdPaste, "Вставить"),
                               item(kCmdDelete, "Удалить"),
                               separator(),
                               item(kCmdAddElement, "Добавить новый элемент"),
                               item(kCmdShowBuffer, "Показать буфер")};

    std::vector<MenuNode> device;
    if (has.consoleCommands) {
        device.push_back(submenu(
            "Чтение базы", {item(kCmdReadAll, "Все"), item(kCmdReadConsoleKeys, "Ключи Пульта"),
                            item(kCmdReadLcp, "БД текущего LCP")}));
        device.push_back(submenu(
            "Запись базы", {item(kCmdWriteAll, "Все"), item(kCmdWriteConsoleKeys, "Ключи Пульта"),
                            item(kCmdWriteLcp, "БД текущего LCP")}));
    } else {
        device.push_back(item(kCmdReadDatabase, "Прочитать базу"));
        device.push_back(item(kCmdWriteDatabase, "Записать базу"));
    }
    device.push_back(separator());
    device.push_back(item(kCmdReadJournal, "Прочитать журнал"));
    if (has.activeEvents)
        device.push_back(item(kCmdReadActiveEvents, "Прочитать актуальные события"));
    if (has.dustiness) device.push_back(item(kCmdReadDustiness, "Прочитать запыленность датчиков"));
    if (has.archive) device.push_back(item(kCmdReadArchiveList, "Прочитать список архива"));
    if (has.consoleCommands) {
        device.push_back(
            submenu("Очистить актуальные сообщения",
                    {item(kCmdS5Extra1, "Пожары"), item(kCmdS5Extra1 + 1, "Тревоги"),
                     item(kCmdS5Extra1 + 2, "Сообщения"), item(kCmdS5Extra1 + 3, "Неисправности"),
                     item(kCmdS5Extra5, "Все типы")}));
    }
    device.push_back(separator());
    device.push_back(item(kCmdReadVersion, "Прочитать версию ПО"));
    device.push_back(item(kCmdSetTime, "Установить время"));
    if (has.readTimeShown) {
        MenuNode readTime = item(kCmdReadTime, "Прочитать время");
        readTime.enabled = false;
        device.push_back(readTime);
    }
    if (has.firmwareUpdate) device.push_back(item(kCmdFirmware, "Обновить программу прибора"));
    if (has.sdCardFirmware) {
        device.push_back(item(kCmdFirmware, "Записать ПО прибора на SD карту"));
        device.push_back(item(kCmdUpdateFromSd, "Обновить ПО прибора с SD карты"));
    }

    std::vector<MenuNode> view{item(kCmdJournal, "Журнал")};
    if (has.activeEvents) view.push_back(item(kCmdActiveEvents, "Актуальные события"));
    if (has.dustiness) view.push_back(item(kCmdDustiness, "Запыленность датчиков"));
    if (has.archive) view.push_back(item(kCmdArchive, "Архив"));

    // The family items, in the order of their commands.
    std::vector<MenuNode> service;
    for (const FamilyDescriptor& d : allFamilies()) {
        if (d.traits.inFamilyMenu)
            service.push_back(item(d.traits.menuCommand, d.traits.name, true));
    }
    std::sort(service.begin(), service.end(),
              [](const MenuNode& a, const MenuNode& b) { return a.id < b.id; });
    service.push_back(separator());
    service.push_back(item(kCmdCompareWithFile, "Сравнить с файлом..."));
    service.push_back(separator());
    service.push_back(item(kCmdPortSettings, "Настройка компорта"));
    service.push_back(item(kCmdProgramSettings, "Настройка программы"));
    if (has.readTime) {
        service.push_back(separator());
        service.push_back(item(kCmdReadTime, "Прочитать время"));
    }

    return {submenu("База", std::move(base)),
            submenu("Правка", std::move(edit)),
            submenu("Прибор", std::move(device)),
            submenu("Просмотр", std::move(view)),
            submenu("Сервис", std::move(service)),
            submenu("Справка", {item(kCmdAbout, "О программе")})};
}

const MenuNode* findMenuItem(const std::vector<MenuNode>& nodes, int id) {
    for (const auto& n : nodes) {
        if (n.kind == MenuNode::Kind::Item && n.id == id) return &n;
        if (const MenuNode* found = findMenuItem(n.children, id)) return found;
    }
    return nullptr;
}

std::optional<Refusal> checkCommand(int command, Family family, bool valid) {
    const FamilyCommands& has = familyTraits(family).commands;
    switch (command) {
        case kCmdReadActiveEvents:
            if (!has.activeEvents) return Refusal{kDeviceNotImplemented, "Активные события"};
            if (!valid) return Refusal{kLoadFirst, "Загрузка журнала"};
            return std::nullopt;
        case kCmdReadDustiness:
            if (!has.dustiness) return Refusal{kDeviceNotImplemented, "Загрузка запыленности"};
            if (!valid) return Refusal{kLoadFirst, "Загрузка запыленности"};
            return std::nullopt;
        case kCmdReadJournal:
            if (has.loadBeforeJournal && !valid) return Refusal{kLoadFirst, "Загрузка журнала"};
            return std::nullopt;
        case kCmdReadTime:
            if (!has.readTime) return Refusal{"Команда не поддерживается!", "Прочитать время"};
            return std::nullopt;
        case kCmdFirmware:
            if (!has.firmwareUpdate && !has.sdCardFirmware)
                return Refusal{kDeviceNotImplemented, "Запись ПО"};
            return std::nullopt;
        case kCmdActiveEvents:
            if (!has.activeEvents)
                return Refusal{kDeviceNotImplemented, "Просмотр активных событий"};
            return std::nullopt;
        case kCmdDustiness:
            if (!has.dustiness) return Refusal{kNotImplemented, "Загрузка запыленности"};
            return std::nullopt;
        case kCmdPrint:
            if (!has.print) return Refusal{kNotImplemented, "Печать базы"};
            return std::nullopt;
        case kCmdExportCsv:
        case kCmdTwoBases:
            if (!has.csvExport) return Refusal{kNotImplemented, "Вывод базы"};
            return std::nullopt;
        case kCmdUpdateFromSd:
        case kCmdCompare:
        case kCmdReadArchiveList:
        case kCmdArchive:
        case kCmdReadAll:
        case kCmdReadConsoleKeys:
        case kCmdReadLcp:
        case kCmdWriteAll:
        case kCmdWriteConsoleKeys:
        case kCmdWriteLcp:
            if (!has.consoleCommands) return Refusal{"Функция не поддерживается", "Конфигуратор"};
            return std::nullopt;
        default:
            if (command >= kCmdS5Extra1 && command <= kCmdS5Extra5 && !has.consoleCommands) {
                return Refusal{"Функция не поддерживается", "Конфигуратор"};
            }
            return std::nullopt;
    }
}

bool isDeviceCommand(int command) {
    switch (command) {
        case kCmdRestoreBackup:
        case kCmdReadDatabase:
        case kCmdWriteDatabase:
        case kCmdReadJournal:
        case kCmdReadActiveEvents:
        case kCmdReadDustiness:
        case kCmdReadVersion:
        case kCmdSetTime:
        case kCmdReadTime:
        case kCmdFirmware:
        case kCmdUpdateFromSd:
        case kCmdCompare:
        case kCmdReadArchiveList:
        case kCmdReadAll:
        case kCmdReadConsoleKeys:
        case kCmdReadLcp:
        case kCmdWriteAll:
        case kCmdWriteConsoleKeys:
        case kCmdWriteLcp:
            return true;
        default:
            return command >= kCmdS5Extra1 && command <= kCmdS5Extra5;
    }
}

std::string deviceCommandTitle(int command) {
    switch (command) {
        case kCmdReadDatabase:
            return "Чтение базы";
        case kCmdWriteDatabase:
            return "Запись базы";
        case kCmdRestoreBackup:
            return "Восстановление из копии";
        case kCmdReadJournal:
            return "Чтение журнала";
        case kCmdReadActiveEvents:
            return "Активные события";
        case kCmdReadDustiness:
            return "Загрузка запыленности";
        case kCmdReadVersion:
            return "Прочитать версию ПО";
        case kCmdSetTime:
            return "Установить время";
        case kCmdReadTime:
            return "Запрос времени";
        case kCmdFirmware:
            return "Запись ПО";
        case kCmdReadAll:
        case kCmdReadConsoleKeys:
        case kCmdReadLcp:
            return "Чтение базы";
        case kCmdWriteAll:
        case kCmdWriteConsoleKeys:
        case kCmdWriteLcp:
            return "Запись базы";
        case kCmdCompare:
            return "Сличение баз";
        case kCmdReadArchiveList:
            return "Чтение архива";
        case kCmdUpdateFromSd:
            return "Замена ПО";
        default:
            if (command >= kCmdS5Extra1 && command <= kCmdS5Extra5)
                return "Очистка актуальных событий";
            return std::string();
    }
}

}  // namespace tavrin
