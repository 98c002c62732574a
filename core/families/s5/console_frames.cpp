#include "families/s5/console_frames.h"

#include <algorithm>

#include "families/s5/link/frames.h"

namespace tavrin::s5 {

namespace {

// 0x80, length, kind, data..., checksum.
ExchRecPtr request(std::uint8_t kind, const Bytes& data, int expectedLength) {
    auto rec = std::make_shared<ExchRec>();
    rec->frame = {kComputerStart, static_cast<std::uint8_t>(data.size() + kFrameMin), kind};
    rec->frame.insert(rec->frame.end(), data.begin(), data.end());
    rec->frame.push_back(0);
    sealFrame(rec->frame);
    rec->expectedLength = expectedLength;
    return rec;
}

Bytes nameBytes(const std::string& name8bit) {
    return Bytes(name8bit.begin(), name8bit.end());
}

}  // namespace

const RecordKindInfo& kindInfo(RecordKind kind) {
    switch (kind) {
        case RecordKind::Devices:
            return kDeviceSeries;
        case RecordKind::Objects:
            return kObjectSeries;
        case RecordKind::Keys:
            break;
    }
    return kKeySeries;
}

const RecordKindInfo* kindOfReadType(std::uint8_t type) {
    for (const RecordKindInfo* k : {&kDeviceSeries, &kObjectSeries, &kKeySeries}) {
        if (k->readType == type) return k;
    }
    return nullptr;
}

ExchRecPtr readSeriesRequest(int lcp, const RecordKindInfo& kind) {
    return request(kKindReadRecords, {static_cast<std::uint8_t>(lcp), kind.readType, 0},
                   kind.readReplyLength);
}

ExchRecPtr directDeviceReadRequest(int lcp) {
    return request(kKindLcp, {static_cast<std::uint8_t>(lcp), kLcpSeries, 0},
                   kDeviceSeries.readReplyLength);
}

ExchRecPtr writeRecordRequest(int lcp, const RecordKindInfo& kind, int index, bool last,
                              ByteSpan wire) {
    Bytes data{static_cast<std::uint8_t>(lcp), last ? kind.lastType : kind.writeType,
               static_cast<std::uint8_t>(index)};
    data.insert(data.end(), wire.begin(), wire.end());
    data.resize(3 + kind.wireSize, 0);
    return request(kKindWriteRecord, data, kWriteReplyLength);
}

ExchRecPtr emptyTableRequest(int lcp, const RecordKindInfo& kind) {
    return writeRecordRequest(lcp, kind, 0, true, {});
}

std::optional<ByteSpan> seriesRecord(const ExchRec& rec, const RecordKindInfo& kind) {
    const ByteSpan reply(rec.reply);
    if (reply.size() < kOffRecord + kind.wireSize + 1) return std::nullopt;
    const std::uint8_t type = reply[kOffReplyType];
    const bool direct = rec.kind() == kKindLcp;
    const bool typeOk =
        direct ? type == kLcpRecordType : (type == kind.readType || type == kind.lastType);
    if (!typeOk || reply[kOffSeriesIndex] != rec.byte(kOffSeriesIndex)) return std::nullopt;
    return reply.subspan(kOffRecord, kind.wireSize);
}

bool emptyRecord(ByteSpan wire) {
    return std::all_of(wire.begin(), wire.end(), [](std::uint8_t b) { return b == 0; });
}

ExchRecPtr checksumRequest(int lcp, int kind) {
    return request(kKindChecksum, {static_cast<std::uint8_t>(lcp), static_cast<std::uint8_t>(kind)},
                   kChecksumReplyLength);
}

ExchRecPtr readFileRequest(const std::string& name8bit) {
    if (name8bit.empty() || name8bit.size() > kMaxFileNameBytes) return nullptr;
    Bytes data{0, 0};
    const Bytes name = nameBytes(name8bit);
    data.insert(data.end(), name.begin(), name.end());
    return request(kKindReadFile, data, 0);
}

ExchRecPtr dustRequest(int lcp) {
    return request(kKindDust, {static_cast<std::uint8_t>(lcp), 0}, 0);
}

DustReply parseDustReply(ByteSpan reply) {
    DustReply out;
    // 5s len code LCP (slot value)... CRC
    if (reply.size() < kFrameMin + 1 || reply[kOffLength] != reply.size()) return out;
    out.lcp = reply[3];
    for (std::size_t i = 4; i + 1 < reply.size() - 1; i += 2)
        out.pairs.push_back({reply[i], reply[i + 1]});
    return out;
}

int sdChunkCount(std::size_t size) {
    return static_cast<int>(size / kSdChunkSize) + 1;
}

std::vector<ExchRecPtr> sdWriteRequests(const std::string& name8bit, ByteSpan data) {
    std::vector<ExchRecPtr> out;
    Bytes header{0, 0};
    const Bytes name = nameBytes(name8bit);
    header.insert(header.end(), name.begin(), name.end());
    out.push_back(request(kKindSdWrite, header, kWriteReplyLength));
    const int chunks = sdChunkCount(data.size());
    for (int n = 1; n <= chunks; ++n) {
        const std::size_t at = static_cast<std::size_t>(n - 1) * kSdChunkSize;
        const std::size_t len = std::min(kSdChunkSize, data.size() - at);
        const bool last = n == chunks;
        Bytes chunk{static_cast<std::uint8_t>(n & 0xFF),
                    static_cast<std::uint8_t>(((n >> 8) & 0x7F) | (last ? kSdLastFlag : 0))};
        chunk.insert(chunk.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                     data.begin() + static_cast<std::ptrdiff_t>(at + len));
        chunk.push_back(0);  // the frame is the data + 7 bytes: a zero byte before the checksum
        out.push_back(request(kKindSdWrite, chunk, kWriteReplyLength));
    }
    return out;
}

ExchRecPtr replaceProgramRequest(const std::string& name8bit, int target) {
    Bytes data{static_cast<std::uint8_t>(target)};
    const Bytes name = nameBytes(name8bit);
    data.insert(data.end(), name.begin(), name.end());
    return request(kKindReplaceProgram, data, 0);
}

ExchRecPtr clearEventsRequest(int kinds) {
    return request(kKindClearEvents, {static_cast<std::uint8_t>(kinds)}, 0);
}

ExchRecPtr clockRequest(const LocalTime& t) {
    const auto b = [](int v) { return static_cast<std::uint8_t>(v); };
    return request(kKindClock,
                   {b(t.year >> 8), b(t.year & 0xFF), b(t.month), b(t.day), b(t.dayOfWeek),
                    b(t.hour), b(t.minute), b(t.second)},
                   0);
}

}  // namespace tavrin::s5
