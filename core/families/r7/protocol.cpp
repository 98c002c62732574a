#include "families/r7/protocol.h"

#include "base/crc8.h"
#include "link/result_codes.h"

namespace tavrin::r7 {

namespace {

std::uint8_t hi(int v) {
    return static_cast<std::uint8_t>((v >> 8) & 0xFF);
}
std::uint8_t lo(int v) {
    return static_cast<std::uint8_t>(v & 0xFF);
}

Bytes frame(std::uint8_t address, std::uint8_t direction, std::uint8_t command, ByteSpan data) {
    Bytes f;
    f.reserve(kHeaderSize + 2 + data.size() + 1);
    f.push_back(address);
    f.push_back(0);
    f.push_back(static_cast<std::uint8_t>(2 + data.size()));
    f.push_back(direction);
    f.push_back(command);
    f.insert(f.end(), data.begin(), data.end());
    f.push_back(Crc8(f));
    return f;
}

// The frame's body length when it holds a header, its body and its checksum.
bool whole(ByteSpan f) {
    return f.size() >= kHeaderSize && f.size() >= kHeaderSize + f[kFrameLength] + 1u;
}

}  // namespace

std::uint8_t wireAddress(int address) {
    return address == 0 ? 1 : static_cast<std::uint8_t>(address);
}

Bytes request(std::uint8_t address, std::uint8_t command, ByteSpan data) {
    return frame(address, kRequestMark, command, data);
}

Bytes reply(std::uint8_t address, std::uint8_t command, ByteSpan data) {
    return frame(address, 0, command, data);
}

Bytes readRecordRequest(std::uint8_t address, int index) {
    const std::uint8_t data[] = {hi(index), lo(index)};
    return request(address, kCmdReadRecord, data);
}

Bytes writeRecordRequest(std::uint8_t address, int index, const ElementRecord& record) {
    Bytes data{hi(index), lo(index)};
    data.insert(data.end(), record.bytes.begin(), record.bytes.begin() + kOffName);
    bool ended = false;
    for (int i = 0; i < kNameLength; ++i) {
        const std::uint8_t c = record.bytes[static_cast<std::size_t>(kOffName + i)];
        ended = ended || c == 0;
        data.push_back(ended ? ' ' : c);
    }
    return request(address, kCmdWriteRecord, data);
}

Bytes setClockRequest(std::uint8_t address, const LocalTime& t) {
    const std::uint8_t data[] = {
        static_cast<std::uint8_t>(t.year - 2000), static_cast<std::uint8_t>(t.month),
        static_cast<std::uint8_t>(t.day),         static_cast<std::uint8_t>(t.hour),
        static_cast<std::uint8_t>(t.minute),      static_cast<std::uint8_t>(t.second)};
    return request(address, kCmdSetClock, data);
}

Bytes journalRecordRequest(std::uint8_t address, int index) {
    const std::uint8_t data[] = {hi(index), lo(index)};
    return request(address, kCmdReadJournalRecord, data);
}

Bytes firmwareDataRequest(std::uint8_t address, std::uint16_t segment, std::uint16_t at,
                          ByteSpan chunk) {
    Bytes data{hi(segment), lo(segment), hi(at), lo(at)};
    data.insert(data.end(), chunk.begin(), chunk.end());
    return request(address, kCmdFirmwareData, data);
}

bool checksumOk(ByteSpan f) {
    if (!whole(f)) return false;
    const std::size_t n = kHeaderSize + f[kFrameLength];
    return f[n] == Crc8(f.first(n));
}

int bodyLength(ByteSpan f) {
    return whole(f) ? f[kFrameLength] : -1;
}

bool isRefusal(ByteSpan f) {
    return bodyLength(f) == kAckBody && f[kFrameData] != 0;
}

bool isAcknowledgement(ByteSpan f) {
    return bodyLength(f) == kAckBody && f[kFrameData] == 0;
}

int mapRefusal(int code, ByteSpan reply) {
    if (code != kResultRefused || bodyLength(reply) != kAckBody) return code;
    switch (reply[kFrameData]) {
        case kStatusChecksum:
            return kResultConfiguratorCrc;
        case kStatusCommand:
            return kResultBadCommand;
        case kStatusRights:
            return kResultNoRights;
        default:
            return kResultUnknownDeviceError;
    }
}

std::optional<RecordReply> parseRecordReply(ByteSpan f) {
    if (bodyLength(f) != kRecordReplyBody) return std::nullopt;
    return RecordReply{(f[5] << 8) | f[6], f.subspan(7, kStoredRecordSize)};
}

std::optional<Version> parseVersionReply(ByteSpan f) {
    if (bodyLength(f) != kVersionReplyBody) return std::nullopt;
    return Version{f[5], f[6]};
}

std::optional<LocalTime> parseClockReply(ByteSpan f) {
    if (bodyLength(f) != kClockReplyBody) return std::nullopt;
    LocalTime t;
    t.year = 2000 + f[5];
    t.month = f[6];
    t.day = f[7];
    t.hour = f[8];
    t.minute = f[9];
    t.second = f[10];
    return t;
}

std::optional<int> parsePositionReply(ByteSpan f) {
    if (bodyLength(f) != kPositionReplyBody) return std::nullopt;
    return (f[5] << 8) | f[6];
}

std::optional<JournalReply> parseJournalReply(ByteSpan f) {
    if (bodyLength(f) != kJournalReplyBody) return std::nullopt;
    JournalReply r;
    r.index = (f[5] << 8) | f[6];
    for (int i = 0; i < kJournalRecordSize; ++i)
        r.record[static_cast<std::size_t>(i)] = f[static_cast<std::size_t>(7 + i)];
    return r;
}

bool isEmptyJournalRecord(const JournalEntry& record) {
    const auto all = [&](std::uint8_t v) {
        for (const std::uint8_t b : record)
            if (b != v) return false;
        return true;
    };
    return all(0x00) || all(0xFF);
}

std::vector<JournalEntry> orderJournalRing(const std::vector<JournalEntry>& ring, int position) {
    std::vector<JournalEntry> out;
    const int size = static_cast<int>(ring.size());
    if (position < 0 || position >= size) return out;
    const bool wrapped = !isEmptyJournalRecord(ring[static_cast<std::size_t>(position)]);
    if (wrapped) {
        out.insert(out.end(), ring.begin() + position, ring.end());
    }
    out.insert(out.end(), ring.begin(), ring.begin() + position);
    return out;
}

std::int64_t databaseReadWireBytes() {
    constexpr std::int64_t versionBytes =
        (kHeaderSize + 2 + 1) + (kHeaderSize + kVersionReplyBody + 1);
    constexpr std::int64_t recordBytes =
        (kHeaderSize + 4 + 1) + (kHeaderSize + kRecordReplyBody + 1);
    return versionBytes + recordBytes * kElementCount;
}

double wireSeconds(std::int64_t bytes, int baud) {
    return baud > 0 ? static_cast<double>(bytes) * 10.0 / baud : 0.0;
}

}  // namespace tavrin::r7
