#include <ostream>

#include "family_files.h"

namespace tavrin::cli {

void printInfoR7(const DBase& db, std::ostream& out) {
    out << "file-version: " << 0 << "\n";
    out << "firmware: " << db.firmwareVersionText << "\n";
}

}  // namespace tavrin::cli
