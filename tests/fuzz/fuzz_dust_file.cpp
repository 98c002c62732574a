// Fuzz target: the dustiness file reader and the list built from it.
#include <cstdint>

#include "base/seams.h"
#include "files/dust_file.h"
#include "registry/family_registry.h"
#include "service/dust_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tavrin::SilentPrompter prompter;
    std::vector<tavrin::DustRecord> records;
    tavrin::parseDustinessFile({data, size}, "fuzz", prompter, records);
    (void)tavrin::dustReportList(tavrin::familyTraits(tavrin::Family::K2),
                                 tavrin::dustRows(records, {}));
    return 0;
}
