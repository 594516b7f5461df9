#include "keying/KeyRelease.h"

#include <atomic>
#include <csignal>
#include <sys/ioctl.h>

namespace zelq {

namespace {

constexpr int Slots = 8;

struct Slot {
    std::atomic<int> fd {-1};
    unsigned long request = 0;
    int value = 0;
    unsigned char byte = 0;
    bool byteArgument = false;
};

Slot slots[Slots];
std::atomic<bool> installed {false};

void onEndSignal(int sig)
{
    liftRegisteredKeys();
    // End as the signal would have: its default action, raised again.
    signal(sig, SIG_DFL);
    raise(sig);
}

} // namespace

void liftRegisteredKeys()
{
    for (Slot& s : slots) {
        const int fd = s.fd.load();
        if (fd < 0)
            continue;
        if (s.byteArgument) {
            unsigned char b = s.byte;
            ioctl(fd, s.request, &b);
        } else {
            int v = s.value;
            ioctl(fd, s.request, &v);
        }
    }
}

void liftKeysOnEndSignals()
{
    if (installed.exchange(true))
        return;
    struct sigaction sa {};
    sa.sa_handler = onEndSignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        sigaction(sig, &sa, nullptr);
}

int registerKeyUp(const KeyUpCall& call)
{
    if (call.fd < 0)
        return -1;
    for (int i = 0; i < Slots; ++i) {
        Slot& s = slots[i];
        if (s.fd.load() >= 0)
            continue;
        s.request = call.request;
        s.value = call.value;
        s.byte = static_cast<unsigned char>(call.value);
        s.byteArgument = call.byteArgument;
        s.fd.store(call.fd); // published last: the handler reads a whole entry
        return i;
    }
    return -1;
}

void unregisterKeyUp(int slot)
{
    if (slot >= 0 && slot < Slots)
        slots[slot].fd.store(-1);
}

} // namespace zelq
