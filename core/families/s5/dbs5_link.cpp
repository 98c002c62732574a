// DBS5 on the console link: opening and closing the link, the frame
// checksum, the console's firmware version and the built-in simulation of
// a console.
#include <string>

#include "families/s5/dbs5.h"
#include "families/s5/simulated_console.h"
#include "link/result_codes.h"

namespace tavrin {

using namespace s5;

DBS5::~DBS5() {
    // The link thread calls back into this object: stop it while it is whole.
    link_->close();
}

int DBS5::WriteFirmware(Progress&, ByteSpan) {
    // The console's programs go through its SD card (WriteFileToDevice).
    return kResultNotImplemented;
}

bool DBS5::OpenPort() {
    if (portName.empty()) return false;
    // A link that is still there (or ended by itself) is stopped and joined.
    link_->close();
    LoadPortSettings();
    simulatedFrames_ = 0;
    if (simulation) {
        // An operation that took no snapshot of its own: the database as it is
        // now (taken here, before the link thread reads it).
        std::lock_guard lock(simMutex_);
        if (!sim_) sim_ = std::make_unique<SimulatedConsole>(*this);
    }
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

int DBS5::ReadLcpVersion(int lcpNumber) {
    LcpDatabase* l = lcp(lcpNumber);
    if (!l) return kResultBadCommand;
    exchangeActive.arm();
    if (!link_->running() && !OpenPort()) return kResultPortNotOpen;
    auto rec = std::make_shared<ExchRec>();
    rec->frame = computerFrame(kKindVersion, {static_cast<std::uint8_t>(lcpNumber)});
    rec->expectedLength = kVersionReplyLength;
    link_->requests().push(rec);
    bool answered = false;
    int result =
        link_->WaitReplies(nullptr, &exchangeActive, kReplyWaitMs, [&](const ExchRec& r) -> int {
            answered = true;
            if (r.replyLength() != kVersionReplyLength) return kResultBadReply;
            l->firmwareVersion = r.reply[3];
            return kResultOk;
        });
    if (result == kResultOk && !answered) result = kResultUnknownDeviceError;
    ClosePort();
    return result;
}

int DBS5::LcpCommand(int lcpNumber, int command, int device, int value) {
    LcpDatabase* l = lcp(lcpNumber);
    if (!l || device < 0 || device >= kSlots) return kResultBadCommand;
    const auto L = static_cast<std::uint8_t>(lcpNumber);
    const auto d = static_cast<std::uint8_t>(device);
    DeviceRecord& rec = l->devices[static_cast<std::size_t>(device)];
    auto request = std::make_shared<ExchRec>();
    switch (command) {
        case 1:
        case 3:
        case 4:
            request->frame =
                computerFrame(kKindLcp, {L, 'c', '1', static_cast<std::uint8_t>(command), d});
            break;
        case 2:
            request->frame =
                computerFrame(kKindLcp, {L, 'c', '1', 2, d, rec[dev::kSerial],
                                         rec[dev::kSerial + 1], static_cast<std::uint8_t>(value)});
            request->expectedLength = 10;
            break;
        case 15:
        case 0xF0:
        case 0xF2:
        case 0xF3:
            request->frame =
                computerFrame(kKindLcp, {L, 'c', 0x01, static_cast<std::uint8_t>(command)});
            break;
        default:
            return kResultBadCommand;
    }
    exchangeActive.arm();
    if (!link_->running() && !OpenPort()) return kResultPortNotOpen;
    link_->requests().push(request);
    bool answered = false;
    const int result =
        link_->WaitReplies(nullptr, &exchangeActive, kReplyWaitMs, [&](const ExchRec& r) -> int {
            answered = true;
            const ByteSpan reply(r.reply);
            if (getU8(reply, kOffCode) == kCodeRefused) return kResultNoTargetLink;
            if (command != 1 && command != 2) return kResultOk;
            // A command reply names the LCP and the device; its data is read
            // only as far as the frame reaches.
            const std::size_t need = command == 1 ? 9 : 10;
            if (reply.size() < need || reply[kOffCode] != kCodeCommandReply || reply[3] != L ||
                reply[4] != d) {
                return kResultBadReply;
            }
            if (command == 1) {
                rec[dev::kType] = reply[5];
                rec[dev::kSerial] = reply[6];
                rec[dev::kSerial + 1] = reply[7];
                l->changed = true;
                ++modified;
                return kResultOk;
            }
            if (reply[5] != rec[dev::kType]) return kResultBadReply;
            std::copy_n(reply.begin() + 6, 3,
                        l->deviceStates[static_cast<std::size_t>(device)].begin());
            return kResultOk;
        });
    ClosePort();
    if (result == kResultOk && !answered) return kResultUnknownDeviceError;
    return result;
}

// The built-in simulation: the console opens its link with 0x60 and then
// answers from the snapshot of the database taken when the operation began
// (a console of its own, see simulated_console.h).
int DBS5::SimulateDevice(ByteSpan request, std::span<std::uint8_t, kReplyBufferSize> reply) {
    const auto seq =
        static_cast<std::uint8_t>(kConsoleStart | (simulatedFrames_++ & kSequenceMask));
    Bytes frame;
    if (simulatedFrames_ == 1) {
        frame = {seq, 4, kCodeLinkStart, 0};
    } else {
        std::lock_guard lock(simMutex_);
        frame = sim_ ? sim_->answer(request) : Bytes{kConsoleStart, 4, kCodeRefused, 0};
        frame[kOffStart] = seq;
    }
    sealFrame(frame);
    std::copy(frame.begin(), frame.end(), reply.begin());
    return static_cast<int>(frame.size());
}

void DBS5::takeSimulationSnapshot() {
    std::lock_guard lock(simMutex_);
    sim_ = std::make_unique<SimulatedConsole>(*this);
}

}  // namespace tavrin
