// Frames of the "Ордис Р7" panel: building requests and taking replies apart.
// No I/O here; everything works on byte arrays.
//
// Requests and replies have one shape:
//   byte 0         panel address (0 is sent as 1)
//   byte 1         0
//   byte 2         L = number of body bytes (bytes 3 .. L+2)
//   bytes 3..L+2   body: in a request byte 3 is 1 and byte 4 the command;
//                  in a reply byte 3 is 0 and byte 4 the command answered
//   byte L+3       Crc8 of bytes 0 .. L+2
// A reply with L = 3 is an acknowledgement when byte 5 is 0 and a refusal
// otherwise (byte 5: 1 checksum, 2 command, 3 rights).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "base/bytes.h"
#include "base/seams.h"
#include "families/r7/records.h"

namespace tavrin::r7 {

// ---- Commands ---------------------------------------------------------------------
constexpr std::uint8_t kCmdSetClock = 0;
constexpr std::uint8_t kCmdReadClock = 1;
constexpr std::uint8_t kCmdWriteRecord = 2;
constexpr std::uint8_t kCmdReadRecord = 3;
constexpr std::uint8_t kCmdReadJournalRecord = 4;
constexpr std::uint8_t kCmdJournalPosition = 5;
constexpr std::uint8_t kCmdReadVersion = 6;
constexpr std::uint8_t kCmdEndFirmware = 7;
constexpr std::uint8_t kCmdEndDatabase = 8;
constexpr std::uint8_t kCmdFirmwareData = 9;
constexpr std::uint8_t kSecondReplyType = 0x0A;  // byte 4 of the frame after a firmware ack

// ---- Frame layout -----------------------------------------------------------------
constexpr std::size_t kFrameAddress = 0;
constexpr std::size_t kFrameLength = 2;
constexpr std::size_t kFrameDirection = 3;  // 1 in a request, 0 in a reply
constexpr std::size_t kFrameCommand = 4;
constexpr std::size_t kFrameData = 5;  // command data; the status of an acknowledgement
constexpr std::size_t kHeaderSize = 3;
constexpr std::uint8_t kRequestMark = 1;
// The longest body that fits the exchange's 256-byte reply buffer.
constexpr int kMaxBody = 252;

// Body lengths (L).
constexpr int kAckBody = 3;
constexpr int kClockReplyBody = 8;     // 0, 1, year, month, day, hour, minute, second
constexpr int kRecordReplyBody = 42;   // 0, 3, index high, low, 38 record bytes
constexpr int kVersionReplyBody = 4;   // 0, 6, major, minor
constexpr int kPositionReplyBody = 4;  // 0, 5, position high, low
constexpr int kJournalRecordSize = 12;
constexpr int kJournalReplyBody = 4 + kJournalRecordSize;  // 0, 4, index high, low, record
constexpr int kFirmwareChunk = 64;                         // data bytes of one firmware frame
constexpr int kFirmwarePage = 256;                         // four frames

// Refusal statuses (byte 5 of a refusal).
constexpr std::uint8_t kStatusChecksum = 1;
constexpr std::uint8_t kStatusCommand = 2;
constexpr std::uint8_t kStatusRights = 3;

// The journal ring of the panel.
constexpr int kJournalCapacity = 2048;

// The address byte of a frame: 0 is sent as 1.
std::uint8_t wireAddress(int address);

// A request with body 1, command, data.
Bytes request(std::uint8_t address, std::uint8_t command, ByteSpan data = {});
// A reply with body 0, command, data (used by the built-in simulation).
Bytes reply(std::uint8_t address, std::uint8_t command, ByteSpan data);

Bytes readRecordRequest(std::uint8_t address, int index);
// Bytes 0..37 of the record, the name as its characters up to the first 0
// (at most 21) followed by blanks up to 21.
Bytes writeRecordRequest(std::uint8_t address, int index, const ElementRecord& record);
// year - 2000, month, day, hour, minute, second.
Bytes setClockRequest(std::uint8_t address, const LocalTime& t);
Bytes journalRecordRequest(std::uint8_t address, int index);
// Segment (high, low), address (high, low), 64 data bytes.
Bytes firmwareDataRequest(std::uint8_t address, std::uint16_t segment, std::uint16_t at,
                          ByteSpan chunk);

// Checks used by the exchange.
// True when byte L+3 is the Crc8 of bytes 0..L+2 (and the frame is that long).
bool checksumOk(ByteSpan frame);
// L of a frame, or -1 when the frame is shorter than its header and body.
int bodyLength(ByteSpan frame);
bool isRefusal(ByteSpan frame);
bool isAcknowledgement(ByteSpan frame);

// The code of a finished exchange with the refusal replaced by the code of
// its status (1 → 6, 2 → 10, 3 → 11, other → 2) when the reply has L = 3.
int mapRefusal(int code, ByteSpan reply);

struct RecordReply {
    int index = 0;
    ByteSpan bytes;  // the 38 stored bytes
};
// nullopt unless L = 42 and the frame holds its body.
std::optional<RecordReply> parseRecordReply(ByteSpan frame);

struct Version {
    int major = 0;
    int minor = 0;
};
std::optional<Version> parseVersionReply(ByteSpan frame);
// Year as 2000 + the two digits sent.
std::optional<LocalTime> parseClockReply(ByteSpan frame);
std::optional<int> parsePositionReply(ByteSpan frame);

using JournalEntry = std::array<std::uint8_t, kJournalRecordSize>;
struct JournalReply {
    int index = 0;
    JournalEntry record{};
};
std::optional<JournalReply> parseJournalReply(ByteSpan frame);

// A ring slot the panel has never written: all bytes 0x00 or all 0xFF.
bool isEmptyJournalRecord(const JournalEntry& record);

// Puts the panel's journal ring into time order, oldest first. `position` is
// the slot the panel writes next. When that slot holds a record the ring has
// wrapped and it is the oldest: slots position..2047 then 0..position-1 (all
// 2048). Otherwise the events are slots 0..position-1, and the empty slot at
// `position` is not listed.
std::vector<JournalEntry> orderJournalRing(const std::vector<JournalEntry>& ring, int position);

// Bytes on the wire of a whole database read (the version request and 2048
// record reads with their replies), and the time they take at a baud rate
// with 10 bits a byte.
std::int64_t databaseReadWireBytes();
double wireSeconds(std::int64_t bytes, int baud);

}  // namespace tavrin::r7
