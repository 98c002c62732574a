// The three panel families: one hand-written table of constants and the
// factory keyed by the family code.
#pragma once

#include <memory>

#include "link/dbase.h"

namespace tavrin {

struct FamilyInfo {
    int code;                // 1 "Ордис Р7", 2 "Талвир К2", 3 "Версан С5"
    const char* name;        // "Талвир К2"
    const char* cliName;     // "k2"
    const char* extension1;  // written
    const char* extension2;  // also accepted when opening
    const char* fileTypeText;
    const char* openFilter;
    const char* firmwareFilter;
    const char* title;
    const char* sectionName;
    const char* journalFileName;
    const char* journalFileName2;
    int journalCapacity;
    const char* dustinessFileName;
    int defaultBaudRate;
};

// The row of a family code, or nullptr.
const FamilyInfo* familyInfo(int code);
// The row of a cli name ("k2", "r7", "s5"), or nullptr.
const FamilyInfo* familyByCliName(std::string_view name);

// Copies the row's texts and default baud rate into a new database object.
void applyFamilyInfo(DBase& db, const FamilyInfo& info);

// Creates a database object of a family (role 0 = main, 1 = second), or
// nullptr for an unknown code.
std::unique_ptr<DBase> CreateDatabase(int familyCode, int role, const AppContext& context);

}  // namespace tavrin
