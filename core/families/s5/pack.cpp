// Derived computations of DBS5: object types, the link test, packing and the
// database checksums.
#include <algorithm>
#include <vector>

#include "families/s5/dbs5.h"

namespace tavrin {

using namespace s5;

namespace {

// Walks from object (L, j) through parents and cross-LCP links, calling
// `visit` for every object met (it returns true to stop). Each object is
// visited at most once, so a cycle of parents or links ends the walk.
template <typename Visit>
void walkObjects(const DBS5& db, int l, int j, Visit&& visit) {
    // Marks of the objects met, stamped with a walk number so that a walk
    // needs no clearing.
    thread_local std::vector<std::uint32_t> seen(static_cast<std::size_t>(kLcpTableSize) * kSlots,
                                                 0);
    thread_local std::uint32_t walk = 0;
    if (++walk == 0) {
        std::fill(seen.begin(), seen.end(), 0);
        walk = 1;
    }
    for (;;) {
        const LcpDatabase* d = db.lcp(l);
        if (!d || !d->objectUsed(j)) return;
        auto& mark = seen[static_cast<std::size_t>(l) * kSlots + static_cast<std::size_t>(j)];
        if (mark == walk) return;
        mark = walk;
        if (visit(l, j)) return;
        const ObjectRecord& o = d->objects[j];
        if (o[obj::kParent] != 0) {
            j = o[obj::kParent] - 1;
            continue;
        }
        if (o[obj::kLinkedLcp] == 0 || o[obj::kFlags] >= obj::kFlagMain) return;
        if (o[obj::kLinkedObject] == 0) return;
        l = o[obj::kLinkedLcp];
        j = o[obj::kLinkedObject] - 1;
    }
}

void setBit(std::uint8_t* map, int slot) {
    map[slot / 8] = static_cast<std::uint8_t>(map[slot / 8] | (1u << (slot % 8)));
}

bool testBit(const std::uint8_t* map, int slot) {
    return (map[slot / 8] >> (slot % 8)) & 1;
}

}  // namespace

void DBS5::MarkObjects() {
    for (int l = 1; l <= kMaxLcps; ++l) {
        LcpDatabase* d = lcp(l);
        if (!d) continue;
        for (auto& o : d->objects)
            o[obj::kFlags] &= static_cast<std::uint8_t>(~obj::kTypeMask);
    }
    for (int l = 1; l <= kMaxLcps; ++l) {
        const LcpDatabase* d = lcp(l);
        if (!d) continue;
        for (int i = 0; i < kSlots; ++i) {
            if (!d->deviceUsedFlags[i] || d->devices[i][dev::kObject] == 0) continue;
            const std::uint8_t flags = d->devices[i][dev::kFlags];
            const std::uint8_t bit = (flags & dev::kFlagTypeBit2)   ? 2
                                     : (flags & dev::kFlagTypeBit4) ? 4
                                                                    : 1;
            walkObjects(*this, l, d->devices[i][dev::kObject] - 1, [&](int ol, int oj) {
                std::uint8_t& f = lcps[ol]->objects[oj][obj::kFlags];
                if (!(f & obj::kFlagVirtual)) f |= bit;
                return false;
            });
        }
    }
}

bool DBS5::IsDescendant(int lcpA, int objectA, int lcpB, int objectB) const {
    bool met = false;
    walkObjects(*this, lcpA, objectA, [&](int l, int j) {
        met = l == lcpB && j == objectB;
        return met;
    });
    return met;
}

// ---- Packing -------------------------------------------------------------------------------

namespace {

// Packs one LCP: objects in tree order (each top object followed by its
// subordinate objects, depth first), devices and keys moved down. Fills
// objectMap with old slot -> new slot + 1 (0 for a free slot). True when
// anything moved.
bool packLcp(LcpDatabase& d, std::array<std::uint8_t, kSlots>& objectMap) {
    bool moved = false;
    objectMap.fill(0);

    // Parent of each used object; a parent naming a free slot or the object
    // itself names nothing.
    std::array<int, kSlots> parent{};
    for (int i = 0; i < kSlots; ++i) {
        parent[i] = -1;
        if (!d.objectUsedFlags[i]) continue;
        const int p = d.objects[i][obj::kParent] - 1;
        if (p >= 0 && p != i && d.objectUsedFlags[p]) parent[i] = p;
    }
    std::vector<int> order;
    std::array<bool, kSlots> placed{};
    auto placeTree = [&](int root) {
        std::vector<int> stack{root};
        while (!stack.empty()) {
            const int o = stack.back();
            stack.pop_back();
            if (placed[o]) continue;
            placed[o] = true;
            order.push_back(o);
            for (int c = kSlots - 1; c >= 0; --c) {
                if (parent[c] == o && !placed[c]) stack.push_back(c);
            }
        }
    };
    // Top objects first, then what hangs elsewhere (virtual objects without
    // a parent, cycles of parents), each with its subordinates.
    for (int i = 0; i < kSlots; ++i) {
        if (d.objectUsedFlags[i] && parent[i] < 0 &&
            !(d.objects[i][obj::kFlags] & obj::kFlagVirtual)) {
            placeTree(i);
        }
    }
    for (int i = 0; i < kSlots; ++i) {
        if (d.objectUsedFlags[i] && !placed[i]) placeTree(i);
    }
    for (std::size_t n = 0; n < order.size(); ++n) {
        objectMap[order[n]] = static_cast<std::uint8_t>(n + 1);
        if (order[n] != static_cast<int>(n)) moved = true;
    }

    // Device map: old slot -> new slot, -1 for free.
    std::array<int, kSlots> deviceMap{};
    int deviceTotal = 0;
    for (int i = 0; i < kSlots; ++i) {
        deviceMap[i] = d.deviceUsedFlags[i] ? deviceTotal++ : -1;
        if (deviceMap[i] >= 0 && deviceMap[i] != i) moved = true;
    }

    // Objects: new order, parents renumbered, child and device bitmaps rebuilt.
    std::array<ObjectRecord, kSlots> objects{};
    for (std::size_t n = 0; n < order.size(); ++n) {
        const int old = order[n];
        ObjectRecord o = d.objects[old];
        o[obj::kParent] = parent[old] >= 0 ? objectMap[parent[old]] : 0;
        std::fill(o.begin() + obj::kSubMap, o.begin() + obj::kSubMap + obj::kMapSize, 0);
        std::fill(o.begin() + obj::kDeviceMap, o.begin() + obj::kDeviceMap + obj::kMapSize, 0);
        for (int i = 0; i < kSlots; ++i) {
            if (deviceMap[i] >= 0 && testBit(d.objects[old].data() + obj::kDeviceMap, i)) {
                setBit(o.data() + obj::kDeviceMap, deviceMap[i]);
            }
        }
        objects[n] = o;
    }
    for (std::size_t n = 0; n < order.size(); ++n) {
        const int p = objects[n][obj::kParent];
        if (p != 0) setBit(objects[p - 1].data() + obj::kSubMap, static_cast<int>(n));
    }
    d.objects = objects;
    d.objectUsedFlags.fill(0);
    std::fill(d.objectUsedFlags.begin(),
              d.objectUsedFlags.begin() + static_cast<std::ptrdiff_t>(order.size()), 1);
    d.objectCount = static_cast<int>(order.size());

    // Devices: moved down; number and object follow.
    std::array<DeviceRecord, kSlots> devices{};
    std::array<std::array<std::uint8_t, 3>, kSlots> states{};
    for (int i = 0; i < kSlots; ++i) {
        if (deviceMap[i] < 0) continue;
        DeviceRecord r = d.devices[i];
        r[dev::kNumber] = static_cast<std::uint8_t>(deviceMap[i]);
        const int o = r[dev::kObject];
        r[dev::kObject] = o != 0 ? objectMap[o - 1] : 0;
        devices[deviceMap[i]] = r;
        states[deviceMap[i]] = d.deviceStates[i];
    }
    d.devices = devices;
    d.deviceStates = states;
    d.deviceUsedFlags.fill(0);
    std::fill(d.deviceUsedFlags.begin(), d.deviceUsedFlags.begin() + deviceTotal, 1);
    d.deviceCount = deviceTotal;

    // Keys: moved down; number = slot + 1.
    std::array<KeyRecord, kSlots> keys{};
    int keyTotal = 0;
    for (int i = 0; i < kSlots; ++i) {
        if (!d.keyUsedFlags[i]) continue;
        if (i != keyTotal) moved = true;
        keys[keyTotal] = d.keys[i];
        putU16(keys[keyTotal], key::kNumber, static_cast<std::uint16_t>(keyTotal + 1));
        ++keyTotal;
    }
    d.keys = keys;
    d.keyUsedFlags.fill(0);
    std::fill(d.keyUsedFlags.begin(), d.keyUsedFlags.begin() + keyTotal, 1);
    d.keyCount = keyTotal;
    return moved;
}

}  // namespace

bool DBS5::Pack() {
    bool moved = false;
    if (commonKeysNeedPacking) {
        int n = 0;
        for (int i = 0; i < kCommonKeys; ++i) {
            if (!commonKeyUsed[i]) continue;
            if (i != n) {
                moved = true;
                commonKeys[n] = commonKeys[i];
            }
            putU16(commonKeys[n], key::kNumber, static_cast<std::uint16_t>(n + 1));
            ++n;
        }
        for (int i = 0; i < kCommonKeys; ++i) {
            commonKeyUsed[i] = i < n ? 1 : 0;
            if (i >= n) {
                commonKeys[i] = {};
                putU16(commonKeys[i], key::kNumber, static_cast<std::uint16_t>(i + 1));
            }
        }
        commonKeyCount = n;
        commonKeysChanged = true;
        commonKeysNeedPacking = false;
    }

    std::array<std::array<std::uint8_t, kSlots>, kLcpTableSize> maps{};
    std::array<bool, kLcpTableSize> packed{};
    for (int l = 1; l <= kMaxLcps; ++l) {
        LcpDatabase* d = lcp(l);
        if (!d || !d->needsPacking) continue;
        d->readFromLcp = true;
        d->needsPacking = false;
        if (packLcp(*d, maps[l])) moved = true;
        packed[l] = true;
    }
    // Links from any LCP into a packed one follow the moved objects.
    for (int l = 1; l <= kMaxLcps; ++l) {
        LcpDatabase* d = lcp(l);
        if (!d) continue;
        for (int j = 0; j < d->objectCount; ++j) {
            if (!d->objectUsedFlags[j]) continue;
            ObjectRecord& o = d->objects[j];
            const int target = o[obj::kLinkedLcp];
            const int linked = o[obj::kLinkedObject];
            if (target < 1 || target > kMaxLcps || !packed[target] || linked == 0) continue;
            const std::uint8_t now = maps[target][linked - 1];
            if (now != 0 && now != linked) o[obj::kLinkedObject] = now;
        }
    }
    return moved;
}

// ---- Database checksums -----------------------------------------------------------------------

namespace {

std::uint16_t negateSum(std::uint32_t sum) {
    return static_cast<std::uint16_t>(0x10000u - (sum & 0xFFFFu));
}

std::uint32_t deviceSum(LcpDatabase& d) {
    std::uint32_t s = 0;
    for (int i = 0; i < d.deviceCount && i < kSlots; ++i) {
        storeDeviceChecksum(d.devices[i]);
        s += storedDeviceChecksum(d.devices[i]);
    }
    return s;
}

std::uint32_t objectSum(LcpDatabase& d) {
    std::uint32_t s = 0;
    for (int i = 0; i < d.objectCount && i < kSlots; ++i) {
        storeObjectChecksums(d.objects[i]);
        s += storedObjectChecksum2(d.objects[i]);
    }
    return s;
}

std::uint32_t keySum(std::span<KeyRecord> keys, int count) {
    std::uint32_t s = 0;
    for (int i = 0; i < count && i < static_cast<int>(keys.size()); ++i) {
        storeKeyChecksum(keys[i]);
        s += storedKeyChecksum(keys[i]);
    }
    return s;
}

}  // namespace

std::uint16_t DBS5::LcpChecksum(int number, int kind) {
    LcpDatabase* d = lcp(number);
    if (!d) return 0;
    switch (kind) {
        case 1:
            return negateSum(deviceSum(*d));
        case 2:
            return negateSum(objectSum(*d));
        case 3:
            return negateSum(keySum(d->keys, d->keyCount));
        default:
            return 0;
    }
}

std::uint16_t DBS5::LcpDatabaseChecksum(int number) {
    LcpDatabase* d = lcp(number);
    if (!d) return 0;
    return negateSum(deviceSum(*d) + objectSum(*d) + keySum(d->keys, d->keyCount));
}

std::uint16_t DBS5::CommonKeysChecksum() {
    return negateSum(keySum(commonKeys, commonKeyCount));
}

}  // namespace tavrin
