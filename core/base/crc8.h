// Frame checksum of the panels: the Dallas/Maxim 1-Wire CRC-8 (reflected
// polynomial 0x8C, initial value 0, no final inversion). "123456789" gives 0xA1;
// an empty range gives 0.
#pragma once

#include <cstdint>
#include <span>

namespace tavrin {

std::uint8_t Crc8(std::span<const std::uint8_t> data);

}  // namespace tavrin
