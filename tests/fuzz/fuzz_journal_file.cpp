// Fuzz target: the journal file reader, then the list model over what it read.
#include <cstdint>

#include "base/seams.h"
#include "files/journal_file.h"
#include "journal/active_events_model.h"
#include "journal/journal_model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tavrin::SilentPrompter prompter;
    tavrin::JournalFile file;
    tavrin::parseJournalFile({data, size}, 65535, prompter, file);
    tavrin::JournalModel model(tavrin::journalColumnTitles(file.kind), file.records);
    model.setInclude("а");
    model.addGroupColumn(1);
    model.setExpandAll(true);
    (void)model.reportList();
    tavrin::ActiveEventsModel events;
    events.setFile(file);
    events.setClassButton(1, true);
    (void)events.reportList();
    return 0;
}
