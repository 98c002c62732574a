// The "Версан С5" tree and grid on screen with a full database folder (64
// LCPs with every device, object and key slot used: about 50 000 items),
// under the offscreen platform: opening the folder until the window is
// painted (target 300 ms), selecting an item until its grid is painted
// (30 ms), and an edit in one LCP until the updated tree is painted (30 ms).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QSplitter>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "base/file_io.h"
#include "editor/c_grid.h"
#include "editor/c_tree.h"
#include "editor/menu.h"
#include "families/s5/dbs5.h"
#include "registry/family_registry.h"

namespace {

using namespace tavrin;
using namespace tavrin::s5;
namespace fs = std::filesystem;

struct Folder {
    AppContext ctx = makeAppContext(fs::temp_directory_path());
    fs::path path;

    Folder() {
        std::random_device rd;
        path = fs::temp_directory_path() / ("tavrin-bench-s5-views-" + std::to_string(rd()));
        DBS5 db(0, ctx);
        for (int l = 1; l <= kMaxLcps; ++l) {
            db.AddLcp();
            for (int j = 0; j < kSlots; ++j) {
                db.CreateElement(17, l);
                const int o = db.NewObject(l);
                setNameText(objectName(db.lcp(l)->objects[o]), "Объект " + std::to_string(o));
                // Objects in chains of five under the LCP.
                if (o % 5) db.lcp(l)->objects[o][obj::kParent] = static_cast<std::uint8_t>(o);
                db.lcp(l)->setDeviceObject(j, o);
                db.NewLcpKey(l);
            }
        }
        for (int k = 0; k < kCommonKeys; ++k)
            db.CreateKey();
        if (!db.SaveToDisk(pathToUtf8(path))) std::abort();
    }
    ~Folder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

struct Screen {
    Folder& folder;
    DBS5 db{0, folder.ctx};
    EditorDocument doc{CreateFamilyTree};
    QSplitter window;
    gui::CTree* tree = nullptr;
    gui::CGrid* grid = nullptr;

    explicit Screen(Folder& f) : folder(f) {
        doc.databases[0] = &db;
        tree = new gui::CTree(doc, 0, *folder.ctx.prompter, &window);
        grid = new gui::CGrid(*folder.ctx.prompter, &window);
        tree->attachGrid(grid);
        window.resize(1000, 700);
        window.show();
        QApplication::processEvents();
    }
    void open() {
        if (!db.LoadFromDisk(pathToUtf8(folder.path))) std::abort();
        tree->rebuild();
        paint();
    }
    void paint() {
        tree->viewport()->repaint();
        grid->table()->viewport()->repaint();
    }
};

Folder* folder = nullptr;
Screen* screen = nullptr;

void BM_S5OpenFullFolderToFirstPaint(benchmark::State& state) {
    for (auto _ : state)
        screen->open();
    state.counters["items"] = static_cast<double>(screen->tree->editor().model().size());
}
BENCHMARK(BM_S5OpenFullFolderToFirstPaint)->Unit(benchmark::kMillisecond);

// Clicks, in turn, an LCP, an object, a device and a key of an opened LCP.
void BM_S5SelectItemAndShowGrid(benchmark::State& state) {
    const QModelIndex lcp = screen->tree->indexOfCode(lcpItem(7));
    screen->tree->expand(lcp);
    const ItemCode items[] = {lcpItem(7), objectItem(7, 0), deviceItem(7, 0), keyItem(7, 3)};
    std::size_t i = 0;
    for (auto _ : state) {
        const QModelIndex index = screen->tree->indexOfCode(items[i++ % std::size(items)]);
        screen->tree->scrollTo(index);
        QTest::mouseClick(screen->tree->viewport(), Qt::LeftButton, {},
                          screen->tree->visualRect(index).center());
        screen->paint();
        benchmark::DoNotOptimize(screen->grid->model().rows().size());
    }
}
BENCHMARK(BM_S5SelectItemAndShowGrid)->Unit(benchmark::kMillisecond);

// Adds a key to LCP 7 and deletes it again (one edit each), painting the
// tree after each.
void BM_S5EditInOneLcpToUpdatedTree(benchmark::State& state) {
    TreeEditor& editor = screen->tree->editor();
    for (auto _ : state) {
        state.PauseTiming();
        // The key table is full: free one slot for the added key.
        screen->db.lcp(7)->removeKey(kSlots - 1);
        editor.rebuild();
        editor.select(editor.model().find(lcpItem(7)));
        screen->paint();
        state.ResumeTiming();
        editor.runCommand(cmd::kAddKey);
        screen->paint();
    }
}
BENCHMARK(BM_S5EditInOneLcpToUpdatedTree)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Folder f;
    folder = &f;
    Screen s(f);
    s.open();
    screen = &s;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    screen = nullptr;
    folder = nullptr;
    return 0;
}
