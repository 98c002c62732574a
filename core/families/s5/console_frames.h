// The request frames of the "Версан С5" console operations and the taking
// apart of their replies: pure codecs, no I/O. The link (link/console_link.h)
// carries the frames; the operations (transfer.cpp, journal.cpp, dust.cpp,
// sd_card.cpp) drive it.
//
// Database records travel as their disk images (the record without its
// in-memory terminator byte). Frames of a record series:
//   read  'o':  80 07 'o' LCP type index CRC      (LCP 0: the console's keys)
//   reply 0x70: 5s len 70 type LCP index record.. CRC
//   write 'n':  80 len 'n' LCP type index record.. CRC
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/seams.h"
#include "families/s5/link/exch_queue.h"
#include "families/s5/records.h"

namespace tavrin::s5 {

// ---- Record series ----------------------------------------------------------------

enum class RecordKind { Devices = 1, Objects = 2, Keys = 3 };

struct RecordKindInfo {
    RecordKind kind;
    std::uint8_t readType;   // 'o' request type and its reply type while more follow
    std::uint8_t lastType;   // the reply type of the last record; the write type of it
    std::uint8_t writeType;  // 'n' type of every record but the last
    std::size_t wireSize;    // the record's bytes on the wire
    int readReplyLength;     // the length of a reply frame of the series
};

inline constexpr RecordKindInfo kDeviceSeries{RecordKind::Devices, 'U', 'V', 'T',
                                              dev::kDiskSize,      70};
inline constexpr RecordKindInfo kObjectSeries{RecordKind::Objects, 'Q', 'X', 'P',
                                              obj::kDiskSize,      103};
inline constexpr RecordKindInfo kKeySeries{RecordKind::Keys, 'S', 'W', 'R', key::kDiskSize, 39};

const RecordKindInfo& kindInfo(RecordKind kind);
// The kind of a read request type ('U', 'Q', 'S'), or nullptr.
const RecordKindInfo* kindOfReadType(std::uint8_t type);

// Offsets in the frames of a series.
inline constexpr std::size_t kOffSeriesLcp = 3;    // request
inline constexpr std::size_t kOffSeriesType = 4;   // request
inline constexpr std::size_t kOffSeriesIndex = 5;  // request and reply
inline constexpr std::size_t kOffReplyType = 3;
inline constexpr std::size_t kOffReplyLcp = 4;
inline constexpr std::size_t kOffRecord = 6;  // the record in a reply and in a write
// A write of a record is answered by a frame this long (0x71).
inline constexpr int kWriteReplyLength = 5;
// The series counter is one byte: a series holds at most this many records.
inline constexpr int kMaxSeriesLength = 255;
// The end of a direct read of an LCP's devices: a reply whose index is this.
inline constexpr std::uint8_t kDirectSeriesEnd = 0xFF;

// The request that reads a series of LCP L (0: the console's keys).
ExchRecPtr readSeriesRequest(int lcp, const RecordKindInfo& kind);
// The request that reads the devices of LCP L from the LCP itself ('m' '1').
ExchRecPtr directDeviceReadRequest(int lcp);
// One record of a write: the more-type for all but the last record.
ExchRecPtr writeRecordRequest(int lcp, const RecordKindInfo& kind, int index, bool last,
                              ByteSpan wire);
// An empty table of a kind: the last-type record of index 0, all zero (the
// console ends its series on it and keeps nothing of that kind).
ExchRecPtr emptyTableRequest(int lcp, const RecordKindInfo& kind);

// The record a series reply carries, when the reply belongs to the request
// (a reply type of the series, the request's index) and is long enough;
// nothing otherwise.
std::optional<ByteSpan> seriesRecord(const ExchRec& rec, const RecordKindInfo& kind);
// True for a record whose bytes are all zero: the console's way of saying
// that it holds no record of the kind (a real record always has a non-zero
// byte: its number or its checksum).
bool emptyRecord(ByteSpan wire);

// ---- Checksum question 't' ----------------------------------------------------------

inline constexpr int kChecksumReplyLength = 6;
ExchRecPtr checksumRequest(int lcp, int kind);

// ---- Files of the console 'v' --------------------------------------------------------

// The frame carries the name in 8-bit text; longer names do not fit a frame.
inline constexpr std::size_t kMaxFileNameBytes = 249;
inline constexpr std::uint8_t kFileChunkMore = 'R';
inline constexpr std::uint8_t kFileChunkLast = 'T';
inline constexpr std::size_t kOffChunk = 4;      // reply: u16 chunk number
inline constexpr std::size_t kOffChunkData = 6;  // reply: the chunk's bytes up to the checksum
// Nothing when the name is empty or too long for a frame.
ExchRecPtr readFileRequest(const std::string& name8bit);

// ---- Dustiness 'u' ---------------------------------------------------------------------

ExchRecPtr dustRequest(int lcp);
struct DustPair {
    std::uint8_t slot;
    std::uint8_t value;
};
// The LCP a dustiness reply names and its (slot, value) pairs.
struct DustReply {
    int lcp = -1;
    std::vector<DustPair> pairs;
};
DustReply parseDustReply(ByteSpan reply);

// ---- SD card 0xF0, program replacement 0xF1, events 0xF2, clock 0xF3 -------------------

inline constexpr std::size_t kSdChunkSize = 80;
// Chunk numbers are 15 bits: bit 7 of the number's high byte flags the last chunk.
inline constexpr int kSdMaxChunks = 0x7FFF;
inline constexpr std::uint8_t kSdLastFlag = 0x80;
// The chunks a file of `size` bytes goes in: every full 80 bytes, then one
// shorter chunk flagged as the last (empty when the size is a multiple of 80).
int sdChunkCount(std::size_t size);
// The header naming the file (80 len F0 00 00 name.. CRC), then its chunks
// numbered from 1: 80 len F0 number-low number-high data.. 00 CRC, the frame
// being the data + 7 bytes long.
std::vector<ExchRecPtr> sdWriteRequests(const std::string& name8bit, ByteSpan data);
ExchRecPtr replaceProgramRequest(const std::string& name8bit, int target);
ExchRecPtr clearEventsRequest(int kinds);
// Year high, year low, month, day, weekday (0 = Sunday), hour, minute, second.
ExchRecPtr clockRequest(const LocalTime& time);

}  // namespace tavrin::s5
