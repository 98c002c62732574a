// The tree and the grid on screen with a full "Ордис Р7" table (2047
// elements: 62 objects with 31 devices and a key each, the devices also
// under their lines), under the offscreen platform: rebuilding the whole tree
// with every branch open until it is painted, and selecting an item with the
// mouse until its grid is painted. Both must stay under 30 ms.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QSplitter>
#include <QTest>
#include <filesystem>

#include "editor/c_grid.h"
#include "editor/c_tree.h"
#include "families/r7/dbr7.h"
#include "families/r7/element_types.h"
#include "registry/family_registry.h"

namespace {

using namespace tavrin;
using namespace tavrin::r7;

struct Screen {
    AppContext ctx = makeAppContext(std::filesystem::temp_directory_path());
    DBR7 db{0, ctx};
    EditorDocument doc{CreateFamilyTree};
    QSplitter window;
    gui::CTree* tree = nullptr;
    gui::CGrid* grid = nullptr;

    Screen() {
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
        tree = new gui::CTree(doc, 0, *ctx.prompter, &window);
        grid = new gui::CGrid(*ctx.prompter, &window);
        tree->attachGrid(grid);
        window.resize(1000, 700);
        window.show();
        tree->rebuild();
        // Open every branch, as a user looking at the whole table would.
        tree->expandAll();
        QApplication::processEvents();
    }

    void paint() {
        tree->viewport()->repaint();
        grid->table()->viewport()->repaint();
    }
};

Screen* screen = nullptr;

void BM_R7RebuildTreeOnScreen(benchmark::State& state) {
    for (auto _ : state) {
        screen->tree->rebuild();
        screen->paint();
        benchmark::DoNotOptimize(screen->tree->itemModel()->rowCount());
    }
    state.counters["nodes"] = static_cast<double>(screen->tree->editor().model().size());
}
BENCHMARK(BM_R7RebuildTreeOnScreen)->Unit(benchmark::kMillisecond);

// Clicks, in turn, an object, a device under its object, a device under its
// line, a key and the panel, and paints the tree and the grid.
void BM_R7SelectItemAndShowGrid(benchmark::State& state) {
    const std::pair<ItemCode, ItemCode> items[] = {{1, 0}, {2, 1}, {3, -2}, {33, 1}, {0, 0}};
    std::size_t i = 0;
    for (auto _ : state) {
        const auto [code, parent] = items[i++ % std::size(items)];
        const QModelIndex index =
            code == 0 ? screen->tree->indexOfCode(0) : screen->tree->indexOfCode(code, parent);
        screen->tree->scrollTo(index);
        QTest::mouseClick(screen->tree->viewport(), Qt::LeftButton, {},
                          screen->tree->visualRect(index).center());
        screen->paint();
        benchmark::DoNotOptimize(screen->grid->model().rows().size());
    }
}
BENCHMARK(BM_R7SelectItemAndShowGrid)->Unit(benchmark::kMillisecond);

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
