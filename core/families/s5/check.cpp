// DBS5: the correctness check shown in the analysis window and run before a
// write. Critical findings stop the write: more console keys than one series
// carries, an object whose parent or link names no record or closes a loop,
// a device whose object byte names no object. Remarks that do not stop it:
// keys without a full number or sharing one, objects without devices. The device list counts the
// devices by type, the function list the records of each LCP. The check never packs the database:
// packing happens on saving and at the start of every transfer.
#include <algorithm>
#include <array>
#include <map>

#include "families/s5/console_frames.h"
#include "families/s5/dbs5.h"
#include "report/finding_list.h"
#include "report/report_list.h"

namespace tavrin {

using namespace s5;

namespace {

std::string num(int n) {
    return std::to_string(n);
}

std::string where(int l, const std::string& name) {
    return "LCP " + num(l) + ": " + name;
}

bool zeroNumber(const KeyRecord& k) {
    return std::all_of(k.begin() + key::kFullNumber,
                       k.begin() + key::kFullNumber + key::kFullNumberSize,
                       [](std::uint8_t b) { return b == 0; });
}

std::array<std::uint8_t, key::kFullNumberSize> fullNumber(const KeyRecord& k) {
    std::array<std::uint8_t, key::kFullNumberSize> n{};
    std::copy(k.begin() + key::kFullNumber, k.begin() + key::kFullNumber + key::kFullNumberSize,
              n.begin());
    return n;
}

// Keys of one table (an LCP's or the console's): a missing full number and a
// number met twice are remarks.
struct KeyNumbers {
    std::map<std::array<std::uint8_t, key::kFullNumberSize>, int> seen;
    void check(const KeyRecord& k, const std::string& label, std::int32_t item, FindingList& out) {
        if (zeroNumber(k)) {
            out.add(label, "Не задан номер ключа", item);
            return;
        }
        if (++seen[fullNumber(k)] == 2) out.add(label, "Повторение полного номера ключа", item);
    }
};

}  // namespace

int DBS5::CheckDatabase(ReportList* remarks, ReportList* deviceList, ReportList* functionList) {
    FindingList notes, critical;

    // Console keys: one series carries at most 255 records.
    int consoleKeys = 0;
    KeyNumbers consoleNumbers;
    for (int i = 0; i < kCommonKeys; ++i) {
        if (!commonKeyUsed[static_cast<std::size_t>(i)]) continue;
        ++consoleKeys;
        const KeyRecord& k = commonKeys[static_cast<std::size_t>(i)];
        consoleNumbers.check(k, "Ключи пульта: " + nameText(keyOwner(k)), commonKeyItem(i), notes);
    }
    if (consoleKeys > kMaxSeriesLength) {
        critical.add("Ключи пульта",
                     "Ключей пульта больше " + num(kMaxSeriesLength) + ": прибор их не примет",
                     kItemCommonKeys);
    }

    // Devices by type name, in order of first appearance: total, in an
    // object.
    std::vector<std::string> typeOrder;
    std::map<std::string, std::array<int, 2>> byType;
    struct LcpCounts {
        int objects = 0, devices = 0, loose = 0, keys = 0;
    };
    std::vector<std::pair<int, LcpCounts>> perLcp;

    for (int l = 1; l <= kMaxLcps; ++l) {
        const LcpDatabase* d = lcp(l);
        if (!d) continue;
        LcpCounts counts;
        std::array<bool, kSlots> hasDevice{};
        for (int j = 0; j < kSlots; ++j) {
            if (!d->deviceUsed(j)) continue;
            const DeviceRecord& r = d->devices[static_cast<std::size_t>(j)];
            const std::string name = where(l, nameText(deviceName(r)));
            const int o = r[dev::kObject];
            ++counts.devices;
            const std::string type = deviceTypeName(r[dev::kType]);
            if (!byType.count(type)) typeOrder.push_back(type);
            auto& t = byType[type];
            ++t[0];
            if (o != 0 && !d->objectUsed(o - 1)) {
                critical.add(name, "Объект АУ не существует (запись " + num(o) + ")",
                             deviceItem(l, j));
            } else if (o != 0) {
                ++t[1];
                hasDevice[static_cast<std::size_t>(o - 1)] = true;
            } else {
                ++counts.loose;
            }
        }
        for (int j = 0; j < kSlots; ++j) {
            if (!d->objectUsed(j)) continue;
            ++counts.objects;
            const ObjectRecord& o = d->objects[static_cast<std::size_t>(j)];
            const std::string name = where(l, nameText(objectName(o)));
            const int parent = o[obj::kParent];
            const int linkedLcp = o[obj::kLinkedLcp];
            const int linked = o[obj::kLinkedObject];
            if (parent != 0 && !d->objectUsed(parent - 1)) {
                critical.add(name, "Головной объект не существует (запись " + num(parent) + ")",
                             objectItem(l, j));
            } else if (parent != 0 && IsDescendant(l, parent - 1, l, j)) {
                critical.add(name, "Объект подчинен сам себе через цепочку головных объектов",
                             objectItem(l, j));
            }
            if (parent == 0 && linkedLcp != 0 && !(o[obj::kFlags] & obj::kFlagMain)) {
                // The link is followed only from a top object that is not a
                // main object; its target must exist and must not lead back.
                const LcpDatabase* target = lcp(linkedLcp);
                if (!target || linked == 0 || !target->objectUsed(linked - 1)) {
                    critical.add(name,
                                 "Связанный объект не существует (LCP " + num(linkedLcp) +
                                     ", запись " + num(linked) + ")",
                                 objectItem(l, j));
                } else if (IsDescendant(linkedLcp, linked - 1, l, j)) {
                    critical.add(name, "Связи объектов образуют цикл", objectItem(l, j));
                }
            }
            if (!hasDevice[static_cast<std::size_t>(j)] && !(o[obj::kFlags] & obj::kFlagVirtual))
                notes.add(name, "В объекте нет АУ", objectItem(l, j));
        }
        KeyNumbers numbers;
        for (int j = 0; j < kSlots; ++j) {
            if (!d->keyUsed(j)) continue;
            ++counts.keys;
            const KeyRecord& k = d->keys[static_cast<std::size_t>(j)];
            numbers.check(k, where(l, nameText(keyOwner(k))), keyItem(l, j), notes);
        }
        perLcp.emplace_back(l, counts);
    }

    // A list that found more than it keeps says how many there were.
    if (remarks) fillRemarks(*remarks, {{"ЗАМЕЧАНИЯ", &notes}}, critical, true);
    if (deviceList) {
        deviceList->clear();
        deviceList->columns = traits().analysisDeviceColumns;
        std::array<int, 2> all{};
        for (const std::string& type : typeOrder) {
            const auto& t = byType[type];
            deviceList->addRow({type, num(t[0]), num(t[1]), num(t[0] - t[1])});
            for (std::size_t i = 0; i < all.size(); ++i)
                all[i] += t[i];
        }
        deviceList->addRow({"Всего", num(all[0]), num(all[1]), num(all[0] - all[1])});
    }
    if (functionList) {
        functionList->clear();
        functionList->columns = traits().analysisFunctionColumns;
        LcpCounts all;
        for (const auto& [l, c] : perLcp) {
            functionList->addRow(
                {"LCP " + num(l), num(c.objects), num(c.devices), num(c.loose), num(c.keys)});
            all.objects += c.objects;
            all.devices += c.devices;
            all.loose += c.loose;
            all.keys += c.keys;
        }
        functionList->addRow({"Ключи пульта", "", "", "", num(consoleKeys)});
        functionList->addRow({"Всего", num(all.objects), num(all.devices), num(all.loose),
                              num(all.keys + consoleKeys)});
    }

    const int outcome = critical.count() > 0 ? 2 : 0;
    writable = outcome < 2;
    return outcome;
}

}  // namespace tavrin
