// Frames of the "Талвир К2" panel: building requests and taking replies
// apart. No I/O here; everything works on byte arrays.
//
// Requests and replies have one shape:
//   byte 0        L = number of bytes after byte 0, the checksum included
//   bytes 1..L-1  body: in a request, byte 1 is the command and the rest its data
//   byte L        Crc8 of bytes 0..L-1
// The panel refuses a frame with the reply 02 FE and accepts a write with 02 FF.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/seams.h"

namespace tavrin::k2 {

// ---- Commands -------------------------------------------------------------------
constexpr std::uint8_t kCmdSetClock = 1;
constexpr std::uint8_t kCmdWriteDevices = 2;
constexpr std::uint8_t kCmdReadDevices = 3;
constexpr std::uint8_t kCmdWriteLoops = 4;
constexpr std::uint8_t kCmdReadLoops = 5;
constexpr std::uint8_t kCmdWriteKeysFirst = 6;  // bytes 0-5 of each key
constexpr std::uint8_t kCmdReadKeysFirst = 7;
constexpr std::uint8_t kCmdWriteKeysSecond = 8;  // bytes 6-11 of each key
constexpr std::uint8_t kCmdReadKeysSecond = 9;
constexpr std::uint8_t kCmdWriteNames = 10;
constexpr std::uint8_t kCmdReadNames = 11;
constexpr std::uint8_t kCmdReadJournal = 12;
constexpr std::uint8_t kCmdWriteDeviceMap = 14;
constexpr std::uint8_t kCmdReadDeviceMap = 15;
constexpr std::uint8_t kCmdWriteKeyMap = 16;
constexpr std::uint8_t kCmdReadKeyMap = 17;
constexpr std::uint8_t kCmdWritePanelBlock = 18;
constexpr std::uint8_t kCmdReadPanelBlock = 19;
constexpr std::uint8_t kCmdReadVersion = 20;
constexpr std::uint8_t kCmdReadActiveEvents = 20;  // + category 1..4: commands 21..24
constexpr std::uint8_t kCmdReadBlockedDevices = 25;
constexpr std::uint8_t kCmdReadBlockedLoops = 26;
constexpr std::uint8_t kCmdWriteBlockedDevices = 27;
constexpr std::uint8_t kCmdWriteBlockedLoops = 28;
constexpr std::uint8_t kCmdReadDustiness = 29;
constexpr std::uint8_t kCmdLastKnown = 138;  // the simulation refuses anything above

// ---- Frame layout -------------------------------------------------------------------
constexpr std::size_t kFrameLength = 0;   // L
constexpr std::size_t kFrameCommand = 1;  // request: the command; reply: the flags
constexpr std::size_t kReplyFlags = 1;
constexpr std::uint8_t kLastReplyFlag = 0x80;  // bit 7 of the flags: the last reply of a list
constexpr std::uint8_t kReplyRefused = 0xFE;   // 02 FE
constexpr std::uint8_t kReplyAccepted = 0xFF;  // 02 FF
constexpr std::size_t kMaxFrameLength = 255;

// Table replies: byte 2 echoes the first index asked for, whole records from byte 3.
constexpr std::size_t kTableReplyIndex = 2;
constexpr std::size_t kTableReplyRecords = 3;
// Block replies: the block from byte 2.
constexpr std::size_t kBlockReplyData = 2;
// Version reply: the text from byte 2; a reply with L below this is too short.
constexpr std::size_t kMinVersionReplyLength = 5;
// Journal replies: bytes 2-3 the number of the first record, records from byte 4.
constexpr std::size_t kJournalReplyNumber = 2;
constexpr std::size_t kJournalReplyRecords = 4;
// Active-event and dustiness replies: entries from byte 2.
constexpr std::size_t kListReplyEntries = 2;
constexpr std::uint8_t kNoActiveEvents = 0xFF;  // byte 2 of an empty category

// ---- Journal, active events, dustiness -------------------------------------------------
constexpr std::size_t kJournalRecordSize = 10;
constexpr std::size_t kJrCode = 0;
constexpr std::size_t kJrSecond = 1;
constexpr std::size_t kJrMinute = 2;
constexpr std::size_t kJrHour = 3;
constexpr std::size_t kJrDay = 4;
constexpr std::size_t kJrMonth = 5;
constexpr std::size_t kJrYear = 6;  // year - 2000
constexpr std::size_t kJrLoop = 7;  // 128 and above: none
constexpr std::size_t kJrDevice = 8;
constexpr std::size_t kJrType = 9;
constexpr int kJournalCapacity = 2339;

// An event as a reply carries it: code, loop, device number, type.
constexpr std::size_t kEventWireSize = 4;
// An active event as kept: category, code, loop, device number (index + 1), type.
constexpr std::size_t kActiveEventSize = 5;
constexpr std::size_t kAeCategory = 0;
constexpr std::size_t kAeCode = 1;
constexpr std::size_t kAeLoop = 2;
constexpr std::size_t kAeDeviceNumber = 3;
constexpr std::size_t kAeType = 4;
constexpr int kEventCategories = 4;

// Dustiness: device number (index + 1), loop, dustiness in tens of
// percent (0..10; 8 is 80 %).
constexpr std::size_t kDustinessRecordSize = 3;
constexpr std::size_t kDrDeviceNumber = 0;
constexpr std::size_t kDrLoop = 1;
constexpr std::size_t kDrLevel = 2;

using JournalEntry = std::array<std::uint8_t, kJournalRecordSize>;
using ActiveEvent = std::array<std::uint8_t, kActiveEventSize>;
using DustinessEntry = std::array<std::uint8_t, kDustinessRecordSize>;

// ---- Firmware versions ------------------------------------------------------------------
// The panel's frame buffer shrank with "1.04"; names 96..127 came with "1.02".
constexpr const char* kShortFramesVersion = "1.04";
constexpr const char* kAllNamesVersion = "1.02";
// Progress range of a database read or write.
constexpr int kTransferStepsShortFrames = 147;
constexpr int kTransferStepsLongFrames = 38;

// Compares two version texts character by character (as text, not as
// numbers): negative, 0 or positive.
int compareVersion(const std::string& a, const std::string& b);
// The decimal number after the first '.' of the text (0 when none).
int minorVersion(const std::string& text);

// Records of a table that one write frame carries.
struct RecordsPerFrame {
    int devices, loops, keyHalves, names;
};
RecordsPerFrame recordsPerWriteFrame(const std::string& firmware);
// Names the panel keeps: 128, or 96 for firmware below "1.02".
int namesCount(const std::string& firmware);

// ---- Building requests ------------------------------------------------------------------
// L, command, data, checksum. `data` must leave the frame within 255 bytes
// after L (the callers keep far below).
Bytes makeFrame(std::uint8_t command, ByteSpan data = {});
// 03, command, first index, checksum.
Bytes tableReadRequest(std::uint8_t command, int firstIndex);
// n·s + 3, command, first index, the records, checksum.
Bytes tableWriteRequest(std::uint8_t command, int firstIndex, ByteSpan records);
// 02, command, checksum.
Bytes blockReadRequest(std::uint8_t command);
// n + 2, command, the n bytes, checksum.
Bytes blockWriteRequest(std::uint8_t command, ByteSpan block);
// 08 01, year - 2000, month, day, hour, minute, second, checksum.
Bytes clockRequest(const LocalTime& t);
// 04 0C, the record number (u16), checksum.
Bytes journalRequest(int recordNumber);
// 02, 20 + category, checksum.
Bytes activeEventsRequest(int category);

// ---- Taking replies apart ------------------------------------------------------------------
// True when byte L of the frame is the Crc8 of bytes 0..L-1 (false when the
// frame is shorter than L + 1 bytes or L is 0).
bool checksumOk(ByteSpan frame);
// The panel's refusal 02 FE.
bool isRefusal(ByteSpan frame);
// The body bytes after the flags (bytes 2..L-1), bounded by the bytes at hand.
ByteSpan replyBody(ByteSpan frame);
bool isLastReply(ByteSpan frame);

struct TableReply {
    bool last = false;
    int index = 0;     // the first index the reply says it carries
    int count = 0;     // whole records carried
    ByteSpan records;  // count × record size bytes
};
TableReply parseTableReply(ByteSpan frame, std::size_t recordSize);

// The block of a block reply (bytes 2..L-1).
ByteSpan blockOf(ByteSpan frame);

// The version text of a version reply (8-bit text as UTF-8, at most 8
// characters); nullopt when L is below 5.
std::optional<std::string> parseVersionReply(ByteSpan frame);

struct JournalReply {
    bool last = false;
    int firstNumber = 0;
    std::vector<JournalEntry> records;
};
JournalReply parseJournalReply(ByteSpan frame);

struct EventsReply {
    bool last = false;
    bool none = false;  // byte 2 is 0xFF: the category holds no events
    std::vector<std::array<std::uint8_t, kEventWireSize>> events;
};
EventsReply parseEventsReply(ByteSpan frame);

struct DustinessReply {
    bool last = false;
    std::vector<DustinessEntry> records;
};
DustinessReply parseDustinessReply(ByteSpan frame);

}  // namespace tavrin::k2
