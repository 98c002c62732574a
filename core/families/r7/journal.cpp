// The event journal of the "Ордис Р7" panel: a ring of 2048 records of 12
// bytes in the panel, read record by record, put into time order and written
// as the journal file that the journal view reads.
//
// Record layout:
//   bytes 0..2   date: year (two digits), month, day
//   bytes 3..5   hour, minute, second
//   bytes 6..7   second element id (the device), high byte first; 0 = none
//   bytes 8..9   first element id (the object), high byte first; 0 = none
//   byte  10     event number
//   byte  11     not interpreted
//
// ReadJournal runs on the caller's thread and owns the port while it runs;
// it closes the port on every exit path.
#include <cstdio>

#include "families/r7/dbr7.h"
#include "families/r7/event_table.h"
#include "files/journal_file.h"
#include "link/result_codes.h"

namespace tavrin {

using namespace r7;

namespace {

constexpr const char* kJournalTitle = "Чтение журнала";
constexpr const char* kNotInDatabase = "Нет в базе";
constexpr int kRepaintEvery = 20;

constexpr std::size_t kJrSecondId = 6;
constexpr std::size_t kJrFirstId = 8;
constexpr std::size_t kJrEvent = 10;

std::uint16_t idAt(const JournalEntry& r, std::size_t off) {
    return static_cast<std::uint16_t>((r[off] << 8) | r[off + 1]);
}

}  // namespace

std::array<std::string, 5> DBR7::JournalTexts(const JournalEntry& r) const {
    std::array<std::string, 5> t;
    char time[64];
    std::snprintf(time, sizeof time, "%02d/%02d/%02d %02d:%02d:%02d", r[0], r[1], r[2], r[3], r[4],
                  r[5]);
    t[0] = time;
    t[1] = decodeEvent(r[kJrEvent]).text;
    const auto elementName = [this](std::uint16_t id, int* line) -> std::string {
        if (id == 0) return std::string();
        const int index = findElementById(id);
        if (index < 0) return kNotInDatabase;
        const ElementRecord& e = table()[static_cast<std::size_t>(index)];
        if (line) *line = e.line();
        return e.name();
    };
    t[2] = elementName(idAt(r, kJrFirstId), nullptr);
    int line = -1;
    t[3] = elementName(idAt(r, kJrSecondId), &line);
    t[4] = lineLetter(line);
    return t;
}

bool DBR7::SaveJournal(const std::string& path) {
    JournalFile file;
    file.kind = kJournalKindR7;
    file.records.reserve(journal.size());
    // Newest first.
    for (auto it = journal.rbegin(); it != journal.rend(); ++it) {
        const auto t = JournalTexts(*it);
        file.records.emplace_back(t.begin(), t.end());
    }
    return writeJournalFile(path, file);
}

int DBR7::ReadJournal(Progress& progress) {
    savedJournalFile.clear();
    if (const int code = StartDeviceOperation(true); code != kResultOk) return code;
    progress.setRange(0, kJournalCapacity - 1);
    progress.setPosition(0);
    progress.setVisible(true);
    journal.clear();
    const std::uint8_t address = FrameAddress();

    Bytes reply;
    int code = Request(reply, request(address, kCmdJournalPosition));
    int position = 0;
    if (code == kResultOk) {
        const auto p = parsePositionReply(reply);
        if (!p) {
            code = kResultBadDataLength;
        } else if (*p >= kJournalCapacity) {
            code = kResultBadReply;
        } else {
            position = *p;
        }
    }
    if (code != kResultOk) {
        ClosePort();
        return code;
    }

    StartCancelWindow(kJournalTitle);
    std::vector<JournalEntry> ring(kJournalCapacity);
    for (int i = 0; i < kJournalCapacity && code == kResultOk; ++i) {
        progress.setPosition(i);
        code = Request(reply, journalRecordRequest(address, i));
        if (code != kResultOk) break;
        const auto r = parseJournalReply(reply);
        if (!r) {
            code = kResultBadDataLength;
        } else if (r->index != i) {
            code = kResultWrongRecord;
        } else {
            ring[static_cast<std::size_t>(i)] = r->record;
        }
        if ((i + 1) % kRepaintEvery == 0) progress.keepAlive();
    }
    FinishOperation();
    // A failed read leaves the journal file of the last good read in place.
    if (code != kResultOk) return code;
    journal = orderJournalRing(ring, position);
    const std::string path = journalOutputPath.empty() ? journalFileName : journalOutputPath;
    if (SaveJournal(path)) savedJournalFile = path;
    return code;
}

}  // namespace tavrin
