// The journal file: the decoded event journal (or the active events) that a
// family writes after reading its panel, and that the journal viewers read.
//
// Layout, little-endian: u32 kind, u16 record count N, then N records of a
// fixed number of length-prefixed UTF-16LE texts (4 for kind 0, 5 for kind 1,
// 6 for kind 2, 4 for kind 3). A text counted 2 bytes or less is an empty
// field with no bytes following; 0 is what writers give for a missing text.
//
// Texts at this API are UTF-8. A field absent in the file (count 0) or not
// read (count above 1000) is std::nullopt.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/file_io.h"
#include "base/seams.h"

namespace tavrin {

// The kinds of journal file.
constexpr std::uint32_t kJournalKindK2 = 0;              // "Талвир К2" journal
constexpr std::uint32_t kJournalKindR7 = 1;              // "Ордис Р7" journal
constexpr std::uint32_t kJournalKindS5 = 2;              // "Версан С5" journal
constexpr std::uint32_t kJournalKindK2ActiveEvents = 3;  // "Талвир К2" active events

constexpr std::size_t kJournalHeaderSize = 6;  // u32 kind + u16 count

// Texts per record of a kind; 0 for a kind no family writes.
constexpr int journalStringsPerRecord(std::uint32_t kind) {
    switch (kind) {
        case kJournalKindK2:
        case kJournalKindK2ActiveEvents:
            return 4;
        case kJournalKindR7:
            return 5;
        case kJournalKindS5:
            return 6;
        default:
            return 0;
    }
}

using JournalRecord = std::vector<std::optional<std::string>>;

struct JournalFile {
    std::uint32_t kind = kJournalKindK2;
    std::vector<JournalRecord> records;  // each of journalStringsPerRecord(kind) entries
};

enum class JournalReadStatus {
    Ok,
    NotOpened,    // the file could not be opened or read (no message)
    NotAJournal,  // shorter than its header, or a kind no family writes (no message)
    TooMany,    // count above the capacity ("Ошибка в количестве записей")
    Truncated,  // the data ended inside a record: the whole records are kept
};

// Takes a journal file apart. `capacity` is the current database's journal
// capacity: a file of any kind but 2 that claims more records is refused
// with "Ошибка в количестве записей" titled "Чтение журнала", and nothing is
// loaded. A text counted above 1000 bytes stays absent and its bytes are
// skipped, so the rest of the file is read in step. When the data ends
// inside a record, the records read whole before it are kept.
JournalReadStatus parseJournalFile(ByteSpan data, int capacity, Prompter& prompter,
                                   JournalFile& out);

// Reads a journal file from disk as parseJournalFile does. A file that
// cannot be opened gives NotOpened without a message.
JournalReadStatus readJournalFileStatus(const std::string& path, int capacity, Prompter& prompter,
                                        JournalFile& out);

// True when the file was read (Ok or Truncated); `out` then holds the records.
bool readJournalFile(const std::string& path, int capacity, Prompter& prompter, JournalFile& out);

// The bytes of a journal file. Records with fewer texts than their kind takes
// are padded with absent texts, extra texts are dropped; at most 65535
// records are written (the count is 16 bits).
Bytes encodeJournalFile(const JournalFile& file);

// Writes the file (replacing an old one atomically); false when it cannot be
// created.
bool writeJournalFile(const std::string& path, const JournalFile& file, FileError* error = nullptr);

}  // namespace tavrin
