// Length-prefixed UTF-16LE text of the database and journal files: a u32 byte
// count that includes the 16-bit terminator (2 x characters + 2; 0 for no
// text), then the characters and the terminator, present only when the count
// is above 2. So an empty text may be stored as count 2 with no bytes.
#pragma once

#include <optional>
#include <string>

#include "base/bytes.h"

namespace tavrin {

// Counts above this are not read: the entry stays absent.
constexpr std::uint32_t kMaxLpTextBytes = 1000;

enum class LpTextStatus {
    Ok,         // text read (possibly empty)
    Absent,     // count 0: no text
    TooLong,    // count above kMaxLpTextBytes: skipped, entry absent
    Truncated,  // the data ended inside the count or the characters
};

struct LpText {
    LpTextStatus status = LpTextStatus::Absent;
    std::optional<std::u16string> text;  // set only for Ok
};

// Reads one text. A count of 1 or 2 is an empty text. An odd count ignores
// its last byte. A too-long text is skipped when its bytes are all there
// (the reader then stands after them), otherwise Truncated.
LpText readLpText(ByteReader& in);

// Writes a text: absent gives count 0; empty gives count 2 and no bytes.
void writeLpText(ByteWriter& out, const std::optional<std::u16string>& text);

// Byte count that writeLpText gives for a text (without the 4 count bytes).
std::uint32_t lpTextByteCount(const std::optional<std::u16string>& text);

}  // namespace tavrin
