// The correctness check of the "Ордис Р7" table: findings in three lists of
// at most 100 entries each (switched-off objects, switched-off devices,
// critical errors), the devices per kind and line, the devices per mode and
// line, the outcome (2 when a critical error was found) and the writable flag.
#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include "families/r7/dbr7.h"
#include "families/r7/element_types.h"
#include "report/finding_list.h"
#include "report/report_list.h"

namespace tavrin {

using namespace r7;

namespace {

constexpr int kLines = 4;
constexpr int kMaxDevicesPerLine = 128;
constexpr int kKeyCodeOffset = 6;
constexpr int kKeyCodeSize = 6;  // bytes 6..11

// Modes of byte 12 that have a statistics row.
constexpr const char* kModeNames[] = {"Пожарные", "Охранные", "Контрольные", "Контроль двери",
                                      "???"};
constexpr int kModes = 5;

std::string num(int n) {
    return std::to_string(n);
}

using LineCounts = std::array<int, kLines>;

std::vector<std::string> countRow(const std::string& name, const LineCounts& n) {
    int total = 0;
    std::vector<std::string> row{name};
    for (const int v : n) {
        row.push_back(num(v));
        total += v;
    }
    row.push_back(num(total));
    return row;
}

}  // namespace

int DBR7::CheckDatabase(ReportList* remarks, ReportList* deviceList, ReportList* functionList) {
    FindingList offObjects, offDevices, critical;
    const auto kinds = deviceKinds();
    std::vector<LineCounts> byKind(kinds.size(), LineCounts{});
    std::array<LineCounts, kModes> byMode{};
    LineCounts byLine{};
    std::vector<const ElementRecord*> keysSeen;

    for (const ElementRecord& r : table()) {
        // A finding names the element by its tree item: its record index.
        const auto item = static_cast<std::int32_t>(&r - table().data());
        if (r.id() == 0 || r.type() == kTypeFree) continue;
        const std::uint8_t type = r.type();
        if (type == kTypePanel) continue;
        if (type == kTypeObject) {
            if (r.switchedOff()) offObjects.add(r.name(), {}, item);
            continue;
        }
        if (type == kTypeKey) {
            const auto code = r.bytes.begin() + kKeyCodeOffset;
            if (std::all_of(code, code + kKeyCodeSize, [](std::uint8_t b) { return b == 0; })) {
                critical.add(r.name(), "Не задан номер ключа", item);
            } else if (std::any_of(keysSeen.begin(), keysSeen.end(), [&](const ElementRecord* k) {
                           return std::equal(code, code + kKeyCodeSize,
                                             k->bytes.begin() + kKeyCodeOffset);
                       })) {
                critical.add(r.name(), "Повторение полного номера ключа", item);
            }
            keysSeen.push_back(&r);
            continue;
        }

        // A device: of a known kind and under an object.
        const DeviceKind* kind = deviceKind(type);
        const int parentIndex = findElementById(r.parent());
        const ElementRecord* parent =
            parentIndex >= 0 ? &table()[static_cast<std::size_t>(parentIndex)] : nullptr;
        if (!kind || !parent || parent->type() != kTypeObject) {
            char text[160];
            const std::string parentName = parent ? parent->name() : "???";
            std::snprintf(text, sizeof text, "Некорр. тип устр-ва 0x%02x, объект %s", type,
                          parentName.c_str());
            critical.add(r.name(), text, item);
            continue;
        }
        if (r.switchedOff()) offDevices.add(r.name(), {}, item);
        const int line = r.line();
        if (line < 1 || line > kLines) {
            critical.add(r.name(), "Не задан шлейф.", item);
            continue;
        }
        const auto k = static_cast<std::size_t>(kind - kinds.data());
        ++byKind[k][static_cast<std::size_t>(line - 1)];
        ++byLine[static_cast<std::size_t>(line - 1)];
        // A mode without a row (not set, or unknown) is not counted.
        if (r.outputMode() < kModes) ++byMode[r.outputMode()][static_cast<std::size_t>(line - 1)];
    }
    static const char* const kLineNames[kLines] = {"Линия А", "Линия Б", "Линия В", "Линия Г"};
    for (int l = 0; l < kLines; ++l) {
        if (byLine[static_cast<std::size_t>(l)] > kMaxDevicesPerLine)
            critical.add(kLineNames[l], "Слишком много устройств!", -(l + 1));  // line group
    }

    if (remarks) {
        fillRemarks(*remarks,
                    {{"ОТКЛЮЧЕННЫЕ ОБЪЕКТЫ", &offObjects}, {"ОТКЛЮЧЕННЫЕ УСТРОЙСТВА", &offDevices}},
                    critical);
    }
    const auto lineColumns = [](const char* first, int width) {
        return std::vector<ReportColumn>{{first, width},   {"Линия А", 100}, {"Линия Б", 100},
                                         {"Линия В", 100}, {"Линия Г", 100}, {"Всего", 100}};
    };
    if (deviceList) {
        deviceList->clear();
        deviceList->columns = lineColumns("Устройство", 170);
        LineCounts all{};
        for (std::size_t k = 0; k < kinds.size(); ++k) {
            deviceList->addRow(countRow(kinds[k].label, byKind[k]));
            for (int l = 0; l < kLines; ++l)
                all[static_cast<std::size_t>(l)] += byKind[k][static_cast<std::size_t>(l)];
        }
        deviceList->addRow(countRow("Всего", all));
    }
    if (functionList) {
        functionList->clear();
        functionList->columns = lineColumns("Функция", 160);
        LineCounts all{};
        for (int m = 0; m < kModes; ++m) {
            functionList->addRow(countRow(kModeNames[m], byMode[static_cast<std::size_t>(m)]));
            for (int l = 0; l < kLines; ++l)
                all[static_cast<std::size_t>(l)] +=
                    byMode[static_cast<std::size_t>(m)][static_cast<std::size_t>(l)];
        }
        functionList->addRow(countRow("Всего", all));
    }

    const int outcome = critical.count() > 0 ? 2 : 0;
    writable = outcome < 2;
    return outcome;
}

}  // namespace tavrin
