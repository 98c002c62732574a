// DBase's readers of the files its families write for the viewers.
#include "files/dust_file.h"
#include "files/journal_file.h"
#include "link/dbase.h"

namespace tavrin {

bool DBase::ReadJournalFile(const std::string& path, JournalFile& out) const {
    SilentPrompter silent;
    Prompter& prompter = ctx_.prompter ? *ctx_.prompter : silent;
    return readJournalFile(path, journalCapacity, prompter, out);
}

bool DBase::ReadDustinessFile(const std::string& path, std::vector<DustRecord>& out) const {
    SilentPrompter silent;
    Prompter& prompter = ctx_.prompter ? *ctx_.prompter : silent;
    return readDustinessFile(path, prompter, out);
}

}  // namespace tavrin
