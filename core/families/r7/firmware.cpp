// Loading new firmware into the "Ордис Р7" panel from the image that the main
// window read from an Intel HEX file (link/firmware_image.h).
//
// Segments are sent in the order of the image, each from its start address
// in frames of 64 bytes, four frames to a 256-byte page, so that only whole
// pages reach the panel. Segments numbered below the resume point are
// skipped (the panel keeps its loader there); the resume segment starts at
// the resume page. Command 7 ends the update.
#include <algorithm>

#include "families/r7/dbr7.h"
#include "link/firmware_image.h"
#include "link/result_codes.h"

namespace tavrin {

using namespace r7;

namespace {

constexpr const char* kFirmwareTitle = "Обновление программы прибора";
// The main window is repainted after every this many frames.
constexpr int kRepaintEvery = 5;
constexpr int kFramesPerPage = kFirmwarePage / kFirmwareChunk;

}  // namespace

int DBR7::WriteFirmware(Progress& progress, ByteSpan image) {
    if (!IsPortOpen() && !OpenPort()) return kResultPortNotOpen;
    const std::size_t count = firmware::segmentCount(image);
    // Segment 0 holds only what comes before the first segment record: an
    // image without one has nothing the panel takes.
    if (count <= 1) {
        ClosePort();
        return kResultSourceFileError;
    }
    std::int64_t total = 0;
    for (std::size_t s = 1; s < count; ++s)
        total += firmware::segmentAt(image, s).end;
    progress.setRange(0, static_cast<int>(total / kFirmwareChunk));
    progress.setPosition(0);
    progress.setVisible(true);
    StartCancelWindow(kFirmwareTitle);

    const std::uint8_t address = FrameAddress();
    int code = kResultOk;
    int position = 0;
    int frames = 0;
    bool first = true;
    for (std::size_t s = 0; s < count && code == kResultOk; ++s) {
        const firmware::SegmentView seg = firmware::segmentAt(image, s);
        std::uint32_t at = seg.start;
        if (seg.number < firmwareResumeSegment) {
            // Skipped: count its frames as done.
            const std::uint32_t bytes = seg.end > seg.start ? seg.end - seg.start : 0;
            const std::uint32_t pages = (bytes + kFirmwarePage - 1) / kFirmwarePage;
            position += static_cast<int>(std::max<std::uint32_t>(pages, 1) * kFramesPerPage);
            progress.setPosition(position);
            continue;
        }
        if (first && seg.number == firmwareResumeSegment)
            at = static_cast<std::uint32_t>(firmwareResumePage) * kFirmwarePage;
        first = false;
        if (at % kFirmwarePage != 0) {
            code = kResultSourceFileError;
            break;
        }
        int sent = 0;
        do {
            if (at + kFirmwareChunk > firmware::kSegmentDataSize) {
                code = kResultSourceFileError;
                break;
            }
            Bytes reply;
            // The exchange reads the acknowledgement and the frame of type 0x0A after it.
            code = Request(reply,
                           firmwareDataRequest(address, seg.number, static_cast<std::uint16_t>(at),
                                               seg.data.subspan(at, kFirmwareChunk)));
            if (code != kResultOk) break;
            at += kFirmwareChunk;
            ++sent;
            progress.setPosition(++position);
            if (++frames % kRepaintEvery == 0) progress.keepAlive();
        } while (at < seg.end || sent % kFramesPerPage != 0);
    }
    if (code == kResultOk) {
        Bytes reply;
        code = Request(reply, request(address, kCmdEndFirmware));
        if (code == kResultOk && !isAcknowledgement(reply)) code = kResultUnknownMessage;
    }
    FinishOperation();
    return code;
}

}  // namespace tavrin
