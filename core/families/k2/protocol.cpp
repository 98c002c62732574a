#include "families/k2/protocol.h"

#include <algorithm>

#include "base/crc8.h"
#include "base/text.h"
#include "families/k2/records.h"

namespace tavrin::k2 {

namespace {

std::uint8_t byteOf(int v) {
    return static_cast<std::uint8_t>(v & 0xFF);
}

// The length byte of a frame, bounded by the bytes at hand: the index of
// the checksum byte. 0 for an empty frame.
std::size_t boundedLength(ByteSpan frame) {
    if (frame.empty()) return 0;
    return std::min<std::size_t>(frame[kFrameLength], frame.size() - 1);
}

}  // namespace

int compareVersion(const std::string& a, const std::string& b) {
    return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

int minorVersion(const std::string& text) {
    const std::size_t dot = text.find('.');
    if (dot == std::string::npos) return 0;
    int v = 0;
    for (std::size_t i = dot + 1; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + (text[i] - '0');
        if (v > 100000) break;
    }
    return v;
}

RecordsPerFrame recordsPerWriteFrame(const std::string& firmware) {
    if (compareVersion(firmware, kShortFramesVersion) >= 0) return {7, 6, 10, 3};
    return {31, 28, 42, 15};
}

int namesCount(const std::string& firmware) {
    return compareVersion(firmware, kAllNamesVersion) < 0 ? kOldNameCount : kNameCount;
}

Bytes makeFrame(std::uint8_t command, ByteSpan data) {
    Bytes f;
    f.reserve(data.size() + 3);
    f.push_back(byteOf(static_cast<int>(data.size()) + 2));
    f.push_back(command);
    f.insert(f.end(), data.begin(), data.end());
    f.push_back(Crc8(f));
    return f;
}

Bytes tableReadRequest(std::uint8_t command, int firstIndex) {
    const std::uint8_t index = byteOf(firstIndex);
    return makeFrame(command, ByteSpan(&index, 1));
}

Bytes tableWriteRequest(std::uint8_t command, int firstIndex, ByteSpan records) {
    Bytes data;
    data.reserve(records.size() + 1);
    data.push_back(byteOf(firstIndex));
    data.insert(data.end(), records.begin(), records.end());
    return makeFrame(command, data);
}

Bytes blockReadRequest(std::uint8_t command) {
    return makeFrame(command);
}

Bytes blockWriteRequest(std::uint8_t command, ByteSpan block) {
    return makeFrame(command, block);
}

Bytes clockRequest(const LocalTime& t) {
    const std::uint8_t data[] = {byteOf(t.year - 2000), byteOf(t.month),  byteOf(t.day),
                                 byteOf(t.hour),        byteOf(t.minute), byteOf(t.second)};
    return makeFrame(kCmdSetClock, data);
}

Bytes journalRequest(int recordNumber) {
    const std::uint8_t data[] = {byteOf(recordNumber), byteOf(recordNumber >> 8)};
    return makeFrame(kCmdReadJournal, data);
}

Bytes activeEventsRequest(int category) {
    return makeFrame(byteOf(kCmdReadActiveEvents + category));
}

bool checksumOk(ByteSpan frame) {
    if (frame.empty()) return false;
    const std::size_t l = frame[kFrameLength];
    if (l == 0 || frame.size() < l + 1) return false;
    return frame[l] == Crc8(frame.first(l));
}

bool isRefusal(ByteSpan frame) {
    return frame.size() >= 2 && frame[kFrameLength] == 2 && frame[kReplyFlags] == kReplyRefused;
}

ByteSpan replyBody(ByteSpan frame) {
    const std::size_t l = boundedLength(frame);
    if (l <= kBlockReplyData) return {};
    return frame.subspan(kBlockReplyData, l - kBlockReplyData);
}

bool isLastReply(ByteSpan frame) {
    return frame.size() > kReplyFlags && (frame[kReplyFlags] & kLastReplyFlag) != 0;
}

TableReply parseTableReply(ByteSpan frame, std::size_t recordSize) {
    TableReply r;
    r.last = isLastReply(frame);
    r.index = getU8(frame, kTableReplyIndex);
    const std::size_t l = boundedLength(frame);
    if (l > kTableReplyRecords && recordSize > 0) {
        r.count = static_cast<int>((l - kTableReplyRecords) / recordSize);
        r.records =
            frame.subspan(kTableReplyRecords, static_cast<std::size_t>(r.count) * recordSize);
    }
    return r;
}

ByteSpan blockOf(ByteSpan frame) {
    return replyBody(frame);
}

std::optional<std::string> parseVersionReply(ByteSpan frame) {
    if (frame.empty() || frame[kFrameLength] < kMinVersionReplyLength) return std::nullopt;
    const ByteSpan body = replyBody(frame);
    std::string text =
        cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(body.data()), body.size()));
    return utf8Prefix(text, kMaxVersionChars);
}

JournalReply parseJournalReply(ByteSpan frame) {
    JournalReply r;
    r.last = isLastReply(frame);
    r.firstNumber = getU16(frame, kJournalReplyNumber);
    const std::size_t l = boundedLength(frame);
    if (l <= kJournalReplyRecords) return r;
    const std::size_t count = (l - kJournalReplyRecords) / kJournalRecordSize;
    for (std::size_t i = 0; i < count; ++i) {
        JournalEntry e;
        std::copy_n(frame.begin() +
                        static_cast<std::ptrdiff_t>(kJournalReplyRecords + i * kJournalRecordSize),
                    kJournalRecordSize, e.begin());
        r.records.push_back(e);
    }
    return r;
}

EventsReply parseEventsReply(ByteSpan frame) {
    EventsReply r;
    r.last = isLastReply(frame);
    if (getU8(frame, kListReplyEntries) == kNoActiveEvents) {
        r.none = true;
        return r;
    }
    const ByteSpan body = replyBody(frame);
    for (std::size_t at = 0; at + kEventWireSize <= body.size(); at += kEventWireSize) {
        std::array<std::uint8_t, kEventWireSize> e;
        std::copy_n(body.begin() + static_cast<std::ptrdiff_t>(at), kEventWireSize, e.begin());
        r.events.push_back(e);
    }
    return r;
}

DustinessReply parseDustinessReply(ByteSpan frame) {
    DustinessReply r;
    r.last = isLastReply(frame);
    const ByteSpan body = replyBody(frame);
    for (std::size_t at = 0; at + kDustinessRecordSize <= body.size(); at += kDustinessRecordSize) {
        DustinessEntry e;
        std::copy_n(body.begin() + static_cast<std::ptrdiff_t>(at), kDustinessRecordSize,
                    e.begin());
        r.records.push_back(e);
    }
    return r;
}

}  // namespace tavrin::k2
