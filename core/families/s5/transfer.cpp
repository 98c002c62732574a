// DBS5: the database between the computer and the console. A read fetches
// the console's keys and then, LCP after LCP, the devices, objects and keys;
// an LCP without devices ends the database. A write sends every record and
// an empty table for a kind without records, and tells the console where
// the LCPs end with an empty device table for the LCP after the last one.
//
// The link fetches each series by itself once its first request is queued.
// Several series are queued at once where the next one does not depend on
// the answer to the current one, so the console's idle pause between
// series comes once per LCP instead of once per series.
#include <cstdio>

#include "families/s5/console_frames.h"
#include "families/s5/dbs5.h"
#include "link/result_codes.h"

namespace tavrin {

using namespace s5;

namespace {

constexpr const char* kReadTitle = "Чтение базы";
constexpr const char* kWriteTitle = "Запись базы";
// The steps of a whole read: the console's keys, then three series an LCP.
constexpr int kReadSteps = 1 + 3 * kMaxLcps;

std::string formatted(const char* pattern, int n) {
    char text[160];
    std::snprintf(text, sizeof text, pattern, n);
    return text;
}

std::string readStatus(int lcpNumber, RecordKind kind) {
    if (lcpNumber == 0) return "Загрузка ключей";
    switch (kind) {
        case RecordKind::Devices:
            return formatted("Загрузка БДАУ  LCP %d", lcpNumber);
        case RecordKind::Objects:
            return formatted("Загрузка БДO  LCP %d", lcpNumber);
        case RecordKind::Keys:
            break;
    }
    return formatted("Загрузка ключей LCP %d", lcpNumber);
}

std::string writeStatus(int lcpNumber, RecordKind kind) {
    if (lcpNumber == 0) return "Запись ключей";
    switch (kind) {
        case RecordKind::Devices:
            return formatted("Запись устройств в LCP %d", lcpNumber);
        case RecordKind::Objects:
            return formatted("Запись объектов в LCP %d", lcpNumber);
        case RecordKind::Keys:
            break;
    }
    return formatted("Запись ключей в LCP %d", lcpNumber);
}

// Empties one kind of an LCP: every slot free and zero, the count 0.
void emptyKind(LcpDatabase& d, RecordKind kind) {
    switch (kind) {
        case RecordKind::Devices:
            d.devices.fill({});
            d.deviceUsedFlags.fill(0);
            d.deviceStates.fill({});
            d.deviceCount = 0;
            break;
        case RecordKind::Objects:
            d.objects.fill({});
            d.objectUsedFlags.fill(0);
            d.objectCount = 0;
            break;
        case RecordKind::Keys:
            d.keys.fill({});
            d.keyUsedFlags.fill(0);
            d.keyCount = 0;
            break;
    }
}

// A device record from the console: the first free slot.
int storeDevice(LcpDatabase& d, ByteSpan wire) {
    const DeviceRecord r = deviceFromDisk(wire.data());
    if (deviceChecksum(r) != storedDeviceChecksum(r)) return kResultRecordChecksum;
    bool hole = false;
    const int slot = allocateSlot(d.deviceUsedFlags, d.deviceCount, hole);
    if (slot < 0) return kResultDatabaseOverflow;
    d.devices[static_cast<std::size_t>(slot)] = r;
    return kResultOk;
}

// An object record: skipped when its first byte is 0, else the first free slot.
int storeObject(LcpDatabase& d, ByteSpan wire) {
    if (wire[0] == 0) return kResultOk;
    const ObjectRecord r = objectFromDisk(wire.data());
    if (objectChecksum2(r) != storedObjectChecksum2(r)) return kResultRecordChecksum;
    bool hole = false;
    const int slot = allocateSlot(d.objectUsedFlags, d.objectCount, hole);
    if (slot < 0) return kResultDatabaseOverflow;
    d.objects[static_cast<std::size_t>(slot)] = r;
    return kResultOk;
}

// A key record: the slot after the last one read. A key whose checksum is
// wrong takes no slot (the series stops on it).
int storeKey(std::span<KeyRecord> keys, std::span<std::uint8_t> used, int& count, ByteSpan wire) {
    const KeyRecord r = keyFromDisk(wire.data());
    if (keyChecksum(r) != storedKeyChecksum(r)) return kResultRecordChecksum;
    if (count < 0 || count >= static_cast<int>(keys.size())) return kResultDatabaseOverflow;
    keys[static_cast<std::size_t>(count)] = r;
    used[static_cast<std::size_t>(count)] = 1;
    ++count;
    return kResultOk;
}

}  // namespace

// ---- The database kept during a read ---------------------------------------------------

struct DBS5::DatabaseState {
    std::array<std::unique_ptr<LcpDatabase>, kLcpTableSize> lcps;
    std::array<KeyRecord, kCommonKeys> commonKeys{};
    std::array<std::uint8_t, kCommonKeys> commonKeyUsed{};
    std::array<std::string, kMessages> messages;
    std::vector<std::string> archiveList;
    int commonKeyCount = 0;
    bool commonKeysNeedPacking = false;
    bool commonKeysChanged = false;
    std::string databaseFolder;
    int folderLcpCount = 0;
    bool folderReadIncomplete = false;
    int unreadLcp = 0;
    std::string filePath;
    std::string incompleteFileText;
    int modified = 0;
    bool databaseValid = false;
};

std::unique_ptr<DBS5::DatabaseState> DBS5::saveState() const {
    auto s = std::make_unique<DatabaseState>();
    for (int l = 1; l <= kMaxLcps; ++l) {
        if (const LcpDatabase* d = lcp(l))
            s->lcps[static_cast<std::size_t>(l)] = std::make_unique<LcpDatabase>(*d);
    }
    s->commonKeys = commonKeys;
    s->commonKeyUsed = commonKeyUsed;
    s->messages = messages;
    s->archiveList = archiveList;
    s->commonKeyCount = commonKeyCount;
    s->commonKeysNeedPacking = commonKeysNeedPacking;
    s->commonKeysChanged = commonKeysChanged;
    s->databaseFolder = databaseFolder;
    s->folderLcpCount = folderLcpCount;
    s->folderReadIncomplete = folderReadIncomplete;
    s->unreadLcp = unreadLcp;
    s->filePath = filePath;
    s->incompleteFileText = incompleteFileText;
    s->modified = modified;
    s->databaseValid = databaseValid;
    return s;
}

void DBS5::restoreState(DatabaseState& s) {
    lcps = std::move(s.lcps);
    commonKeys = s.commonKeys;
    commonKeyUsed = s.commonKeyUsed;
    messages = s.messages;
    archiveList = s.archiveList;
    commonKeyCount = s.commonKeyCount;
    commonKeysNeedPacking = s.commonKeysNeedPacking;
    commonKeysChanged = s.commonKeysChanged;
    databaseFolder = s.databaseFolder;
    folderLcpCount = s.folderLcpCount;
    folderReadIncomplete = s.folderReadIncomplete;
    unreadLcp = s.unreadLcp;
    filePath = s.filePath;
    incompleteFileText = s.incompleteFileText;
    modified = s.modified;
    databaseValid = s.databaseValid;
}

// ---- Operation frame ----------------------------------------------------------------

void DBS5::setStatusSink(std::function<void(const std::string&)> sink) {
    statusSink_ = std::move(sink);
}

void DBS5::status(const std::string& text) {
    if (statusSink_) statusSink_(text);
}

bool DBS5::ensureLink() {
    return link_->running() || OpenPort();
}

int DBS5::ensureVersion() {
    if (firmwareVersion >= 0) return kResultOk;
    return ReadVersion();
}

void DBS5::beginOperation(const std::string& titleText) {
    if (simulation) takeSimulationSnapshot();
    link_->requests().clear();
    link_->replies().clear();
    StartCancelWindow(titleText);
}

// ---- Series reads ---------------------------------------------------------------------

int DBS5::runSeries(const std::vector<ExchRecPtr>& requests, Progress* progress,
                    const std::function<std::string(int, RecordKind)>& statusOf,
                    const std::function<int(const ExchRec&, RecordKind, ByteSpan)>& onRecord) {
    if (!ensureLink()) return kResultPortNotOpen;
    int shownLcp = -1;
    int shownKind = -1;
    const auto show = [&](const ExchRec& rec, RecordKind kind) {
        const int l = rec.byte(kOffSeriesLcp);
        if (l == shownLcp && static_cast<int>(kind) == shownKind) return;
        shownLcp = l;
        shownKind = static_cast<int>(kind);
        if (statusOf) status(statusOf(l, kind));
    };
    if (!requests.empty()) {
        const ExchRec& first = *requests.front();
        const RecordKindInfo* k =
            first.kind() == kKindLcp ? &kDeviceSeries : kindOfReadType(first.byte(4));
        if (k) show(first, k->kind);
    }
    link_->requests().pushAll(requests);
    return link_->WaitReplies(
        progress, &exchangeActive, kReplyWaitMs, [&](const ExchRec& rec) -> int {
            const RecordKindInfo* k =
                rec.kind() == kKindLcp ? &kDeviceSeries : kindOfReadType(rec.byte(4));
            if (!k) return kResultBadReply;
            show(rec, k->kind);
            const std::optional<ByteSpan> wire = seriesRecord(rec, *k);
            // The reply that ends a series names no record of it.
            if (!wire || emptyRecord(*wire)) return kResultOk;
            return onRecord(rec, k->kind, *wire);
        });
}

int DBS5::readIntoTables(const std::vector<ExchRecPtr>& requests) {
    // Empty the tables the series fill.
    for (const ExchRecPtr& r : requests) {
        const int l = r->byte(kOffSeriesLcp);
        const RecordKindInfo* k =
            r->kind() == kKindLcp ? &kDeviceSeries : kindOfReadType(r->byte(4));
        if (!k) continue;
        if (l == 0) {
            emptyCommonKeys();
        } else if (LcpDatabase* d = lcp(l)) {
            emptyKind(*d, k->kind);
            d->needsPacking = false;
        }
    }
    return runSeries(requests, nullptr, readStatus,
                     [this](const ExchRec& rec, RecordKind kind, ByteSpan wire) -> int {
                         const int l = rec.byte(kOffSeriesLcp);
                         if (l == 0) {
                             if (kind != RecordKind::Keys) return kResultBadReply;
                             return storeKey(commonKeys, commonKeyUsed, commonKeyCount, wire);
                         }
                         LcpDatabase* d = lcp(l);
                         if (!d) return kResultBadReply;
                         switch (kind) {
                             case RecordKind::Devices:
                                 return storeDevice(*d, wire);
                             case RecordKind::Objects:
                                 return storeObject(*d, wire);
                             case RecordKind::Keys:
                                 break;
                         }
                         return storeKey(d->keys, d->keyUsedFlags, d->keyCount, wire);
                     });
}

void DBS5::emptyCommonKeys() {
    for (int i = 0; i < kCommonKeys; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        commonKeys[slot] = {};
        putU16(commonKeys[slot], key::kNumber, static_cast<std::uint16_t>(i + 1));
        commonKeyUsed[slot] = 0;
    }
    commonKeyCount = 0;
    commonKeysNeedPacking = false;
}

void DBS5::markLcpRead(int lcpNumber) {
    if (LcpDatabase* d = lcp(lcpNumber)) {
        d->readFromLcp = true;
        d->changed = true;
    }
    ++modified;
}

void DBS5::markCommonKeysRead() {
    commonKeysChanged = true;
    ++modified;
}

int DBS5::ReadCommonKeys() {
    const int result = readIntoTables({readSeriesRequest(0, kKeySeries)});
    if (result == kResultOk) markCommonKeysRead();
    return result;
}

int DBS5::ReadLcpDevices(int lcpNumber, bool direct) {
    LcpDatabase* d = lcp(lcpNumber);
    if (!d) return kResultBadCommand;
    const int result = readIntoTables({direct ? directDeviceReadRequest(lcpNumber)
                                              : readSeriesRequest(lcpNumber, kDeviceSeries)});
    if (result != kResultOk) return result;
    if (direct) {
        // The LCP's own devices: its objects and keys no longer fit them.
        emptyKind(*d, RecordKind::Objects);
        emptyKind(*d, RecordKind::Keys);
    }
    markLcpRead(lcpNumber);
    return kResultOk;
}

int DBS5::ReadLcpObjects(int lcpNumber) {
    if (!lcp(lcpNumber)) return kResultBadCommand;
    const int result = readIntoTables({readSeriesRequest(lcpNumber, kObjectSeries)});
    if (result == kResultOk) markLcpRead(lcpNumber);
    return result;
}

int DBS5::ReadLcpKeys(int lcpNumber) {
    if (!lcp(lcpNumber)) return kResultBadCommand;
    const int result = readIntoTables({readSeriesRequest(lcpNumber, kKeySeries)});
    if (result == kResultOk) markLcpRead(lcpNumber);
    return result;
}

void DBS5::discardLcpsFrom(int lcpNumber) {
    for (int l = std::max(lcpNumber, 1); l <= kMaxLcps; ++l)
        lcps[static_cast<std::size_t>(l)].reset();
}

LcpDatabase& DBS5::emptyLcp(int lcpNumber) {
    auto& entry = lcps[static_cast<std::size_t>(lcpNumber)];
    entry = std::make_unique<LcpDatabase>(lcpNumber);
    return *entry;
}

int DBS5::readWholeDatabase(Progress& progress) {
    progress.setRange(0, kReadSteps);
    progress.setPosition(0);
    progress.setVisible(true);
    // The console's keys and the devices of LCP 1 in one go.
    emptyLcp(1);
    int result =
        readIntoTables({readSeriesRequest(0, kKeySeries), readSeriesRequest(1, kDeviceSeries)});
    if (result != kResultOk) {
        link_->requests().clear();
        link_->replies().clear();
        emptyCommonKeys();
        discardLcpsFrom(1);
        return result;
    }
    markCommonKeysRead();
    int steps = 2;
    progress.setPosition(steps);
    for (int l = 1; l <= kMaxLcps; ++l) {
        if (lcp(l)->deviceCount == 0) {
            // No devices: the console's database ends before this LCP.
            discardLcpsFrom(l);
            break;
        }
        // The objects and keys of this LCP, and the devices of the next one.
        std::vector<ExchRecPtr> batch{readSeriesRequest(l, kObjectSeries),
                                      readSeriesRequest(l, kKeySeries)};
        if (l < kMaxLcps) {
            emptyLcp(l + 1);
            batch.push_back(readSeriesRequest(l + 1, kDeviceSeries));
        }
        result = readIntoTables(batch);
        if (result != kResultOk) break;
        markLcpRead(l);
        steps += static_cast<int>(batch.size());
        progress.setPosition(steps);
    }
    if (result == kResultOk) progress.setPosition(kReadSteps);
    return result;
}

int DBS5::ReadFromDevice(Progress& progress) {
    return ReadPart(progress, ConsolePart::All, 0);
}

int DBS5::ReadPart(Progress& progress, ConsolePart part, int lcpNumber) {
    if (part == ConsolePart::Lcp && !lcp(lcpNumber)) return kResultBadCommand;
    beginOperation(kReadTitle);
    std::unique_ptr<DatabaseState> before = saveState();
    // A whole read replaces the database (the simulation answers from the
    // snapshot taken above).
    if (part == ConsolePart::All) ResetDatabase();
    int result = ensureVersion();
    if (result == kResultOk) {
        switch (part) {
            case ConsolePart::All:
                result = readWholeDatabase(progress);
                break;
            case ConsolePart::ConsoleKeys:
                progress.setRange(0, 1);
                progress.setPosition(0);
                progress.setVisible(true);
                result = ReadCommonKeys();
                break;
            case ConsolePart::Lcp:
                progress.setRange(0, 3);
                progress.setPosition(0);
                progress.setVisible(true);
                result = readIntoTables({readSeriesRequest(lcpNumber, kDeviceSeries),
                                         readSeriesRequest(lcpNumber, kObjectSeries),
                                         readSeriesRequest(lcpNumber, kKeySeries)});
                if (result == kResultOk) markLcpRead(lcpNumber);
                break;
        }
    }
    FinishOperation();
    status("");
    if (result == kResultOk) {
        databaseValid = true;
        if (part == ConsolePart::All) {
            // What the folder last loaded from or saved to holds has not
            // changed: saving the console's database there still removes the
            // files of LCPs it does not have, and only those.
            databaseFolder = before->databaseFolder;
            folderLcpCount = before->folderLcpCount;
            folderReadIncomplete = before->folderReadIncomplete;
            unreadLcp = before->unreadLcp;
        }
    } else {
        // The database stays as it was; what the console said of itself stays known.
        const int version = firmwareVersion;
        const std::string versionText = firmwareVersionText;
        restoreState(*before);
        firmwareVersion = version;
        firmwareVersionText = versionText;
    }
    return result;
}

int DBS5::ReadLcpDirect(Progress& progress, int lcpNumber) {
    if (!lcp(lcpNumber)) return kResultBadCommand;
    beginOperation(kReadTitle);
    progress.setRange(0, 1);
    progress.setPosition(0);
    progress.setVisible(true);
    const int result = ReadLcpDevices(lcpNumber, true);
    FinishOperation();
    status("");
    return result;
}

// ---- Writes ---------------------------------------------------------------------------

std::vector<ExchRecPtr> DBS5::tableWrites(int lcpNumber, RecordKind kind) {
    LcpDatabase& d = *lcp(lcpNumber);
    const RecordKindInfo& k = kindInfo(kind);
    std::vector<ExchRecPtr> out;
    const int count = kind == RecordKind::Devices   ? d.deviceCount
                      : kind == RecordKind::Objects ? d.objectCount
                                                    : d.keyCount;
    if (count == 0) {
        out.push_back(emptyTableRequest(lcpNumber, k));
        return out;
    }
    for (int i = 0; i < count; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        const bool last = i == count - 1;
        switch (kind) {
            case RecordKind::Devices: {
                storeDeviceChecksum(d.devices[slot]);
                std::uint8_t wire[dev::kDiskSize];
                deviceToDisk(d.devices[slot], wire);
                out.push_back(writeRecordRequest(lcpNumber, k, i, last, wire));
                break;
            }
            case RecordKind::Objects: {
                storeObjectChecksums(d.objects[slot]);
                std::uint8_t wire[obj::kDiskSize];
                objectToDisk(d.objects[slot], wire);
                out.push_back(writeRecordRequest(lcpNumber, k, i, last, wire));
                break;
            }
            case RecordKind::Keys: {
                storeKeyChecksum(d.keys[slot]);
                std::uint8_t wire[key::kDiskSize];
                keyToDisk(d.keys[slot], wire);
                out.push_back(writeRecordRequest(lcpNumber, k, i, last, wire));
                break;
            }
        }
    }
    return out;
}

std::vector<ExchRecPtr> DBS5::commonKeyWrites() {
    std::vector<ExchRecPtr> out;
    // No keys: the empty table, so the console drops the keys it still has.
    if (commonKeyCount == 0) {
        out.push_back(emptyTableRequest(0, kKeySeries));
        return out;
    }
    for (int i = 0; i < commonKeyCount; ++i) {
        KeyRecord& r = commonKeys[static_cast<std::size_t>(i)];
        storeKeyChecksum(r);
        std::uint8_t wire[key::kDiskSize];
        keyToDisk(r, wire);
        out.push_back(writeRecordRequest(0, kKeySeries, i, i == commonKeyCount - 1, wire));
    }
    return out;
}

std::vector<ExchRecPtr> DBS5::lcpWrites(int lcpNumber) {
    std::vector<ExchRecPtr> out;
    for (RecordKind kind : {RecordKind::Devices, RecordKind::Objects, RecordKind::Keys}) {
        std::vector<ExchRecPtr> part = tableWrites(lcpNumber, kind);
        out.insert(out.end(), part.begin(), part.end());
    }
    // After the last LCP the console learns that no LCP follows (there is
    // no LCP after 64).
    if (lcpNumber == lcpCount() && lcpNumber < kMaxLcps)
        out.push_back(emptyTableRequest(lcpNumber + 1, kDeviceSeries));
    return out;
}

int DBS5::sendWrites(const std::vector<ExchRecPtr>& frames, Progress& progress) {
    if (!ensureLink()) return kResultPortNotOpen;
    progress.setRange(0, static_cast<int>(frames.size()));
    progress.setPosition(0);
    progress.setVisible(true);
    int shownLcp = -1;
    int shownKind = -1;
    const auto show = [&](const ExchRec& rec) {
        const int l = rec.byte(kOffSeriesLcp);
        const std::uint8_t type = rec.byte(kOffSeriesType);
        RecordKind kind = RecordKind::Keys;
        if (type == kDeviceSeries.writeType || type == kDeviceSeries.lastType)
            kind = RecordKind::Devices;
        if (type == kObjectSeries.writeType || type == kObjectSeries.lastType)
            kind = RecordKind::Objects;
        if (l == shownLcp && static_cast<int>(kind) == shownKind) return;
        if (l != shownLcp)
            status(l == 0 ? "Запись общих ключей" : formatted("Запись БД LCP %d", l));
        shownLcp = l;
        shownKind = static_cast<int>(kind);
        status(writeStatus(l, kind));
    };
    if (!frames.empty()) show(*frames.front());
    link_->requests().pushAll(frames);
    // Each record is confirmed on its own; the status follows the one the
    // console is taking next.
    return link_->WaitReplies(&progress, &exchangeActive, kReplyWaitMs,
                              [this, &show](const ExchRec&) -> int {
                                  if (const ExchRecPtr next = link_->requests().peek()) show(*next);
                                  return kResultOk;
                              });
}

int DBS5::WriteEmpty(int lcpNumber, int kind) {
    if (kind < 1 || kind > 3) return kResultBadCommand;
    if (!ensureLink()) return kResultPortNotOpen;
    link_->requests().push(emptyTableRequest(lcpNumber, kindInfo(static_cast<RecordKind>(kind))));
    return link_->WaitReplies(nullptr, &exchangeActive, kReplyWaitMs, nullptr);
}

int DBS5::WriteToDevice(Progress& progress) {
    return WritePart(progress, ConsolePart::All, 0);
}

int DBS5::WritePart(Progress& progress, ConsolePart part, int lcpNumber) {
    if (part == ConsolePart::Lcp && !lcp(lcpNumber)) return kResultBadCommand;
    beginOperation(kWriteTitle);
    int result = ensureVersion();
    if (result == kResultOk) {
        Pack();
        // A series carries at most 255 records: more console keys cannot be
        // written (nor read back), so nothing is sent.
        if (part != ConsolePart::Lcp && commonKeyCount > kMaxSeriesLength) {
            result = kResultDatabaseOverflow;
        }
    }
    if (result == kResultOk) {
        std::vector<ExchRecPtr> frames;
        const auto add = [&frames](const std::vector<ExchRecPtr>& more) {
            frames.insert(frames.end(), more.begin(), more.end());
        };
        switch (part) {
            case ConsolePart::All: {
                add(commonKeyWrites());
                const int n = lcpCount();
                for (int l = 1; l <= n; ++l)
                    add(lcpWrites(l));
                // No LCPs at all: the console keeps none either.
                if (n == 0) frames.push_back(emptyTableRequest(1, kDeviceSeries));
                break;
            }
            case ConsolePart::ConsoleKeys:
                add(commonKeyWrites());
                break;
            case ConsolePart::Lcp:
                add(lcpWrites(lcpNumber));
                break;
        }
        result = sendWrites(frames, progress);
    }
    FinishOperation();
    status("");
    return result;
}

// ---- Checksum question ----------------------------------------------------------------

int DBS5::AskChecksum(int lcpNumber, int kind, std::uint16_t& value) {
    if (!ensureLink()) return kResultPortNotOpen;
    link_->requests().clear();
    link_->replies().clear();
    link_->requests().push(checksumRequest(lcpNumber, kind));
    bool answered = false;
    int result = link_->WaitReplies(
        nullptr, &exchangeActive, kChecksumWaitMs, [&](const ExchRec& rec) -> int {
            answered = true;
            if (rec.reply.size() < kChecksumReplyLength || rec.reply[kOffCode] != kCodeChecksum) {
                return kResultUnknownMessage;
            }
            value = getU16(rec.reply, 3);
            return kResultOk;
        });
    if (result == kResultOk && !answered) result = kResultUnknownDeviceError;
    return result;
}

}  // namespace tavrin
