// The built-in simulation of a "Талвир К2" panel: in simulation mode the
// exchange asks SimulateDevice for the reply instead of the port. Writes are
// kept as they were sent and replayed in order by reads, so a simulated read
// returns exactly the frames of the last simulated write.
#include <algorithm>

#include "base/bit_set.h"
#include "base/crc8.h"
#include "families/k2/dbk2.h"

namespace tavrin {

using namespace k2;

namespace {

constexpr unsigned kSimulatedLineMs = 100;
constexpr const char* kNothingWritten = "Сначала базу нужно передать на прибор";
constexpr const char* kSimulationTitle = "Имитация";
constexpr const char* kSimulatedVersion = "1.02";
// Journal requests from this number on get the last, empty reply.
constexpr int kSimulatedJournalEnd = 4;
constexpr std::uint8_t kSimulatedLoop = 0x20;
constexpr std::uint8_t kSimulatedEventType = 8;
constexpr std::size_t kSimulatedDustPerReply = 20;

bool isWriteCommand(int c) {
    switch (c) {
        case kCmdWriteDevices:
        case kCmdWriteLoops:
        case kCmdWriteKeysFirst:
        case kCmdWriteKeysSecond:
        case kCmdWriteNames:
        case kCmdWriteDeviceMap:
        case kCmdWriteKeyMap:
        case kCmdWritePanelBlock:
        case kCmdWriteBlockedDevices:
        case kCmdWriteBlockedLoops:
        case 130:
        case 132:
        case 134:
        case 136:
        case 138:
            return true;
        default:
            return false;
    }
}

bool isReadCommand(int c) {
    switch (c) {
        case kCmdReadDevices:
        case kCmdReadLoops:
        case kCmdReadKeysFirst:
        case kCmdReadKeysSecond:
        case kCmdReadNames:
        case kCmdReadDeviceMap:
        case kCmdReadKeyMap:
        case kCmdReadPanelBlock:
        case kCmdReadBlockedDevices:
        case kCmdReadBlockedLoops:
            return true;
        default:
            return false;
    }
}

// Copies a frame into the reply buffer and returns its length.
int put(const Bytes& frame, std::span<std::uint8_t, DBase::kReplyBufferSize> reply) {
    const std::size_t n = std::min(frame.size(), reply.size());
    std::copy_n(frame.begin(), n, reply.begin());
    return static_cast<int>(n);
}

// A reply frame: L, the body, the checksum.
Bytes replyFrame(const Bytes& body) {
    Bytes f(body.size() + 2);
    f[kFrameLength] = static_cast<std::uint8_t>(body.size() + 1);
    std::copy(body.begin(), body.end(), f.begin() + 1);
    f.back() = Crc8(ByteSpan(f).first(f.size() - 1));
    return f;
}

}  // namespace

int DBK2::SimulateDevice(ByteSpan request, std::span<std::uint8_t, kReplyBufferSize> reply) {
    const int command = request.size() > kFrameCommand ? request[kFrameCommand] : 0;
    const Bytes refusal = replyFrame({kReplyRefused});
    const Bytes accepted = replyFrame({kReplyAccepted});
    SystemClock system;
    Clock& clock = ctx_.clock ? *ctx_.clock : system;

    if (command == 0 || command > kCmdLastKnown) return put(refusal, reply);
    if (command == kCmdSetClock) return put(accepted, reply);

    if (isWriteCommand(command)) {
        if (simulatedFrames.size() < kMaxSimulatedFrames)
            simulatedFrames.emplace_back(request.begin(), request.end());
        clock.sleepMs(kSimulatedLineMs);
        return put(accepted, reply);
    }

    if (isReadCommand(command)) {
        if (simulatedFrames.empty()) {
            if (ctx_.prompter)
                ctx_.prompter->message(kNothingWritten, kSimulationTitle, PromptIcon::Error);
            return put(refusal, reply);
        }
        if (simulationReadPosition_ >= simulatedFrames.size()) simulationReadPosition_ = 0;
        const Bytes& frame = simulatedFrames[simulationReadPosition_];
        simulationReadPosition_ = (simulationReadPosition_ + 1) % simulatedFrames.size();
        clock.sleepMs(kSimulatedLineMs);
        return put(frame, reply);
    }

    if (command == kCmdReadJournal) {
        const int number = getU16(request, 2);
        Bytes body{static_cast<std::uint8_t>(kCmdReadJournal), static_cast<std::uint8_t>(number),
                   static_cast<std::uint8_t>(number >> 8)};
        if (number >= kSimulatedJournalEnd) {
            body[0] |= kLastReplyFlag;
            return put(replyFrame(body), reply);
        }
        const LocalTime today = clock.now();
        for (int i = 0; i < 2; ++i) {
            // Time of day `number + i` seconds.
            const int t = number + i;
            body.push_back(static_cast<std::uint8_t>(1 + i));  // code
            body.push_back(static_cast<std::uint8_t>(t % 60));
            body.push_back(static_cast<std::uint8_t>(t / 60 % 60));
            body.push_back(static_cast<std::uint8_t>(t / 3600));
            body.push_back(static_cast<std::uint8_t>(today.day));
            body.push_back(static_cast<std::uint8_t>(today.month));
            body.push_back(static_cast<std::uint8_t>(today.year - 2000));
            body.push_back(kSimulatedLoop);
            body.push_back(static_cast<std::uint8_t>(1 + i));  // device index
            body.push_back(kSimulatedEventType);
        }
        return put(replyFrame(body), reply);
    }

    if (command == kCmdReadVersion) {
        Bytes body{kCmdReadVersion};
        for (const char* c = kSimulatedVersion; *c; ++c)
            body.push_back(static_cast<std::uint8_t>(*c));
        return put(replyFrame(body), reply);
    }

    if (command > kCmdReadActiveEvents && command <= kCmdReadActiveEvents + kEventCategories) {
        const Bytes body{static_cast<std::uint8_t>(command | kLastReplyFlag),
                         1,
                         kSimulatedLoop,
                         1,
                         kSimulatedEventType,
                         2,
                         kSimulatedLoop,
                         2,
                         kSimulatedEventType};
        return put(replyFrame(body), reply);
    }

    if (command == kCmdReadDustiness) {
        std::vector<int> detectors;
        for (int i = 0; i < kDeviceCount; ++i) {
            if (IsDeviceInUse(i) && deviceType(devices[static_cast<std::size_t>(i)]) == kTypeDip)
                detectors.push_back(i);
        }
        if (simulationDustPosition_ >= detectors.size()) simulationDustPosition_ = 0;
        const std::size_t n =
            std::min(kSimulatedDustPerReply, detectors.size() - simulationDustPosition_);
        const bool last = simulationDustPosition_ + n >= detectors.size();
        Bytes body{static_cast<std::uint8_t>(kCmdReadDustiness | (last ? kLastReplyFlag : 0))};
        for (std::size_t k = simulationDustPosition_; k < simulationDustPosition_ + n; ++k) {
            const DeviceRecord& d = devices[static_cast<std::size_t>(detectors[k])];
            body.push_back(d[kDevNumber]);
            body.push_back(d[kDevLoop]);
            body.push_back(static_cast<std::uint8_t>(detectors[k] % 10));
        }
        simulationDustPosition_ = last ? 0 : simulationDustPosition_ + n;
        return put(replyFrame(body), reply);
    }

    return put(refusal, reply);
}

}  // namespace tavrin
