// Fuzz target: a "Версан С5" event file (EVENTS.dat or an archive) made into
// journal records against a database with two LCPs, and the archive names
// taken as local file names.
#include <cstdint>
#include <cstdlib>

#include "families/s5/events.h"
#include "files/journal_file.h"
#include "fuzz_s5_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavrin;
    static s5::fuzz::Database db;
    JournalFile journal;
    const bool ok = db->JournalOfEvents({data, size}, journal);
    if (ok != (size >= 48)) std::abort();
    if (ok && journal.records.size() != std::min<std::size_t>((size - 48) / 16, 0xFFFF))
        std::abort();
    for (const auto& record : journal.records)
        if (record.size() != 6) std::abort();
    (void)encodeJournalFile(journal);
    for (const std::string& name : s5::parseArchiveList({data, size})) {
        if (s5::plainFileName(name) && db->archiveJournalPath(name).empty()) std::abort();
    }
    return 0;
}
