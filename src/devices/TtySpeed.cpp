// Kept apart: the kernel's termbits header (for termios2 and custom speeds)
// clashes with the C library's <termios.h>.
#include "devices/TtyControl.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace zelq {

std::optional<int> actualBaudRate(int fd)
{
    struct termios2 tio {};
    if (::ioctl(fd, TCGETS2, &tio) != 0)
        return std::nullopt;
    return int(tio.c_ospeed);
}

} // namespace zelq
