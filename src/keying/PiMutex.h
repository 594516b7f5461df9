#pragma once
// A mutex with priority inheritance and a condition on the monotonic clock.
// The real-time keying thread shares its locks with ordinary threads; with
// a plain mutex an ordinary holder preempted by a busy computer would hold
// the keyer off for a whole time slice. With inheritance the holder runs at
// the keyer's priority until it lets go.

#include <pthread.h>

namespace zelq {

class PiMutex {
public:
    PiMutex();
    ~PiMutex();
    PiMutex(const PiMutex&) = delete;
    PiMutex& operator=(const PiMutex&) = delete;
    void lock() { pthread_mutex_lock(&m); }
    void unlock() { pthread_mutex_unlock(&m); }
    pthread_mutex_t* native() { return &m; }

private:
    pthread_mutex_t m;
};

class PiLocker {
public:
    explicit PiLocker(PiMutex& m) : mutex(m) { mutex.lock(); }
    ~PiLocker()
    {
        if (held)
            mutex.unlock();
    }
    PiLocker(const PiLocker&) = delete;
    PiLocker& operator=(const PiLocker&) = delete;
    void unlock()
    {
        mutex.unlock();
        held = false;
    }

private:
    PiMutex& mutex;
    bool held = true;
};

class PiCondition {
public:
    PiCondition();
    ~PiCondition();
    PiCondition(const PiCondition&) = delete;
    PiCondition& operator=(const PiCondition&) = delete;
    void wait(PiMutex& m) { pthread_cond_wait(&c, m.native()); }
    // Waits at most until `deadlineNs` on the monotonic clock.
    void waitUntil(PiMutex& m, long long deadlineNs);
    void wakeAll() { pthread_cond_broadcast(&c); }

private:
    pthread_cond_t c;
};

} // namespace zelq
