#include <ostream>

#include "families/r7/dbr7.h"
#include "family_files.h"

namespace tavrin::cli {

void printInfoR7(const DBase& db, std::ostream& out) {
    const auto& r7 = static_cast<const DBR7&>(db);
    const DBR7::Counts c = r7.counts();
    out << "file-version: " << r7.fileVersion() << "\n";
    out << "firmware: " << r7.firmwareVersionText << "\n";
    out << "valid: " << (r7.databaseValid ? "yes" : "no") << "\n";
    out << "elements: " << c.elements << "\n";
    out << "objects: " << c.objects << "\n";
    out << "devices: " << c.devices << "\n";
    out << "keys: " << c.keys << "\n";
    out << "max-id: " << r7.maxElementId() << "\n";
    out << "address: " << r7.PanelAddress() << "\n";
}

}  // namespace tavrin::cli
