// DBS5 on the console link: opening and closing the link, the frame
// checksum, the console's firmware version and the built-in simulation of
// a console.
#include <string>

#include "families/s5/dbs5.h"
#include "link/result_codes.h"

namespace tavrin {

using namespace s5;

DBS5::~DBS5() {
    // The link thread calls back into this object: stop it while it is whole.
    link_->close();
}

bool DBS5::OpenPort() {
    if (portName.empty()) return false;
    // A link that is still there (or ended by itself) is stopped and joined.
    link_->close();
    LoadPortSettings();
    simulatedFrames_ = 0;
    return link_->open();
}

void DBS5::ClosePort() {
    link_->close();
    if (IsPortOpen() || IsLogOpen()) DBase::ClosePort();
}

bool DBS5::CheckChecksum(ByteSpan reply) {
    return frameChecksumOk(reply);
}

int DBS5::ReadVersion() {
    exchangeActive.arm();
    if (!link_->running() && !OpenPort()) return kResultPortNotOpen;
    auto rec = std::make_shared<ExchRec>();
    rec->frame = computerFrame(kKindVersion, {0});
    rec->expectedLength = kVersionReplyLength;
    link_->requests().push(rec);
    bool answered = false;
    int result = link_->WaitReplies(nullptr, &exchangeActive, kReplyWaitMs,
                                    [this, &answered](const ExchRec& r) {
                                        answered = true;
                                        if (r.replyLength() != kVersionReplyLength)
                                            return static_cast<int>(kResultBadReply);
                                        firmwareVersion = r.reply[3];
                                        firmwareVersionText = std::to_string(firmwareVersion);
                                        return static_cast<int>(kResultOk);
                                    });
    if (result == kResultOk && !answered) result = kResultUnknownDeviceError;
    link_->requests().clear();
    link_->replies().clear();
    if (result == kResultStoppedByUser) ClosePort();
    return result;
}

// A console in a few lines: it opens its link with 0x60, reports "done"
// while nothing is asked, gives its firmware version, accepts the clock,
// the event clearing and the LCP commands that it answers with 0x64, and
// reports every other request as unreachable (0x75).
int DBS5::SimulateDevice(ByteSpan request, std::span<std::uint8_t, kReplyBufferSize> reply) {
    constexpr std::uint8_t kSimulatedVersion = 12;
    const auto seq =
        static_cast<std::uint8_t>(kConsoleStart | (simulatedFrames_++ & kSequenceMask));
    Bytes frame;
    if (simulatedFrames_ == 1) {
        frame = {seq, 4, kCodeLinkStart, 0};
    } else if (request.size() < kFrameMin) {
        frame = {seq, 4, kCodeDone, 0};
    } else if (request[kOffCode] == kKindVersion) {
        frame = {seq, 7, kCodeVersion, kSimulatedVersion, 0, 0, 0};
    } else if (request[kOffCode] == kKindClock || request[kOffCode] == kKindClearEvents ||
               (request[kOffCode] == kKindLcp && getU8(request, 4) == kLcpCommand)) {
        frame = {seq, 4, kCodeDone, 0};
    } else {
        frame = {seq, 4, kCodeRefused, 0};
    }
    sealFrame(frame);
    std::copy(frame.begin(), frame.end(), reply.begin());
    return static_cast<int>(frame.size());
}

}  // namespace tavrin
