// The built-in simulation of an "Ордис Р7" panel: the exchange asks it for
// the reply when the "Имитация" setting is on. It behaves as the simulated
// panel of tavrin-panelsim does: a memory of 2048 records that a write
// changes and a read returns (a fresh panel holds only itself in record 0),
// the clock of the computer, version 1.1, and a journal of ten events before
// the position 10, the latest one second ago.
#include <algorithm>

#include "families/r7/dbr7.h"

namespace tavrin {

using namespace r7;

namespace {

constexpr int kSimulatedMajor = 1;
constexpr int kSimulatedMinor = 1;
constexpr int kSimulatedJournalPosition = 10;
constexpr std::uint8_t kSimulatedEvent = 75;
constexpr std::uint16_t kSimulatedSecondId = 0x0488;
constexpr std::uint16_t kSimulatedFirstId = 9;

// Days since 1970-01-01 of a civil date, and back.
long daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(long z, int& y, int& m, int& d) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

// `t` moved back by `seconds`, across days, months and years.
LocalTime secondsBefore(const LocalTime& t, long seconds) {
    long total = daysFromCivil(t.year, t.month, t.day) * 86400L + t.hour * 3600L + t.minute * 60L +
                 t.second - seconds;
    long days = total / 86400L;
    long rest = total % 86400L;
    if (rest < 0) {
        rest += 86400L;
        --days;
    }
    LocalTime out;
    civilFromDays(days, out.year, out.month, out.day);
    out.hour = static_cast<int>(rest / 3600);
    out.minute = static_cast<int>(rest / 60 % 60);
    out.second = static_cast<int>(rest % 60);
    return out;
}

int put(const Bytes& frame, std::span<std::uint8_t, DBase::kReplyBufferSize> out) {
    const std::size_t n = std::min(frame.size(), out.size());
    std::copy_n(frame.begin(), n, out.begin());
    return static_cast<int>(n);
}

}  // namespace

Bytes& DBR7::SimulatedMemory() {
    if (simulatedMemory_.empty()) {
        simulatedMemory_.resize(static_cast<std::size_t>(kElementCount) * kStoredRecordSize);
        for (int i = 0; i < kElementCount; ++i) {
            ElementRecord r;
            r.clear();
            if (i == 0) {
                r.setId(1);
                r.setType(kTypePanel);
                std::fill(r.bytes.begin() + kOffParams, r.bytes.begin() + 13, std::uint8_t{0});
                r.bytes[kOffAddress] = 1;
                r.setName("Ордис Р7");
            }
            std::copy_n(
                r.bytes.begin(), kStoredRecordSize,
                simulatedMemory_.begin() + static_cast<std::ptrdiff_t>(i) * kStoredRecordSize);
        }
    }
    return simulatedMemory_;
}

int DBR7::SimulateDevice(ByteSpan req, std::span<std::uint8_t, kReplyBufferSize> out) {
    if (req.size() < kFrameData) return 0;
    const std::uint8_t address = req[kFrameAddress];
    const std::uint8_t command = req[kFrameCommand];
    const auto status = [&](std::uint8_t s) {
        const std::uint8_t data[] = {s};
        return put(reply(address, command, data), out);
    };
    if (!checksumOk(req)) return status(kStatusChecksum);
    if (req[kFrameDirection] != kRequestMark || command > kCmdFirmwareData) {
        return status(kStatusCommand);
    }
    const int body = req[kFrameLength];
    const int index = body >= 4 ? (req[5] << 8) | req[6] : -1;
    SystemClock system;
    const Clock& clock = ctx_.clock ? *ctx_.clock : system;

    switch (command) {
        case kCmdSetClock:
        case kCmdEndFirmware:
        case kCmdEndDatabase:
        case kCmdFirmwareData:
            return status(0);
        case kCmdReadClock: {
            const LocalTime t = clock.now();
            const std::uint8_t data[] = {
                static_cast<std::uint8_t>(t.year % 100), static_cast<std::uint8_t>(t.month),
                static_cast<std::uint8_t>(t.day),        static_cast<std::uint8_t>(t.hour),
                static_cast<std::uint8_t>(t.minute),     static_cast<std::uint8_t>(t.second)};
            return put(reply(address, command, data), out);
        }
        case kCmdWriteRecord: {
            if (body != 4 + kStoredRecordSize || index >= kElementCount) break;
            std::copy_n(
                req.begin() + 7, kStoredRecordSize,
                SimulatedMemory().begin() + static_cast<std::ptrdiff_t>(index) * kStoredRecordSize);
            return status(0);
        }
        case kCmdReadRecord: {
            if (body != 4 || index >= kElementCount) break;
            Bytes data{req[5], req[6]};
            const auto from =
                SimulatedMemory().begin() + static_cast<std::ptrdiff_t>(index) * kStoredRecordSize;
            data.insert(data.end(), from, from + kStoredRecordSize);
            return put(reply(address, command, data), out);
        }
        case kCmdReadJournalRecord: {
            if (body != 4 || index >= kJournalCapacity) break;
            Bytes data{req[5], req[6]};
            JournalEntry r{};
            if (index < kSimulatedJournalPosition) {
                const LocalTime t = secondsBefore(clock.now(), kSimulatedJournalPosition - index);
                r = {static_cast<std::uint8_t>(t.year % 100),
                     static_cast<std::uint8_t>(t.month),
                     static_cast<std::uint8_t>(t.day),
                     static_cast<std::uint8_t>(t.hour),
                     static_cast<std::uint8_t>(t.minute),
                     static_cast<std::uint8_t>(t.second),
                     static_cast<std::uint8_t>(kSimulatedSecondId >> 8),
                     static_cast<std::uint8_t>(kSimulatedSecondId & 0xFF),
                     static_cast<std::uint8_t>(kSimulatedFirstId >> 8),
                     static_cast<std::uint8_t>(kSimulatedFirstId & 0xFF),
                     kSimulatedEvent,
                     0};
            }
            data.insert(data.end(), r.begin(), r.end());
            return put(reply(address, command, data), out);
        }
        case kCmdJournalPosition: {
            const std::uint8_t data[] = {0, kSimulatedJournalPosition};
            return put(reply(address, command, data), out);
        }
        case kCmdReadVersion: {
            const std::uint8_t data[] = {kSimulatedMajor, kSimulatedMinor};
            return put(reply(address, command, data), out);
        }
        default:
            break;
    }
    return status(kStatusCommand);
}

}  // namespace tavrin
