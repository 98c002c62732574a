// Bit sets of the database records: bit n lives in byte n/8, least
// significant bit first. Indices outside the span read as clear and are not
// written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tavrin {

inline bool testBit(std::span<const std::uint8_t> set, std::size_t n) {
    return n / 8 < set.size() && (set[n / 8] >> (n % 8)) & 1;
}
inline void setBit(std::span<std::uint8_t> set, std::size_t n, bool on = true) {
    if (n / 8 >= set.size()) return;
    const auto mask = static_cast<std::uint8_t>(1u << (n % 8));
    set[n / 8] = on ? static_cast<std::uint8_t>(set[n / 8] | mask)
                    : static_cast<std::uint8_t>(set[n / 8] & ~mask);
}
inline void clearBit(std::span<std::uint8_t> set, std::size_t n) {
    setBit(set, n, false);
}

}  // namespace tavrin
