#include "families/s5/records.h"

#include <algorithm>
#include <cstring>

#include "base/text.h"

namespace tavrin::s5 {

// ---- Names ------------------------------------------------------------------------

void padName(MutableByteSpan field) {
    const auto zero = std::find(field.begin(), field.end(), std::uint8_t{0});
    std::fill(zero, field.end(), kBlank);
}

void trimName(MutableByteSpan field) {
    std::size_t end = field.size();
    while (end > 0 && field[end - 1] == kBlank)
        --end;
    std::fill(field.begin() + static_cast<std::ptrdiff_t>(end), field.end(), std::uint8_t{0});
}

std::string nameText(ByteSpan field) {
    std::size_t n = 0;
    while (n < field.size() && field[n] != 0)
        ++n;
    while (n > 0 && field[n - 1] == kBlank)
        --n;
    return cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(field.data()), n));
}

void setNameText(MutableByteSpan field, const std::string& utf8) {
    const std::string bytes = utf8ToCp1251(utf8);
    const std::size_t n = std::min(bytes.size(), field.size());
    std::fill(field.begin(), field.end(), std::uint8_t{0});
    std::memcpy(field.data(), bytes.data(), n);
}

// ---- Checksums ------------------------------------------------------------------------

namespace {

std::uint32_t sumRange(const std::uint8_t* r, std::size_t first, std::size_t last) {
    std::uint32_t s = 0;
    for (std::size_t i = first; i <= last; ++i)
        s += r[i];
    return s;
}

std::uint16_t negate(std::uint32_t sum) {
    return static_cast<std::uint16_t>(0x10000u - (sum & 0xFFFFu));
}

template <std::size_t N>
std::array<std::uint8_t, N> padded(const std::array<std::uint8_t, N>& r, std::size_t nameAt) {
    std::array<std::uint8_t, N> copy = r;
    padName({copy.data() + nameAt, kNameSize});
    return copy;
}

}  // namespace

std::uint16_t deviceChecksum(const DeviceRecord& r) {
    const DeviceRecord p = padded(r, dev::kName);
    return negate(sumRange(p.data(), 0, dev::kTerminator - 1));
}

std::uint16_t objectChecksum1(const ObjectRecord& r) {
    const ObjectRecord p = padded(r, obj::kName);
    return negate(sumRange(p.data(), 0, obj::kTerminator - 1) +
                  sumRange(p.data(), obj::kTerminator + 1, obj::kChecksum1 - 1));
}

std::uint16_t objectChecksum2(const ObjectRecord& r) {
    const ObjectRecord p = padded(r, obj::kName);
    return negate(sumRange(p.data(), 0, obj::kTerminator - 1) +
                  sumRange(p.data(), obj::kTerminator + 1, obj::kChecksum2 - 1));
}

std::uint16_t keyChecksum(const KeyRecord& r) {
    const KeyRecord p = padded(r, key::kOwner);
    return negate(sumRange(p.data(), 0, key::kTerminator - 1) +
                  sumRange(p.data(), key::kTerminator + 1, key::kChecksum - 1));
}

void storeDeviceChecksum(DeviceRecord& r) {
    putU16(r, dev::kChecksum, deviceChecksum(r));
}

void storeObjectChecksums(ObjectRecord& r) {
    putU16(r, obj::kChecksum1, objectChecksum1(r));
    putU16(r, obj::kChecksum2, objectChecksum2(r));
}

void storeKeyChecksum(KeyRecord& r) {
    putU16(r, key::kChecksum, keyChecksum(r));
}

// ---- Disk images --------------------------------------------------------------------------

void deviceToDisk(const DeviceRecord& r, std::uint8_t (&out)[dev::kDiskSize]) {
    const DeviceRecord p = padded(r, dev::kName);
    std::memcpy(out, p.data(), dev::kTerminator);                       // bytes 0..60
    std::memcpy(out + dev::kTerminator, p.data() + dev::kChecksum, 2);  // bytes 62..63
}

void objectToDisk(const ObjectRecord& r, std::uint8_t (&out)[obj::kDiskSize]) {
    const ObjectRecord p = padded(r, obj::kName);
    std::memcpy(out, p.data(), obj::kTerminator);  // bytes 0..21
    std::memcpy(out + obj::kTerminator, p.data() + obj::kTerminator + 1,
                obj::kSize - obj::kTerminator - 1);  // bytes 23..96
}

