// Loading and saving a full "Версан С5" database folder: 64 LCPs with every
// device, object and key slot used, 1000 console keys and 16 messages; and
// the configuration tree built from it (about 50 000 items).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>

#include "base/file_io.h"
#include "base/seams.h"
#include "editor/tree_editor.h"
#include "families/s5/dbs5.h"
#include "registry/family_registry.h"

namespace {

using namespace tavrin;
namespace fs = std::filesystem;

struct FullFolder {
    FullFolder() : ctx(makeAppContext(fs::temp_directory_path())) {
        std::random_device rd;
        // TAVRIN_BENCH_DIR chooses the file system (a disk, or /dev/shm to
        // leave out the cost of the flushes to disk).
        const char* base = std::getenv("TAVRIN_BENCH_DIR");
        folder = (base ? fs::path(base) : fs::temp_directory_path()) /
                 ("tavrin-bench-s5-" + std::to_string(rd()));
        DBS5 db(0, ctx);
        for (int l = 1; l <= s5::kMaxLcps; ++l) {
            db.AddLcp();
            for (int j = 0; j < s5::kSlots; ++j) {
                db.CreateElement(17, l);
                const int o = db.NewObject(l);
                s5::setNameText(s5::objectName(db.lcp(l)->objects[o]),
                                "Объект " + std::to_string(o));
                db.lcp(l)->setDeviceObject(j, o);
                const int k = db.NewLcpKey(l);
                s5::setNameText(s5::keyOwner(db.lcp(l)->keys[k]), "Ключ " + std::to_string(k));
            }
        }
        for (int k = 0; k < s5::kCommonKeys; ++k)
            db.CreateKey();
        for (auto& m : db.messages)
            m = "Message text";
        if (!db.SaveToDisk(pathToUtf8(folder))) std::abort();
    }
    ~FullFolder() {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }

    AppContext ctx;
    fs::path folder;
};

FullFolder& fullFolder() {
    static FullFolder f;
    return f;
}

void BM_S5LoadFullFolder(benchmark::State& state) {
    FullFolder& f = fullFolder();
    DBS5 db(0, f.ctx);
    for (auto _ : state) {
        if (!db.LoadFromDisk(pathToUtf8(f.folder))) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(db.lcpCount());
    }
}
BENCHMARK(BM_S5LoadFullFolder)->Unit(benchmark::kMillisecond);

void BM_S5SaveFullFolder(benchmark::State& state) {
    FullFolder& f = fullFolder();
    DBS5 db(0, f.ctx);
    if (!db.LoadFromDisk(pathToUtf8(f.folder))) std::abort();
    const fs::path out = f.folder / "copy";
    for (auto _ : state) {
        if (!db.SaveToDisk(pathToUtf8(out))) state.SkipWithError("save failed");
    }
}
BENCHMARK(BM_S5SaveFullFolder)->Unit(benchmark::kMillisecond);

// The whole tree of the full folder built in core (no screen).
void BM_S5BuildTree(benchmark::State& state) {
    FullFolder& f = fullFolder();
    DBS5 db(0, f.ctx);
    if (!db.LoadFromDisk(pathToUtf8(f.folder))) std::abort();
    SilentPrompter prompter;
    EditorDocument doc{CreateFamilyTree};
    doc.databases[0] = &db;
    TreeEditor tree(doc, 0, prompter);
    for (auto _ : state) {
        tree.rebuild();
        benchmark::DoNotOptimize(tree.model().size());
    }
    state.counters["items"] = static_cast<double>(tree.model().size());
}
BENCHMARK(BM_S5BuildTree)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
