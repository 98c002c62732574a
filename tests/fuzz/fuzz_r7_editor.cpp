// Fuzz target: the "Ордис Р7" tree and grid over whatever a table may hold
// (the input is records of 38 bytes from record 0, taken as they come, with
// no compaction: duplicate ids, parents that loop or name nothing, unknown
// types): the tree is built, every item is shown in the grid with its menu,
// and the first object is copied into the panel and the paste undone.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "editor/grid_model.h"
#include "editor/tree_editor.h"
#include "families/r7/dbr7.h"
#include "registry/family_registry.h"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

tavrin::SilentPrompter prompter;

tavrin::DBR7& database() {
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
    using namespace tavrin;
    using namespace tavrin::r7;
    DBR7& db = database();
    db.ResetDatabase();
    std::uint16_t maxId = 0;
    for (std::size_t i = 0; i < kElementCount && (i + 1) * kStoredRecordSize <= size; ++i) {
        auto& r = db.table()[i];
        std::memcpy(r.bytes.data(), data + i * kStoredRecordSize, kStoredRecordSize);
        if (r.id() > maxId) maxId = r.id();
    }
    db.setMaxElementId(maxId);

    EditorDocument doc{CreateFamilyTree};
    doc.databases[0] = &db;
    GridModel grid(prompter);
    TreeEditor tree(doc, 0, prompter);
    tree.setGrid(&grid);
    tree.rebuild();
    check(!tree.model().roots().empty());

    std::vector<NodeId> nodes;
    tree.model().visit([&](const TreeNode& n, int) { nodes.push_back(n.id); });
    NodeId object = kNoNode;
    for (NodeId n : nodes) {
        if (!tree.model().contains(n)) continue;
        (void)tree.contextMenu(n);
        (void)tree.editMenu();
        const ItemCode c = tree.codeOf(n);
        if (object == kNoNode && c > 0 && tree.parentOf(n) != kNoNode &&
            tree.parentOf(tree.parentOf(n)) == kNoNode && db.element(c)->type() == kTypeObject)
            object = n;
    }

    // Copy the first object into the panel, then undo: the table is as before.
    if (object != kNoNode && tree.select(object)) {
        tree.runCommand(cmd::kCopy);
        tree.rebuildSelecting(ItemPath{tree.codeOf(tree.model().roots().front())});
        const Bytes before = tree.family()->snapshot(db);
        const std::size_t records = tree.commands().size();
        tree.runCommand(cmd::kPasteR7);
        if (tree.commands().size() > records) {
            tree.undo();
            check(tree.family()->snapshot(db) == before);
            for (ItemCode c : tree.buffer().items)
                check(c >= 0 && c < kElementCount &&
                      !db.table()[static_cast<std::size_t>(c)].isFree());
        }
    }
    return 0;
}
