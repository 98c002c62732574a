// Fuzz target: a "Версан С5" object file (DBOBJ.0NN) parsed into two LCPs
// (so that cross-LCP links meet real objects), then marked, packed and
// written back.
#include <cstdint>

#include "families/s5/db_folder.h"
#include "fuzz_s5_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tavrin::s5::fuzz::Database db;
    tavrin::s5::LcpDatabase& first = db.lcpWithObjects();
    tavrin::s5::parseObjects({data, size}, first);
    const std::size_t half = size / 2;
    tavrin::s5::parseObjects({data + half, size - half}, db.secondLcp());
    db.exercise();
    return 0;
}
