// Fuzz target: the length-prefixed text reader.
#include <cstdint>

#include "base/lp_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tavrin::ByteReader r({data, size});
    for (int i = 0; i < 64 && !r.atEnd(); ++i) {
        const tavrin::LpText t = tavrin::readLpText(r);
        if (t.status == tavrin::LpTextStatus::Truncated) break;
    }
    return 0;
}
