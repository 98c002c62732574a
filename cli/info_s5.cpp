#include <ostream>

#include "families/s5/dbs5.h"
#include "family_files.h"

namespace tavrin::cli {

void printInfoS5(const DBase& base, std::ostream& out) {
    const auto& db = static_cast<const DBS5&>(base);
    int devices = 0, objects = 0, keys = 0;
    const int lcps = db.lcpCount();
    for (int l = 1; l <= lcps; ++l) {
        const s5::LcpDatabase& d = *db.lcp(l);
        devices += d.deviceCount;
        objects += d.objectCount;
        keys += d.keyCount;
    }
    int messages = 0;
    for (const auto& m : db.messages)
        messages += m.empty() ? 0 : 1;
    out << "lcps: " << lcps << "\n";
    out << "devices: " << devices << "\n";
    out << "objects: " << objects << "\n";
    out << "keys: " << keys << "\n";
    out << "console-keys: " << db.commonKeyCount << "\n";
    out << "messages: " << messages << "\n";
    out << "archive: " << db.archiveList.size() << "\n";
    for (int l = 1; l <= lcps; ++l) {
        const s5::LcpDatabase& d = *db.lcp(l);
        out << "lcp " << l << ": devices " << d.deviceCount << ", objects " << d.objectCount
            << ", keys " << d.keyCount << "\n";
    }
}

}  // namespace tavrin::cli
