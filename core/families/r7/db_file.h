// The "Ордис Р7" database file: a pure codec over bytes, no I/O.
//
// Version 2 (written):
//   i32 version = 2
//   u32 L = bytes of the version string with its 16-bit terminator, 0 = none
//   L bytes of UTF-16LE text with terminator, present only when 2 < L <= 1000
//   records 0..2046, bytes 0..37 each
// Version 1 has no length and no string; version 0 has no string either and
// stores 39 bytes per record (bytes 0..38). A negative version carries
// nothing more. Record 2047 is never stored.
#pragma once

#include <cstdint>
#include <string>

#include "base/bytes.h"
#include "families/r7/records.h"

namespace tavrin::r7 {

constexpr std::int32_t kFileVersionWritten = 2;
constexpr std::uint32_t kMaxVersionStringBytes = 1000;
constexpr std::size_t kVersionTextUnits = 8;  // the version field holds 8 characters
// The longest file whose content is read; anything after it is never looked at.
constexpr std::size_t kMaxFileBytes =
    8 + kMaxVersionStringBytes + kFileRecordCount * kStoredRecordSizeV0;

struct FileDecode {
    bool versionRead = false;  // false: the data ended inside the version number
    std::int32_t version = 0;
    std::string versionText;   // UTF-8, at most 8 UTF-16 units
    int recordsRead = 0;       // complete records read into the table
    bool shortRecord = false;  // the data ended before all 2047 records
};

// Reads the records into `table` (which the caller has reset); an incomplete
// last record keeps the bytes that were there. Byte 38 of every record read
// is set to 0, the terminator the table keeps in memory.
FileDecode decodeFile(ByteSpan data, ElementTable& table);

// The version 2 file of a table; the version text is cut to 8 characters.
Bytes encodeFile(const ElementTable& table, const std::string& versionText);

}  // namespace tavrin::r7
