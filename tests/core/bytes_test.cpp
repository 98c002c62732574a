#include <gtest/gtest.h>

#include "base/bit_set.h"
#include "base/bytes.h"
#include "base/crc8.h"
#include "base/lp_text.h"

namespace tavrin {
namespace {

TEST(Crc8, Vectors) {
    const std::string check = "123456789";
    EXPECT_EQ(Crc8({reinterpret_cast<const std::uint8_t*>(check.data()), check.size()}), 0xA1);
    EXPECT_EQ(Crc8({}), 0);
    const std::uint8_t one[] = {0x01};
    EXPECT_EQ(Crc8(one), 0x5E);
    // A frame followed by its own checksum sums to zero.
    std::uint8_t frame[] = {0x03, 0x10, 0x22, 0x00};
    frame[3] = Crc8(std::span(frame, 3));
    EXPECT_EQ(Crc8(frame), 0);
}

TEST(Bytes, ReadersNeverLeaveTheSpan) {
    const Bytes b = {0x01, 0x02, 0x03, 0x04, 0x05};
    EXPECT_EQ(getU16(b, 0), 0x0201);
    EXPECT_EQ(getU32(b, 1), 0x05040302u);
    EXPECT_EQ(getU32(b, 2), 0u);  // would run past the end
    EXPECT_EQ(getU16(b, 99), 0);
    Bytes w(3);
    EXPECT_FALSE(putU32(w, 0, 1));
    EXPECT_TRUE(putU16(w, 1, 0xBEEF));
    EXPECT_EQ(w, (Bytes{0x00, 0xEF, 0xBE}));

    ByteReader r(b);
    EXPECT_EQ(r.u32(), 0x04030201u);
    EXPECT_EQ(r.u16(), 0);  // one byte left
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.u8(), 0);  // stays failed
    std::uint8_t out[3] = {9, 9, 9};
    ByteReader r2(b);
    r2.skip(3);
    EXPECT_FALSE(r2.bytes(out));
    EXPECT_EQ(out[0], 4);
    EXPECT_EQ(out[1], 5);
    EXPECT_EQ(out[2], 0);  // zero-filled
}

TEST(BitSet, LeastSignificantBitFirst) {
    std::uint8_t set[2] = {};
    setBit(set, 0);
    setBit(set, 9);
    setBit(set, 16);  // outside: ignored
    EXPECT_EQ(set[0], 0x01);
    EXPECT_EQ(set[1], 0x02);
    EXPECT_TRUE(testBit(set, 9));
    EXPECT_FALSE(testBit(set, 16));
    clearBit(set, 9);
    EXPECT_EQ(set[1], 0);
}

TEST(LpText, WriteForms) {
    ByteWriter w;
    writeLpText(w, std::nullopt);
    writeLpText(w, std::u16string());
    writeLpText(w, u"Аб");
    EXPECT_EQ(w.data(), (Bytes{0, 0, 0, 0, 2, 0, 0, 0, 6, 0, 0, 0, 0x10, 0x04, 0x31, 0x04, 0, 0}));
}

TEST(LpText, ReadEdgeCases) {
    struct Case {
        const char* name;
        Bytes data;
        LpTextStatus status;
        std::optional<std::u16string> text;
        std::size_t position;
    } cases[] = {
        {"absent", {0, 0, 0, 0}, LpTextStatus::Absent, std::nullopt, 4},
        {"count 2 empty", {2, 0, 0, 0}, LpTextStatus::Ok, u"", 4},
        {"count 1 empty", {1, 0, 0, 0}, LpTextStatus::Ok, u"", 4},
        {"one char", {4, 0, 0, 0, 'x', 0, 0, 0}, LpTextStatus::Ok, u"x", 8},
        {"odd count", {5, 0, 0, 0, 'x', 0, 0, 0, 7}, LpTextStatus::Ok, u"x", 9},
        {"cut in count", {4, 0}, LpTextStatus::Truncated, std::nullopt, 2},
        {"cut in text", {6, 0, 0, 0, 'x', 0}, LpTextStatus::Truncated, std::nullopt, 6},
        {"1001 not read", {0xE9, 0x03, 0, 0}, LpTextStatus::Truncated, std::nullopt, 4},
        {"huge", {0xFF, 0xFF, 0xFF, 0xFF, 1}, LpTextStatus::Truncated, std::nullopt, 5},
    };
    for (const auto& c : cases) {
        ByteReader r(c.data);
        const LpText t = readLpText(r);
        EXPECT_EQ(t.status, c.status) << c.name;
        EXPECT_EQ(t.text, c.text) << c.name;
        EXPECT_EQ(r.position(), c.position) << c.name;
    }
    // A count of exactly 1000 is read; 1002 with all its bytes is skipped.
    Bytes ok(4 + 1000, 0);
    ok[0] = 0xE8;
    ok[1] = 0x03;
    ok[4] = 'a';
    ByteReader r1(ok);
    EXPECT_EQ(readLpText(r1).text->size(), 499u);
    Bytes skip(4 + 1002, 0);
    skip[0] = 0xEA;
    skip[1] = 0x03;
    ByteReader r2(skip);
    EXPECT_EQ(readLpText(r2).status, LpTextStatus::TooLong);
    EXPECT_EQ(r2.position(), skip.size());
}

}  // namespace
}  // namespace tavrin
