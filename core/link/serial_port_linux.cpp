// Arbitrary line speeds on Linux: termios2 with BOTHER. Kept apart from the
// termios port because <asm/termbits.h> and <termios.h> cannot meet in one
// file.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>

#include "link/serial_port_posix.h"

namespace tavrin::posix_port {

int setCustomSpeed(int fd, std::uint32_t baud) {
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0) return errno;
    t.c_cflag &= ~static_cast<tcflag_t>(CBAUD);
    t.c_cflag |= BOTHER;
    t.c_ispeed = baud;
    t.c_ospeed = baud;
    // Input speed follows the output speed.
    t.c_cflag &= ~static_cast<tcflag_t>(CBAUD << IBSHIFT);
    t.c_cflag |= BOTHER << IBSHIFT;
    if (ioctl(fd, TCSETS2, &t) != 0) return errno;
    return 0;
}

std::uint32_t currentSpeed(int fd) {
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0) return 0;
    return t.c_ospeed;
}

bool hasCustomSpeed() {
    return true;
}

}  // namespace tavrin::posix_port
