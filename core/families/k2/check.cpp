// The correctness check: findings in four lists of at most 100 entries,
// the statistics of devices and loops, the outcome (2 when a critical error
// was found) and the writable flag. It also tidies the key slots not in use
// and the loop links that name no "У" loop.
#include <algorithm>
#include <array>
#include <vector>

#include "base/bit_set.h"
#include "families/k2/dbk2.h"
#include "families/k2/format.h"
#include "report/finding_list.h"
#include "report/report_list.h"

namespace tavrin {

using namespace k2;

namespace {

std::string num(int n) {
    return format("%d", n);
}

// The tree's item codes of what a finding is about: device i is i, the loop
// entry of slot s of a three-loop device i is 0x200 + 0x80 * s + i, loop m is
// 0x80 + m and key k is 0x100 + k.
std::int32_t deviceItem(int i) {
    return i;
}
std::int32_t slotItem(int i, int slot) {
    return 0x200 + 0x80 * slot + i;
}
std::int32_t loopItem(int m) {
    return 0x80 + m;
}
std::int32_t keyItem(int k) {
    return 0x100 + k;
}

}  // namespace

int DBK2::CheckDatabase(ReportList* remarks, ReportList* deviceList, ReportList* functionList) {
    FindingList possible, blockedLoopList, blockedDeviceList, critical;
    UpdateLoopContent();

    // ---- Devices --------------------------------------------------------------------------
    // Addresses 1..128 taken so far; 0 and numbers above 128 are never entered.
    std::array<bool, kDeviceCount + 1> addressTaken{};
    std::array<int, 16> onDutyByType{}, blockedByType{};
    std::array<int, 4> devicesByGroup{};
    int devicesOffLoop = 0;
    for (int i = 0; i < kDeviceCount; ++i) {
        if (!IsDeviceInUse(i)) continue;
        const DeviceRecord& d = devices[i];
        const int type = deviceType(d);
        const std::string typeName = DeviceTypeName(type);
        const int slots = type == kTypeTk3 ? 3 : 1;
        bool loopBlocked = false;
        for (int s = 0; s < slots; ++s) {
            const int loop = deviceLoopSlot(d, s);
            if (loop < kLoopCount) {
                ++devicesByGroup[loopGroup(loop)];
                loopBlocked = loopBlocked || IsLoopBlocked(loop);
            } else {
                ++devicesOffLoop;
            }
        }
        if (type == kTypeTk3) {
            const int address = i + 1;
            if (addressTaken[address])
                possible.add(format("АУ %d", d[kDevNumber]), "Совпадение адресов", deviceItem(i));
            addressTaken[address] = true;
            int missing = 0;
            for (int s = 0; s < 3; ++s)
                missing += deviceLoopSlot(d, s) >= kLoopCount;
            if (missing == 3) {
                critical.add(format("ТК3 %03d", i + 1), "Не заданы шлейфы.", deviceItem(i));
            } else {
                for (int s = 0; s < 3; ++s) {
                    if (deviceLoopSlot(d, s) >= kLoopCount)
                        possible.add(format("ТК3 %03d Шлейф %c", i + 1, "ABC"[s]),
                                     "Не задан шлейф.", slotItem(i, s));
                }
            }
        } else {
            const int number = d[kDevNumber];
            const std::string label = format("%s %03d", typeName.c_str(), number);
            if (number == 0 || number > kDeviceCount) {
                possible.add(label + ".", "Не задан адрес.", deviceItem(i));
            } else {
                if (addressTaken[number])
                    possible.add(label, "Совпадение адресов АУ", deviceItem(i));
                addressTaken[number] = true;
            }
            if (d[kDevLoop] >= kLoopCount) critical.add(label, "Не задан шлейф.", deviceItem(i));
            if ((type == kTypeMau || type == kTypeUop || type == kTypeUopv) &&
                deviceCondition(d) == kConditionNotChosen)
                critical.add(label, "Не выбрано условие срабатывания.", deviceItem(i));
            if (type == kTypeUopv && (firmwareVersion == 0 || firmwareVersion == 1))
                critical.add(label, "Не поддерживается. Нужно обновить версию ПО прибора.",
                             deviceItem(i));
        }
        if (IsDeviceBlocked(i) || loopBlocked) {
            const int shown = type == kTypeTk3 ? i + 1 : d[kDevNumber];
            blockedDeviceList.add(format("%s %03d.", typeName.c_str(), shown), {}, deviceItem(i));
            ++blockedByType[type];
        } else {
            ++onDutyByType[type];
        }
    }

    // ---- Loops ------------------------------------------------------------------------------
    std::array<int, 4> loopsByGroup{};
    for (int m = 0; m < kLoopCount; ++m) {
        if (IsLoopBlocked(m)) blockedLoopList.add(LoopShortLabel(m), {}, loopItem(m));
        if (loops[m][kLoopContent]) ++loopsByGroup[loopGroup(m)];
    }
    for (int m = kFirstControlLoop; m < kLoopCount; ++m) {
        if (loops[m][kLoopContent] && loops[m][kLoopLogic] == kNone)
            critical.add(LoopShortLabel(m), "Не выбрана логика работы", loopItem(m));
    }
    for (int m = 0; m < kFirstControlLoop; ++m) {
        for (int j = 0; j < kLoopLinkCount; ++j) {
            std::uint8_t& link = loops[m][kLoopLink1 + j];
            if (link == kNone) continue;
            // A link must name a "У" loop; anything else is cleared.
            if (link < kFirstControlLoop || link >= kLoopCount) {
                link = kNone;
                continue;
            }
            if (loops[link][kLoopLogic] != loopGroup(m))
                critical.add(LoopShortLabel(m), "Ошибка в логике работы", loopItem(m));
        }
    }

    // ---- Keys -------------------------------------------------------------------------------
    int dutyKeys = 0, employeeSecurity = 0, employeeOther = 0;
    for (int k = 0; k < kKeyCount; ++k) {
        KeyRecord& key = keys[k];
        if (!IsKeyInUse(k)) {
            ResetKey(key);
            continue;
        }
        const std::string label = format("Ключ %03d", k);
        if (isEmployeeKey(key)) {
            (keyLoopGroup(key) == 0 ? employeeSecurity : employeeOther) += 1;
            bool applied = false;
            for (std::size_t b = 0; b < kKeyApplicationSize; ++b)
                applied = applied || key[kKeyApplication + b];
            if (!applied) critical.add(label, "Не задано применение ключа", keyItem(k));
        } else {
            ++dutyKeys;
        }
        bool zero = true;
        for (std::size_t b = 0; b < kKeyCodeSize; ++b)
            zero = zero && key[kKeyCode + b] == 0;
        if (zero) {
            critical.add(label, "Не задан номер ключа", keyItem(k));
            continue;
        }
        for (int j = 0; j < k; ++j) {
            if (!IsKeyInUse(j)) continue;
            const KeyRecord& other = keys[j];
            if (std::equal(key.begin(), key.begin() + kKeyCodeSize, other.begin()))
                critical.add(label, format("Совпадение полных номеров ключей %03d и %03d", j, k),
                             keyItem(k));
            else if (key[kKeyOrdinal] == other[kKeyOrdinal])
                critical.add(label, format("Совпадение прорядковых номеров ключей %d и %d", j, k),
                             keyItem(k));
        }
    }

    // ---- Lists ---------------------------------------------------------------------------------
    if (remarks) {
        fillRemarks(*remarks,
                    {{"ВОЗМОЖНЫЕ ОШИБКИ", &possible},
                     {"ЗАБЛОКИРОВАННЫЕ ШЛЕЙФЫ", &blockedLoopList},
                     {"ЗАБЛОКИРОВАННЫЕ УСТРОЙСТВА", &blockedDeviceList}},
                    critical);
    }
    if (deviceList) {
        deviceList->clear();
        deviceList->columns = {
            {"Устройство", 160}, {"Используется", 170}, {"Заблокировано", 170}, {"Всего", 160}};
        int onDuty = 0, blocked = 0;
        for (int t = 0; t < 16; ++t) {
            const int total = onDutyByType[t] + blockedByType[t];
            if (total == 0) continue;
            deviceList->addRow(
                {DeviceTypeName(t), num(onDutyByType[t]), num(blockedByType[t]), num(total)});
            onDuty += onDutyByType[t];
            blocked += blockedByType[t];
        }
        deviceList->addRow({"Всего", num(onDuty), num(blocked), num(onDuty + blocked)});
    }
    if (functionList) {
        functionList->clear();
        functionList->columns = {{"", 100},
                                 {"Охранные", 95},
                                 {"Пожарные", 95},
                                 {"Контрольные", 120},
                                 {"Управляющие", 130},
                                 {"Всего", 90},
                                 {"Вне шлейфа", 120}};
        auto groupRow = [](const char* name, const std::array<int, 4>& n, std::string off) {
            return std::vector<std::string>{name,          num(n[0]),
                                            num(n[1]),     num(n[2]),
                                            num(n[3]),     num(n[0] + n[1] + n[2] + n[3]),
                                            std::move(off)};
        };
        functionList->addRow(groupRow("Шлейфы", loopsByGroup, ""));
        functionList->addRow(groupRow("Устройства", devicesByGroup, num(devicesOffLoop)));
        functionList->addRow({"Ключи", num(employeeSecurity), num(employeeOther), "",
                              format("Дежурные: %d", dutyKeys),
                              num(dutyKeys + employeeSecurity + employeeOther), ""});
    }

    const int outcome = critical.count() > 0 ? 2 : 0;
    writable = outcome < 2;
    return outcome;
}

}  // namespace tavrin
