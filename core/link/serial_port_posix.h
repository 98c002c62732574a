// Helpers shared by the POSIX port and its Linux speed setter. Internal to
// core/link.
#pragma once

#include <cstdint>

namespace tavrin::posix_port {

// Sets an arbitrary line speed on an open terminal (termios2 with BOTHER on
// Linux). Returns 0 or the system error number.
int setCustomSpeed(int fd, std::uint32_t baud);
// The line speed the driver reports, 0 when unknown.
std::uint32_t currentSpeed(int fd);
// True when this platform sets arbitrary speeds through setCustomSpeed.
bool hasCustomSpeed();

}  // namespace tavrin::posix_port
