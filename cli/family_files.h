// Opening database files from the cli: which family a path belongs to, and
// printing a report list.
#pragma once

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "link/dbase.h"
#include "report/report_list.h"

namespace tavrin::cli {

// The family code for a path: --family wins; a folder is "Версан С5"; then
// the extension ("bta"/"tlv", "bor"/"ord"). 0 when it cannot be told, with
// the reason in `error`.
std::optional<Family> familyForPath(const std::string& path, const std::string& familyOption,
                                    std::string& error);

// Loads a database file (or folder) named on the command line into `db`;
// false after saying why: a missing file here, a refusal through the
// database's prompter.
bool loadNamedFile(DBase& db, const std::string& path);

// Saves the database to a path named on the command line. A save that asks
// first in the gui (a "Версан С5" folder holding files of another database,
// which the save deletes; a folder read only in part) is done only with
// `force`; without it the question is printed and nothing is written.
// False after saying why.
bool saveNamedFile(DBase& db, const std::string& path, bool force);

// Creates the database object of the path's family and loads the file;
// nullptr after saying why.
std::unique_ptr<DBase> openDatabaseFile(const std::string& path, const std::string& familyOption,
                                        const AppContext& ctx);

// A report list's rows, one a line, cells separated by tabs.
void printReportRows(const ReportList& list, std::ostream& out);

}  // namespace tavrin::cli
