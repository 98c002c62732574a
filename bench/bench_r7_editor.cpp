// The editor on a full "Ордис Р7" table (2047 elements: the panel and 62
// objects, each with 31 devices spread over the four lines and one employee
// key): rebuilding the whole tree (target: 2 ms), showing items in the grid,
// and a paste of an object that compacts the table, with its undo.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "editor/grid_model.h"
#include "editor/tree_editor.h"
#include "families/r7/dbr7.h"
#include "families/r7/element_types.h"
#include "registry/family_registry.h"

namespace {

using namespace tavrin;
using namespace tavrin::r7;

struct FullTable {
    AppContext ctx = makeAppContext(std::filesystem::temp_directory_path());
    DBR7 db{0, ctx};
    EditorDocument doc{CreateFamilyTree};
    GridModel grid{*ctx.prompter};
    TreeEditor tree{doc, 0, *ctx.prompter};

    FullTable() {
        const auto kinds = deviceKinds();
        int n = 0;
        for (int o = 0; o < 62; ++o) {
            const int object = db.CreateElement(kTypeObject, 0);
            for (int d = 0; d < 31; ++d, ++n) {
                const int i = db.CreateElement(
                    kinds[static_cast<std::size_t>(n) % kinds.size()].newCode, object);
                db.table()[static_cast<std::size_t>(i)].bytes[kOffLine] =
                    static_cast<std::uint8_t>(n % 5);
            }
            db.CreateElement(kTypeKey, object);
        }
        doc.databases[0] = &db;
        tree.setGrid(&grid);
        tree.rebuild();
    }
};

void BM_R7TreeRebuild(benchmark::State& state) {
    FullTable f;
    for (auto _ : state) {
        f.tree.rebuild();
        benchmark::DoNotOptimize(f.tree.model().size());
    }
    state.counters["elements"] = f.db.counts().elements;
    state.counters["nodes"] = static_cast<double>(f.tree.model().size());
}
BENCHMARK(BM_R7TreeRebuild)->Unit(benchmark::kMicrosecond);

// Shows, in turn, the panel (its "Линии" tab lists every device), an object,
// a device, a key and a line group.
void BM_R7GridShow(benchmark::State& state) {
    FullTable f;
    const std::pair<ItemCode, bool> items[] = {
        {0, true}, {1, false}, {2, false}, {33, false}, {-2, false}};
    std::size_t i = 0;
    for (auto _ : state) {
        const auto [code, top] = items[i++ % std::size(items)];
        f.grid.show(&f.db, code, top);
        benchmark::DoNotOptimize(f.grid.rows().size());
    }
}
BENCHMARK(BM_R7GridShow)->Unit(benchmark::kMicrosecond);

// Copies the first object into the panel (the table is compacted and every
// code renumbered), then undoes it.
void BM_R7PasteAndUndo(benchmark::State& state) {
    FullTable f;
    // Room for the copy: the last object goes.
    f.db.RemoveElement(f.db.findElementById(static_cast<std::uint16_t>(f.db.maxElementId() - 32)));
    f.tree.rebuild();
    f.tree.selectCode(1);
    f.tree.runCommand(cmd::kCopy);
    f.tree.rebuildSelecting(ItemPath{0});
    for (auto _ : state) {
        f.tree.runCommand(cmd::kPasteR7);
        f.tree.undo();
        f.tree.undo();  // the buffer record the paste left
        benchmark::DoNotOptimize(f.db.counts().objects);
    }
}
BENCHMARK(BM_R7PasteAndUndo)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
