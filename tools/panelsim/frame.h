// Frame helpers of the simulator: both families end a frame with the
// 1-Wire CRC-8 of every byte before it.
#pragma once

#include "base/crc8.h"
#include "panel.h"

namespace panelsim {

inline std::uint8_t crcOf(const Bytes& b, std::size_t n) {
    return tavrin::Crc8(std::span<const std::uint8_t>(b.data(), n));
}

// True when the last byte of the frame is the CRC of the others.
inline bool crcGood(const Bytes& frame) {
    return frame.size() >= 2 && frame.back() == crcOf(frame, frame.size() - 1);
}

inline void appendCrc(Bytes& frame) {
    frame.push_back(crcOf(frame, frame.size()));
}

}  // namespace panelsim
