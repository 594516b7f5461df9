#pragma once
// The test's side of the ioctl shim (tests/shim): whether it is preloaded,
// and its log of modem-line and parallel-port changes. Tests that need it
// call preloadOrRestart() first thing in main().

#include <QList>
#include <optional>

namespace zelq::test {

struct ShimEvent {
    enum Kind { Lines = 1, Claim = 2, Release = 3, Control = 4 };
    qint64 monotonicNs;
    unsigned long rdev;
    Kind kind;
    int value; // Lines: TIOCM_DTR | TIOCM_RTS set now; Control: the byte
};

class IoctlShim {
public:
    static bool loaded();
    // Starts this program again with the shim preloaded unless it already
    // is; returns only when it is (or when starting again failed).
    static void preloadOrRestart(char** argv);

    static QList<ShimEvent> events();
    // Only the events of one tty (its device number, see deviceOf).
    static QList<ShimEvent> eventsOf(unsigned long rdev);
    static unsigned long deviceOf(const QString& path);
    static void clear();
    // The driver refuses the custom speed `asked` (given 0) or quietly
    // sets `given` instead; substituteBaud(0, 0) ends it.
    static void substituteBaud(unsigned asked, unsigned given);
    // The terminal flags last set on a tty, as asked (a pty itself keeps
    // 8 bits and no parity whatever it is told).
    struct Flags {
        unsigned iflag = 0;
        unsigned cflag = 0;
    };
    static std::optional<Flags> requested(unsigned long rdev);
    // DTR and RTS as the program last set them on a tty.
    static int linesOf(unsigned long rdev);
    // Used by PtyPair: TIOCOUTQ on the slave counts what the master has not read.
    static void pair(int slaveFd, int masterFd);
    static void unpair(int masterFd);
};

} // namespace zelq::test
