// Printing of the "Версан С5" database: the console with its keys, then one
// section per LCP with its objects, devices and keys, each with the values
// the grid shows, drawn by the shared three-column layout of
// report/database_print.
#include <cstdio>

#include "families/s5/dbs5.h"
#include "report/database_print.h"

namespace tavrin {

using namespace s5;

namespace {

std::string yesNo(bool b) {
    return printYesNo(b, true);
}

std::string timeText(std::uint8_t steps) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", steps / 6 % 24, steps % 6 * 10);
    return text;
}

std::string objectTypeText(std::uint8_t flags) {
    if (flags & obj::kFlagVirtual) return "виртуальный";
    static const char* const kTypes[] = {"не определено",
                                         "пожарный",
                                         "охранный",
                                         "пожарный-охранный",
                                         "контрольный",
                                         "пожарно-контрольный",
                                         "охранно-контрольный",
                                         "пожарный-охранно-контрольный"};
    return kTypes[flags & obj::kTypeMask];
}

std::string keyTypeText(std::uint8_t type) {
    switch (type) {
        case 1:
            return "Администратор";
        case 2:
            return "Дежурный";
        case 4:
            return "Наладчик";
        case 8:
            return "Сотрудник";
        default:
            return "Не задан";
    }
}

PrintItem keyItem(const KeyRecord& k) {
    PrintItem item{nameText(keyOwner(k)), {}};
    char full[24];
    std::snprintf(full, sizeof full, "%02X %02X %02X %02X %02X %02X", k[key::kFullNumber],
                  k[key::kFullNumber + 1], k[key::kFullNumber + 2], k[key::kFullNumber + 3],
                  k[key::kFullNumber + 4], k[key::kFullNumber + 5]);
    item.fields.push_back({"Номер ключа", std::to_string(getU16(k, key::kNumber))});
    item.fields.push_back({"Тип ключа", keyTypeText(k[key::kType])});
    item.fields.push_back({"Полный номер ключа", full});
    item.fields.push_back({"Постановка на охрану", yesNo(k[key::kRights] & 0x01)});
    item.fields.push_back({"Снятие с охраны", yesNo(k[key::kRights] & 0x02)});
    item.fields.push_back({"Доступ", yesNo(k[key::kRights] & 0x04)});
    return item;
}

std::string objectNameIn(const LcpDatabase* d, int number) {
    if (!d || number == 0 || !d->objectUsed(number - 1)) return {};
    return nameText(objectName(d->objects[static_cast<std::size_t>(number - 1)]));
}

}  // namespace

void DBS5::PrintDatabase(PrintSurface& surface) {
    std::vector<PrintSection> sections;
    PrintSection console{"Пульт", {}};
    PrintItem top{"Версан С5", {}};
    top.fields.push_back({"Версия ПО прибора",
                          firmwareVersion < 0 ? "Неизвестна" : std::to_string(firmwareVersion)});
    top.fields.push_back({"Количество LCP", std::to_string(lcpCount())});
    console.items.push_back(std::move(top));
    sections.push_back(std::move(console));

    PrintSection keys{"Ключи пульта", {}};
    for (int k = 0; k < kCommonKeys; ++k) {
        if (commonKeyUsed[static_cast<std::size_t>(k)])
            keys.items.push_back(keyItem(commonKeys[static_cast<std::size_t>(k)]));
    }
    if (!keys.items.empty()) sections.push_back(std::move(keys));

    for (int l = 1; l <= kMaxLcps; ++l) {
        const LcpDatabase* d = lcp(l);
        if (!d) continue;
        PrintSection section{"LCP " + std::to_string(l), {}};
        for (int j = 0; j < d->objectCount; ++j) {
            if (!d->objectUsed(j)) continue;
            const ObjectRecord& o = d->objects[static_cast<std::size_t>(j)];
            PrintItem item{nameText(objectName(o)), {}};
            item.fields.push_back({"Объект, запись БД", std::to_string(j + 1)});
            item.fields.push_back({"Основной объект", yesNo(o[obj::kFlags] & obj::kFlagMain)});
            const std::string parent = objectNameIn(d, o[obj::kParent]);
            if (!parent.empty()) item.fields.push_back({"Головной объект", parent});
            item.fields.push_back({"Тип объекта", objectTypeText(o[obj::kFlags])});
            item.fields.push_back({"Задержка срабатывания, сек.", std::to_string(o[obj::kDelay])});
            item.fields.push_back({"Переход на день", timeText(o[obj::kDayTime])});
            item.fields.push_back({"Переход на ночь", timeText(o[obj::kNightTime])});
            if (o[obj::kLinkedLcp] != 0) {
                item.fields.push_back(
                    {"Cвязанный LCP", "LCP " + std::to_string(o[obj::kLinkedLcp])});
                std::string linked = objectNameIn(lcp(o[obj::kLinkedLcp]), o[obj::kLinkedObject]);
                if (linked.empty()) linked = std::to_string(o[obj::kLinkedObject]);
                item.fields.push_back({"Cвязанный объект", linked});
            }
            section.items.push_back(std::move(item));
        }
        for (int j = 0; j < d->deviceCount; ++j) {
            if (!d->deviceUsed(j)) continue;
            const DeviceRecord& r = d->devices[static_cast<std::size_t>(j)];
            PrintItem item{nameText(deviceName(r)), {}};
            char serial[8];
            std::snprintf(serial, sizeof serial, "%04X", getU16(r, dev::kSerial));
            item.fields.push_back({"АУ, запись БД", std::to_string(j + 1)});
            item.fields.push_back({"Тип устройства", deviceTypeName(r[dev::kType])});
            item.fields.push_back({"Серийный номер", serial});
            const std::string owner = objectNameIn(d, r[dev::kObject]);
            item.fields.push_back({"Объект", owner.empty() ? "Нет" : owner});
            item.fields.push_back({"Блокировка АУ", (r[dev::kFlags] & dev::kFlagBlocked)
                                                        ? "Разрешена"
                                                        : "Запрещена"});
            section.items.push_back(std::move(item));
        }
        for (int j = 0; j < d->keyCount; ++j) {
            if (d->keyUsed(j))
                section.items.push_back(keyItem(d->keys[static_cast<std::size_t>(j)]));
        }
        sections.push_back(std::move(section));
    }
    printDatabaseTable(surface, databasePrintTitle(traits().name), sections);
}

}  // namespace tavrin
