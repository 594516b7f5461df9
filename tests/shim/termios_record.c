/* The ioctl shim's record of terminal settings set and read through the C
 * library (kept apart: <termios.h> and the kernel's termbits header clash). */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <termios.h>

#include "ioctl_shim.h"

int tcsetattr(int fd, int action, const struct termios *t)
{
    static int (*real)(int, int, const struct termios *);
    if (!real)
        real = (int (*)(int, int, const struct termios *))dlsym(RTLD_NEXT, "tcsetattr");
    const int r = real(fd, action, t);
    if (r == 0)
        zelq_shim_note_termios(fd, t->c_iflag, t->c_cflag);
    return r;
}

int tcgetattr(int fd, struct termios *t)
{
    static int (*real)(int, struct termios *);
    if (!real)
        real = (int (*)(int, struct termios *))dlsym(RTLD_NEXT, "tcgetattr");
    const int r = real(fd, t);
    if (r == 0) {
        unsigned cflag = t->c_cflag;
        zelq_shim_frame_bits(fd, &cflag);
        t->c_cflag = cflag;
    }
    return r;
}
