// Frames of the "Версан С5" console line. Every frame in both directions:
//   byte 0       start byte: 0x80 from the computer; 0x50..0x5F from the
//                console, whose low three bits are its sequence number
//   byte 1       total length, start byte and checksum included (4..255)
//   byte 2       request kind (computer) or reply code (console)
//   bytes 3..L-2 data of the code
//   byte L-1     CRC-8 (1-Wire form) of bytes 0..L-2
#pragma once

#include <cstdint>
#include <initializer_list>

#include "base/bytes.h"

namespace tavrin::s5 {

inline constexpr std::uint8_t kComputerStart = 0x80;
inline constexpr std::uint8_t kConsoleStartMask = 0xF0;
inline constexpr std::uint8_t kConsoleStart = 0x50;
inline constexpr std::uint8_t kSequenceMask = 0x07;
inline constexpr std::size_t kFrameMin = 4;
inline constexpr std::size_t kFrameMax = 255;
// A console frame this long or longer is logged as suspicious (still read).
inline constexpr std::size_t kFrameLong = 100;

inline constexpr std::size_t kOffStart = 0;
inline constexpr std::size_t kOffLength = 1;
inline constexpr std::size_t kOffCode = 2;

// Console codes.
inline constexpr std::uint8_t kCodeLinkStart = 0x60;
inline constexpr std::uint8_t kCodeDone = 0x64;
inline constexpr std::uint8_t kCodeRecord = 0x70;
inline constexpr std::uint8_t kCodeWritten = 0x71;
inline constexpr std::uint8_t kCodeCommandReply = 0x72;
inline constexpr std::uint8_t kCodeVersion = 0x73;
inline constexpr std::uint8_t kCodeChecksum = 0x74;
inline constexpr std::uint8_t kCodeRefused = 0x75;
inline constexpr std::uint8_t kCodeDustChunk = 0x76;
inline constexpr std::uint8_t kCodeDustLast = 0x77;

// Request kinds (byte 2 of a computer frame).
inline constexpr std::uint8_t kKindLcp = 'm';
inline constexpr std::uint8_t kKindWriteRecord = 'n';
inline constexpr std::uint8_t kKindReadRecords = 'o';
inline constexpr std::uint8_t kKindVersion = 's';
inline constexpr std::uint8_t kKindChecksum = 't';
inline constexpr std::uint8_t kKindDust = 'u';
inline constexpr std::uint8_t kKindReadFile = 'v';
inline constexpr std::uint8_t kKindSdWrite = 0xF0;
inline constexpr std::uint8_t kKindReplaceProgram = 0xF1;
inline constexpr std::uint8_t kKindClearEvents = 0xF2;
inline constexpr std::uint8_t kKindClock = 0xF3;
// The acknowledgement: the computer has nothing to ask.
inline constexpr std::uint8_t kKindAck = 0xF5;

// 'm' frames: byte 4 selects a record series ('1') or a command ('c').
inline constexpr std::uint8_t kLcpSeries = '1';
inline constexpr std::uint8_t kLcpCommand = 'c';
inline constexpr std::size_t kOffLcpCommand = 6;

// Record types of 0x70 replies (byte 3).
inline constexpr std::uint8_t kLcpRecordType = 0x8D;

// The version request's reply length.
inline constexpr int kVersionReplyLength = 7;

// Recomputes the checksum of a frame from its length byte; false when the
// length byte does not fit the buffer or is below kFrameMin.
bool sealFrame(MutableByteSpan frame);
// True when the length byte is kFrameMin..size and the checksum matches.
bool frameChecksumOk(ByteSpan frame);
// 0x80, length, kind, data..., checksum.
Bytes computerFrame(std::uint8_t kind, std::initializer_list<std::uint8_t> data);
// 80 04 F5 12.
Bytes ackFrame();

}  // namespace tavrin::s5
