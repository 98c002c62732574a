// Fuzz target: values typed into the parameter grid (and given to
// `tavrin-cli set`). The first byte picks an item of a small "Талвир К2"
// database, the second a row; the rest is the text committed, several times
// over lines.
#include <cstdint>
#include <filesystem>
#include <string>

#include "editor/grid_model.h"
#include "editor/tree_editor.h"
#include "families/k2/dbk2.h"
#include "registry/family_registry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavrin;
    if (size < 2) return 0;
    static AppContext ctx = makeAppContext(std::filesystem::temp_directory_path());
    DBK2 db(1, ctx);
    for (int type : {0, 3, 4, 6, 7, 12})
        db.CreateElement(type, -1);
    db.CreateKey();
    static constexpr ItemCode kItems[] = {0, 1, 2, 3, 4, 5, 0x80 + 3, 0x80 + 40, 0x80 + 100, 0x100};
    EditorDocument doc{CreateFamilyTree};
    doc.databases[0] = &db;
    SilentPrompter prompter;
    GridModel grid(prompter);
    TreeEditor tree(doc, 0, prompter);
    tree.setGrid(&grid);
    tree.rebuild();
    grid.show(&db, kItems[data[0] % std::size(kItems)], false);
    if (grid.rows().empty()) return 0;
    const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
    std::size_t start = 0;
    int row = data[1];
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        grid.commitText(row % static_cast<int>(grid.rows().size()),
                        text.substr(start, end - start));
        ++row;
        start = end + 1;
    }
    if (!grid.secondTab().entries.empty())
        grid.setCheck(data[1] % static_cast<int>(grid.secondTab().entries.size()), true);
    grid.writeBack();
    std::array<std::uint8_t, 6> key{};
    parseKeyNumber(text, key);
    std::int64_t v = 0;
    parseGridNumber(text, 16, v);
    int h = 0, m = 0;
    parseTime(text, h, m);
    return 0;
}
