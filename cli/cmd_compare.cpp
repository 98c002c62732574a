// Commands that compare databases and search in them: diff, find. They list
// the items as the configuration tree and the grid name them.
#include <filesystem>
#include <iostream>

#include "args.h"
#include "cli_prompter.h"
#include "commands.h"
#include "editor/db_diff.h"
#include "editor/db_find.h"
#include "family_files.h"
#include "registry/family_registry.h"

namespace tavrin::cli {

namespace {

// Exit codes of diff: equal, different, and anything that kept the
// comparison from being made (as diff(1) has them); find answers 0 when it
// found something, 1 when not, 2 on trouble (as grep(1)).
constexpr int kDiffEqual = 0;
constexpr int kDiffDifferent = 1;
constexpr int kDiffTrouble = 2;

int runDiff(const Argv& argv) {
    const Args args(argv, {"--family"});
    if (!args.error().empty() || args.positional().size() != 2) {
        std::cerr << "usage: tavrin-cli diff A B [--family k2|r7|s5]\n";
        return kDiffTrouble;
    }
    CliPrompter prompter;
    AppContext ctx = makeAppContext(std::filesystem::current_path());
    ctx.prompter = &prompter;
    const std::string family = args.value("--family").value_or("");
    auto a = openDatabaseFile(args.positional()[0], family, ctx);
    if (!a) return kDiffTrouble;
    auto b = openDatabaseFile(args.positional()[1], family, ctx);
    if (!b) return kDiffTrouble;
    if (a->family() != b->family()) {
        std::cerr << "tavrin-cli: '" << args.positional()[0] << "' is a \"" << a->traits().name
                  << "\" database, '" << args.positional()[1] << "' a \"" << b->traits().name
                  << "\" one\n";
        return kDiffTrouble;
    }
    bool available = false;
    const std::vector<DiffEntry> entries = diffDatabases(*a, *b, CreateFamilyTree, &available);
    if (!available) {
        std::cerr << "tavrin-cli: the tree of this family is not available yet\n";
        return kDiffTrouble;
    }
    for (const DiffEntry& e : entries)
        std::cout << formatDiffEntry(e) << "\n";
    return entries.empty() ? kDiffEqual : kDiffDifferent;
}

int runFind(const Argv& argv) {
    const Args args(argv, {"--family"});
    if (!args.error().empty() || args.positional().size() != 2) {
        std::cerr << "usage: tavrin-cli find FILE TEXT [--family k2|r7|s5]\n";
        return kDiffTrouble;
    }
    CliPrompter prompter;
    AppContext ctx = makeAppContext(std::filesystem::current_path());
    ctx.prompter = &prompter;
    auto db = openDatabaseFile(args.positional()[0], args.value("--family").value_or(""), ctx);
    if (!db) return kDiffTrouble;
    const DbItemList list = listDbItems(*db, CreateFamilyTree);
    if (!list.available) {
        std::cerr << "tavrin-cli: the tree of this family is not available yet\n";
        return kDiffTrouble;
    }
    const std::vector<FindMatch> matches = findItems(list, args.positional()[1]);
    for (const FindMatch& m : matches) {
        const DbItem& item = list.items[m.item];
        std::cout << item.code << '\t' << list.pathText(item) << '\t';
        if (!m.field.empty()) std::cout << m.field << ": ";
        std::cout << m.text << "\n";
    }
    return matches.empty() ? kDiffDifferent : kDiffEqual;
}

}  // namespace

int runFindCommand(const Argv& a) {
    return runFind(a);
}

int runDiffCommand(const Argv& a) {
    return runDiff(a);
}

}  // namespace tavrin::cli
