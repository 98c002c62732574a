// The database transfer of the "Ордис Р7" panel: the version, the element
// table read and written record by record, the clock.
//
// Every operation runs on the caller's thread and owns the port while it
// runs. The top-level operations (read, write, clock set and query) close
// the port on every exit path; ReadVersion leaves it open for the operation
// that called it (the callers of "Прочитать версию ПО" close it). The cancel
// window's thread only clears `exchangeActive`, which makes the running
// exchange return 21.
#include <algorithm>
#include <cstdio>

#include "families/r7/dbr7.h"
#include "link/result_codes.h"

namespace tavrin {

using namespace r7;

namespace {

constexpr const char* kReadTitle = "Чтение базы прибора";
constexpr const char* kWriteTitle = "Запись базы в прибор";
constexpr const char* kClockTitle = "Запрос времени";
constexpr const char* kLastRecordTitle = "Чтение базы";
// Attempts for one record whose reply names another record.
constexpr int kRecordAttempts = 3;
// The main window is repainted after every this many records.
constexpr int kRepaintEvery = 20;

// An acknowledgement is the only positive answer to a command that changes
// the panel; another positive frame is a message this program does not know.
int requireAck(int code, ByteSpan reply) {
    if (code == kResultOk && !isAcknowledgement(reply)) return kResultUnknownMessage;
    return code;
}

}  // namespace

// ---- Checks used by the exchange --------------------------------------------------------

bool DBR7::CheckChecksum(ByteSpan reply) {
    return checksumOk(reply);
}

bool DBR7::IsPositiveReply(ByteSpan reply) {
    return !isRefusal(reply);
}

std::uint8_t DBR7::FrameAddress() const {
    return wireAddress(readAddress_.value_or(PanelAddress()));
}

int DBR7::Request(Bytes& reply, const Bytes& frame) {
    const int code = Exchange(reply, frame);
    return mapRefusal(code, reply);
}

int DBR7::StartDeviceOperation(bool needVersion) {
    if (!IsPortOpen() && !OpenPort()) return kResultPortNotOpen;
    if (needVersion && firmwareVersion == -1) {
        if (const int code = ReadVersion(); code != kResultOk) {
            ClosePort();
            return code;
        }
    }
    return kResultOk;
}

// ---- Version and clock ------------------------------------------------------------------

int DBR7::ReadVersion() {
    if (!IsPortOpen() && !OpenPort()) return kResultPortNotOpen;
    Bytes reply;
    const int code = Request(reply, request(FrameAddress(), kCmdReadVersion));
    if (code != kResultOk) return code;
    const auto v = parseVersionReply(reply);
    if (!v) return kResultUnknownMessage;
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d", v->major, v->minor);
    firmwareVersionText = text;
    firmwareVersion = v->major * 256 + v->minor;
    return kResultOk;
}

int DBR7::SetDeviceTime() {
    if (const int code = StartDeviceOperation(true); code != kResultOk) return code;
    SystemClock system;
    const Clock& clock = ctx_.clock ? *ctx_.clock : system;
    Bytes reply;
    int code = Request(reply, setClockRequest(FrameAddress(), clock.now()));
    code = requireAck(code, reply);
    ClosePort();
    return code;
}

double DBR7::EstimatedReadSeconds() const {
    return baudRate > 0 ? r7::wireSeconds(r7::databaseReadWireBytes(), baudRate) : 0;
}

int DBR7::QueryDeviceTime() {
    deviceTime.reset();
    if (const int code = StartDeviceOperation(true); code != kResultOk) return code;
    Bytes reply;
    int code = Request(reply, request(FrameAddress(), kCmdReadClock));
    ClosePort();
    if (code != kResultOk) return code;
    const auto t = parseClockReply(reply);
    if (!t) return kResultUnknownMessage;
    deviceTime = t;
    char text[96];
    std::snprintf(text, sizeof text, "Время прибора %02d:%02d:%02d  %02d.%02d.%02d", t->hour,
                  t->minute, t->second, t->day, t->month, t->year % 100);
    if (ctx_.prompter) ctx_.prompter->message(text, kClockTitle, PromptIcon::None);
    return kResultOk;
}

// ---- Database transfer ----------------------------------------------------------------------

int DBR7::ReadFromDevice(Progress& progress) {
    // The reset comes first: it forgets the version, which is then read anew.
    ResetDatabase();
    if (const int code = StartDeviceOperation(true); code != kResultOk) return code;
    progress.setRange(0, kElementCount - 1);
    progress.setPosition(0);
    progress.setVisible(true);
    StartCancelWindow(kReadTitle);

    const std::uint8_t address = FrameAddress();
    int code = kResultOk;
    for (int index = 0; index < kElementCount && code == kResultOk; ++index) {
        progress.setPosition(index);
        for (int attempt = 0; attempt < kRecordAttempts; ++attempt) {
            Bytes reply;
            code = Request(reply, readRecordRequest(address, index));
            if (code != kResultOk) break;
            const auto r = parseRecordReply(reply);
            if (!r) {
                code = kResultBadDataLength;
                break;
            }
            if (r->index != index) {
                // Another record, or one the table does not have: not stored; ask again.
                code = kResultWrongRecord;
                continue;
            }
            // The name stays blank-padded as the panel sent it, so that the
            // record goes back to the panel and into the file unchanged.
            ElementRecord& rec = table()[static_cast<std::size_t>(index)];
            std::copy(r->bytes.begin(), r->bytes.end(), rec.bytes.begin());
            rec.bytes[kOffTerminator] = 0;
            if (rec.id() > maxElementId()) setMaxElementId(rec.id());
            break;
        }
        if ((index + 1) % kRepaintEvery == 0) progress.keepAlive();
    }
    FinishOperation();
    if (code != kResultOk) return code;

    databaseValid = true;
    CompactTable();
    // The file keeps records 0..2046: a full table loses its last element on saving.
    const ElementRecord& last = table()[kElementCount - 1];
    if (!last.isFree() && ctx_.prompter) {
        ctx_.prompter->message("В базе прибора заняты все 2048 записей. Последний элемент (\"" +
                                   last.name() + "\") в файл базы не сохраняется.",
                               kLastRecordTitle, PromptIcon::Warning);
    }
    return kResultOk;
}

int DBR7::WriteToDevice(Progress& progress) {
    if (const int code = StartDeviceOperation(true); code != kResultOk) return code;
    progress.setRange(0, kElementCount - 1);
    progress.setPosition(0);
    progress.setVisible(true);
    StartCancelWindow(kWriteTitle);

    const std::uint8_t address = FrameAddress();
    int code = kResultOk;
    for (int index = 0; index < kElementCount && code == kResultOk; ++index) {
        progress.setPosition(index);
        Bytes reply;
        code = Request(
            reply, writeRecordRequest(address, index, table()[static_cast<std::size_t>(index)]));
        code = requireAck(code, reply);
        if ((index + 1) % kRepaintEvery == 0) progress.keepAlive();
    }
    if (code == kResultOk) {
        Bytes reply;
        code = Request(reply, request(address, kCmdEndDatabase));
        code = requireAck(code, reply);
    }
    FinishOperation();
    return code;
}

}  // namespace tavrin
