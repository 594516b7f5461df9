/* Preloaded into a test (LD_PRELOAD) so that the program's real serial and
 * parallel-port code runs against a pseudo terminal:
 *  - the modem-line ioctls (TIOCMGET/TIOCMSET/TIOCMBIS/TIOCMBIC), which
 *    Linux refuses on a pty, and the ppdev ioctls (PPCLAIM/PPRELEASE/
 *    PPWCONTROL) are emulated on any pty slave; each change is logged with
 *    its CLOCK_MONOTONIC time, in memory and, when ZELQ_SHIM_LOG names a
 *    file, as a line there;
 *  - for a pty the test has paired with its master end, TIOCOUTQ counts
 *    the bytes written to the slave that the master has not read yet, as a
 *    UART's output queue would;
 *  - the terminal settings the program asks for are kept per tty
 *    (zelq_shim_requested), and the character size and parity read back
 *    as set, as from a UART: a pty itself keeps 8 bits and no parity
 *    whatever it is told;
 *  - zelq_shim_substitute_baud() makes custom-speed settings of one rate
 *    fail, or quietly set another rate, as drivers that cannot do it do.
 * Real devices are never touched: emulation starts only where the kernel
 * said the call does not apply. */
#define _GNU_SOURCE
#include <asm/termbits.h>
#include <dlfcn.h>
#include <errno.h>
#include <linux/ppdev.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>

#include "ioctl_shim.h"

enum { MaxTtys = 64, MaxEvents = 8192 };
struct tty { unsigned long rdev; int lines; int master; long long written, taken; unsigned cflag, iflag; int set; };

static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
static struct tty ttys[MaxTtys];
static int tty_count, paired;
static struct zelq_shim_event events[MaxEvents];
static int event_count;
static unsigned asked_baud, given_baud;

static int (*real_ioctl)(int, unsigned long, ...);
static ssize_t (*real_read)(int, void *, size_t);
static ssize_t (*real_write)(int, const void *, size_t);

static void resolve(void)
{
    if (!real_ioctl) {
        real_read = (ssize_t(*)(int, void *, size_t))dlsym(RTLD_NEXT, "read");
        real_write = (ssize_t(*)(int, const void *, size_t))dlsym(RTLD_NEXT, "write");
        real_ioctl = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");
    }
}

static int pty_slave(int fd, unsigned long *rdev)
{
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))
        return 0;
    *rdev = st.st_rdev;
    return major(st.st_rdev) >= 136 && major(st.st_rdev) <= 143;
}

/* Called with the lock held. Opening a tty raises DTR and RTS. */
static struct tty *tty_of(unsigned long rdev)
{
    for (int i = 0; i < tty_count; ++i)
        if (ttys[i].rdev == rdev)
            return &ttys[i];
    if (tty_count == MaxTtys)
        return NULL;
    struct tty *t = &ttys[tty_count++];
    t->rdev = rdev;
    t->lines = TIOCM_DTR | TIOCM_RTS;
    t->master = -1;
    return t;
}

static void note(unsigned long rdev, int kind, int value)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    long long ns = (long long)ts.tv_sec * 1000000000LL + ts.tv_nsec;
    if (event_count < MaxEvents)
        events[event_count++] = (struct zelq_shim_event){ns, rdev, kind, value};
    const char *path = getenv("ZELQ_SHIM_LOG");
    FILE *f = path ? fopen(path, "a") : NULL;
    if (f) {
        fprintf(f, "%lld.%09lld %u:%u %s %d\n", ns / 1000000000LL, ns % 1000000000LL,
                major(rdev), minor(rdev),
                kind == ZELQ_SHIM_LINES ? "lines" : kind == ZELQ_SHIM_CLAIM ? "claim"
                : kind == ZELQ_SHIM_RELEASE ? "release" : "control", value);
        fclose(f);
    }
}

static int emulate(unsigned long rdev, unsigned long req, void *arg)
{
    int result = 0;
    pthread_mutex_lock(&lock);
    struct tty *t = tty_of(rdev);
    if (!t) {
        result = -1;
    } else if (req == TIOCMGET) {
        *(int *)arg = t->lines;
    } else if (req == TIOCMSET || req == TIOCMBIS || req == TIOCMBIC) {
        const int bits = *(const int *)arg & (TIOCM_DTR | TIOCM_RTS);
        t->lines = req == TIOCMSET ? bits : req == TIOCMBIS ? (t->lines | bits) : (t->lines & ~bits);
        note(rdev, ZELQ_SHIM_LINES, t->lines);
    } else if (req == PPCLAIM) {
        note(rdev, ZELQ_SHIM_CLAIM, 0);
    } else if (req == PPRELEASE) {
        note(rdev, ZELQ_SHIM_RELEASE, 0);
    } else if (req == PPWCONTROL) {
        note(rdev, ZELQ_SHIM_CONTROL, *(const unsigned char *)arg);
    } else {
        result = -2;
    }
    pthread_mutex_unlock(&lock);
    return result;
}

/* Both the C library's and the kernel's termios start with
 * c_iflag, c_oflag, c_cflag, c_lflag. */
void zelq_shim_note_termios(int fd, unsigned iflag, unsigned cflag)
{
    unsigned long rdev;
    if (!pty_slave(fd, &rdev))
        return;
    pthread_mutex_lock(&lock);
    struct tty *t = tty_of(rdev);
    if (t) {
        t->iflag = iflag;
        t->cflag = cflag;
        t->set = 1;
    }
    pthread_mutex_unlock(&lock);
}

