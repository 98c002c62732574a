#include "r7_panel.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>

#include "base/text.h"
#include "frame.h"

namespace panelsim::r7 {

namespace {
constexpr std::uint8_t kCmdSetClock = 0, kCmdReadClock = 1, kCmdWriteRecord = 2, kCmdReadRecord = 3,
                       kCmdJournalRecord = 4, kCmdJournalPosition = 5, kCmdVersion = 6,
                       kCmdEndFirmware = 7, kCmdEndDatabase = 8, kCmdFirmwareData = 9;
constexpr std::uint8_t kSecondReplyType = 0x0A;
constexpr std::uint8_t kStatusChecksum = 1, kStatusCommand = 2;
constexpr std::size_t kNameOffset = 17, kNameSize = 21, kParamOffset = 5, kParamCount = 12;
constexpr std::size_t kFileRecords = 2047;
constexpr int kFirmwareChunk = 64, kPageSize = 256;

// Events of the generated journal, a few unknown numbers among them.
constexpr std::uint8_t kJournalEvents[] = {2, 3, 52, 75, 4, 10, 68, 81, 0, 90, 19, 44};
constexpr std::uint16_t kUnknownId = 0x7FFF;

std::uint16_t u16le(const Bytes& m, std::size_t off) {
    return static_cast<std::uint16_t>(m[off] | (m[off + 1] << 8));
}

}  // namespace

Bytes freshMemory(std::uint8_t address) {
    Bytes m(kRecords * kRecordSize, 0);
    for (std::size_t i = 0; i < kRecords; ++i) {
        std::uint8_t* r = m.data() + i * kRecordSize;
        std::fill_n(r + kParamOffset, kParamCount, 0xFF);
        std::fill_n(r + kNameOffset, kNameSize, ' ');
    }
    // Record 0: the panel, id 1, type 1, its address in byte 7.
    m[0] = 1;
    m[4] = 1;
    std::fill_n(m.begin() + kParamOffset, 8, 0);
    m[7] = address == 0 ? 1 : address;
    const std::string name = tavrin::utf8ToCp1251("Ордис Р7");
    std::copy(name.begin(), name.end(), m.begin() + kNameOffset);
    return m;
}

bool loadDatabaseFile(const std::string& path, Bytes& memory, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    const Bytes data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (data.size() < 4) {
        error = path + ": not a database file";
        return false;
    }
    const auto i32 = [&](std::size_t off) {
        return static_cast<std::int32_t>(data[off] | (data[off + 1] << 8) | (data[off + 2] << 16) |
                                         (static_cast<std::uint32_t>(data[off + 3]) << 24));
    };
    const std::int32_t version = i32(0);
    std::size_t pos = 4;
    if (version < 0) return true;
    if (version > 1) {
        if (data.size() < 8) {
            error = path + ": the file ends early";
            return false;
        }
        const auto length = static_cast<std::uint32_t>(i32(4));
        pos = 8 + (length > 2 && length <= 1000 ? length : 0);
    }
    const std::size_t stored = version == 0 ? kRecordSize + 1 : kRecordSize;
    for (std::size_t i = 0; i < kFileRecords && pos + stored <= data.size(); ++i, pos += stored)
        std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(pos), kRecordSize,
                    memory.begin() + static_cast<std::ptrdiff_t>(i * kRecordSize));
    return true;
}

R7Panel::R7Panel(const Options& options, Bytes memory)
    : options_(options), memory_(std::move(memory)) {
    memory_.resize(kRecords * kRecordSize, 0);
    address_ = options.address >= 0 ? static_cast<std::uint8_t>(options.address)
                                    : (memory_[7] == 0 ? 1 : memory_[7]);
    fillJournal(options.journalEvents);
}

