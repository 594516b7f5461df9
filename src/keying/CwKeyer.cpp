#include "keying/CwKeyer.h"

#include "devices/KeyLine.h"
#include "keying/Morse.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <ctime>
#include <pthread.h>
#include <sched.h>
#include <csignal>

namespace zelq {

namespace {

constexpr qint64 Ms = 1000000;
constexpr qint64 SpinNs = 1 * Ms;          // Timer: sleep to this before the deadline, then spin
constexpr qint64 WatchdogGraceNs = 50 * Ms;
constexpr qint64 WatchdogTickNs = 5 * Ms;
constexpr int FifoPriority = 20;

timespec toTimespec(qint64 ns)
{
    return timespec {time_t(ns / 1000000000), long(ns % 1000000000)};
}

void sleepUntil(qint64 deadlineNs)
{
    const timespec ts = toTimespec(deadlineNs);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

// Passes of the counting loop; volatile so the compiler keeps every one.
void countPasses(double passes)
{
    volatile double n = 0;
    while (n < passes)
        n = n + 1;
}

// The signals that end the program are handled on the window's thread,
// whose handler lifts the key; the keying threads never take them.
void blockEndSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

} // namespace

qint64 monotonicNs()
{
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

CwKeyer::CwKeyer(QObject* parent) : CwSender(parent)
{
    keyer = std::thread([this] { run(); });
    watchdog = std::thread([this] { runWatchdog(); });
}

CwKeyer::~CwKeyer()
{
    {
        PiLocker lock(mutex);
        quitting = true;
        pending.clear();
        wake.wakeAll();
    }
    stopping.store(true);
    {
        PiLocker lock(newsMutex);
        newsArrived.wakeAll();
    }
    keyer.join();
    watchdog.join();
    setLine(false);
}

void CwKeyer::setKeyLine(KeyLine* l)
{
    PiLocker lock(lineMutex);
    if (line && line != l && downSinceNs.load() != 0)
        line->setKey(false);
    downSinceNs.store(0);
    line = l;
}

void CwKeyer::setTiming(CwTiming timing, double loopCount)
{
    timingNow.store(int(timing));
    loopCountNow.store(loopCount);
}

void CwKeyer::send(const QString& text)
{
    if (text.isEmpty())
        return;
    PiLocker lock(mutex);
    pending += text;
    sending.store(true);
    wake.wakeAll();
}

void CwKeyer::clearBuffer()
{
    PiLocker lock(mutex);
    pending.clear();
}

bool CwKeyer::removeLast()
{
    PiLocker lock(mutex);
    if (pending.isEmpty())
        return false;
    pending.chop(1);
    return true;
}

QString CwKeyer::buffer() const
{
    PiLocker lock(mutex);
    return pending;
}

double CwKeyer::calibrateLoop()
{
    constexpr double passes = 5000000;
    const qint64 start = monotonicNs();
    countPasses(passes);
    const double elapsedMs = double(std::max<qint64>(monotonicNs() - start, 1)) / Ms;
    return std::round(passes / elapsedMs * 60);
}

void CwKeyer::run()
{
    blockEndSignals();
    bool active = false;
    bool applied = false;
    bool appliedRealtime = false;
    qint64 next = 0;
    for (;;) {
        QChar c;
        QString rest;
        {
            PiLocker lock(mutex);
            if (quitting)
                break;
            if (pending.isEmpty()) {
                // Also when the text was taken back before its first sign.
                if (active || sending.load()) {
                    active = false;
                    sending.store(false);
                    lock.unlock();
                    tell({News::Empty, {}, {}});
                    continue;
                }
                wake.wait(mutex);
                continue;
            }
            c = pending.front();
            pending.remove(0, 1);
            rest = pending;
        }
        if (!active) {
            active = true;
            const bool wanted = realtimeWanted.load();
            if (!applied || wanted != appliedRealtime) {
                applied = true;
                appliedRealtime = wanted;
                sched_param p {};
                p.sched_priority = wanted ? FifoPriority : 0;
                const bool granted = pthread_setschedparam(pthread_self(), wanted ? SCHED_FIFO : SCHED_OTHER, &p) == 0;
                realtimeGranted.store(wanted && granted);
                if (wanted && !granted && !realtimeTold.exchange(true))
                    tell({News::Refused, {}, {}});
            }
            next = monotonicNs();
        }
        if (c == QLatin1Char('!'))
            tell({News::Mark, {}, {}});
        else
            keyCharacter(keyedElements(c, wordSpaceNow.load()), next);
        tell({News::Sent, c, rest});
    }
    setLine(false);
}

void CwKeyer::keyCharacter(const QString& elements, qint64& next)
{
    for (QChar e : elements) {
        const qint64 unit = qint64(std::llround(unitMs(wpmNow.load()) * Ms));
        unitNowNs.store(unit);
        // Far behind (the thread was held off): start again from now rather
        // than key the missed units short.
        const qint64 now = monotonicNs();
        if (now - next > unit / 2)
            next = now;
        setLine(e == QLatin1Char('1'));
        next += unit;
        waitUntil(next);
    }
}

void CwKeyer::waitUntil(qint64 deadlineNs)
{
    switch (CwTiming(timingNow.load())) {
    case CwTiming::Sleep:
        sleepUntil(deadlineNs);
        return;
    case CwTiming::Loop: {
        const double loops = loopCountNow.load();
        if (loops > 0) {
            countPasses(loops / std::clamp(wpmNow.load(), MinWpm, MaxWpm) * 20);
            return;
        }
        break; // not calibrated: the timer instead
    }
    case CwTiming::Timer:
        break;
    }
    if (deadlineNs - monotonicNs() > SpinNs)
        sleepUntil(deadlineNs - SpinNs);
    while (monotonicNs() < deadlineNs) {
    }
}

void CwKeyer::setLine(bool down)
{
    bool ok = true;
    {
        PiLocker lock(lineMutex);
        if (!line)
            return;
        ok = line->setKey(down);
        if (!down)
            downSinceNs.store(0);
        else if (downSinceNs.load() == 0)
            downSinceNs.store(monotonicNs());
    }
    // Told once per failure, not at every unit.
    if (!ok && !lineFailed.exchange(true))
        tell({News::Failed, {}, {}});
    else if (ok)
        lineFailed.store(false);
}

void CwKeyer::tell(News n)
{
    {
        PiLocker lock(newsMutex);
        news.push_back(std::move(n));
    }
    newsArrived.wakeAll();
}

void CwKeyer::passNewsOn()
{
    std::vector<News> taken;
    {
        PiLocker lock(newsMutex);
        taken.swap(news);
    }
    for (const News& n : taken) {
        switch (n.kind) {
        case News::Sent: emit characterSent(n.c, n.rest); break;
        case News::Mark: emit contactMarkReached(); break;
        case News::Empty: emit bufferEmpty(); break;
        case News::Refused: emit realtimeRefused(); break;
        case News::Failed: emit keyFailed(); break;
        }
    }
}

// The ordinary thread: the keyer's news passed on to the window, and the
// watchdog, which looks in every 5 ms while sending.
void CwKeyer::runWatchdog()
{
    blockEndSignals();
    qint64 longestUnit = 0;
    while (!stopping.load()) {
        {
            PiLocker lock(newsMutex);
            if (news.empty() && !stopping.load())
                newsArrived.waitUntil(newsMutex, monotonicNs() + (sending.load() ? WatchdogTickNs : 10 * WatchdogTickNs));
        }
        passNewsOn();
        const qint64 since = downSinceNs.load();
        if (since == 0) {
            longestUnit = 0;
            continue;
        }
        // A speed change during a dash must not cut it: the slowest unit
        // of this key-down counts.
        longestUnit = std::max(longestUnit, unitNowNs.load());
        if (monotonicNs() - since <= 3 * longestUnit + WatchdogGraceNs)
            continue;
        bool lifted = false;
        {
            PiLocker lock(lineMutex);
            if (line && downSinceNs.load() == since) {
                line->setKey(false);
                downSinceNs.store(0);
                lifted = true;
            }
        }
        if (lifted)
            emit watchdogLifted();
    }
    passNewsOn();
}
} // namespace zelq
