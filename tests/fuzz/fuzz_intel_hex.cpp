// Fuzz target of the Intel HEX firmware reader.
#include <cstddef>
#include <cstdint>

#include "app/intel_hex.h"
#include "link/firmware_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tavrin::NullProgress progress;
    const tavrin::HexImage hex = tavrin::readIntelHex(tavrin::ByteSpan(data, size), &progress);
    if (hex.ok) {
        for (std::size_t i = 0; i < tavrin::firmware::segmentCount(hex.image); ++i) {
            const auto s = tavrin::firmware::segmentAt(hex.image, i);
            if (s.end > tavrin::firmware::kSegmentDataSize) __builtin_trap();
        }
    }
    return 0;
}
