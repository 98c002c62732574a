// Fuzz target: the "Версан С5" archive list (ARCH.dat).
#include <cstdint>
#include <cstdlib>

#include "families/s5/db_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto list = tavrin::s5::parseArchiveList({data, size});
    if (list.size() != size / tavrin::s5::kArchiveEntrySize) std::abort();
    return 0;
}