void R7Panel::fillJournal(long events) {
    journal_.assign(kJournalSlots, {});
    position_ = static_cast<std::size_t>(events) % kJournalSlots;
    // Elements the events name: objects and devices of the memory.
    std::vector<std::uint16_t> objects, devices;
    for (std::size_t i = 0; i < kRecords; ++i) {
        const std::size_t off = i * kRecordSize;
        const std::uint16_t id = u16le(memory_, off);
        const std::uint8_t type = memory_[off + 4];
        if (id == 0 || type == 0 || type == 1 || type == 4) continue;
        (type == 2 ? objects : devices).push_back(id);
    }
    const std::time_t now = std::time(nullptr);
    for (long k = 0; k < events; ++k) {
        // Event k happened (events - k) minutes ago.
        const std::time_t t = now - (events - k) * 60;
        std::tm tm{};
        localtime_r(&t, &tm);
        std::array<std::uint8_t, kJournalRecordSize> r{};
        r[0] = static_cast<std::uint8_t>(tm.tm_year % 100);
        r[1] = static_cast<std::uint8_t>(tm.tm_mon + 1);
        r[2] = static_cast<std::uint8_t>(tm.tm_mday);
        r[3] = static_cast<std::uint8_t>(tm.tm_hour);
        r[4] = static_cast<std::uint8_t>(tm.tm_min);
        r[5] = static_cast<std::uint8_t>(tm.tm_sec);
        std::uint16_t second = 0, first = 0;
        if (k % 7 == 6) {
            second = kUnknownId;
        } else if (!devices.empty() && k % 5 != 4) {
            second = devices[static_cast<std::size_t>(k) % devices.size()];
        }
        if (!objects.empty()) first = objects[static_cast<std::size_t>(k) % objects.size()];
        r[6] = static_cast<std::uint8_t>(second >> 8);
        r[7] = static_cast<std::uint8_t>(second);
        r[8] = static_cast<std::uint8_t>(first >> 8);
        r[9] = static_cast<std::uint8_t>(first);
        r[10] = kJournalEvents[static_cast<std::size_t>(k) % std::size(kJournalEvents)];
        // A record whose event is 0 still counts as written.
        r[11] = 0x5A;
        journal_[static_cast<std::size_t>(k) % kJournalSlots] = r;
    }
}

std::size_t R7Panel::frameSize(const Bytes& head) const {
    return head.size() < 3 ? 0 : 3 + static_cast<std::size_t>(head[2]) + 1;
}

Bytes R7Panel::reply(std::uint8_t command, const Bytes& data) const {
    Bytes f;
    f.reserve(data.size() + 6);
    for (const std::uint8_t b :
         {address_, std::uint8_t{0}, static_cast<std::uint8_t>(2 + data.size()), std::uint8_t{0},
          command})
        f.push_back(b);
    f.insert(f.end(), data.begin(), data.end());
    appendCrc(f);
    return f;
}

Bytes R7Panel::refusal(const Bytes& request, int status) const {
    const std::uint8_t command = request.size() > 4 ? request[4] : 0;
    return reply(command, {static_cast<std::uint8_t>(status > 0 ? status : kStatusCommand)});
}

void R7Panel::sealFrame(Bytes& f) const {
    if (f.size() >= 2) f.back() = crcOf(f, f.size() - 1);
}

void R7Panel::spoilIndex(Bytes& f) const {
    // Record and journal replies echo the index in bytes 5-6.
    if (f.size() > 7 && (f[4] == kCmdReadRecord || f[4] == kCmdJournalRecord)) {
        ++f[6];
        if (f[6] == 0) ++f[5];
        sealFrame(f);
    }
}

void R7Panel::staleIndex(Bytes& f) const {
    // The index of the request before: a reply left over from it.
    if (f.size() > 7 && (f[4] == kCmdReadRecord || f[4] == kCmdJournalRecord)) {
        f[5] = static_cast<std::uint8_t>(previousIndex_ >> 8);
        f[6] = static_cast<std::uint8_t>(previousIndex_);
        sealFrame(f);
    }
}

void R7Panel::shortenBody(Bytes& f) const {
    // One body byte less, length and checksum consistent.
    if (f.size() > 6) {
        f.erase(f.end() - 2);
        --f[2];
        sealFrame(f);
    }
}

Bytes R7Panel::oversize(const Bytes& f) const {
    // A frame whose body (253 bytes) does not fit the configurator's buffer.
    Bytes big{address_, 0, 253, 0, f.size() > 4 ? f[4] : std::uint8_t{0}};
    big.resize(3 + 253, 0x33);
    appendCrc(big);
    return big;
}

std::string R7Panel::firmwareText() const {
    std::string out;
    char head[16];
    for (const auto& [key, page] : pages_) {
        std::snprintf(head, sizeof head, "%04X %04X ", key.first, key.second);
        out += head;
        for (const std::uint8_t b : page.data) {
            std::snprintf(head, sizeof head, "%02X", b);
            out += head;
        }
        out += "\n";
    }
    if (firmwareEnded_) out += "end\n";
    return out;
}

