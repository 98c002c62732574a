#include "base/crc8.h"

#include <array>

namespace tavrin {

namespace {

constexpr std::array<std::uint8_t, 256> makeTable() {
    std::array<std::uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i) {
        std::uint8_t r = static_cast<std::uint8_t>(i);
        for (int bit = 0; bit < 8; ++bit) {
            r = (r & 1) ? static_cast<std::uint8_t>((r >> 1) ^ 0x8C)
                        : static_cast<std::uint8_t>(r >> 1);
        }
        t[i] = r;
    }
    return t;
}

constexpr auto kTable = makeTable();

}  // namespace

std::uint8_t Crc8(std::span<const std::uint8_t> data) {
    std::uint8_t crc = 0;
    for (std::uint8_t b : data)
        crc = kTable[crc ^ b];
    return crc;
}

}  // namespace tavrin
