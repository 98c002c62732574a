#include "families/r7/framing.h"

#include "families/r7/dbr7.h"
#include "families/r7/protocol.h"
#include "link/result_codes.h"

namespace tavrin {

namespace r7 {

namespace {

// The header as a count of bytes to read.
constexpr int kHeader = static_cast<int>(kHeaderSize);
static_assert(kMaxBody == DBase::kReplyBufferSize - kHeader - 1, "a body fills the reply buffer");

}  // namespace

int readReplyFrame(DBase& db, DBase::ReplyFrame& frame, ByteSpan request) {
    // One frame into the buffer from byte 0; 0 or the code of the failed pass.
    const auto readFrame = [&]() -> int {
        int got = db.ReadPortBytes(frame, 0, kHeader);
        frame.received = got;
        if (got > 0) db.deviceAnswered = true;
        if (got < kHeader) {
            db.LogLine("Прием:");
            db.LogLine("Ошибка ТА1");
            db.LogReceived(frame);
            return db.deviceAnswered ? kResultNoAnswer : kResultNoLink;
        }
        const int body = frame.buffer[2];
        if (body > kMaxBody) {
            // The frame would not fit the reply buffer: not read at all.
            db.LogLine("Прием:");
            db.LogLine("Ошибка длины");
            db.LogReceived(frame);
            return kResultBadDataLength;
        }
        got = db.ReadFrameBytes(frame, kHeader, body + 1);
        frame.received = kHeader + got;
        if (got < body + 1) {
            db.LogLine("Ошибка ТА2");
            db.LogReceived(frame);
            return kResultNoAnswer;
        }
        return kResultOk;
    };

    int code = readFrame();
    if (code == kResultOk && request.size() > 4 && request[4] == kCmdFirmwareData &&
        frame.buffer[5] == 0) {
        code = readFrame();
        if (code == kResultOk && frame.buffer[4] != kSecondReplyType) frame.secondReplyWrong = true;
    }
    return code;
}

}  // namespace r7

int DBR7::ReadReplyFrame(ReplyFrame& frame, ByteSpan request) {
    return r7::readReplyFrame(*this, frame, request);
}

}  // namespace tavrin
