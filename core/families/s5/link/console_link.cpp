#include "families/s5/link/console_link.h"

#include <algorithm>

#include "base/seams.h"
#include "link/dbase.h"
#include "link/result_codes.h"

namespace tavrin::s5 {

namespace {

Clock& clockOf(DBase& db) {
    static SystemClock systemClock;
    return db.context().clock ? *db.context().clock : systemClock;
}

bool unsent(const ExchRecPtr& head) {
    return !head || head->sendCount == 0;
}

// Moves the series counter of a follow-up request on; false when the
// counter has no room for another record.
bool nextInSeries(ExchRec& rec) {
    switch (rec.kind()) {
        case kKindLcp:
        case kKindReadRecords:
            if (rec.seriesNumber >= kMaxSeriesRecords || rec.frame.size() < 7) return false;
            ++rec.frame[5];
            break;
        case kKindDust:
            if (rec.seriesNumber >= kMaxSeriesRecords || rec.frame.size() < 6) return false;
            ++rec.frame[4];
            break;
        case kKindReadFile: {
            if (rec.seriesNumber >= kMaxFileChunks || rec.frame.size() < 6) return false;
            const std::uint16_t chunk = getU16(rec.frame, 3);
            putU16(rec.frame, 3, static_cast<std::uint16_t>(chunk + 1));
            break;
        }
        default:
            return false;
    }
    ++rec.seriesNumber;
    return sealFrame(rec.frame);
}

}  // namespace

ConsoleLink::ConsoleLink(DBase& db) : db_(db), clock_(clockOf(db)) {}

ConsoleLink::~ConsoleLink() {
    close();
}

bool ConsoleLink::open() {
    // A thread that ended by itself is joined before a new one starts.
    stop_.store(true);
    if (thread_.joinable()) thread_.join();
    {
        std::lock_guard lock(startMutex_);
        started_ = false;
        portOpened_ = false;
    }
    stop_.store(false);
    running_.store(true);
    thread_ = std::thread([this] { LinkLoop(); });
    bool opened = false;
    {
        std::unique_lock lock(startMutex_);
        startedCv_.wait(lock, [this] { return started_; });
        opened = portOpened_;
    }
    // A port that did not open ends the thread at once: report it ended.
    if (!opened) thread_.join();
    return opened;
}

void ConsoleLink::close() {
    stop_.store(true);
    requests_.clear();
    requests_.signal();
    if (thread_.joinable()) thread_.join();
    replies_.clear();
}

// ---- Link thread ---------------------------------------------------------------

void ConsoleLink::LinkLoop() {
    // A log that cannot be created is reported and the link goes on without it.
    if (db_.logEnabled) db_.OpenLog("");
    const bool opened = db_.SetUpPort();
    stop_.store(!opened || stop_.load());
    synced_ = false;
    resync_ = false;
    lastCode_ = kCodeLinkStart;
    lastSequence_ = 0;
    repeatCount_ = 0;
    simulatedFrames_ = 0;
    {
        std::lock_guard lock(startMutex_);
        started_ = true;
        portOpened_ = opened;
    }
    startedCv_.notify_all();

    // The console's frames wait in the driver until there is something to ask.
    while (!stop_.load() && !requests_.waitNotEmpty(std::chrono::milliseconds(kPollMs))) {
    }

    while (!stop_.load()) {
        if (!ReceiveFrame()) {
            if (stop_.load()) break;
            db_.LogLine("Нет сообщений от пульта в течении 5 сек.!");
            if (!requests_.empty()) FailHead(kResultNoLink);
            stop_.store(true);
            break;
        }
        const std::uint8_t seq = buffer_[kOffStart] & kSequenceMask;
        const std::uint8_t code = buffer_[kOffCode];

        if (code == kCodeLinkStart) {
            SendAck();
            if (synced_) {
                db_.LogLine("Сбой связи");
                resync_ = true;
            }
            synced_ = true;
            lastSequence_ = seq;
            continue;
        }
        if (!synced_) continue;

        if (seq == lastSequence_) {
            // The console repeats its frame: it did not get our answer.
            if (code == lastCode_ && repeatCount_ < 3) {
                Retransmit();
                ++repeatCount_;
            } else {
                const ExchRecPtr head = requests_.peek();
                if (head && head->inFlight()) {
                    Retransmit();
                } else {
                    dropHead(kResultRefused);
                }
                db_.LogLine("Передача команд прекращена");
                synced_ = false;
                repeatCount_ = 0;
            }
            continue;
        }
        lastCode_ = code;
        lastSequence_ = seq;
        repeatCount_ = 0;
        dispatch(code);
    }

    if (db_.IsPortOpen()) {
        db_.DBase::ClosePort();
    } else if (db_.IsLogOpen()) {
        db_.LogLine("Порт закрыт");
        db_.CloseLog();
    }
    running_.store(false);
    replies_.signal();
}

void ConsoleLink::dispatch(std::uint8_t code) {
    switch (code) {
        case kCodeDone:
            synced_ = HandleDone();
            resync_ = false;
            break;
        case kCodeRecord:
            HandleRecord();
            break;
        case kCodeWritten:
            onWritten();
            break;
        case kCodeCommandReply:
            onCommandReply();
            break;
        case kCodeVersion:
            onVersion();
            break;
        case kCodeChecksum:
            onChecksum();
            break;
        case kCodeRefused:
            onRefused();
            break;
        case kCodeDustChunk:
        case kCodeDustLast:
            onDust(code);
            break;
        default:
            onOther();
            break;
    }
}

// ---- Receiving -----------------------------------------------------------------

int ConsoleLink::readFirstByte(std::uint8_t* byte) {
    SerialPort* port = db_.port();
    if (!port) return -1;
    // The first byte is awaited in short slices, so that close() is noticed
    // at once; the frame's other bytes are read with the port's time-outs.
    PortTimeouts full;
    full.readInterval = db_.readIntervalTimeout;
    full.readTotalMultiplier = db_.readTotalTimeoutMultiplier;
    full.readTotalConstant = db_.readTotalTimeoutConstant;
    PortTimeouts slice = full;
    slice.readTotalConstant = std::min<std::uint32_t>(kPollMs, full.readTotalConstant);
    port->setTimeouts(slice);
    const std::uint64_t start = clock_.ticksMs();
    int n = 0;
    for (;;) {
        n = port->read(byte, 1);
        if (n != 0 || stop_.load()) break;
        if (clock_.ticksMs() - start >= full.readTotalConstant) break;
    }
    port->setTimeouts(full);
    return n;
}

bool ConsoleLink::ReceiveFrame() {
    const std::uint64_t deadline = clock_.ticksMs() + kConsoleSilenceMs;
    // The request that this frame may answer: the head once it was sent.
    ExchRecPtr pending = requests_.peek();
    if (pending && pending->sendCount == 0) pending.reset();
    const auto setPending = [&pending](int status) {
        if (pending) pending->status = status;
    };

    for (;;) {
        std::fill(buffer_.begin(), buffer_.begin() + 100, std::uint8_t{0});
        frameLength_ = 0;
        std::size_t count = 0;
        bool judge = false;

        if (db_.simulation) {
            clock_.sleepMs(kSimulationPaceMs);
            std::array<std::uint8_t, DBase::kReplyBufferSize> reply{};
            const ByteSpan request = pending ? ByteSpan(pending->frame) : ByteSpan();
            const int n = db_.SimulateDevice(request, reply);
            count = static_cast<std::size_t>(std::clamp(n, 0, static_cast<int>(kFrameMax)));
            std::copy_n(reply.begin(), count, buffer_.begin());
            judge = true;
        } else {
            SerialPort* port = db_.port();
            db_.LogLine("Ожидание приема");
            int n = readFirstByte(&buffer_[0]);
            if (n == 1) {
                db_.LogLine("Начало чтения");
                const int m = port->read(&buffer_[1], 1);
                n = m < 0 ? -1 : 1 + m;
            }
            if (n < 0) {
                db_.LogLine("Ошибка чтения");
                FlushInput();
            } else if (n == 2) {
                count = 2;
                const std::size_t length = buffer_[kOffLength];
                if (length >= kFrameLong) db_.LogLine("Слишком длинное сообщение");
                bool failed = false;
                while (count < length) {
                    const int r = port->read(&buffer_[count], static_cast<int>(length - count));
                    if (r < 0) {
                        failed = true;
                        break;
                    }
                    if (r == 0) break;
                    count += static_cast<std::size_t>(r);
                }
                if (failed) {
                    db_.LogLine("Чтение не удалось");
                    FlushInput();
                } else {
                    judge = true;
                }
            } else if (n == 1) {
                db_.LogLine("Считано:");
                db_.LogBytes(ByteSpan(buffer_.data(), 1));
            } else {
                if (stop_.load()) return false;
                setPending(kResultNoAnswer);
                db_.LogLine("Нет приема");
                return false;
            }
        }

        if (judge) {
            FlushInput();
            const ByteSpan got(buffer_.data(), count);
            const std::size_t length = count >= 2 ? buffer_[kOffLength] : 0;
            if ((buffer_[kOffStart] & kConsoleStartMask) != kConsoleStart) {
                db_.LogLine("Чужое сообщение");
                db_.LogBytes(got);
            } else if (count != length || length < kFrameMin) {
                // A length byte below the shortest frame is no frame at all.
                db_.LogLine("Ошибка в длине сообщения");
                db_.LogBytes(got);
                setPending(kResultBadDataLength);
            } else if (!db_.CheckChecksum(got)) {
                setPending(kResultConfiguratorCrc);
                db_.LogLine("Ошибка CRC");
                db_.LogBytes(got);
            } else {
                setPending(kResultOk);
                db_.LogLine("Принято сообщение");
                db_.LogBytes(got);
                frameLength_ = count;
                return true;
            }
        }
        if (stop_.load() || clock_.ticksMs() >= deadline) return false;
    }
}

void ConsoleLink::FlushInput() {
    SerialPort* port = db_.port();
    if (!port) return;
    for (int waiting = port->bytesWaiting(); waiting > 0; waiting = port->bytesWaiting()) {
        Bytes junk(static_cast<std::size_t>(waiting));
        const int r = port->read(junk.data(), waiting);
        if (r < 0) {
            db_.LogLine("Сбой при чистке мусора в СОМ");
            return;
        }
        junk.resize(static_cast<std::size_t>(r));
        db_.LogLine("Оставшийся мусор в буфере приема");
        db_.LogBytes(junk);
        if (r == 0) return;
    }
}

// ---- Primitives ----------------------------------------------------------------

void ConsoleLink::writeFrame(ByteSpan f) {
    if (SerialPort* port = db_.port()) port->write(f.data(), static_cast<int>(f.size()));
    framesWritten_.fetch_add(1);
}

void ConsoleLink::SendAck() {
    if (stop_.load()) return;
    static const Bytes ack = ackFrame();
    db_.LogLine("Начало передачи");
    writeFrame(ack);
    db_.LogLine("К пульту (OK):");
    db_.LogBytes(ack);
}

void ConsoleLink::SendHead() {
    const ExchRecPtr head = requests_.peek();
    if (!head) {
        SendAck();
        return;
    }
    if (!db_.simulation) {
        db_.LogLine("Начало передачи");
        writeFrame(head->frame);
    }
    head->sentTime = clock_.ticksMs();
    db_.LogLine(head->sendCount > 0 ? "К пульту (повторно):" : "К пульту:");
    ++head->sendCount;
    db_.LogBytes(head->frame);
}

void ConsoleLink::Retransmit() {
    const ExchRecPtr head = requests_.peek();
    if (head && head->sendCount >= 1) {
        SendHead();
    } else {
        SendAck();
    }
}

void ConsoleLink::CompleteHead(int status, bool dropRest) {
    transit_.fetch_add(1);
    if (ExchRecPtr head = requests_.pop()) {
        head->reply.assign(buffer_.begin(), buffer_.begin() + frameLength_);
        head->status = status;
        if (status != kResultOk || dropRest) requests_.clear();
        replies_.push(std::move(head));
    }
    leaveTransit();
}

void ConsoleLink::leaveTransit() {
    // A waiter that looked while the record was on its way looks again.
    transit_.fetch_sub(1);
    replies_.signal();
}

void ConsoleLink::dropHead(int code) {
    transit_.fetch_add(1);
    if (ExchRecPtr head = requests_.pop()) {
        head->status = code;
        requests_.clear();
        replies_.push(std::move(head));
    }
    leaveTransit();
}

bool ConsoleLink::FailHead(int code) {
    const ExchRecPtr head = requests_.peek();
    if (code != kResultNoLink && code != kResultNoTargetLink && head && head->inFlight()) {
        Retransmit();
        return true;
    }
    dropHead(code);
    return false;
}

void ConsoleLink::failOrSend(int code) {
    if (!FailHead(code)) SendHead();
}

void ConsoleLink::Advance() {
    const ExchRecPtr head = requests_.peek();
    if (!head) return;
    auto next = std::make_shared<ExchRec>(*head);
    next->reply.clear();
    next->sendCount = 0;
    if (!nextInSeries(*next)) {
        // The counter would wrap round to a record already read.
        CompleteHead(kResultDatabaseOverflow);
        return;
    }
    // The finished head leaves and its follow-up takes its place in one step,
    // so no request queued behind it can jump the series.
    transit_.fetch_add(1);
    if (ExchRecPtr done = requests_.replaceHead(std::move(next))) {
        done->reply.assign(buffer_.begin(), buffer_.begin() + frameLength_);
        done->status = kResultOk;
        replies_.push(std::move(done));
    }
    leaveTransit();
}

// ---- Reply rules ---------------------------------------------------------------

bool ConsoleLink::HandleDone() {
    const ExchRecPtr head = requests_.peek();
    if (!head) {
        SendAck();
        return true;
    }
    if (head->sendCount == 0) {
        SendHead();
        return true;
    }
    if (resync_) {
        // The console restarted its link while this request was out.
        if (head->inFlight()) {
            Retransmit();
            return true;
        }
        dropHead(kResultSessionBroken);
        return false;
    }
    switch (head->kind()) {
        case kKindLcp:
            if (head->byte(4) == kLcpSeries) {
                db_.LogLine("Нужен ответ 0х70");
                return FailHead(kResultBadReply);
            }
            if (head->byte(4) == kLcpCommand) {
                const std::uint8_t command = head->byte(kOffLcpCommand);
                if (command == 1 || command == 2) {
                    db_.LogLine("Нужен ответ 0х72");
                    return FailHead(kResultBadReply);
                }
                // The console is told to keep quiet: stay silent until its next 0x60.
                CompleteHead();
                return false;
            }
            return FailHead(kResultBadReply);
        case kKindWriteRecord: {
            const std::uint8_t type = head->byte(4);
            if (type == 'V' || type == 'W' || type == 'X') {
                CompleteHead();
                SendHead();
                return true;
            }
            db_.LogLine("Нужен ответ 0х71");
            return FailHead(kResultBadReply);
        }
        case kKindChecksum:
            db_.LogLine("Нужен ответ 0х74");
            return FailHead(kResultBadReply);
        case kKindDust:
            db_.LogLine("Нужен ответ 0х75,0x76,0x77");
            return FailHead(kResultBadReply);
        case kKindSdWrite:
            db_.LogLine("Нужен ответ 0х70");
            return FailHead(kResultBadReply);
        case kKindReplaceProgram:
            CompleteHead();
            SendHead();
            return true;
        case kKindClearEvents:
        case kKindClock:
            CompleteHead();
            SendAck();
            return true;
        default:
            SendAck();
            return true;
    }
}

void ConsoleLink::HandleRecord() {
    const ExchRecPtr head = requests_.peek();
    if (unsent(head)) {
        SendHead();
        return;
    }
    const int length = static_cast<int>(frameLength_);
    if (head->expectedLength != 0 && head->expectedLength != length) {
        db_.LogLine("Ошибка в длине записи БД");
        if (head->inFlight()) {
            Retransmit();
        } else {
            dropHead(kResultBadReply);
            SendHead();
        }
        return;
    }
    // Type, address and index: a record frame shorter than that carries none.
    if (frameLength_ < 7) {
        failOrSend(kResultBadReply);
        return;
    }
    const std::uint8_t type = frameByte(3);
    const std::uint8_t address = frameByte(4);
    const std::uint8_t index = frameByte(5);
    const auto addressOk = [&] {
        if (head->byte(3) == address) return true;
        db_.LogLine("Ошибка в адресе");
        return false;
    };
    switch (type) {
        case 'Q':
        case 'S':
        case 'U':
            if (head->kind() != kKindReadRecords || !addressOk()) break;
            if (head->byte(4) != type) {
                db_.LogLine("Ошибка в типе базы");
                break;
            }
            if (head->byte(5) == index) {
                Advance();
            } else {
                CompleteHead();
            }
            SendHead();
            return;
        case 'V':
        case 'W':
        case 'X':
            if (head->kind() != kKindReadRecords || !addressOk()) break;
            CompleteHead();
            SendHead();
            return;
        case 'R':
            if (head->kind() != kKindReadFile) break;
            if (head->byte(3) == address && head->byte(4) == index) {
                Advance();
            } else {
                CompleteHead();
            }
            SendHead();
            return;
        case 'T':
            if (head->kind() != kKindReadFile) break;
            CompleteHead();
            SendHead();
            return;
        case kLcpRecordType:
            if (head->kind() != kKindLcp || !addressOk()) break;
            if (head->byte(4) == kLcpSeries) {
                if (head->byte(5) == index) {
                    Advance();
                } else {
                    CompleteHead();
                }
            }
            SendHead();
            return;
        default:
            if (head->inFlight()) {
                Retransmit();
            } else {
                dropHead(kResultBadReply);
                SendHead();
            }
            return;
    }
    failOrSend(kResultBadReply);
}

void ConsoleLink::onWritten() {
    const ExchRecPtr head = requests_.peek();
    if (unsent(head)) {
        SendHead();
    } else if (head->expectedLength == static_cast<int>(frameLength_)) {
        CompleteHead();
        SendHead();
    } else {
        failOrSend(kResultBadDataLength);
    }
}

void ConsoleLink::onCommandReply() {
    const ExchRecPtr head = requests_.peek();
    // A command reply with nothing asked is acknowledged; a request not yet
    // sent goes out now instead of being failed by a frame that cannot be
    // its answer.
    if (unsent(head)) {
        SendHead();
        return;
    }
    if (head->kind() != kKindLcp || head->byte(4) != kLcpCommand) {
        failOrSend(kResultBadReply);
        return;
    }
    const std::uint8_t command = head->byte(kOffLcpCommand);
    if ((command == 1 || command == 2) && head->expectedLength != 0 &&
        head->expectedLength != static_cast<int>(frameLength_)) {
        failOrSend(kResultBadDataLength);
        return;
    }
    CompleteHead();
    SendHead();
}

void ConsoleLink::onVersion() {
    const ExchRecPtr head = requests_.peek();
    if (unsent(head)) {
        SendHead();
    } else if (head->kind() != kKindVersion) {
        failOrSend(kResultBadReply);
    } else if (head->expectedLength != static_cast<int>(frameLength_)) {
        failOrSend(kResultBadDataLength);
    } else {
        CompleteHead();
        SendHead();
    }
}

void ConsoleLink::onChecksum() {
    const ExchRecPtr head = requests_.peek();
    if (unsent(head)) {
        SendHead();
    } else if (head->kind() != kKindChecksum) {
        failOrSend(kResultBadReply);
    } else if (head->expectedLength != static_cast<int>(frameLength_)) {
        failOrSend(kResultBadDataLength);
    } else {
        const bool lcpDeviceQuestion = head->byte(3) != 0 && head->byte(4) == 1;
        // An LCP without device checksums: the rest of the comparison is moot.
        // The questions queued behind go before the answer is handed over, so
        // none asked after it is dropped unanswered.
        const bool noDevices = lcpDeviceQuestion && frameByte(3) == 0 && frameByte(4) == 0;
        CompleteHead(kResultOk, noDevices);
        SendHead();
    }
}

void ConsoleLink::onRefused() {
    if (!requests_.empty()) dropHead(kResultNoTargetLink);
    SendHead();
}

void ConsoleLink::onDust(std::uint8_t code) {
    const ExchRecPtr head = requests_.peek();
    if (!head) {
        SendHead();
    } else if (head->kind() == kKindDust) {
        if (code == kCodeDustChunk) {
            Advance();
        } else {
            CompleteHead();
        }
        SendHead();
    } else if (head->sendCount == 0) {
        SendHead();
    } else {
        failOrSend(kResultBadReply);
    }
}

void ConsoleLink::onOther() {
    const ExchRecPtr head = requests_.peek();
    if (head && head->inFlight()) {
        Retransmit();
    } else {
        dropHead(kResultBadReply);
    }
}

// ---- Operation side ------------------------------------------------------------

int ConsoleLink::WaitReplies(Progress* progress, CancelToken* cancel, unsigned waitMs,
                             const std::function<int(const ExchRec&)>& process) {
    int result = kResultOk;
    int taken = 0;
    for (;;) {
        while (result == kResultOk) {
            const ExchRecPtr rec = replies_.pop();
            if (!rec) break;
            result = rec->status;
            if (result == kResultOk && process) result = process(*rec);
            ++taken;
            if (progress) progress->setPosition(taken);
        }
        if (result != kResultOk) break;
        // Done when nothing is queued, in transit or waiting to be taken
        // (in this order: the link queues a reply before it leaves transit).
        const auto idle = [this] {
            return requests_.empty() && transit_.load() == 0 && replies_.empty();
        };
        if (idle()) break;

        const std::uint64_t start = clock_.ticksMs();
        bool signalled = false;
        while (!signalled) {
            if (cancel && !cancel->active()) {
                result = kResultStoppedByUser;
                break;
            }
            if (!replies_.empty() || idle()) break;
            if (!running_.load()) {
                // The link has ended: nothing more can come. A reply it
                // queued just before ending is still handed over first.
                if (!replies_.empty()) break;
                result = kResultNoLink;
                break;
            }
            signalled = replies_.waitSignal(std::chrono::milliseconds(kPollMs));
            if (!signalled && clock_.ticksMs() - start >= waitMs) {
                result = kResultNoAnswer;
                break;
            }
        }
        if (result != kResultOk) break;
    }
    if (result != kResultOk) {
        requests_.clear();
        replies_.clear();
    }
    return result;
}

}  // namespace tavrin::s5
