#include "app/commands.h"

#include "app/settings.h"

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

int familyCommand(int familyCode) {
    switch (familyCode) {
        case kFamilyR7:
            return kCmdFamilyR7;
        case kFamilyK2:
            return kCmdFamilyK2;
        case kFamilyS5:
            return kCmdFamilyS5;
        default:
            return 0;
    }
}

int familyOfCommand(int command) {
    switch (command) {
        case kCmdFamilyR7:
            return kFamilyR7;
        case kCmdFamilyK2:
            return kFamilyK2;
        case kCmdFamilyS5:
            return kFamilyS5;
        default:
            return 0;
    }
}

std::vector<MenuNode> buildMenuBar(int family) {
    const bool k2 = family == kFamilyK2;
    const bool r7 = family == kFamilyR7;
    const bool s5 = family == kFamilyS5;

    std::vector<MenuNode> base{item(kCmdNew, "Создать"),
                               item(kCmdOpen, "Открыть"),
                               item(kCmdSave, "Сохранить"),
                               item(kCmdSaveAs, "Сохранить как..."),
                               separator(),
                               item(kCmdCheck, "Проверка корректности"),
                               item(kCmdSearchDatabase, "Поиск по БД")};
    if (s5) base.push_back(item(kCmdCompare, "Сличение баз"));
    base.push_back(separator());
    base.push_back(item(kCmdPrint, "Печать базы"));
    base.push_back(item(kCmdExportCsv, "Вывод базы для Excel в формате  *.csv"));
    if (k2) base.push_back(item(kCmdTwoBases, "Две базы", true));
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
    if (s5) {
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
    if (k2) device.push_back(item(kCmdReadActiveEvents, "Прочитать актуальные события"));
    if (!r7) device.push_back(item(kCmdReadDustiness, "Прочитать запыленность датчиков"));
    if (s5) device.push_back(item(kCmdReadArchiveList, "Прочитать список архива"));
    device.push_back(separator());
    device.push_back(item(kCmdReadVersion, "Прочитать версию ПО"));
    device.push_back(item(kCmdSetTime, "Установить время"));
    if (s5) {
        MenuNode readTime = item(kCmdReadTime, "Прочитать время");
        readTime.enabled = false;
        device.push_back(readTime);
    }
    if (r7) device.push_back(item(kCmdFirmware, "Обновить программу прибора"));
    if (s5) {
        device.push_back(item(kCmdFirmware, "Записать ПО прибора на SD карту"));
        device.push_back(item(kCmdUpdateFromSd, "Обновить ПО прибора с SD карты"));
    }

    std::vector<MenuNode> view{item(kCmdJournal, "Журнал")};
    if (k2) view.push_back(item(kCmdActiveEvents, "Актуальные события"));
    if (!r7) view.push_back(item(kCmdDustiness, "Запыленность датчиков"));
    if (s5) view.push_back(item(kCmdArchive, "Архив"));

    std::vector<MenuNode> service{item(kCmdFamilyR7, "Ордис Р7", true),
                                  item(kCmdFamilyK2, "Талвир К2", true), separator(),
                                  item(kCmdPortSettings, "Настройка компорта"),
                                  item(kCmdProgramSettings, "Настройка программы")};
    if (r7) {
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

std::optional<Refusal> checkCommand(int command, int family, bool valid) {
    const bool k2 = family == kFamilyK2;
    const bool r7 = family == kFamilyR7;
    const bool s5 = family == kFamilyS5;
    switch (command) {
        case kCmdReadActiveEvents:
            if (!k2) return Refusal{kDeviceNotImplemented, "Активные события"};
            if (!valid) return Refusal{kLoadFirst, "Загрузка журнала"};
            return std::nullopt;
        case kCmdReadDustiness:
            if (r7) return Refusal{kDeviceNotImplemented, "Загрузка запыленности"};
            if (!valid) return Refusal{kLoadFirst, "Загрузка запыленности"};
            return std::nullopt;
        case kCmdReadJournal:
            if (s5 && !valid) return Refusal{kLoadFirst, "Загрузка журнала"};
            return std::nullopt;
        case kCmdReadTime:
            if (!r7) return Refusal{"Команда не поддерживается!", "Прочитать время"};
            return std::nullopt;
        case kCmdFirmware:
            if (k2) return Refusal{kDeviceNotImplemented, "Запись ПО"};
            return std::nullopt;
        case kCmdActiveEvents:
            if (!k2) return Refusal{kDeviceNotImplemented, "Просмотр активных событий"};
            return std::nullopt;
        case kCmdDustiness:
            if (r7) return Refusal{kNotImplemented, "Загрузка запыленности"};
            return std::nullopt;
        case kCmdPrint:
            if (s5) return Refusal{kNotImplemented, "Печать базы"};
            return std::nullopt;
        case kCmdExportCsv:
        case kCmdTwoBases:
            if (!k2) return Refusal{kNotImplemented, "Вывод базы"};
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
            if (!s5) return Refusal{"Функция не поддерживается", "Конфигуратор"};
            return std::nullopt;
        default:
            if (command >= kCmdS5Extra1 && command <= kCmdS5Extra5 && !s5) {
                return Refusal{"Функция не поддерживается", "Конфигуратор"};
            }
            return std::nullopt;
    }
}

bool isDeviceCommand(int command) {
    switch (command) {
        case kCmdReadDatabase:
        case kCmdWriteDatabase:
        case kCmdReadJournal:
        case kCmdReadActiveEvents:
        case kCmdReadDustiness:
        case kCmdReadVersion:
        case kCmdSetTime:
        case kCmdReadTime:
        case kCmdFirmware:
            return true;
        default:
            return false;
    }
}

std::string deviceCommandTitle(int command) {
    switch (command) {
        case kCmdReadDatabase:
            return "Чтение базы";
        case kCmdWriteDatabase:
            return "Запись базы";
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
        default:
            return std::string();
    }
}

}  // namespace tavrin
