// The firmware image that the main window reads from an Intel HEX file and
// hands to WriteFirmware: a run of segments, each
//   bytes 0..1   segment number, high byte first
//   bytes 2..5   start address (u32 LE), a multiple of 256
//   bytes 6..9   end address (u32 LE, exclusive)
//   bytes 10..   65536 data bytes indexed by address, 0xFF where no record wrote
// Segment 0 always comes first; the number of segments is size / kSegmentSize.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/bytes.h"

namespace tavrin::firmware {

inline constexpr std::size_t kSegmentDataSize = 65536;
inline constexpr std::size_t kSegmentHeaderSize = 10;
inline constexpr std::size_t kSegmentSize = kSegmentHeaderSize + kSegmentDataSize;
inline constexpr std::size_t kNumberOffset = 0;
inline constexpr std::size_t kStartOffset = 2;
inline constexpr std::size_t kEndOffset = 6;
inline constexpr std::size_t kDataOffset = 10;

inline std::size_t segmentCount(ByteSpan image) {
    return image.size() / kSegmentSize;
}

struct SegmentView {
    std::uint16_t number;
    std::uint32_t start;
    std::uint32_t end;
    ByteSpan data;  // kSegmentDataSize bytes
};

// The segment at an index (index < segmentCount(image)).
inline SegmentView segmentAt(ByteSpan image, std::size_t index) {
    const std::uint8_t* p = image.data() + index * kSegmentSize;
    auto u32 = [](const std::uint8_t* q) {
        return static_cast<std::uint32_t>(q[0] | (q[1] << 8) | (q[2] << 16)) |
               (static_cast<std::uint32_t>(q[3]) << 24);
    };
    return {static_cast<std::uint16_t>((p[0] << 8) | p[1]), u32(p + kStartOffset),
            u32(p + kEndOffset), ByteSpan(p + kDataOffset, kSegmentDataSize)};
}

}  // namespace tavrin::firmware
