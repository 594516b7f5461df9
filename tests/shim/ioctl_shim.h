/* What the ioctl shim logs, and the calls a test makes to it. */
#ifndef ZELQ_IOCTL_SHIM_H
#define ZELQ_IOCTL_SHIM_H

#ifdef __cplusplus
extern "C" {
#endif

enum { ZELQ_SHIM_LINES = 1, ZELQ_SHIM_CLAIM = 2, ZELQ_SHIM_RELEASE = 3, ZELQ_SHIM_CONTROL = 4 };

struct zelq_shim_event {
    long long monotonic_ns;
    unsigned long rdev;  /* the tty's device number */
    int kind;            /* ZELQ_SHIM_* */
    int value;           /* LINES: TIOCM_DTR|TIOCM_RTS now set; CONTROL: the byte */
};

int zelq_shim_pair(int slave_fd, int master_fd);
void zelq_shim_unpair(int master_fd);
int zelq_shim_events(struct zelq_shim_event *out, int max);
void zelq_shim_clear(void);
/* Custom speed `asked` fails (given 0) or becomes `given`; asked 0 ends it. */
void zelq_shim_substitute_baud(unsigned asked, unsigned given);
/* The last terminal flags the program set on the tty; 0 when it set none. */
int zelq_shim_requested(unsigned long rdev, unsigned *iflag, unsigned *cflag);
void zelq_shim_note_termios(int fd, unsigned iflag, unsigned cflag);
void zelq_shim_frame_bits(int fd, unsigned *cflag);

#ifdef __cplusplus
}
#endif
#endif
