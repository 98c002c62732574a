// The "Версан С5" database folder: the pure codecs of its files.
//
//   DBAU.0NN   devices of LCP NN, 63-byte records (device bytes 0..60, 62..63)
//   DBOBJ.0NN  objects of LCP NN, 96-byte records (object bytes 0..21, 23..96)
//   DBKEY.0NN  keys of LCP NN, 32-byte records (key bytes 0..22, 24..32)
//   Keys.conf  console keys, 32-byte records
//   Soob.conf  16 messages: u32 length (text + zero; 0 = absent), then the
//              text and its zero when the length is above 1
//   ARCH.dat   archive list, 12-byte names, 8-bit, not terminated
//
// Records follow each other without header; record k is slot k. A trailing
// partial record is ignored and records past the table's capacity are not
// read. Names are blank-padded to 20 bytes on disk and trimmed in memory.
// DBS5::LoadFromDisk and DBS5::SaveToDisk do the file work around these.
#pragma once

#include <array>
#include <span>
#include <string>
#include <vector>

#include "families/s5/lcp_database.h"
#include "families/s5/records.h"

namespace tavrin::s5 {

// File names inside the folder; NN is the LCP number printed with "%02d".
std::string deviceFileName(int lcp);  // "DBAU.0NN"
std::string objectFileName(int lcp);  // "DBOBJ.0NN"
std::string keyFileName(int lcp);     // "DBKEY.0NN"
inline constexpr const char* kCommonKeysFile = "Keys.conf";
inline constexpr const char* kMessagesFile = "Soob.conf";
inline constexpr const char* kArchiveFile = "ARCH.dat";
constexpr std::size_t kArchiveEntrySize = 12;
// Largest files read: the tables' capacities (the rest is never read).
constexpr std::size_t kMaxMessagesFileSize = 1u << 20;
constexpr std::size_t kMaxArchiveEntries = 1u << 16;

// Each parser fills the table from slot 0, marks the slots used, sets the
// count and returns the number of records read.
int parseDevices(ByteSpan data, LcpDatabase& lcp);
int parseObjects(ByteSpan data, LcpDatabase& lcp);
int parseKeys(ByteSpan data, std::span<KeyRecord> keys, std::span<std::uint8_t> used);
// Sixteen entries; an entry with length 0 or 1, or one that runs past the
// end of the data, gives an absent (empty) message, and so do the entries
// after one that runs past the end. Texts are cut at their first zero byte.
void parseMessages(ByteSpan data, std::array<std::string, kMessages>& messages);
// UTF-8 names; each ends at its first zero byte.
std::vector<std::string> parseArchiveList(ByteSpan data);

// The file images of the records below the count. The checksums are
// computed and stored into the records first.
Bytes serializeDevices(LcpDatabase& lcp);
Bytes serializeObjects(LcpDatabase& lcp);
Bytes serializeKeys(std::span<KeyRecord> keys, int count);
Bytes serializeMessages(const std::array<std::string, kMessages>& messages);

}  // namespace tavrin::s5
