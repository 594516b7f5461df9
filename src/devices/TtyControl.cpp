#include "devices/TtyControl.h"

#include <sys/ioctl.h>
#include <termios.h>

namespace zelq {

int driverOutputQueue(int fd)
{
    int queued = 0;
    if (::ioctl(fd, TIOCOUTQ, &queued) != 0 || queued < 0)
        return 0;
    return queued;
}

bool clearDtrAndRts(int fd)
{
    const int lines = TIOCM_DTR | TIOCM_RTS;
    return ::ioctl(fd, TIOCMBIC, &lines) == 0;
}

bool addSoftwareFlowControl(int fd)
{
    struct termios tio {};
    if (::tcgetattr(fd, &tio) != 0)
        return false;
    tio.c_iflag |= IXON | IXOFF;
    tio.c_cc[VSTART] = 0x11;
    tio.c_cc[VSTOP] = 0x13;
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

} // namespace zelq
