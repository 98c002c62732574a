// The demo database of a simulated "Талвир К2" panel: a small office
// building as a field engineer meets it, built with the product's own
// database type so that every record is one the configurator writes.
#include <filesystem>
#include <string>

#include "base/text.h"
#include "families/k2/dbk2.h"
#include "families/k2/records.h"
#include "k2_memory.h"
#include "link/app_context.h"

namespace panelsim::k2 {

namespace {

using namespace tavrin::k2;

void setName(tavrin::DBK2& db, int index, const char* utf8) {
    const std::string text = tavrin::utf8ToCp1251(utf8);
    auto& n = db.names[static_cast<std::size_t>(index)];
    n.fill(' ');
    for (std::size_t i = 0; i < text.size() && i < n.size(); ++i)
        n[i] = static_cast<std::uint8_t>(text[i]);
}

// A device of `type` on `loop`, with a serial number of its own.
void addDevice(tavrin::DBK2& db, int type, int loop) {
    const int i = db.CreateElement(type, 0);
    if (i < 0) return;
    DeviceRecord& d = db.devices[static_cast<std::size_t>(i)];
    const int serial = 10240 + 37 * i;
    d[kDevSerial] = static_cast<std::uint8_t>(serial & 0xFF);
    d[kDevSerial + 1] = static_cast<std::uint8_t>(serial >> 8);
    d[kDevLoop] = static_cast<std::uint8_t>(loop);
    // Sounders go off on the first trigger condition.
    if (type == kTypeUop) d[kDevTypeCond] = static_cast<std::uint8_t>(type);
}

}  // namespace

Bytes demoDatabaseFile() {
    tavrin::DBK2 db(0, tavrin::makeAppContext(std::filesystem::temp_directory_path()));
    db.ResetDatabase();

    // Fire loops: smoke detectors and a manual call point in each.
    struct Loop {
        int loop;
        const char* name;
        int detectors;
    };
    const Loop fire[] = {{32, "Склад 1", 6},     {33, "Склад 2", 5},   {34, "Офис 1 этаж", 5},
                         {35, "Офис 2 этаж", 5}, {36, "Серверная", 3}, {37, "Лестница", 2}};
    for (const Loop& l : fire) {
        setName(db, db.loops[static_cast<std::size_t>(l.loop)][kLoopNameIndex], l.name);
        for (int n = 0; n < l.detectors; ++n)
            addDevice(db, kTypeDip, l.loop);
        addDevice(db, kTypeIpr, l.loop);
    }
    addDevice(db, kTypeTk, 34);
    // Security loops.
    const Loop security[] = {
        {0, "Вход", 2}, {1, "Окна 1 этаж", 3}, {2, "Касса", 1}, {3, "Архив", 1}};
    for (const Loop& l : security) {
        setName(db, db.loops[static_cast<std::size_t>(l.loop)][kLoopNameIndex], l.name);
        for (int n = 0; n < l.detectors; ++n)
            addDevice(db, n % 2 ? kTypeIpg : kTypeKtm, l.loop);
    }
    // A monitoring loop and the output devices.
    setName(db, db.loops[64][kLoopNameIndex], "Насосная");
    addDevice(db, kTypeDka, 64);
    addDevice(db, kTypeUop, 32);
    addDevice(db, kTypeUop, 34);
    addDevice(db, kTypeBrp, 35);

    // Keys: the guards' duty keys and the employees' keys of the security
    // loops, each with its own code.
    for (int k = 0; k < 8; ++k) {
        const int i = db.CreateKey();
        if (i < 0) break;
        KeyRecord& key = db.keys[static_cast<std::size_t>(i)];
        for (std::size_t b = 0; b < kKeyCodeSize; ++b)
            key[kKeyCode + b] = static_cast<std::uint8_t>(0x11 * (k + 1) + 0x07 * b);
        key[kKeyKind] = static_cast<std::uint8_t>((k < 2 ? 0 : kKeyEmployeeBit) | kGroupSecurity);
        key[kKeyApplication] = static_cast<std::uint8_t>(k < 2 ? 0x0F : (1u << (k % 4)));
    }
    db.UpdateLoopContent();
    return db.SerializeFile();
}

}  // namespace panelsim::k2
