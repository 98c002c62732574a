// The request/response exchange of the first two families, and the cancel
// window around a device operation.
//
// Threading: Exchange runs on the thread of the device operation and owns
// the port and the reply buffer while it runs. The cancel window (another
// thread) only clears `exchangeActive`; the exchange looks at the flag
// between passes.
#include <array>

#include "link/dbase.h"
#include "link/result_codes.h"

namespace tavrin {

namespace {

// Passes after the first transmission.
constexpr int kRepeats = 3;
constexpr unsigned kPauseAfterBadReplyMs = 1;
constexpr unsigned kCancelWindowSettleMs = 100;

// Second family: 3-byte header (byte 2 = L), then L body bytes and the
// checksum. A body longer than this does not fit the reply buffer.
constexpr int kR7HeaderSize = 3;
constexpr int kR7MaxBody = DBase::kReplyBufferSize - kR7HeaderSize - 1;  // 252
// A firmware frame (command 9) is answered by an acknowledgement and then a
// second frame of this type.
constexpr std::uint8_t kR7CmdFirmwareData = 9;
constexpr std::uint8_t kR7SecondReplyType = 0x0A;

}  // namespace

int DBase::Exchange(Bytes& reply, ByteSpan request) {
    reply.clear();
    if (!port_ && !OpenPort()) return kResultPortNotOpen;

    // The user stopped the operation between two requests.
    if (cancelWindowShown_ && !exchangeActive.active()) return kResultStoppedByUser;

    std::array<std::uint8_t, kReplyBufferSize> buffer{};
    int received = 0;
    int code = kResultOk;
    exchangeActive.arm();
    const auto pause = [this](unsigned ms) {
        if (ctx_.clock) ctx_.clock->sleepMs(ms);
    };

    // Reads up to n bytes into the buffer at `at`; once more after yielding
    // the processor when short. Returns the bytes read.
    const auto readFull = [&](int at, int n) {
        int got = port_->read(buffer.data() + at, n);
        if (got < 0) got = 0;
        if (got < n) {
            pause(0);
            int more = port_->read(buffer.data() + at + got, n - got);
            if (more > 0) got += more;
        }
        return got;
    };
    const auto logReceived = [&]() {
        LogBytes(ByteSpan(buffer.data(), static_cast<std::size_t>(received)));
    };

    // One reply of the second family into the buffer from byte 0.
    // Returns 0 or the code of the failed pass.
    const auto readR7Frame = [&]() -> int {
        int got = port_->read(buffer.data(), kR7HeaderSize);
        if (got < 0) got = 0;
        received = got;
        if (got > 0) deviceAnswered = true;
        if (got < kR7HeaderSize) {
            LogLine("Прием:");
            LogLine("Ошибка ТА1");
            logReceived();
            return deviceAnswered ? kResultNoAnswer : kResultNoLink;
        }
        const int body = buffer[2];
        if (body > kR7MaxBody) {
            // The frame would not fit the reply buffer: not read at all.
            LogLine("Прием:");
            LogLine("Ошибка длины");
            logReceived();
            return kResultBadDataLength;
        }
        got = readFull(kR7HeaderSize, body + 1);
        received = kR7HeaderSize + got;
        if (got < body + 1) {
            LogLine("Ошибка ТА2");
            logReceived();
            return kResultNoAnswer;
        }
        return kResultOk;
    };

    for (int passesLeft = kRepeats;; --passesLeft) {
        const bool first = passesLeft == kRepeats;
        LogLine(first ? "Передача:" : "Повторная передача:");
        if (!first && !simulation) {
            // Drain the line before a repeated pass.
            std::uint8_t junk = 0;
            while (port_->read(&junk, 1) > 0) {
            }
        }
        LogBytes(request);
        buffer.fill(0);
        received = 0;
        int passCode = kResultOk;
        bool secondReplyWrong = false;

        if (simulation) {
            std::span<std::uint8_t, kReplyBufferSize> out(buffer);
            received = SimulateDevice(request, out);
            if (received < 0) received = 0;
            if (received > kReplyBufferSize) received = kReplyBufferSize;
        } else {
            const int length = static_cast<int>(request.size());
            if (port_->write(request.data(), length) < length) {
                code = kResultNotAllSent;
                break;
            }
            if (familyCode == 1) {
                passCode = readR7Frame();
                if (passCode == kResultOk && request.size() > 4 &&
                    request[4] == kR7CmdFirmwareData && buffer[5] == 0) {
                    passCode = readR7Frame();
                    if (passCode == kResultOk && buffer[4] != kR7SecondReplyType) {
                        secondReplyWrong = true;
                    }
                }
            } else {
                int got = port_->read(buffer.data(), 1);
                if (got <= 0) {
                    LogLine("Прием:");
                    LogLine("Ошибка ТА");
                    logReceived();
                    passCode = deviceAnswered ? kResultNoAnswer : kResultNoLink;
                } else {
                    deviceAnswered = true;
                    const int bodyLength = buffer[0];
                    got = readFull(1, bodyLength);
                    received = 1 + got;
                    if (got < bodyLength) {
                        LogLine("Ошибка ТА");
                        logReceived();
                        passCode = kResultNoAnswer;
                    }
                }
            }
        }

        if (passCode == kResultOk) {
            const ByteSpan frame(buffer.data(), static_cast<std::size_t>(received));
            LogLine("Прием:");
            if (!CheckChecksum(frame)) {
                LogLine("Ошибка CRC");
                logReceived();
                passCode = kResultConfiguratorCrc;
                pause(kPauseAfterBadReplyMs);
            } else if (!IsPositiveReply(frame)) {
                LogLine("Ошибка - отказ прибора от приема команды");
                logReceived();
                passCode = kResultRefused;
                if (simulation) {
                    code = passCode;
                    break;
                }
                pause(kPauseAfterBadReplyMs);
            } else {
                logReceived();
                code = secondReplyWrong ? kResultBadReply : kResultOk;
                break;
            }
        }
        code = passCode;
        if (passesLeft == 0 || !exchangeActive.active()) break;
    }

    if (!exchangeActive.active()) {
        code = kResultStoppedByUser;
    } else if (!cancelWindowShown_) {
        // Outside an operation the flag lives for one exchange; inside one it
        // stays set until FinishOperation, so that a stop pressed between two
        // requests is not lost.
        exchangeActive.cancel();
    }
    if (received > 0) reply.assign(buffer.begin(), buffer.begin() + received);
    return code;
}

bool DBase::StartCancelWindow(const std::string& titleText) {
    operationTitle = titleText;
    exchangeActive.arm();
    cancelWindowShown_ = true;
    // The pause gives a window time to appear; without one there is nothing to
    // wait for (the cli, the port search, the benchmarks).
    if (ctx_.cancelWindow) {
        ctx_.cancelWindow->show(operationTitle, exchangeActive);
        if (ctx_.clock) ctx_.clock->sleepMs(kCancelWindowSettleMs);
    }
    return true;
}

void DBase::FinishOperation() {
    ClosePort();
    if (cancelWindowShown_) {
        if (ctx_.cancelWindow) ctx_.cancelWindow->hide();
        cancelWindowShown_ = false;
    }
    exchangeActive.cancel();
}

}  // namespace tavrin
