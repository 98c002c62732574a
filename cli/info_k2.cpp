#include <ostream>

#include "families/k2/dbk2.h"
#include "family_files.h"

namespace tavrin::cli {

void printInfoK2(const DBase& base, std::ostream& out) {
    const auto& db = dynamic_cast<const DBK2&>(base);
    out << "file-version: " << db.loadedFileVersion << "\n";
    out << "firmware: " << db.firmwareVersionText << "\n";
    out << "devices: " << db.DeviceCount() << "\n";
    out << "keys: " << db.KeyCount() << "\n";
    out << "blocked-devices: " << db.BlockedDeviceCount() << "\n";
    out << "blocked-loops: " << db.BlockedLoopCount() << "\n";
}

}  // namespace tavrin::cli
