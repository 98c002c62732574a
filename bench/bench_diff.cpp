// The comparison of two full "Версан С5" databases (64 LCPs with every
// device, object and key slot used, 1000 console keys): both listed through
// the tree and the grid and compared item by item, with a few differences
// spread over the LCPs. Target: 200 ms.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "editor/db_diff.h"
#include "families/s5/dbs5.h"
#include "registry/family_registry.h"

namespace {

using namespace tavrin;

std::unique_ptr<DBS5> fullDatabase(const AppContext& ctx) {
    auto db = std::make_unique<DBS5>(0, ctx);
    for (int l = 1; l <= s5::kMaxLcps; ++l) {
        db->AddLcp();
        for (int j = 0; j < s5::kSlots; ++j) {
            db->CreateElement(17, l);
            const int o = db->NewObject(l);
            s5::setNameText(s5::objectName(db->lcp(l)->objects[o]), "Объект " + std::to_string(o));
            db->lcp(l)->setDeviceObject(j, o);
            const int k = db->NewLcpKey(l);
            s5::setNameText(s5::keyOwner(db->lcp(l)->keys[k]), "Ключ " + std::to_string(k));
        }
    }
    for (int k = 0; k < s5::kCommonKeys; ++k)
        db->CreateKey();
    return db;
}

void BM_S5DiffFullDatabases(benchmark::State& state) {
    const AppContext ctx = makeAppContext(std::filesystem::temp_directory_path());
    auto a = fullDatabase(ctx);
    auto b = fullDatabase(ctx);
    for (int l = 1; l <= s5::kMaxLcps; l += 7)
        s5::setNameText(s5::objectName(b->lcp(l)->objects[l]), "Склад");
    std::size_t found = 0;
    for (auto _ : state) {
        found = diffDatabases(*a, *b, CreateFamilyTree).size();
        benchmark::DoNotOptimize(found);
    }
    if (found == 0) state.SkipWithError("no difference found");
    state.counters["differences"] = static_cast<double>(found);
}
BENCHMARK(BM_S5DiffFullDatabases)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
