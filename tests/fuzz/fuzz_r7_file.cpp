// Fuzz target: the "Ордис Р7" database file, the compaction after the load,
// and the table queries the tree asks of whatever was loaded.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "families/r7/compaction.h"
#include "families/r7/db_file.h"
#include "families/r7/dbr7.h"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

tavrin::DBR7& database() {
    static tavrin::SilentPrompter prompter;
    static tavrin::AppContext ctx = [] {
        tavrin::AppContext c = tavrin::makeAppContext("/nonexistent-tavrin-fuzz");
        c.prompter = &prompter;
        return c;
    }();
    static tavrin::DBR7 db(0, ctx);
    return db;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavrin::r7;
    tavrin::DBR7& db = database();
    db.ResetDatabase();
    const FileDecode read = decodeFile({data, size}, db.table());
    check(read.recordsRead >= 0 && read.recordsRead <= kFileRecordCount);
    db.CompactTable();

    // Used records are contiguous from 1 with ids 2, 3, ...
    const auto& t = db.table();
    int k = 1;
    while (k < kElementCount && !t[static_cast<std::size_t>(k)].isFree()) {
        check(t[static_cast<std::size_t>(k)].id() == k + 1);
        ++k;
    }
    for (int i = k; i < kElementCount; ++i)
        check(t[static_cast<std::size_t>(i)].isFree());

    for (int i = -6; i < 12; ++i) {
        db.GetItemImage(i);
        tavrin::EditRuleArgs args;
        args.item = i;
        args.bufferItem = (i * 7) % 12;
        db.InsertItem(args);
        db.DeleteItem(args);
        db.CopyItem(args);
        db.CutItem(args);
        db.PasteItem(args);
        db.childCount(i);
        if (const auto* r = db.element(i)) (void)r->name();
    }
    (void)db.counts();

    // What was loaded saves and loads back unchanged.
    const tavrin::Bytes again = encodeFile(t, read.versionText);
    auto copy = std::make_unique<ElementTable>();
    for (auto& r : *copy)
        r.clear();
    const FileDecode reread = decodeFile(again, *copy);
    check(reread.recordsRead == kFileRecordCount && !reread.shortRecord);
    for (int i = 0; i < kFileRecordCount; ++i) {
        const auto& a = (*copy)[static_cast<std::size_t>(i)].bytes;
        const auto& b = t[static_cast<std::size_t>(i)].bytes;
        check(std::memcmp(a.data(), b.data(), kStoredRecordSize) == 0);
    }

    // Creating and removing elements keeps ids unique.
    const int object = db.CreateElement(kTypeObject, 0);
    if (object >= 0) {
        const int device = db.CreateElement(26, object);
        db.RemoveElement(object);
        if (device >= 0) db.RemoveElement(device);
    }
    return 0;
}
