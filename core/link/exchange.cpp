// The request/response exchange with its retries, the default reply framing,
// and the cancel window around a device operation.
//
// Threading: Exchange runs on the thread of the device operation and owns
// the port and the reply buffer while it runs. The cancel window (another
// thread) only clears `exchangeActive`; the exchange looks at the flag
// between passes.
#include <algorithm>
#include <array>

#include "base/file_io.h"
#include "link/dbase.h"
#include "link/result_codes.h"

namespace tavrin {

namespace {

// Passes after the first transmission.
constexpr int kRepeats = 3;
constexpr unsigned kPauseAfterBadReplyMs = 1;
constexpr unsigned kCancelWindowSettleMs = 100;

}  // namespace

int DBase::Exchange(Bytes& reply, ByteSpan request) {
    reply.clear();
    if (!link_.portOpen() && !OpenPort()) return kResultPortNotOpen;

    // The user stopped the operation between two requests.
    if (link_.cancelWindowShown() && !exchangeActive.active()) return kResultStoppedByUser;

    ReplyFrame frame;
    auto& buffer = frame.buffer;
    int& received = frame.received;
    int code = kResultOk;
    exchangeActive.arm();
    const auto pause = [this](unsigned ms) {
        if (ctx_.clock) ctx_.clock->sleepMs(ms);
    };

    // Nothing that waits on the line belongs to this request: a reply that
    // came late for an earlier one must not be taken for this one's.
    if (!simulation) {
        DrainLine(link_.lineUnsettled());
        link_.setLineUnsettled(false);
    }
    for (int passesLeft = kRepeats;; --passesLeft) {
        const bool first = passesLeft == kRepeats;
        LogLine(first ? "Передача:" : "Повторная передача:");
        if (!first && !simulation) {
            // Drain the line before a repeated pass.
            DrainLine(true);
            link_.setLineUnsettled(true);
        }
        LogBytes(request);
        buffer.fill(0);
        received = 0;
        int passCode = kResultOk;
        frame.secondReplyWrong = false;

        if (simulation) {
            std::span<std::uint8_t, kReplyBufferSize> out(buffer);
            received = SimulateDevice(request, out);
            if (received < 0) received = 0;
            if (received > kReplyBufferSize) received = kReplyBufferSize;
        } else {
            const int length = static_cast<int>(request.size());
            if (link_.port()->write(request.data(), length) < length) {
                code = link_.port()->lineLost() ? kResultSessionBroken : kResultNotAllSent;
                break;
            }
            passCode = ReadReplyFrame(frame, request);
            // The adapter is gone: no further pass can help.
            if (link_.port()->lineLost()) {
                code = kResultSessionBroken;
                break;
            }
        }

        if (passCode == kResultOk) {
            const ByteSpan bytes(buffer.data(), static_cast<std::size_t>(received));
            LogLine("Прием:");
            if (!CheckChecksum(bytes)) {
                LogLine("Ошибка CRC");
                LogReceived(frame);
                passCode = kResultConfiguratorCrc;
                pause(kPauseAfterBadReplyMs);
            } else if (!IsPositiveReply(bytes)) {
                LogLine("Ошибка - отказ прибора от приема команды");
                LogReceived(frame);
                passCode = kResultRefused;
                if (simulation) {
                    code = passCode;
                    break;
                }
                pause(kPauseAfterBadReplyMs);
            } else {
                LogReceived(frame);
                code = frame.secondReplyWrong ? kResultBadReply : kResultOk;
                break;
            }
        }
        code = passCode;
        if (passesLeft == 0 || !exchangeActive.active()) break;
    }

    if (code != kResultOk) link_.setLineUnsettled(true);
    if (link_.portOpen() && link_.port()->lineLost()) {
        // Say which port went away, and let it go: the next operation opens
        // it anew (a device search finds the adapter again once it is back).
        const std::string reason = systemErrorText(link_.port()->lastError());
        LogLine("Порт потерян: " + reason);
        ClosePort();
        if (ctx_.prompter)
            ctx_.prompter->message("Порт " + portName + " недоступен: " + reason + ".",
                                   kExchangeTitle, PromptIcon::Error);
    }
    if (!exchangeActive.active()) {
        code = kResultStoppedByUser;
    } else if (!link_.cancelWindowShown()) {
        // Outside an operation the flag lives for one exchange; inside one it
        // stays set until FinishOperation, so that a stop pressed between two
        // requests is not lost.
        exchangeActive.cancel();
    }
    if (received > 0) reply.assign(buffer.begin(), buffer.begin() + received);
    return code;
}

void DBase::DrainLine(bool untilQuiet) {
    if (!link_.portOpen()) return;
    std::array<std::uint8_t, 256> junk{};
    for (int waiting = link_.port()->bytesWaiting(); waiting > 0;
         waiting = link_.port()->bytesWaiting()) {
        const int n = std::min<int>(waiting, static_cast<int>(junk.size()));
        if (link_.port()->read(junk.data(), n) <= 0) break;
    }
    if (!untilQuiet) return;
    while (link_.port()->read(junk.data(), 1) > 0) {
    }
}

int DBase::ReadPortBytes(ReplyFrame& frame, int at, int n) {
    const int got = link_.port()->read(frame.buffer.data() + at, n);
    return got < 0 ? 0 : got;
}

int DBase::ReadFrameBytes(ReplyFrame& frame, int at, int n) {
    int got = link_.port()->read(frame.buffer.data() + at, n);
    if (got < 0) got = 0;
    if (got < n) {
        if (ctx_.clock) ctx_.clock->sleepMs(0);
        int more = link_.port()->read(frame.buffer.data() + at + got, n - got);
        if (more > 0) got += more;
    }
    return got;
}

void DBase::LogReceived(const ReplyFrame& frame) {
    LogBytes(ByteSpan(frame.buffer.data(), static_cast<std::size_t>(frame.received)));
}

// The length-prefixed reply: byte 0 = L, then L bytes (the checksum last).
int DBase::ReadReplyFrame(ReplyFrame& frame, ByteSpan /*request*/) {
    int got = link_.port()->read(frame.buffer.data(), 1);
    if (got <= 0) {
        LogLine("Прием:");
        LogLine("Ошибка ТА");
        LogReceived(frame);
        return deviceAnswered ? kResultNoAnswer : kResultNoLink;
    }
    deviceAnswered = true;
    const int bodyLength = frame.buffer[0];
    got = ReadFrameBytes(frame, 1, bodyLength);
    frame.received = 1 + got;
    if (got < bodyLength) {
        LogLine("Ошибка ТА");
        LogReceived(frame);
        return kResultNoAnswer;
    }
    return kResultOk;
}

bool DBase::StartCancelWindow(const std::string& titleText) {
    operationTitle = titleText;
    exchangeActive.arm();
    link_.setCancelWindowShown(true);
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
    if (link_.cancelWindowShown()) {
        if (ctx_.cancelWindow) ctx_.cancelWindow->hide();
        link_.setCancelWindowShown(false);
    }
    exchangeActive.cancel();
}

}  // namespace tavrin
