#include "keying/KeyRelease.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <sys/ioctl.h>
#include <sys/socket.h>

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

constexpr int SendSlots = 4;

struct SendSlot {
    std::atomic<int> fd {-1};
    sockaddr_storage peer {};
    socklen_t peerLength = 0;
    char bytes[64] {};
    int length = 0;
};

SendSlot sends[SendSlots];

// getpeername, memcmp and send are safe in a signal handler.
bool reachesPeer(int fd, const SendSlot& s)
{
    sockaddr_storage now {};
    socklen_t n = sizeof now;
    return getpeername(fd, reinterpret_cast<sockaddr*>(&now), &n) == 0 && n == s.peerLength
        && std::memcmp(&now, &s.peer, n) == 0;
}
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
    for (SendSlot& s : sends) {
        const int fd = s.fd.load();
        if (fd >= 0 && reachesPeer(fd, s))
            send(fd, s.bytes, size_t(s.length), MSG_NOSIGNAL | MSG_DONTWAIT);
    }
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

int registerSendOnEnd(int fd, const char* bytes, int length)
{
    if (fd < 0 || length <= 0 || length > int(sizeof(SendSlot::bytes)))
        return -1;
    for (int i = 0; i < SendSlots; ++i) {
        SendSlot& s = sends[i];
        if (s.fd.load() >= 0)
            continue;
        s.peerLength = sizeof s.peer;
        std::memset(&s.peer, 0, sizeof s.peer);
        if (getpeername(fd, reinterpret_cast<sockaddr*>(&s.peer), &s.peerLength) != 0)
            return -1;
        std::memcpy(s.bytes, bytes, size_t(length));
        s.length = length;
        s.fd.store(fd); // published last: the handler reads a whole entry
        return i;
    }
    return -1;
}

void unregisterSendOnEnd(int slot)
{
    if (slot >= 0 && slot < SendSlots)
        sends[slot].fd.store(-1);
}

void unregisterKeyUp(int slot)
{
    if (slot >= 0 && slot < Slots)
        slots[slot].fd.store(-1);
}

} // namespace zelq
