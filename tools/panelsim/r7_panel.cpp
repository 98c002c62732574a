#include "r7_panel.h"

#include <algorithm>

#include "frame.h"

namespace panelsim::r7 {

namespace {
constexpr std::uint8_t kCmdSetClock = 0, kCmdReadClock = 1, kCmdWriteRecord = 2, kCmdReadRecord = 3,
                       kCmdVersion = 6, kCmdEndFirmware = 7, kCmdEndDatabase = 8,
                       kCmdFirmwareData = 9;
constexpr std::uint8_t kSecondReplyType = 0x0A;
constexpr std::uint8_t kStatusChecksum = 1, kStatusCommand = 2;
constexpr std::size_t kNameOffset = 17, kNameSize = 21;
}  // namespace

R7Panel::R7Panel(const Options& options) : options_(options), records_(kRecords * kRecordSize, 0) {
    for (std::size_t i = 0; i < kRecords; ++i) {
        std::fill_n(records_.begin() + static_cast<std::ptrdiff_t>(i * kRecordSize + kNameOffset),
                    kNameSize, ' ');
    }
}

std::size_t R7Panel::frameSize(const Bytes& head) const {
    return head.size() < 3 ? 0 : 3 + static_cast<std::size_t>(head[2]) + 1;
}

Bytes R7Panel::reply(std::uint8_t command, const Bytes& data) const {
    Bytes f;
    f.reserve(6 + data.size());
    for (const std::uint8_t b :
         {options_.address, std::uint8_t{0}, static_cast<std::uint8_t>(2 + data.size()),
          std::uint8_t{0}, command}) {
        f.push_back(b);
    }
    for (const std::uint8_t b : data)
        f.push_back(b);
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
    // Record replies echo the index in bytes 5-6.
    if (f.size() > 7 && f[4] == kCmdReadRecord) {
        ++f[6];
        if (f[6] == 0) ++f[5];
        sealFrame(f);
    }
}

std::vector<Bytes> R7Panel::handle(const Bytes& request) {
    // Frames for another address are not ours.
    if (request.size() < 5 || request[0] != options_.address) return {};
    if (!crcGood(request)) return {refusal(request, kStatusChecksum)};
    if (request[3] != 1) return {refusal(request, kStatusCommand)};
    const std::uint8_t command = request[4];
    const std::size_t body = request[2];
    const auto ack = [&]() { return reply(command, {0}); };
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
            const std::size_t index = (request[5] << 8) | request[6];
            if (body != 4 + kRecordSize || index >= kRecords) break;
            std::copy_n(request.begin() + 7, kRecordSize,
                        records_.begin() + static_cast<std::ptrdiff_t>(index * kRecordSize));
            return {ack()};
        }
        case kCmdReadRecord: {
            const std::size_t index = (request[5] << 8) | request[6];
            if (body != 4 || index >= kRecords) break;
            Bytes data{request[5], request[6]};
            const auto from = records_.begin() + static_cast<std::ptrdiff_t>(index * kRecordSize);
            data.insert(data.end(), from, from + kRecordSize);
            return {reply(command, data)};
        }
        case kCmdVersion:
            if (body != 2) break;
            return {reply(command, {static_cast<std::uint8_t>(options_.major),
                                    static_cast<std::uint8_t>(options_.minor)})};
        case kCmdEndFirmware:
        case kCmdEndDatabase:
            if (body != 2) break;
            return {ack()};
        case kCmdFirmwareData:
            if (body != 70) break;
            ++firmwareFrames_;
            return {ack(), reply(kSecondReplyType, {0})};
        default:
            break;
    }
    return {refusal(request, kStatusCommand)};
}

}  // namespace panelsim::r7