Bytes R7Panel::firmwareData(const Bytes& request) {
    const int segment = (request[5] << 8) | request[6];
    const int at = (request[7] << 8) | request[8];
    const int pageAddress = at - at % kPageSize;
    const int frame = (at % kPageSize) / kFirmwareChunk;
    if (at % kFirmwareChunk != 0) return refusal(request, kStatusCommand);
    const std::pair<int, int> key{segment, pageAddress};
    if (pageOpen_) {
        // The next frame of the open page, and nothing else.
        if (key != openPage_ || frame != pages_[key].frames)
            return refusal(request, kStatusCommand);
    } else {
        if (frame != 0) return refusal(request, kStatusCommand);
        pages_[key] = Page{};
        openPage_ = key;
        pageOpen_ = true;
    }
    Page& page = pages_[key];
    std::copy_n(request.begin() + 9, kFirmwareChunk,
                page.data.begin() + static_cast<std::ptrdiff_t>(frame * kFirmwareChunk));
    if (++page.frames == kPageSize / kFirmwareChunk) pageOpen_ = false;
    firmwareEnded_ = false;
    return reply(kCmdFirmwareData, {0});
}

std::vector<Bytes> R7Panel::handle(const Bytes& request) {
    if (request.size() < 5 || request[0] != address_) return {};
    if (!crcGood(request)) return {refusal(request, kStatusChecksum)};
    if (request[3] != 1) return {refusal(request, kStatusCommand)};
    const std::uint8_t command = request[4];
    const std::size_t body = request[2];
    const auto ack = [&]() { return reply(command, {0}); };
    const std::size_t index =
        body >= 4 ? static_cast<std::size_t>((request[5] << 8) | request[6]) : 0;
    if (command == kCmdReadRecord || command == kCmdJournalRecord) {
        previousIndex_ = lastIndex_;
        lastIndex_ = static_cast<int>(index);
    }
    switch (command) {
        case kCmdSetClock: {
            if (body != 8) break;
            const PanelTime p{2000 + request[5], request[6], request[7],
                              request[8],        request[9], request[10]};
            if (!clock_.set(p)) return {refusal(request, kStatusCommand)};
            return {ack()};
        }
        case kCmdReadClock: {
            if (body != 2) break;
            const PanelTime p = clock_.now();
            return {
                reply(command,
                      {static_cast<std::uint8_t>(p.year % 100), static_cast<std::uint8_t>(p.month),
                       static_cast<std::uint8_t>(p.day), static_cast<std::uint8_t>(p.hour),
                       static_cast<std::uint8_t>(p.minute), static_cast<std::uint8_t>(p.second)})};
        }
        case kCmdWriteRecord: {
            if (body != 4 + kRecordSize || index >= kRecords) break;
            std::copy_n(request.begin() + 7, kRecordSize,
                        memory_.begin() + static_cast<std::ptrdiff_t>(index * kRecordSize));
            return {ack()};
        }
        case kCmdReadRecord: {
            if (body != 4 || index >= kRecords) break;
            Bytes data{request[5], request[6]};
            const auto from = memory_.begin() + static_cast<std::ptrdiff_t>(index * kRecordSize);
            data.insert(data.end(), from, from + kRecordSize);
            return {reply(command, data)};
        }
        case kCmdJournalRecord: {
            if (body != 4 || index >= kJournalSlots) break;
            Bytes data{request[5], request[6]};
            data.insert(data.end(), journal_[index].begin(), journal_[index].end());
            return {reply(command, data)};
        }
        case kCmdJournalPosition:
            if (body != 2) break;
            return {reply(command, {static_cast<std::uint8_t>(position_ >> 8),
                                    static_cast<std::uint8_t>(position_)})};
        case kCmdVersion:
            if (body != 2) break;
            return {reply(command, {static_cast<std::uint8_t>(options_.major),
                                    static_cast<std::uint8_t>(options_.minor)})};
        case kCmdEndFirmware:
            if (body != 2 || pageOpen_) break;
            firmwareEnded_ = true;
            return {ack()};
        case kCmdEndDatabase:
            if (body != 2) break;
            return {ack()};
        case kCmdFirmwareData: {
            if (body != 70) break;
            Bytes first = firmwareData(request);
            if (first[5] != 0) return {first};
            return {first, reply(kSecondReplyType, {0})};
        }
        default:
            break;
    }
    return {refusal(request, kStatusCommand)};
}

bool R7Panel::changedSinceRemembered() const {
    return memory_ != remembered_;
}

}  // namespace panelsim::r7
