// The tree and the grid on screen with a full "Талвир К2" database (128
// devices on the loops, 128 loops with content and links, 256 keys), under
// the offscreen platform: selecting an item with the mouse until its grid
// is painted, and rebuilding the whole tree on screen until it is painted.
// Both must stay under 30 ms.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QSplitter>
#include <QTest>
#include <filesystem>

#include "editor/c_grid.h"
#include "editor/c_tree.h"
#include "families/k2/dbk2.h"
#include "registry/family_registry.h"

namespace {

using namespace tavrin;
using namespace tavrin::k2;

struct Screen {
    AppContext ctx = makeAppContext(std::filesystem::temp_directory_path());
    DBK2 db{0, ctx};
    EditorDocument doc{CreateFamilyTree};
    QSplitter window;
    gui::CTree* tree = nullptr;
    gui::CGrid* grid = nullptr;

    Screen() {
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
        tree = new gui::CTree(doc, 0, *ctx.prompter, &window);
        grid = new gui::CGrid(*ctx.prompter, &window);
        tree->attachGrid(grid);
        window.resize(1000, 700);
        window.show();
        tree->rebuild();
        // Open every group, as a user looking at the whole database would.
        tree->expandAll();
        QApplication::processEvents();
    }

    // Paints both views now, as the next frame would.
    void paint() {
        tree->viewport()->repaint();
        grid->table()->viewport()->repaint();
    }
};

Screen* screen = nullptr;

// Clicks, in turn, a loop, a control loop, a key, a device and the root, and
// paints the tree and the grid.
void BM_SelectItemAndShowGrid(benchmark::State& state) {
    const std::pair<ItemCode, ItemCode> items[] = {
        {0x80 + 5, -30}, {0x80 + 100, -33}, {0x100 + 7, -6}, {3, -3}, {1, -3}, {0, -3}};
    std::size_t i = 0;
    for (auto _ : state) {
        const auto [code, parent] = items[i++ % std::size(items)];
        const QModelIndex index = screen->tree->indexOfCode(code, parent);
        screen->tree->scrollTo(index);
        QTest::mouseClick(screen->tree->viewport(), Qt::LeftButton, {},
                          screen->tree->visualRect(index).center());
        screen->paint();
        benchmark::DoNotOptimize(screen->grid->model().rows().size());
    }
}
BENCHMARK(BM_SelectItemAndShowGrid)->Unit(benchmark::kMillisecond);

void BM_RebuildTreeOnScreen(benchmark::State& state) {
    for (auto _ : state) {
        screen->tree->rebuild();
        screen->paint();
        benchmark::DoNotOptimize(screen->tree->itemModel()->rowCount());
    }
    state.counters["nodes"] = static_cast<double>(screen->tree->editor().model().size());
}
BENCHMARK(BM_RebuildTreeOnScreen)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Screen s;
    screen = &s;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    screen = nullptr;
    return 0;
}
