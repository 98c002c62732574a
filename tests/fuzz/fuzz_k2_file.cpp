// Fuzz target: the "Талвир К2" database file loader. A file that loads must
// save and load back to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <filesystem>

#include "families/k2/dbk2.h"

namespace {

tavrin::DBK2& database() {
    static tavrin::SilentPrompter prompter;
    static tavrin::AppContext ctx = [] {
        tavrin::AppContext c = tavrin::makeAppContext(std::filesystem::temp_directory_path());
        c.prompter = &prompter;
        return c;
    }();
    static tavrin::DBK2 db(0, ctx);
    return db;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tavrin::DBK2& db = database();
    if (!db.LoadFromBytes({data, size})) return 0;
    const tavrin::Bytes saved = db.SerializeFile();
    if (!db.LoadFromBytes(saved) || db.SerializeFile() != saved) std::abort();
    return 0;
}
