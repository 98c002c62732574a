// The editor on a full "Талвир К2" database (128 devices on the loops, 128
// loops with content, 256 keys): rebuilding the whole tree, and showing an
// item of each kind in the grid. Both stay well under 2 ms.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "base/bit_set.h"
#include "editor/grid_model.h"
#include "editor/tree_editor.h"
#include "families/k2/dbk2.h"
#include "registry/family_registry.h"

namespace {

using namespace tavrin;
using namespace tavrin::k2;

struct FullDatabase {
    AppContext ctx = makeAppContext(std::filesystem::temp_directory_path());
    DBK2 db{0, ctx};
    EditorDocument doc{CreateFamilyTree};
    GridModel grid{*ctx.prompter};
    TreeEditor tree{doc, 0, *ctx.prompter};

    FullDatabase() {
        static constexpr int kTypes[] = {kTypeDip, kTypeIpr, kTypeTk3, kTypeKtm,
                                         kTypeIpg, kTypeDka, kTypeMau, kTypeUop};
        for (int i = 0; i < kDeviceCount; ++i) {
            const int type = kTypes[i % 8];
            const int d = db.CreateElement(type, -1);
            int loop = i % 96;
            if (type == kTypeDip || type == kTypeIpr || type == kTypeIpg) loop = 32 + i % 32;
            if (type == kTypeDka) loop = 64 + i % 32;
            if (type == kTypeTk3 || type == kTypeKtm) loop = i % 32;
            db.devices[static_cast<std::size_t>(d)][kDevLoop] = static_cast<std::uint8_t>(loop);
            if (type == kTypeTk3)
                db.devices[static_cast<std::size_t>(d)][kDevNumber] =
                    static_cast<std::uint8_t>(64 + i % 32);
        }
        for (int m = 0; m < kFirstControlLoop; ++m) {
            for (int j = 0; j < kLoopLinkCount; ++j) {
                db.loops[static_cast<std::size_t>(m)][kLoopLink1 + static_cast<std::size_t>(j)] =
                    static_cast<std::uint8_t>(kFirstControlLoop + (m + 8 * j) % 32);
            }
        }
        for (int k = 0; k < kKeyCount; ++k) {
            const int key = db.CreateKey();
            db.keys[static_cast<std::size_t>(key)][kKeyKind] =
                static_cast<std::uint8_t>(k % 2 ? 0x80 : 0x01);
        }
        doc.databases[0] = &db;
        tree.setGrid(&grid);
        tree.rebuild();
    }
};

void BM_TreeRebuild(benchmark::State& state) {
    FullDatabase f;
    for (auto _ : state) {
        f.tree.rebuild();
        benchmark::DoNotOptimize(f.tree.model().size());
    }
    state.counters["nodes"] = static_cast<double>(f.tree.model().size());
}
BENCHMARK(BM_TreeRebuild)->Unit(benchmark::kMicrosecond);

// Shows, in turn, the root, a loop, a control loop, a key and every kind of device.
void BM_GridShow(benchmark::State& state) {
    FullDatabase f;
    const ItemCode items[] = {0x80 + 5, 0x80 + 100, 0x100 + 7, 0, 1, 2, 3, 4, 5, 6, 7};
    std::size_t i = 0;
    for (auto _ : state) {
        const ItemCode c = items[i++ % std::size(items)];
        f.grid.show(&f.db, c, false);
        benchmark::DoNotOptimize(f.grid.rows().size());
    }
}
BENCHMARK(BM_GridShow)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
