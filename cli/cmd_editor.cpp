// Commands on the configuration tree and the parameter grid: tree, params,
// set. They drive the same tree and grid models as the program's window.
#include <filesystem>
#include <iostream>

#include "args.h"
#include "cli_prompter.h"
#include "commands.h"
#include "editor/family_tree.h"
#include "editor/grid_model.h"
#include "editor/tree_editor.h"
#include "family_files.h"
#include "registry/family_registry.h"

namespace tavrin::cli {

namespace {

// An item code in decimal ("-3", "130") or hexadecimal ("0x82").
bool parseCode(const std::string& text, ItemCode& code) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    int radix = 10;
    if (text.size() - i > 2 && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        radix = 16;
        i += 2;
    }
    if (i >= text.size()) return false;
    long long v = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int d = -1;
        if (c >= '0' && c <= '9') d = c - '0';
        if (radix == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        if (radix == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        if (d < 0 || v > 0x7FFFFFFF) return false;
        v = v * radix + d;
    }
    code = static_cast<ItemCode>(negative ? -v : v);
    return true;
}

int runTree(const Argv& argv) {
    const Args args(argv, {"--family"});
    if (!args.error().empty() || args.positional().size() != 1) {
        std::cerr << "usage: tavrin-cli tree FILE [--codes] [--family k2|r7|s5]\n";
        return 1;
    }
    CliPrompter prompter;
    AppContext ctx = makeAppContext(std::filesystem::current_path());
    ctx.prompter = &prompter;
    auto db = openDatabaseFile(args.positional()[0], args.value("--family").value_or(""), ctx);
    if (!db) return 1;
    EditorDocument doc{CreateFamilyTree};
    doc.databases[0] = db.get();
    TreeEditor tree(doc, 0, prompter);
    tree.rebuild();
    if (!tree.family()) {
        std::cerr << "tavrin-cli: the tree of this family is not available yet\n";
        return 1;
    }
    const bool codes = args.has("--codes");
    tree.model().visit([&](const TreeNode& n, int depth) {
        std::cout << std::string(static_cast<std::size_t>(2 * depth), ' ');
        if (codes) std::cout << '[' << n.code << "] ";
        std::cout << n.label << "\n";
    });
    return 0;
}

// Shows an item in a grid; false (after saying why) when it has no rows.
// "root" names the tree's root; a number names the first item with that code
// below the root, or the root when only the root carries it.
bool showItem(GridModel& grid, DBase& db, const std::string& codeText, Prompter& prompter) {
    EditorDocument doc{CreateFamilyTree};
    doc.databases[0] = &db;
    TreeEditor tree(doc, 0, prompter);
    tree.rebuild();
    if (!tree.family() || tree.model().roots().empty()) {
        std::cerr << "tavrin-cli: the grid of this family is not available yet\n";
        return false;
    }
    const NodeId root = tree.model().roots().front();
    ItemCode code = 0;
    bool topLevel = false;
    if (codeText == "root") {
        code = tree.model().node(root).code;
        topLevel = true;
    } else if (!parseCode(codeText, code)) {
        std::cerr << "tavrin-cli: '" << codeText << "' is not an item code\n";
        return false;
    } else {
        topLevel =
            tree.model().findUnder(root, code) == kNoNode && tree.model().node(root).code == code;
    }
    grid.setFamily(tree.family()->makeGrid());
    grid.show(&db, code, topLevel);
    if (!grid.hasItem()) {
        std::cerr << "tavrin-cli: no item with the code " << code << "\n";
        return false;
    }
    return true;
}

int runParams(const Argv& argv) {
    const Args args(argv, {"--family"});
    if (!args.error().empty() || args.positional().size() != 2) {
        std::cerr << "usage: tavrin-cli params FILE CODE [--family k2|r7|s5]\n";
        return 1;
    }
    CliPrompter prompter;
    AppContext ctx = makeAppContext(std::filesystem::current_path());
    ctx.prompter = &prompter;
    auto db = openDatabaseFile(args.positional()[0], args.value("--family").value_or(""), ctx);
    if (!db) return 1;
    GridModel grid(prompter);
    if (!showItem(grid, *db, args.positional()[1], prompter)) return 1;
    for (const GridRow& r : grid.rows())
        std::cout << r.name << '\t' << r.text << "\n";
    return 0;
}

int runSet(const Argv& argv) {
    const Args args(argv, {"--family", "-o"});
    if (!args.error().empty() || args.positional().size() != 4) {
        std::cerr
            << "usage: tavrin-cli set FILE CODE \"row name\" VALUE [-o OUT] [--force] [--family "
               "k2|r7|s5]\n";
        return 1;
    }
    CliPrompter prompter;
    AppContext ctx = makeAppContext(std::filesystem::current_path());
    ctx.prompter = &prompter;
    const std::string& path = args.positional()[0];
    auto db = openDatabaseFile(path, args.value("--family").value_or(""), ctx);
    if (!db) return 1;
    GridModel grid(prompter);
    if (!showItem(grid, *db, args.positional()[1], prompter)) return 1;
    const std::string& rowName = args.positional()[2];
    const int row = grid.findRow(rowName);
    if (row < 0) {
        std::cerr << "tavrin-cli: the item has no row '" << rowName << "'\n";
        return 1;
    }
    if (!grid.rows()[static_cast<std::size_t>(row)].editable()) {
        std::cerr << "tavrin-cli: the row '" << rowName << "' is read-only\n";
        return 1;
    }
    // A refused value has been reported by the grid ("Ошибка в параметре!").
    if (!grid.commitText(row, args.positional()[3])) return 1;
    grid.writeBack();
    const std::string out = args.value("-o").value_or(path);
    if (!saveNamedFile(*db, out, args.has("--force"))) {
        std::cerr << "tavrin-cli: cannot save '" << out << "'\n";
        return 1;
    }
    if (const int shown = grid.findRow(rowName); shown >= 0) {
        std::cout << rowName << '\t' << grid.rows()[static_cast<std::size_t>(shown)].text << "\n";
    }
    std::cout << "saved: " << db->filePath << "\n";
    return 0;
}

}  // namespace

int runTreeCommand(const Argv& a) {
    return runTree(a);
}
int runParamsCommand(const Argv& a) {
    return runParams(a);
}
int runSetCommand(const Argv& a) {
    return runSet(a);
}

}  // namespace tavrin::cli
