#include "k2_panel.h"

#include <algorithm>
#include <cstring>

#include "frame.h"

namespace panelsim::k2 {

namespace {

constexpr std::uint8_t kAccepted = 0xFF;
constexpr std::uint8_t kRefused = 0xFE;
constexpr std::uint8_t kLastFlag = 0x80;

constexpr std::uint8_t kCmdSetClock = 1;
constexpr std::uint8_t kCmdJournal = 12;
constexpr std::uint8_t kCmdVersion = 20;
constexpr std::uint8_t kCmdEventsFirst = 21;  // 21..24: the four categories
constexpr std::uint8_t kCmdEventsLast = 24;
constexpr std::uint8_t kCmdDustiness = 29;

constexpr std::size_t kJournalPerReply = 25;
constexpr std::size_t kEventsPerReply = 20;
constexpr std::size_t kDustPerReply = 20;

// Events the generated journal and active lists are made of: (type, code).
constexpr std::uint8_t kEventKinds[][2] = {
    {8, 6},  {9, 5},  {0, 3},  {6, 11}, {7, 5},   {15, 0}, {4, 1},
    {12, 7}, {10, 6}, {13, 9}, {7, 31}, {15, 15}, {1, 0},
};
constexpr std::size_t kEventKindCount = sizeof kEventKinds / sizeof kEventKinds[0];

Bytes frame(std::initializer_list<std::uint8_t> body) {
    Bytes f;
    f.reserve(body.size() + 2);
    f.push_back(static_cast<std::uint8_t>(body.size() + 1));
    for (const std::uint8_t b : body)
        f.push_back(b);
    appendCrc(f);
    return f;
}

// Starts a reply frame: the length byte is filled in by finish().
Bytes start(std::uint8_t flags) {
    return Bytes{0, flags};
}
Bytes finish(Bytes f) {
    f[0] = static_cast<std::uint8_t>(f.size());
    appendCrc(f);
    return f;
}

}  // namespace

K2Panel::K2Panel(const Options& options, Memory memory)
    : options_(options),
      memory_(memory),
      newFirmware_(options.firmware.compare("1.04") >= 0),
      names_(options.firmware.compare("1.02") >= 0 ? kNames : kOldNames) {
    tables_ = {
        {3, 2, kDeviceSize, kDevices, memory_.devices.data()},
        {5, 4, kLoopSize, kLoops, memory_.loops.data()},
        {7, 6, kKeyHalfSize, kKeys, memory_.keysFirst.data()},
        {9, 8, kKeyHalfSize, kKeys, memory_.keysSecond.data()},
        {11, 10, kNameSize, names_, memory_.names.data()},
    };
    blocks_ = {
        {15, 14, kDeviceMapSize, memory_.deviceMap.data()},
        {17, 16, kKeyMapSize, memory_.keyMap.data()},
        {19, 18, kPanelBlockSize, memory_.panelBlock.data()},
        {25, 27, kBlockedDevicesSize, memory_.blockedDevices.data()},
        {26, 28, kBlockedLoopsSize, memory_.blockedLoops.data()},
    };
}

std::size_t K2Panel::frameSize(const Bytes& head) const {
    return head.empty() ? 0 : 1 + static_cast<std::size_t>(head[0]);
}

Bytes K2Panel::refusal(const Bytes&, int) const {
    return frame({kRefused});
}

void K2Panel::sealFrame(Bytes& f) const {
    if (f.size() >= 2) f.back() = crcOf(f, f.size() - 1);
}

void K2Panel::spoilIndex(Bytes& f) const {
    // Table replies echo the first index in byte 2, journal replies the
    // record number in bytes 2-3; a block reply has data there, never spoilt.
    const bool echoes =
        std::any_of(tables_.begin(), tables_.end(),
                    [&](const Table& t) { return t.readCommand == lastCommand_; }) ||
        lastCommand_ == 12;
    if (echoes && f.size() >= 4) {
        ++f[2];
        sealFrame(f);
    }
}

std::size_t K2Panel::recordsPerFrame(std::uint8_t readCommand) const {
    // The panel's frame buffer: long frames before "1.04", short ones since.
    switch (readCommand) {
        case 3:
            return newFirmware_ ? 7 : 31;
        case 5:
            return newFirmware_ ? 6 : 28;
        case 7:
        case 9:
            return newFirmware_ ? 10 : 42;
        default:
            return newFirmware_ ? 3 : 15;
    }
}

std::vector<Bytes> K2Panel::handle(const Bytes& request) {
    lastCommand_ = request.size() > 1 ? request[1] : 0;
    if (request.size() < 3 || !crcGood(request)) return {refusal(request, 1)};
    const std::uint8_t command = request[1];
    for (const Table& t : tables_) {
        if (command == t.readCommand) return {readTable(t, request)};
        if (command == t.writeCommand) return {writeTable(t, request)};
    }
    const std::size_t dataSize = request.size() - 3;  // after L and command, before CRC
    for (const Block& b : blocks_) {
        if (command == b.readCommand && dataSize == 0) {
            Bytes f = start(command);
            f.insert(f.end(), b.data, b.data + b.size);
            return {finish(f)};
        }
        if (command == b.writeCommand) {
            if (dataSize != b.size) return {refusal(request, 1)};
            std::copy_n(request.begin() + 2, b.size, b.data);
            return {frame({kAccepted})};
        }
    }
    if (command == kCmdVersion && dataSize == 0) {
        Bytes f = start(command);
        f.insert(f.end(), options_.firmware.begin(), options_.firmware.end());
        return {finish(f)};
    }
    if (command == kCmdSetClock) return {setClock(request)};
    if (command == kCmdJournal) return {journal(request)};
    if (command >= kCmdEventsFirst && command <= kCmdEventsLast) return {activeEvents(command)};
    if (command == kCmdDustiness) return {dustiness()};
    return {refusal(request, 2)};
}

Bytes K2Panel::readTable(const Table& t, const Bytes& request) const {
    if (request.size() != 4) return refusal(request, 1);
    const std::size_t index = request[2];
    if (index >= t.count) return refusal(request, 1);
    const std::size_t n = std::min(recordsPerFrame(t.readCommand), t.count - index);
    const bool last = index + n >= t.count;
    Bytes f = start(static_cast<std::uint8_t>(t.readCommand | (last ? kLastFlag : 0)));
    f.push_back(static_cast<std::uint8_t>(index));
    f.insert(f.end(), t.data + index * t.recordSize, t.data + (index + n) * t.recordSize);
    return finish(f);
}

Bytes K2Panel::writeTable(const Table& t, const Bytes& request) {
    if (request.size() < 4 + t.recordSize) return refusal(request, 1);
    const std::size_t index = request[2];
    const std::size_t bytes = request.size() - 4;
    if (bytes % t.recordSize != 0 || index + bytes / t.recordSize > t.count) {
        return refusal(request, 1);
    }
    std::copy_n(request.begin() + 3, bytes, t.data + index * t.recordSize);
    return frame({kAccepted});
}

Bytes K2Panel::setClock(const Bytes& request) {
    if (request.size() != 9) return refusal(request, 1);
    const PanelTime p{2000 + request[2], request[3], request[4],
                      request[5],        request[6], request[7]};
    if (!clock_.set(p)) return refusal(request, 1);
    return frame({kAccepted});
}

// Record n (1-based) of the journal: newest first, 37 minutes apart.
Bytes K2Panel::journal(const Bytes& request) const {
    if (request.size() != 5) return refusal(request, 1);
    const std::size_t first = request[2] | (request[3] << 8);
    const auto total = static_cast<std::size_t>(std::max(0, options_.journalRecords));
    if (first == 0 || first > total) {
        return finish(Bytes{0, kCmdJournal | kLastFlag, request[2], request[3]});
    }
    const std::size_t n = std::min(kJournalPerReply, total - first + 1);
    const bool last = first + n - 1 >= total;
    Bytes f{0, static_cast<std::uint8_t>(kCmdJournal | (last ? kLastFlag : 0)), request[2],
            request[3]};
    const PanelTime now = clock_.now();
    for (std::size_t r = first; r < first + n; ++r) {
        std::tm tm{};
        tm.tm_year = now.year - 1900;
        tm.tm_mon = now.month - 1;
        tm.tm_mday = now.day;
        tm.tm_hour = now.hour;
        tm.tm_min = now.minute - static_cast<int>(r) * 37;
        tm.tm_sec = now.second;
        tm.tm_isdst = -1;
        std::mktime(&tm);
        const auto& kind = kEventKinds[r % kEventKindCount];
        f.push_back(kind[1]);
        f.push_back(static_cast<std::uint8_t>(tm.tm_sec));
        f.push_back(static_cast<std::uint8_t>(tm.tm_min));
        f.push_back(static_cast<std::uint8_t>(tm.tm_hour));
        f.push_back(static_cast<std::uint8_t>(tm.tm_mday));
        f.push_back(static_cast<std::uint8_t>(tm.tm_mon + 1));
        f.push_back(static_cast<std::uint8_t>(tm.tm_year - 100));
        f.push_back(r % 9 == 0 ? 0xFF : static_cast<std::uint8_t>(r % 96));   // loop
        f.push_back(r % 7 == 0 ? 0xFF : static_cast<std::uint8_t>(r % 128));  // device
        f.push_back(kind[0]);
    }
    return finish(f);
}

// Active event e (0-based) belongs to category e % 4 + 1.
Bytes K2Panel::activeEvents(std::uint8_t command) {
    const std::size_t category = command - kCmdEventsFirst;
    const auto total = static_cast<std::size_t>(std::max(0, options_.activeEvents));
    std::vector<std::size_t> mine;
    for (std::size_t e = category; e < total; e += 4)
        mine.push_back(e);
    if (mine.empty()) return finish(Bytes{0, static_cast<std::uint8_t>(command | kLastFlag), 0xFF});
    std::size_t& pos = eventPosition_[category];
    if (pos >= mine.size()) pos = 0;
    const std::size_t n = std::min(kEventsPerReply, mine.size() - pos);
    const bool last = pos + n >= mine.size();
    Bytes f = start(static_cast<std::uint8_t>(command | (last ? kLastFlag : 0)));
    for (std::size_t i = pos; i < pos + n; ++i) {
        const std::size_t e = mine[i];
        const auto& kind = kEventKinds[e % kEventKindCount];
        f.push_back(kind[1]);                                 // code
        f.push_back(static_cast<std::uint8_t>(32 + e % 32));  // loop
        f.push_back(static_cast<std::uint8_t>(1 + e % 128));  // device number
        f.push_back(kind[0]);                                 // type
    }
    pos = last ? 0 : pos + n;
    return finish(f);
}

// Every smoke detector in use, from the saved position on.
Bytes K2Panel::dustiness() {
    std::vector<std::size_t> detectors;
    for (std::size_t i = 0; i < kDevices; ++i) {
        if (memory_.deviceInUse(i) && memory_.deviceType(i) == 0) detectors.push_back(i);
    }
    if (dustPosition_ >= detectors.size()) dustPosition_ = 0;
    const std::size_t n = std::min(kDustPerReply, detectors.size() - dustPosition_);
    const bool last = dustPosition_ + n >= detectors.size();
    Bytes f = start(static_cast<std::uint8_t>(kCmdDustiness | (last ? kLastFlag : 0)));
    for (std::size_t i = dustPosition_; i < dustPosition_ + n; ++i) {
        const std::uint8_t* d = &memory_.devices[detectors[i] * kDeviceSize];
        f.push_back(d[4]);
        f.push_back(d[3]);
        // The panel reports dustiness in tens of percent (0..10); detector
        // index i reads (7 i + 3) mod 11, so every level class turns up.
        f.push_back(static_cast<std::uint8_t>((detectors[i] * 7 + 3) % 11));
    }
    dustPosition_ = last ? 0 : dustPosition_ + n;
    return finish(f);
}

bool K2Panel::changedSinceRemembered() const {
    const Memory& a = memory_;
    const Memory& b = remembered_;
    return a.devices != b.devices || a.loops != b.loops || a.keysFirst != b.keysFirst ||
           a.keysSecond != b.keysSecond || a.names != b.names || a.deviceMap != b.deviceMap ||
           a.keyMap != b.keyMap || a.panelBlock != b.panelBlock ||
           a.blockedDevices != b.blockedDevices || a.blockedLoops != b.blockedLoops;
}

}  // namespace panelsim::k2
