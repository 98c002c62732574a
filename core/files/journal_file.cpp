#include "files/journal_file.h"

#include <algorithm>

#include "base/lp_text.h"
#include "base/text.h"

namespace tavrin {

namespace {

constexpr std::size_t kMaxRecordsWritten = 0xFFFF;

}  // namespace

JournalReadStatus parseJournalFile(ByteSpan data, int capacity, Prompter& prompter,
                                   JournalFile& out) {
    out = JournalFile{};
    ByteReader in(data);
    const std::uint32_t kind = in.u32();
    const std::uint16_t count = in.u16();
    const int strings = journalStringsPerRecord(kind);
    if (!in.ok() || strings == 0) return JournalReadStatus::NotAJournal;
    if (kind != kJournalKindS5 && static_cast<int>(count) > capacity) {
        prompter.message("Ошибка в количестве записей", "Чтение журнала", PromptIcon::Error);
        return JournalReadStatus::TooMany;
    }
    out.kind = kind;
    out.records.reserve(count);
    for (std::uint16_t n = 0; n < count; ++n) {
        JournalRecord record(static_cast<std::size_t>(strings));
        for (auto& field : record) {
            const LpText t = readLpText(in);
            if (t.status == LpTextStatus::Truncated) return JournalReadStatus::Truncated;
            if (t.text) field = utf16ToUtf8(*t.text);
        }
        out.records.push_back(std::move(record));
    }
    return JournalReadStatus::Ok;
}

JournalReadStatus readJournalFileStatus(const std::string& path, int capacity, Prompter& prompter,
                                        JournalFile& out) {
    out = JournalFile{};
    Bytes data;
    if (!readWholeFile(pathFromUtf8(path), data)) return JournalReadStatus::NotOpened;
    return parseJournalFile(data, capacity, prompter, out);
}

bool readJournalFile(const std::string& path, int capacity, Prompter& prompter, JournalFile& out) {
    const JournalReadStatus s = readJournalFileStatus(path, capacity, prompter, out);
    return s == JournalReadStatus::Ok || s == JournalReadStatus::Truncated;
}

Bytes encodeJournalFile(const JournalFile& file) {
    ByteWriter w;
    const std::size_t count = std::min(file.records.size(), kMaxRecordsWritten);
    const auto strings = static_cast<std::size_t>(journalStringsPerRecord(file.kind));
    w.u32(file.kind);
    w.u16(static_cast<std::uint16_t>(count));
    for (std::size_t n = 0; n < count; ++n) {
        const JournalRecord& record = file.records[n];
        for (std::size_t i = 0; i < strings; ++i) {
            if (i < record.size() && record[i]) {
                writeLpText(w, utf8ToUtf16(*record[i]));
            } else {
                writeLpText(w, std::nullopt);
            }
        }
    }
    return w.take();
}

bool writeJournalFile(const std::string& path, const JournalFile& file, FileError* error) {
    return writeFileAtomic(pathFromUtf8(path), encodeJournalFile(file), error);
}

}  // namespace tavrin
