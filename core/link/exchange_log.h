// Line formats of the exchange log. A text line is "HH:MM:SS.mmm text\n" in
// Windows-1251 (an empty text writes "\n" alone); a byte line is the same
// stamp followed by each byte as two upper-case hex digits and a blank.
#pragma once

#include <cstddef>
#include <string>

#include "base/bytes.h"
#include "base/seams.h"

namespace tavrin {

// At most this many bytes go on one byte line; a frame of this length or
// longer is followed by the line "Недостаточная длина буфера в логе".
inline constexpr std::size_t kLogBytesMax = 330;
// Longer texts are cut to this many bytes.
inline constexpr std::size_t kLogTextMax = 300;

// "Tavrin_MM_DD_YY.log" of a date.
std::string logFileName(const LocalTime& date);
std::string logTextLine(const LocalTime& time, const std::string& text);
std::string logByteLine(const LocalTime& time, ByteSpan bytes);

}  // namespace tavrin
