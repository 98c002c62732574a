// "Версан С5" records: checksums against sums worked out by hand, the disk
// images with their blank-padded names, and the item codes of the tree.
#include <gtest/gtest.h>

#include "base/text.h"
#include "families/s5/records.h"

using namespace tavrin;
using namespace tavrin::s5;

namespace {

void putName(std::uint8_t* at, const char* ascii) {
    for (std::size_t i = 0; ascii[i]; ++i)
        at[i] = static_cast<std::uint8_t>(ascii[i]);
}

}  // namespace

TEST(S5Records, DeviceChecksumSumsBytes0To60WithThePaddedName) {
    DeviceRecord r{};
    r[0] = 5;
    r[1] = 37;
    r[2] = 8;
    r[3] = 0x82;
    putName(r.data() + 41, "AB");
    // 5 + 37 + 8 + 130 + 'A' + 'B' + 18 blanks = 887; 65536 - 887 = 0xFC89.
    EXPECT_EQ(deviceChecksum(r), 0xFC89);
    r[63] = 0x55;  // the checksum bytes themselves are outside the sum
    storeDeviceChecksum(r);
    EXPECT_EQ(r[62], 0x89);
    EXPECT_EQ(r[63], 0xFC);
    // An all-zero record sums 20 blanks: 640 -> 0xFD80.
    EXPECT_EQ(deviceChecksum(DeviceRecord{}), 0xFD80);
}

TEST(S5Records, ObjectChecksumsSecondCoversTheFirst) {
    ObjectRecord r{};
    r[0] = 0x81;
    r[1] = 2;
    putName(r.data() + 2, "O");
    r[22] = 0x7F;  // terminator position: not summed
    r[55] = 2;
    r[56] = 3;
    r[57] = 10;
    r[62] = 0x04;
    r[94] = 1;
    // First: 129 + 2 + 'O' + 19 blanks + 2 + 3 + 10 = 833 -> 0xFCBF.
    EXPECT_EQ(objectChecksum1(r), 0xFCBF);
    storeObjectChecksums(r);
    EXPECT_EQ(r[60], 0xBF);
    EXPECT_EQ(r[61], 0xFC);
    // Second: 833 + 0xBF + 0xFC + 4 + 1 = 1281 -> 0xFAFF.
    EXPECT_EQ(getU16(r, 95), 0xFAFF);
    EXPECT_EQ(objectChecksum2(r), 0xFAFF);
}

TEST(S5Records, KeyChecksumSkipsTheTerminator) {
    KeyRecord r{};
    r[0] = 1;
    r[1] = 7;
    putName(r.data() + 3, "K");
    r[23] = 0x40;  // not summed
    for (int i = 0; i < 6; ++i)
        r[24 + i] = static_cast<std::uint8_t>(i + 1);
    r[30] = 7;
    // 1 + 7 + 'K' + 19 blanks + 21 + 7 = 719 -> 0xFD31.
    EXPECT_EQ(keyChecksum(r), 0xFD31);
    storeKeyChecksum(r);
    EXPECT_EQ(getU16(r, 31), 0xFD31);
}

TEST(S5Records, DiskImagesDropTheTerminatorAndPadNames) {
    DeviceRecord d{};
    for (std::size_t i = 0; i < d.size(); ++i)
        d[i] = static_cast<std::uint8_t>(i + 1);
    setNameText(deviceName(d), "ВЕРС");
    std::uint8_t image[dev::kDiskSize];
    deviceToDisk(d, image);
    EXPECT_EQ(image[40], 41);    // byte 40 as it is
    EXPECT_EQ(image[41], 0xC2);  // "В" in Windows-1251
    EXPECT_EQ(image[45], 0x20);  // padding
    EXPECT_EQ(image[60], 0x20);  // last name byte
    EXPECT_EQ(image[61], 63);    // checksum low byte (byte 62)
    EXPECT_EQ(image[62], 64);
    const DeviceRecord back = deviceFromDisk(image);
    EXPECT_EQ(nameText(deviceName(back)), "ВЕРС");
    EXPECT_EQ(back[45], 0);  // trailing blanks cut
    EXPECT_EQ(back[61], 0);

    ObjectRecord o{};
    for (std::size_t i = 0; i < o.size(); ++i)
        o[i] = static_cast<std::uint8_t>(i);
    std::uint8_t objImage[obj::kDiskSize];
    objectToDisk(o, objImage);
    EXPECT_EQ(objImage[21], 21);
    EXPECT_EQ(objImage[22], 23);  // byte 22 skipped
    EXPECT_EQ(objImage[95], 96);

    KeyRecord k{};
    for (std::size_t i = 0; i < k.size(); ++i)
        k[i] = static_cast<std::uint8_t>(i + 100);
    std::uint8_t keyImage[key::kDiskSize];
    keyToDisk(k, keyImage);
    EXPECT_EQ(keyImage[22], 122);
    EXPECT_EQ(keyImage[23], 124);  // byte 23 skipped
    EXPECT_EQ(keyImage[31], 132);
    EXPECT_EQ(keyFromDisk(keyImage)[23], 0);
}

TEST(S5Records, NameTrimKeepsInnerBlanks) {
    std::uint8_t field[kNameSize];
    std::fill(std::begin(field), std::end(field), kBlank);
    putName(field, "A B");
    trimName(field);
    EXPECT_EQ(field[1], ' ');
    EXPECT_EQ(field[3], 0);
    padName(field);
    EXPECT_EQ(field[3], ' ');
    EXPECT_EQ(field[19], ' ');
    // A name of 20 bytes is cut, not overrun.
    setNameText({field, kNameSize}, "ВЕРС-УОП 254 длинное имя");
    EXPECT_EQ(nameText({field, kNameSize}), "ВЕРС-УОП 254 длинное");
}

TEST(S5Records, ItemCodes) {
    struct Case {
        std::int32_t item;
        ItemKind kind;
        int lcp;
        int slot;
    };
    const Case cases[] = {
        {-100, ItemKind::Root, 0, 0},
        {-101, ItemKind::CommonKeys, 0, 0},
        {-99, ItemKind::Messages, 0, 0},
        {-1000, ItemKind::CommonKey, 0, 0},
        {-1999, ItemKind::CommonKey, 0, 999},
        {-2000, ItemKind::None, 0, 0},
        {-2, ItemKind::Lcp, 1, 0},
        {-65, ItemKind::Lcp, 64, 0},
        {-66, ItemKind::None, 0, 0},
        {1000, ItemKind::Object, 1, 0},
        {3254, ItemKind::Object, 3, 254},
        {3255, ItemKind::Device, 3, 0},
        {64509, ItemKind::Device, 64, 254},
        {2510, ItemKind::Key, 2, 0},
        {2764, ItemKind::Key, 2, 254},
        {2765, ItemKind::None, 0, 0},
        {65000, ItemKind::None, 0, 0},
        {999, ItemKind::None, 0, 0},
    };
    for (const auto& c : cases) {
        const ItemRef r = decodeItem(c.item);
        EXPECT_EQ(r.kind, c.kind) << c.item;
        if (c.kind != ItemKind::None) {
            EXPECT_EQ(r.lcp, c.lcp) << c.item;
            EXPECT_EQ(r.slot, c.slot) << c.item;
        }
    }
    EXPECT_EQ(deviceItem(3, 0), 3255);
    EXPECT_EQ(keyItem(2, 4), 2514);
    EXPECT_EQ(lcpItem(1), -2);
    EXPECT_EQ(commonKeyItem(5), -1005);
}
