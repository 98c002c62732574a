// The family registry: the one list of the panel families, each with its
// facts and its factories (database, configuration tree). It sits above the
// families and the editor; the shell, the gui and the cli find a family here.
//
// A new family adds its folders (core/families/X, core/editor/X) and one row
// in family_registry.cpp; nothing else compares family codes.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "editor/family_tree.h"
#include "link/dbase.h"
#include "link/family_traits.h"

namespace tavrin {

struct FamilyDescriptor {
    const FamilyTraits& traits;
    // role 0 = the document's main database, 1 = its second database.
    std::unique_ptr<DBase> (*makeDatabase)(int role, const AppContext& context);
    // The configuration tree with its grid; nullptr while the family has no editor.
    std::unique_ptr<FamilyTree> (*makeTree)();
};

// Every family, the default one (and the first in lists) first.
std::span<const FamilyDescriptor> allFamilies();
const FamilyDescriptor& familyDescriptor(Family family);
// The descriptor of a stored code, or nullptr.
const FamilyDescriptor* familyDescriptor(int code);
// The descriptor of a cli name ("k2", "r7", "s5"), or nullptr.
const FamilyDescriptor* familyByCliName(std::string_view name);
// The family that writes journal files of a kind, or nullptr.
const FamilyDescriptor* familyOfJournalKind(std::uint32_t kind);

// The journal open dialog's filters: every family's journal, then "Все файлы".
std::vector<FileFilter> journalOpenFilters();

// The facts of a family (a shorthand for familyDescriptor(f).traits).
const FamilyTraits& familyTraits(Family family);

std::unique_ptr<DBase> CreateDatabase(Family family, int role, const AppContext& context);
// The tree of a family (nullptr when it has none); what EditorDocument is given.
std::unique_ptr<FamilyTree> CreateFamilyTree(Family family);

}  // namespace tavrin
