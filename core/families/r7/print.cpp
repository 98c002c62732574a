// Printing of the "Ордис Р7" table: the panel first ("Прибор"), then the
// objects, the keys and the devices with their parameters, drawn by the
// shared three-column layout of report/database_print.
#include <cstdio>

#include "families/r7/dbr7.h"
#include "families/r7/element_types.h"
#include "families/r7/event_table.h"
#include "report/database_print.h"

namespace tavrin {

using namespace r7;

void DBR7::PrintDatabase(PrintSurface& surface) {
    const auto nameOf = [this](std::uint16_t id) -> std::string {
        const int i = findElementById(id);
        return i >= 0 ? table()[static_cast<std::size_t>(i)].name() : std::string();
    };
    static const char* const kModes[] = {"Пожарный", "Охранный", "Контрольный", "Контроль двери"};

    PrintSection panel{"Прибор", {}};
    PrintSection objects{"Объекты", {}};
    PrintSection keys{"Ключи", {}};
    PrintSection devices{"Устройства", {}};
    for (const ElementRecord& r : table()) {
        if (r.isFree()) continue;
        PrintItem item{r.name(), {}};
        switch (r.type()) {
            case kTypePanel:
                item.fields.push_back({"Адрес", std::to_string(wireAddress(r.address()))});
                if (!firmwareVersionText.empty())
                    item.fields.push_back({"Версия ПО", firmwareVersionText});
                panel.items.push_back(std::move(item));
                break;
            case kTypeObject:
                item.fields.push_back({"Отключен", printYesNo(r.switchedOff())});
                if (r.reference1()) item.fields.push_back({"Объект 1", nameOf(r.reference1())});
                if (r.reference2()) item.fields.push_back({"Объект 2", nameOf(r.reference2())});
                objects.items.push_back(std::move(item));
                break;
            case kTypeKey:
                item.fields.push_back({"Вид", r.bytes[kOffKeyKind] == kKeyKindEmployee
                                                  ? "ключ сотрудника"
                                                  : "общий"});
                if (r.parent()) item.fields.push_back({"Объект", nameOf(r.parent())});
                keys.items.push_back(std::move(item));
                break;
            default: {
                const DeviceKind* kind = deviceKind(r.type());
                char type[16];
                std::snprintf(type, sizeof type, "0x%02x", r.type());
                item.fields.push_back({"Тип", kind ? kind->label : type});
                item.fields.push_back({"Объект", nameOf(r.parent())});
                item.fields.push_back({"Линия", lineLetter(r.line())});
                if (kind && kind->outputLike && r.outputMode() < 4)
                    item.fields.push_back({"Режим", kModes[r.outputMode()]});
                item.fields.push_back({"Отключено", printYesNo(r.switchedOff())});
                devices.items.push_back(std::move(item));
                break;
            }
        }
    }
    std::vector<PrintSection> sections{std::move(panel)};
    for (PrintSection* s : {&objects, &keys, &devices}) {
        if (!s->items.empty()) sections.push_back(std::move(*s));
    }
    printDatabaseTable(surface, databasePrintTitle(traits().name), sections);
}

}  // namespace tavrin
