// Fuzz target: a "Версан С5" device file (DBAU.0NN) parsed into an LCP,
// then marked, packed and written back.
#include <cstdint>

#include "families/s5/db_folder.h"
#include "fuzz_s5_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tavrin::s5::fuzz::Database db;
    tavrin::s5::LcpDatabase& lcp = db.lcpWithObjects();
    tavrin::s5::parseDevices({data, size}, lcp);
    db.exercise();
    return 0;
}
