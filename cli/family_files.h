// Opening database files from the cli: which family a path belongs to, and
// the per-family "info" lines.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>

#include "link/dbase.h"

namespace tavrin::cli {

// The family code for a path: --family wins; a folder is "Версан С5"; then
// the extension ("bta"/"tlv", "bor"/"ord"). 0 when it cannot be told, with
// the reason in `error`.
int familyForPath(const std::string& path, const std::string& familyOption, std::string& error);

// Prints the family's "name: value" lines after "family:" (file-version,
// firmware, counts...). One function per family, in info_<family>.cpp.
void printInfoK2(const DBase& db, std::ostream& out);
void printInfoR7(const DBase& db, std::ostream& out);
void printInfoS5(const DBase& db, std::ostream& out);

}  // namespace tavrin::cli
