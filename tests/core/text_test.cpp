#include <gtest/gtest.h>

#include "base/text.h"

namespace tavrin {
namespace {

TEST(Cp1251, EveryByteRoundTrips) {
    for (int b = 0; b < 256; ++b) {
        const char16_t u = cp1251ToUnicode(static_cast<std::uint8_t>(b));
        EXPECT_EQ(unicodeToCp1251(u), b) << "byte " << b;
    }
}

TEST(Cp1251, KnownCharacters) {
    struct Case {
        std::uint8_t byte;
        char16_t unicode;
    } cases[] = {
        {0x41, u'A'},
        {0xC0, u'А'},
        {0xDF, u'Я'},
        {0xE0, u'а'},
        {0xFF, u'я'},
        {0xA8, u'Ё'},
        {0xB8, u'ё'},
        {0xB9, u'№'},
        {0x88, u'€'},
        {0x96, u'–'},
        {0x98, 0x0098},  // the one unassigned byte maps to
                         // U+0098 and back
        {0xA0, 0x00A0},
        {0xB2, u'І'},
        {0xBF, u'ї'},
        {0x80, u'Ђ'},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cp1251ToUnicode(c.byte), c.unicode) << int(c.byte);
        EXPECT_EQ(unicodeToCp1251(c.unicode), c.byte) << int(c.byte);
    }
}

TEST(Cp1251, Utf8ConversionsAndUnmappable) {
    EXPECT_EQ(cp1251ToUtf8("\xCF\xF0\xE8\xE1\xEE\xF0"), "Прибор");
    EXPECT_EQ(utf8ToCp1251("Прибор"), "\xCF\xF0\xE8\xE1\xEE\xF0");
    // Characters without a Windows-1251 form become '?'.
    EXPECT_EQ(utf8ToCp1251("a中b😀"), "a?b?");
    EXPECT_FALSE(fitsCp1251("中"));
    EXPECT_TRUE(fitsCp1251("Талвир К2 №1"));
}

TEST(Utf, Utf16RoundTripAndMalformedInput) {
    const std::string s = "Ёж 😀 z";
    const std::u16string u = utf8ToUtf16(s);
    EXPECT_EQ(u.size(), 7u);  // the emoji is a surrogate pair
    EXPECT_EQ(utf16ToUtf8(u), s);
    EXPECT_EQ(utf8ToUtf16("\xFF"
                          "a\xC3"),
              u"\xFFFD"
              u"a\xFFFD");
    EXPECT_EQ(utf16ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx");  // lone surrogate
    EXPECT_EQ(utf16Length("Ж😀"), 3u);
    EXPECT_EQ(utf8Prefix("Ж😀a", 2), "Ж");  // never splits a pair
    EXPECT_EQ(utf8Prefix("Ж😀a", 3), "Ж😀");
}

TEST(Text, CaseInsensitiveLatinAndCyrillic) {
    EXPECT_TRUE(equalsIgnoreCase("Общее", "ОБЩЕЕ"));
    EXPECT_TRUE(equalsIgnoreCase("Ёлка", "ёЛКА"));
    EXPECT_TRUE(equalsIgnoreCase("COM", "com"));
    EXPECT_FALSE(equalsIgnoreCase("Лог", "Лога"));
    EXPECT_FALSE(equalsIgnoreCase("е", "ё"));
}

}  // namespace
}  // namespace tavrin
