#include "families/k2/database_print_k2.h"

#include <cstdio>

#include "families/k2/dbk2.h"

namespace tavrin {

namespace {

std::string yesNo(bool b) {
    return b ? "да" : "нет";
}

std::string hex(const std::uint8_t* bytes, std::size_t n) {
    std::string out;
    char buf[4];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "%02X", bytes[i]);
        out += buf;
    }
    return out;
}

}  // namespace

K2PrintData k2PrintData(const DBK2& db) {
    using namespace k2;
    K2PrintData data;
    for (int i = 0; i < kDeviceCount; ++i) {
        if (!db.IsDeviceInUse(i)) continue;
        const DeviceRecord& d = db.devices[static_cast<std::size_t>(i)];
        PrintItem item;
        item.name = db.DeviceLabel(i);
        item.fields.push_back({"Тип", DBK2::DeviceTypeName(deviceType(d))});
        char serial[8];
        std::snprintf(serial, sizeof serial, "%04X", deviceSerial(d));
        item.fields.push_back({"Серийный номер", serial});
        if (deviceType(d) == kTypeTk3) {
            static const char* const kSlots[3] = {"Шлейф A", "Шлейф B", "Шлейф C"};
            for (int slot = 0; slot < 3; ++slot) {
                const int loop = deviceLoopSlot(d, slot);
                if (loop < kLoopCount)
                    item.fields.push_back({kSlots[slot], db.LoopFullLabel(loop)});
            }
        } else if (deviceLoopSlot(d, 0) < kLoopCount) {
            item.fields.push_back({"Шлейф", db.LoopFullLabel(deviceLoopSlot(d, 0))});
        }
        item.fields.push_back({"Блокировка", yesNo(db.IsDeviceBlocked(i))});
        data.devices.push_back(std::move(item));
    }
    for (int m = 0; m < kLoopCount; ++m) {
        data.loops.push_back({db.LoopFullLabel(m), {{"Блокировка", yesNo(db.IsLoopBlocked(m))}}});
    }
    for (int k = 0; k < kKeyCount; ++k) {
        if (!db.IsKeyInUse(k)) continue;
        const KeyRecord& key = db.keys[static_cast<std::size_t>(k)];
        data.keys.push_back({k + 1,
                             {{"Код", hex(key.data() + kKeyCode, kKeyCodeSize)},
                              {"Вид", isEmployeeKey(key) ? "сотрудник" : "дежурный"}}});
    }
    return data;
}

}  // namespace tavrin
