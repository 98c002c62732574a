// Text conversions used across core.
//
// Core keeps its texts as UTF-8 in std::string. Texts that the panels and the
// settings file hold in 8 bits are Windows-1251 and are converted here with our
// own table (no iconv, no locale). Byte 0x98 has no character in Windows-1251;
// it maps to U+0098 and back, as the Windows conversion functions do, so every
// byte round-trips. A character with no Windows-1251 form becomes '?'.
//
// Where a rule counts "characters" (capacities, password positions) it counts
// UTF-16 code units, as the panels' Windows-era tools did; use the u16 helpers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tavrin {

// Unicode code point of a Windows-1251 byte.
char16_t cp1251ToUnicode(std::uint8_t byte);
// Windows-1251 byte of a code point, or -1 when it has none.
int unicodeToCp1251(char32_t codePoint);

std::string cp1251ToUtf8(std::string_view bytes);
// Characters without a Windows-1251 form become '?'.
std::string utf8ToCp1251(std::string_view utf8);
// True when every character of the UTF-8 text has a Windows-1251 form.
bool fitsCp1251(std::string_view utf8);

// Invalid UTF-8 sequences decode as U+FFFD; unpaired surrogates likewise.
std::u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::u16string_view utf16);

// Number of UTF-16 code units of a UTF-8 text.
std::size_t utf16Length(std::string_view utf8);
// The first n UTF-16 code units of a UTF-8 text (never splits a pair).
std::string utf8Prefix(std::string_view utf8, std::size_t units);

// Simple case folding of Latin and Cyrillic letters (А-Я, Ё and the other
// Windows-1251 Cyrillic letters) to lower case; other characters unchanged.
char16_t foldCase(char16_t c);
std::u16string foldCase(std::u16string_view s);
// Case-insensitive equality of two UTF-8 texts under foldCase.
bool equalsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace tavrin
