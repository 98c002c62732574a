// The Intel HEX reader of the firmware command.
#include <gtest/gtest.h>

#include <cstdio>

#include "app/intel_hex.h"
#include "link/firmware_image.h"

namespace tavrin {
namespace {

// One record line with its checksum (or a wrong one when `badSum`).
std::string record(int type, int address, std::vector<int> data, bool badSum = false) {
    std::vector<int> bytes{static_cast<int>(data.size()), address >> 8, address & 0xFF, type};
    bytes.insert(bytes.end(), data.begin(), data.end());
    int sum = 0;
    for (int b : bytes)
        sum += b;
    bytes.push_back((0x100 - (sum & 0xFF) + (badSum ? 1 : 0)) & 0xFF);
    std::string line = ":";
    char hex[3];
    for (int b : bytes) {
        std::snprintf(hex, sizeof hex, "%02X", b);
        line += hex;
    }
    return line;
}

HexImage read(const std::string& text, NullProgress* progress = nullptr) {
    return readIntelHex(ByteSpan(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                        progress);
}

TEST(IntelHex, BuildsSegmentsWithStartEndAndData) {
    const std::string text = record(0, 0x1234, {1, 2, 3}) + "\r\n" +  // CRLF accepted
                             record(0, 0x1240, {4, 5}) + "\n" + record(4, 0, {0, 1}) + "\n" +
                             record(0, 0x0010, {9}) + "\n" + record(1, 0, {}) + "\n";
    NullProgress progress;
    const HexImage hex = read(text, &progress);
    ASSERT_TRUE(hex.ok) << hex.error;
    EXPECT_EQ(progress.high(), 5);
    EXPECT_EQ(progress.position(), 5);
    ASSERT_EQ(hex.segmentCount, 2);
    ASSERT_EQ(hex.image.size(), 2 * firmware::kSegmentSize);

    const auto s0 = firmware::segmentAt(hex.image, 0);
    EXPECT_EQ(s0.number, 0);
    EXPECT_EQ(s0.start, 0x1200u);  // low byte cleared
    EXPECT_EQ(s0.end, 0x1242u);    // the highest address fixes the end
    EXPECT_EQ(s0.data[0x1234], 1);
    EXPECT_EQ(s0.data[0x1236], 3);
    EXPECT_EQ(s0.data[0x1241], 5);
    EXPECT_EQ(s0.data[0x1237], 0xFF);  // untouched bytes stay erased

    const auto s1 = firmware::segmentAt(hex.image, 1);
    EXPECT_EQ(s1.number, 1);
    EXPECT_EQ(s1.start, 0u);
    EXPECT_EQ(s1.end, 0x11u);
    EXPECT_EQ(s1.data[0x10], 9);
}

TEST(IntelHex, SegmentSpansLowestToHighestAddressInAnyRecordOrder) {
    // Records of segment 1 written high page first: the span must still cover both.
    const std::string text = record(4, 0, {0, 1}) + "\n" + record(0, 0x0310, {1, 2}) + "\n" +
                             record(0, 0x0120, {3}) + "\n" + record(0, 0x0200, {4}) + "\n";
    const HexImage hex = read(text);
    ASSERT_TRUE(hex.ok) << hex.error;
    const auto s1 = firmware::segmentAt(hex.image, 1);
    EXPECT_EQ(s1.start, 0x0100u);
    EXPECT_EQ(s1.end, 0x0312u);
    EXPECT_EQ(s1.data[0x0120], 3);
    EXPECT_EQ(s1.data[0x0311], 2);
}

TEST(IntelHex, LastLineWithoutLineFeedIsRead) {
    const HexImage hex = read(record(0, 0x100, {7}));
    ASSERT_TRUE(hex.ok);
    EXPECT_EQ(firmware::segmentAt(hex.image, 0).data[0x100], 7);
}

TEST(IntelHex, RefusesBrokenRecords) {
    std::vector<int> seventeen(17, 0xAA);
    struct Case {
        std::string text;
        const char* expected;  // part of the message
    } cases[] = {
        {record(0, 0, {1, 2}, true) + "\n", "Ошибка КС в файле"},
        {record(0, 0, seventeen) + "\n", "больше 16 байт"},
        {record(0, 0xFFF8, {1, 2, 3, 4, 5, 6, 7, 8, 9}) + "\n", "границу сегмента"},
        {record(4, 0, {1}) + "\n", "адреса сегмента"},
        {":0100000G01\n", "формат"},
        {":10000000\n", "формат"},
        {":0200000001FD\n", "длина"},  // count 2, one data byte
    };
    for (const auto& c : cases) {
        const HexImage hex = read(c.text);
        EXPECT_FALSE(hex.ok) << c.text;
        EXPECT_NE(hex.error.find(c.expected), std::string::npos) << hex.error;
    }
}

TEST(IntelHex, ExactlyToTheSegmentEndIsAccepted) {
    const HexImage hex = read(record(0, 0xFFF0, std::vector<int>(16, 0x55)) + "\n");
    ASSERT_TRUE(hex.ok) << hex.error;
    EXPECT_EQ(firmware::segmentAt(hex.image, 0).end, 0x10000u);
}

TEST(IntelHex, StopsAtTheFirstLineWithoutColon) {
    const HexImage hex = read(record(0, 0, {1}) + "\nrest\n" + record(0, 1, {2}) + "\n");
    ASSERT_TRUE(hex.ok);
    EXPECT_EQ(hex.recordCount, 1);
    EXPECT_EQ(firmware::segmentAt(hex.image, 0).data[1], 0xFF);
}

}  // namespace
}  // namespace tavrin
