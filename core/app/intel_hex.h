// Reader of the Intel HEX firmware files of "Ордис Р7" into the
// firmware image of firmware_image.h.
//
// Records are taken line by line while a line starts with ':' (a CR before
// the line feed and a last line without a line feed are accepted). Each record
// is checked: hexadecimal pairs only, a byte count that matches the pairs, at
// most 16 data bytes, a zero byte sum, data that stays inside its 65536-byte
// segment, a type-4 record with exactly two bytes. Type 0 writes data, type 4
// starts a segment, other types are only checked.
#pragma once

#include <string>

#include "base/bytes.h"
#include "base/seams.h"

namespace tavrin {

inline constexpr int kHexMaxDataBytes = 16;
inline constexpr int kHexMaxSegments = 256;
inline constexpr const char* kHexReadTitle = "Чтение программы прибора";
inline constexpr const char* kHexChecksumError = "Ошибка КС в файле";

struct HexImage {
    bool ok = false;
    std::string error;  // the message shown when !ok (title kHexReadTitle)
    Bytes image;        // segments as firmware_image.h lays them out
    int segmentCount = 0;
    int recordCount = 0;  // records read
};

// `progress` (may be null) gets the range 0 .. number of ':' in the text, is
// shown, and follows the record number.
HexImage readIntelHex(ByteSpan text, Progress* progress);

}  // namespace tavrin
