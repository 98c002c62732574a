#include "families/r7/framing.h"

#include "families/r7/dbr7.h"
#include "link/result_codes.h"

namespace tavrin {

namespace r7 {

namespace {

constexpr int kHeaderSize = 3;
// A body longer than this does not fit the reply buffer.
constexpr int kMaxBody = DBase::kReplyBufferSize - kHeaderSize - 1;  // 252
// A firmware data frame (command 9) is answered by an acknowledgement and
// then a second frame of this type.
constexpr std::uint8_t kCmdFirmwareData = 9;
constexpr std::uint8_t kSecondReplyType = 0x0A;

}  // namespace

int readReplyFrame(DBase& db, DBase::ReplyFrame& frame, ByteSpan request) {
    // One frame into the buffer from byte 0; 0 or the code of the failed pass.
    const auto readFrame = [&]() -> int {
        int got = db.ReadPortBytes(frame, 0, kHeaderSize);
        frame.received = got;
        if (got > 0) db.deviceAnswered = true;
        if (got < kHeaderSize) {
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
        got = db.ReadFrameBytes(frame, kHeaderSize, body + 1);
        frame.received = kHeaderSize + got;
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