void keyToDisk(const KeyRecord& r, std::uint8_t (&out)[key::kDiskSize]) {
    const KeyRecord p = padded(r, key::kOwner);
    std::memcpy(out, p.data(), key::kTerminator);  // bytes 0..22
    std::memcpy(out + key::kTerminator, p.data() + key::kTerminator + 1,
                key::kSize - key::kTerminator - 1);  // bytes 24..32
}

DeviceRecord deviceFromDisk(const std::uint8_t* in) {
    DeviceRecord r{};
    std::memcpy(r.data(), in, dev::kTerminator);
    std::memcpy(r.data() + dev::kChecksum, in + dev::kTerminator, 2);
    trimName(deviceName(r));
    return r;
}

ObjectRecord objectFromDisk(const std::uint8_t* in) {
    ObjectRecord r{};
    std::memcpy(r.data(), in, obj::kTerminator);
    std::memcpy(r.data() + obj::kTerminator + 1, in + obj::kTerminator,
                obj::kSize - obj::kTerminator - 1);
    trimName(objectName(r));
    return r;
}

KeyRecord keyFromDisk(const std::uint8_t* in) {
    KeyRecord r{};
    std::memcpy(r.data(), in, key::kTerminator);
    std::memcpy(r.data() + key::kTerminator + 1, in + key::kTerminator,
                key::kSize - key::kTerminator - 1);
    trimName(keyOwner(r));
    return r;
}

// ---- Device types ----------------------------------------------------------------------------

namespace {

constexpr DeviceType kDeviceTypes[] = {
    {8, "БПА %d", 0, 0x81},       {67, "БПА %d", 0, 0x81},      {12, "ВЕРС-ТС %d", 8, 0x81},
    {36, "ВЕРС-ТС %d", 8, 0x81},  {17, "ВЕРС-ДИП %d", 8, 0x81}, {25, "ВЕРС-ИПТ %d", 8, 0x81},
    {32, "ВЕРС-ИПТ %d", 8, 0x81}, {33, "ВЕРС-ТК %d", 8, 0x81},  {42, "ВЕРС-ТК %d", 8, 0x81},
    {37, "ВЕРС-ИПР %d", 8, 0x82}, {39, "ВЕРС-ИПГ %d", 0, 0x81}, {44, "ВЕРС-КТМ %d", 1, 0xA0},
    {84, "ВЕРС-КТМ %d", 1, 0xA0}, {45, "ВЕРС-КПТ %d", 0, 0x81}, {48, "ВЕРС-У %d", 4, 0x81},
    {49, "ВЕРС-УПТ %d", 4, 0x81}, {52, "ВЕРС-УОП %d", 4, 0x81},
};

}  // namespace

const DeviceType* deviceType(std::uint8_t code) {
    for (const auto& t : kDeviceTypes) {
        if (t.code == code) return &t;
    }
    return nullptr;
}

// ---- Item codes ------------------------------------------------------------------------------

ItemRef decodeItem(std::int32_t item) {
    if (item == kItemRoot) return {ItemKind::Root, 0, 0};
    if (item == kItemCommonKeys) return {ItemKind::CommonKeys, 0, 0};
    if (item == kItemMessages) return {ItemKind::Messages, 0, 0};
    if (item <= kItemCommonKeyBase && item > kItemCommonKeyBase - kCommonKeys) {
        return {ItemKind::CommonKey, 0, kItemCommonKeyBase - item};
    }
    if (item <= -2 && item >= -1 - kMaxLcps) return {ItemKind::Lcp, -1 - item, 0};
    if (item >= 1000) {
        const int lcp = item / 1000;
        const int j = item % 1000;
        if (lcp > kMaxLcps) return {};
        if (j < kDeviceItemOffset) return {ItemKind::Object, lcp, j};
        if (j < kKeyItemOffset) return {ItemKind::Device, lcp, j - kDeviceItemOffset};
        if (j < kKeyItemOffset + kSlots) return {ItemKind::Key, lcp, j - kKeyItemOffset};
    }
    return {};
}

std::string deviceTypeName(std::uint8_t type) {
    switch (type) {
        case 17:
            return "ДИП";
        case 8:
        case 67:
            return "БПА";
        case 49:
            return "УПТ";
        case 15:
        case 39:
            return "ИПГ";
        case 24:
        case 37:
            return "ИПР";
        case 25:
        case 32:
            return "ИПТ";
        case 33:
        case 42:
            return "ТК3";
        case 44:
        case 84:
            return "КТМ";
        case 45:
            return "КПР";
        case 48:
            return "ВЕРС-У";
        case 52:
            return "УОП";
        case 12:
        case 36:
            return "ТС";
        default:
            return std::to_string(type);
    }
}

}  // namespace tavrin::s5
