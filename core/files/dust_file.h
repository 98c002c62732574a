// The dustiness file and its record: one smoke sensor's dust level with two
// texts naming it, as the families write them after reading the panel and
// the dustiness window shows, saves and reads again.
//
// File layout, little-endian: u32 record kind (0, 1 or 2), u32 format mark
// (always 1), u32 record count N, then N records of the kind:
//   kind 0 — 22 bytes: u8 LCP number, 20 bytes sensor name, u8 level;
//   kind 1 — the 61-byte record as it is;
//   kind 2 — the same 61 bytes (30 + 30 + 1). This is what is written.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/file_io.h"
#include "base/seams.h"

namespace tavrin {

constexpr std::size_t kDustRecordSize = 61;
constexpr std::size_t kDustTextSize = 30;     // bytes 0..29 first text, 30..59 second text
constexpr std::size_t kDustLevelOffset = 60;  // dust level in tens of percent
constexpr std::size_t kDustFileHeaderSize = 12;
constexpr std::size_t kDustKind0RecordSize = 22;  // LCP number, 20-byte name, level
constexpr std::size_t kDustKind0NameSize = 20;
constexpr std::uint32_t kDustFormatMark = 1;
constexpr std::uint32_t kDustKindWritten = 2;

// One sensor, 61 bytes, the same in memory and in the file. The texts are
// 8-bit Windows-1251, each ended by its first NUL byte (the bytes after it
// carry no meaning).
struct DustRecord {
    std::array<std::uint8_t, kDustRecordSize> bytes{};

    // Builds a record from UTF-8 texts (cut to 29 bytes so a NUL always ends
    // them) and a level.
    static DustRecord make(const std::string& first, const std::string& second, std::uint8_t level);

    std::string firstText() const;   // UTF-8
    std::string secondText() const;  // UTF-8
    std::uint8_t level() const { return bytes[kDustLevelOffset]; }

    bool operator==(const DustRecord&) const = default;
};

enum class DustReadStatus {
    Ok,
    NotOpened,  // the file could not be opened or read: no message
    NotDust,    // "Это не файл запыленности!\n" + path was shown
};

// Takes a dustiness file apart; `path` only goes into the message. Refused
// with "Это не файл запыленности!\n" + path titled "Чтение запыленности"
// (error icon): a format mark other than 1, a kind other than 0..2, and a
// file too short for its header or for the N records it claims (nothing is
// then loaded).
DustReadStatus parseDustinessFile(ByteSpan data, const std::string& path, Prompter& prompter,
                                  std::vector<DustRecord>& out);

// Reads a dustiness file from disk; false with the system's reason in
// `error` (no message) when the file cannot be read, false with the message
// when it is refused.
bool readDustinessFile(const std::string& path, Prompter& prompter, std::vector<DustRecord>& out,
                       FileError* error = nullptr);

// The bytes of a dustiness file of kind 2 with format mark 1.
Bytes encodeDustinessFile(const std::vector<DustRecord>& records);

// Writes a kind-2 file (replacing an old one atomically); false when it
// cannot be created.
bool writeDustinessFile(const std::string& path, const std::vector<DustRecord>& records,
                        FileError* error = nullptr);

}  // namespace tavrin