/* Puts the asked character size and parity into flags read from a pty. */
void zelq_shim_frame_bits(int fd, unsigned *cflag)
{
    unsigned long rdev;
    if (!pty_slave(fd, &rdev))
        return;
    pthread_mutex_lock(&lock);
    for (int i = 0; i < tty_count; ++i)
        if (ttys[i].rdev == rdev && ttys[i].set)
            *cflag = (*cflag & ~(CSIZE | PARENB)) | (ttys[i].cflag & (CSIZE | PARENB));
    pthread_mutex_unlock(&lock);
}

int zelq_shim_requested(unsigned long rdev, unsigned *iflag, unsigned *cflag)
{
    int found = 0;
    pthread_mutex_lock(&lock);
    for (int i = 0; i < tty_count; ++i)
        if (ttys[i].rdev == rdev && ttys[i].set) {
            *iflag = ttys[i].iflag;
            *cflag = ttys[i].cflag;
            found = 1;
        }
    pthread_mutex_unlock(&lock);
    return found;
}

int ioctl(int fd, unsigned long req, ...)
{
    va_list ap;
    va_start(ap, req);
    void *arg = va_arg(ap, void *);
    va_end(ap);
    resolve();

    unsigned long rdev = 0;
    if ((req == TCSETS2 || req == TCSETSW2 || req == TCSETSF2) && asked_baud
        && ((struct termios2 *)arg)->c_ospeed == asked_baud && pty_slave(fd, &rdev)) {
        if (!given_baud) {
            errno = EINVAL;
            return -1;
        }
        ((struct termios2 *)arg)->c_ospeed = ((struct termios2 *)arg)->c_ispeed = given_baud;
    }
    if (req == TIOCOUTQ && paired && pty_slave(fd, &rdev)) {
        pthread_mutex_lock(&lock);
        struct tty *t = tty_of(rdev);
        const int queued = t && t->master >= 0 ? (int)(t->written - t->taken) : -1;
        pthread_mutex_unlock(&lock);
        if (queued >= 0) {
            *(int *)arg = queued;
            return 0;
        }
    }

    const int r = real_ioctl(fd, req, arg);
    const int err = errno;
    if (r == 0 && (req == TCSETS || req == TCSETSW || req == TCSETSF || req == TCSETS2
                   || req == TCSETSW2 || req == TCSETSF2)) {
        const unsigned *flags = (const unsigned *)arg;
        zelq_shim_note_termios(fd, flags[0], flags[2]);
        errno = err;
        return r;
    }
    if (r == 0 && (req == TCGETS || req == TCGETS2)) {
        zelq_shim_frame_bits(fd, &((unsigned *)arg)[2]);
        errno = err;
        return r;
    }
    if (r == 0 || (err != ENOTTY && err != EINVAL) || !pty_slave(fd, &rdev)) {
        errno = err;
        return r;
    }
    const int e = emulate(rdev, req, arg);
    if (e == 0)
        return 0;
    errno = err;
    return r;
}

ssize_t write(int fd, const void *buf, size_t n)
{
    resolve();
    const ssize_t r = real_write(fd, buf, n);
    unsigned long rdev;
    if (r > 0 && paired) {
        const int err = errno;
        if (pty_slave(fd, &rdev)) {
            pthread_mutex_lock(&lock);
            struct tty *t = tty_of(rdev);
            if (t && t->master >= 0)
                t->written += r;
            pthread_mutex_unlock(&lock);
        }
        errno = err;
    }
    return r;
}

ssize_t read(int fd, void *buf, size_t n)
{
    resolve();
    const ssize_t r = real_read(fd, buf, n);
    if (r > 0 && paired) {
        pthread_mutex_lock(&lock);
        for (int i = 0; i < tty_count; ++i)
            if (ttys[i].master == fd)
                ttys[i].taken += r;
        pthread_mutex_unlock(&lock);
    }
    return r;
}

int zelq_shim_pair(int slave_fd, int master_fd)
{
    unsigned long rdev;
    resolve();
    if (!pty_slave(slave_fd, &rdev))
        return -1;
    pthread_mutex_lock(&lock);
    struct tty *t = tty_of(rdev);
    if (t) {
        t->master = master_fd;
        t->written = t->taken = 0;
        paired = 1;
    }
    pthread_mutex_unlock(&lock);
    return t ? 0 : -1;
}

void zelq_shim_unpair(int master_fd)
{
    pthread_mutex_lock(&lock);
    for (int i = 0; i < tty_count; ++i)
        if (ttys[i].master == master_fd)
            ttys[i].master = -1;
    pthread_mutex_unlock(&lock);
}

int zelq_shim_events(struct zelq_shim_event *out, int max)
{
    pthread_mutex_lock(&lock);
    const int n = event_count < max ? event_count : max;
    for (int i = 0; i < n; ++i)
        out[i] = events[i];
    const int total = event_count;
    pthread_mutex_unlock(&lock);
    return total;
}

void zelq_shim_clear(void)
{
    pthread_mutex_lock(&lock);
    event_count = 0;
    pthread_mutex_unlock(&lock);
}

void zelq_shim_substitute_baud(unsigned asked, unsigned given)
{
    asked_baud = asked;
    given_baud = given;
}
