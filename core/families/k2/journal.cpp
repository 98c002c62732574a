// The journal, the active events and the dustiness of the "Талвир К2" panel:
// reading them, decoding the events and writing the files the viewers read.
//
// The operations run on the caller's thread and own the port while they run;
// the cancel window's thread only clears `exchangeActive`.
#include "base/bit_set.h"
#include "families/k2/dbk2.h"
#include "families/k2/event_table.h"
#include "families/k2/format.h"
#include "files/dust_file.h"
#include "files/journal_file.h"
#include "link/result_codes.h"

namespace tavrin {

using namespace k2;

namespace {

constexpr const char* kJournalTitle = "Чтение журнала";
constexpr const char* kEventsTitle = "Чтение активных событий";
constexpr const char* kDustTitle = "Чтение запыленности";
constexpr const char* kNoDetectors = "В базе данных нет датчиков!";
constexpr const char* kNoDetectorsTitle = "Загрузка запыленности";
constexpr const char* kTimeFormat = "%02d/%02d/%02d %02d:%02d:%02d";
// The main window is repainted after every this many journal replies.
constexpr int kJournalRepaintEvery = 15;
// Two replies that start at the wrong record end the journal read.
constexpr int kMaxJournalMismatches = 2;
// A journal reply may not reach this record number.
constexpr int kJournalOverflowNumber = kJournalCapacity + 1;

std::string pathOr(const std::string& path, const std::string& fallback) {
    return path.empty() ? fallback : path;
}

}  // namespace

int DBK2::DetectorCount() const {
    int n = 0;
    for (int i = 0; i < kDeviceCount; ++i)
        n += IsDeviceInUse(i) && deviceType(devices[static_cast<std::size_t>(i)]) == kTypeDip;
    return n;
}

std::array<std::string, 4> DBK2::JournalTexts(const JournalEntry& r) const {
    std::array<std::string, 4> t;
    t[0] = format(kTimeFormat, r[kJrYear], r[kJrMonth], r[kJrDay], r[kJrHour], r[kJrMinute],
                  r[kJrSecond]);
    t[1] = decodeEvent(r[kJrType], r[kJrCode]).text;
    if (r[kJrLoop] < kLoopCount) t[2] = LoopFullLabel(r[kJrLoop]);
    if (r[kJrDevice] < kDeviceCount && IsDeviceInUse(r[kJrDevice]))
        t[3] = DeviceLabel(r[kJrDevice]);
    return t;
}

std::array<std::string, 4> DBK2::ActiveEventTexts(const ActiveEvent& e) const {
    std::array<std::string, 4> t;
    t[0] = format("%d", e[kAeCategory]);
    t[1] = decodeEvent(e[kAeType], e[kAeCode]).text;
    if (e[kAeLoop] < kLoopCount) t[2] = LoopFullLabel(e[kAeLoop]);
    const int number = e[kAeDeviceNumber];
    if (number >= 1 && number <= kDeviceCount && IsDeviceInUse(number - 1)) {
        t[3] = DeviceTypeName(deviceType(devices[static_cast<std::size_t>(number - 1)])) +
               format(" /%d", number);
    }
    return t;
}

namespace {

template <typename List, typename Texts>
JournalFile journalFileOf(std::uint32_t kind, const List& list, Texts texts) {
    JournalFile file;
    file.kind = kind;
    file.records.reserve(list.size());
    for (const auto& entry : list) {
        const auto t = texts(entry);
        file.records.emplace_back(t.begin(), t.end());
    }
    return file;
}

}  // namespace

bool DBK2::SaveJournal(const std::string& path) {
    return writeJournalFile(
        path, journalFileOf(kJournalKindK2, journal,
                            [this](const JournalEntry& r) { return JournalTexts(r); }));
}

bool DBK2::SaveActiveEvents(const std::string& path) {
    return writeJournalFile(
        path, journalFileOf(kJournalKindK2ActiveEvents, activeEvents,
                            [this](const ActiveEvent& e) { return ActiveEventTexts(e); }));
}

bool DBK2::SaveDustiness(const std::string& path) {
    std::vector<DustRecord> records;
    records.reserve(dustiness.size());
    for (const DustinessEntry& d : dustiness) {
        records.push_back(DustRecord::make(DeviceLabel(d[kDrDeviceNumber] - 1),
                                           LoopFullLabel(d[kDrLoop]), d[kDrLevel]));
    }
    return writeDustinessFile(path, records);
}

int DBK2::PrepareJournalOperation() {
    if (!IsPortOpen() && !OpenPort()) return kResultPortNotOpen;
    if (firmwareVersion == -1) {
        if (const int code = ReadVersion(); code != kResultOk) {
            ClosePort();
            return code;
        }
    }
    return kResultOk;
}

// ---- Journal --------------------------------------------------------------------------------

int DBK2::ReadJournal(Progress& progress) {
    savedJournalFile.clear();
    if (const int code = PrepareJournalOperation(); code != kResultOk) return code;
    progress.setRange(0, kJournalCapacity);
    progress.setPosition(0);
    progress.setVisible(true);
    journal.clear();
    StartCancelWindow(kJournalTitle);

    int code = kResultOk;
    int number = 1;
    int mismatches = 0;
    int replies = 0;
    while (static_cast<int>(journal.size()) < kJournalCapacity) {
        Bytes reply;
        code = Exchange(reply, journalRequest(number));
        if (code != kResultOk) break;
        if (++replies % kJournalRepaintEvery == 0) progress.keepAlive();
        const JournalReply r = parseJournalReply(reply);
        if (r.firstNumber != number) {
            // Not the records asked for: ask again, but not past the second time.
            if (++mismatches >= kMaxJournalMismatches) {
                code = kResultNotAllSent;
                break;
            }
            continue;
        }
        const int count = static_cast<int>(r.records.size());
        if (number + count - 1 >= kJournalOverflowNumber) {
            code = kResultDatabaseOverflow;
            break;
        }
        journal.insert(journal.end(), r.records.begin(), r.records.end());
        number += count;
        progress.setPosition(static_cast<int>(journal.size()));
        if (r.last) break;
        // A reply without records that is not the last would be asked again forever.
        if (count == 0) {
            code = kResultBadDataLength;
            break;
        }
    }

    FinishOperation();
    // A failed read saves the records it has.
    if (const std::string path = pathOr(journalOutputPath, journalFileName); SaveJournal(path))
        savedJournalFile = path;
    return code;
}

// ---- Active events ------------------------------------------------------------------------

int DBK2::ReadActiveEvents(Progress& progress) {
    savedActiveEventsFile.clear();
    if (const int code = PrepareJournalOperation(); code != kResultOk) return code;
    progress.setRange(0, kEventCategories);
    progress.setPosition(0);
    progress.setVisible(true);
    activeEvents.clear();
    StartCancelWindow(kEventsTitle);

    int code = kResultOk;
    for (int category = 1; category <= kEventCategories && code == kResultOk; ++category) {
        if (!IsPortOpen() && !OpenPort()) {
            code = kResultPortNotOpen;
            break;
        }
        for (;;) {
            Bytes reply;
            code = Exchange(reply, activeEventsRequest(category));
            if (code != kResultOk) break;
            const EventsReply r = parseEventsReply(reply);
            if (r.none) break;
            if (activeEvents.size() + r.events.size() >
                static_cast<std::size_t>(kJournalCapacity)) {
                code = kResultDatabaseOverflow;
                break;
            }
            for (const auto& e : r.events) {
                activeEvents.push_back(
                    {static_cast<std::uint8_t>(category), e[0], e[1], e[2], e[3]});
            }
            if (r.last) break;
            if (r.events.empty()) {
                code = kResultBadDataLength;
                break;
            }
        }
        ClosePort();
        progress.setPosition(category);
    }

    progress.keepAlive();
    FinishOperation();
    if (code != kResultOk) return code;
    if (const std::string path = pathOr(activeEventsOutputPath, journalFileName2);
        SaveActiveEvents(path))
        savedActiveEventsFile = path;
    return code;
}

// ---- Dustiness ----------------------------------------------------------------------------

int DBK2::ReadDustiness(Progress& progress, int /*flag*/) {
    savedDustinessFile.clear();
    if (!IsPortOpen() && !OpenPort()) return kResultPortNotOpen;
    const int detectors = DetectorCount();
    if (detectors == 0) {
        if (ctx_.prompter)
            ctx_.prompter->message(kNoDetectors, kNoDetectorsTitle, PromptIcon::Error);
        ClosePort();
        return kResultCancelled;
    }
    progress.setRange(0, detectors);
    progress.setPosition(0);
    progress.setVisible(true);
    dustiness.clear();
    StartCancelWindow(kDustTitle);
    simulationDustPosition_ = 0;

    int code = kResultOk;
    for (;;) {
        Bytes reply;
        code = Exchange(reply, blockReadRequest(kCmdReadDustiness));
        if (code != kResultOk) break;
        const DustinessReply r = parseDustinessReply(reply);
        if (dustiness.size() + r.records.size() > static_cast<std::size_t>(detectors)) {
            code = kResultDatabaseOverflow;
            break;
        }
        dustiness.insert(dustiness.end(), r.records.begin(), r.records.end());
        progress.setPosition(static_cast<int>(dustiness.size()));
        progress.keepAlive();
        if (r.last || static_cast<int>(dustiness.size()) == detectors) break;
        if (r.records.empty()) {
            code = kResultBadDataLength;
            break;
        }
    }

    FinishOperation();
    if (code != kResultOk) return code;
    if (const std::string path = pathOr(dustinessOutputPath, dustinessFileName);
        SaveDustiness(path))
        savedDustinessFile = path;
    return code;
}

}  // namespace tavrin
