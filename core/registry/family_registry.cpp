#include "registry/family_registry.h"

#include <algorithm>
#include <array>

#include "editor/k2/k2_tree.h"
#include "editor/s5/s5_tree.h"
#include "families/k2/dbk2.h"
#include "families/r7/dbr7.h"
#include "families/s5/dbs5.h"

namespace tavrin {

namespace {

template <class T>
std::unique_ptr<DBase> make(int role, const AppContext& context) {
    return std::make_unique<T>(role, context);
}

template <class T>
std::unique_ptr<FamilyTree> makeTree() {
    return std::make_unique<T>();
}

const std::array<FamilyDescriptor, 3>& table() {
    static const std::array<FamilyDescriptor, 3> families{{
        {k2Traits(), make<DBK2>, makeTree<K2Tree>},
        {r7Traits(), make<DBR7>, nullptr},
        {s5Traits(), make<DBS5>, makeTree<S5Tree>},
    }};
    return families;
}

}  // namespace

std::span<const FamilyDescriptor> allFamilies() {
    return table();
}

const FamilyDescriptor* familyDescriptor(int code) {
    for (const FamilyDescriptor& d : table()) {
        if (familyCode(d.traits.family) == code) return &d;
    }
    return nullptr;
}

const FamilyDescriptor& familyDescriptor(Family family) {
    return *familyDescriptor(familyCode(family));
}

const FamilyDescriptor* familyByCliName(std::string_view name) {
    for (const FamilyDescriptor& d : table()) {
        if (name == d.traits.cliName) return &d;
    }
    return nullptr;
}

const FamilyDescriptor* familyOfJournalKind(std::uint32_t kind) {
    for (const FamilyDescriptor& d : table()) {
        const auto& kinds = d.traits.journalKinds;
        if (std::find(kinds.begin(), kinds.end(), kind) != kinds.end()) return &d;
    }
    return nullptr;
}

std::vector<FileFilter> journalOpenFilters() {
    std::vector<FileFilter> filters;
    for (const FamilyDescriptor& d : table()) {
        filters.push_back(d.traits.journalFilter);
    }
    filters.push_back({"Все файлы", "*.*"});
    return filters;
}

const FamilyTraits& familyTraits(Family family) {
    return familyDescriptor(family).traits;
}

std::unique_ptr<DBase> CreateDatabase(Family family, int role, const AppContext& context) {
    return familyDescriptor(family).makeDatabase(role, context);
}

std::unique_ptr<FamilyTree> CreateFamilyTree(Family family) {
    const FamilyDescriptor& d = familyDescriptor(family);
    return d.makeTree ? d.makeTree() : nullptr;
}

}  // namespace tavrin
