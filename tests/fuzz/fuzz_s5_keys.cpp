// Fuzz target: "Версан С5" key files (DBKEY.0NN and Keys.conf).
#include <cstdint>

#include "families/s5/db_folder.h"
#include "fuzz_s5_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tavrin::s5::fuzz::Database db;
    tavrin::s5::LcpDatabase& lcp = db.lcpWithObjects();
    lcp.keyCount = tavrin::s5::parseKeys({data, size}, lcp.keys, lcp.keyUsedFlags);
    db->commonKeyCount = tavrin::s5::parseKeys({data, size}, db->commonKeys, db->commonKeyUsed);
    if (db->commonKeyCount > 1) db->RemoveKey(0);
    db.exercise();
    return 0;
}
