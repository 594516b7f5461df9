#pragma once
// The keying thread. It owns the key line while it runs and keys every
// character against absolute deadlines on the monotonic clock, so nothing
// the window does between characters stretches an element, and it never
// waits for the window: the window hands it text (send) and learns what
// happened through queued signals.
//
// The thread asks for SCHED_FIFO; when that is refused it keys anyway and
// says so once (realtimeRefused). It shares only priority-inheriting locks
// with other threads and never posts to the window itself: a second,
// ordinary thread passes its news on as signals, and is also the watchdog
// that lifts a key-down lasting longer than 3 units + 50 ms, whatever
// stalled the keyer.

#include "keying/CwSender.h"
#include "keying/CwSettings.h"
#include "keying/PiMutex.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <thread>
#include <vector>

namespace zelq {

class KeyLine;

class CwKeyer : public CwSender {
    Q_OBJECT
public:
    explicit CwKeyer(QObject* parent = nullptr);
    ~CwKeyer() override;
    CwKeyer(const CwKeyer&) = delete;
    CwKeyer& operator=(const CwKeyer&) = delete;

    // The line to key; null keys nothing. Once this returns the keyer no
    // longer touches the old line (a character being keyed ends first,
    // with the key up).
    void setKeyLine(KeyLine* line);

    // Settings read at every element, so a change takes effect at the next.
    void setWpm(double wpm) override { wpmNow.store(wpm); }
    double wpm() const { return wpmNow.load(); }
    void setWordSpace(int units) { wordSpaceNow.store(units); }
    // The calibrated loop count is the number of passes of the counting
    // loop that take 60 ms.
    void setTiming(CwTiming timing, double loopCount);
    // Whether the thread asks for SCHED_FIFO (the bench compares both).
    void setRealtime(bool on) { realtimeWanted.store(on); }
    bool realtime() const { return realtimeGranted.load(); }

    void send(const QString& text) override;
    void clearBuffer() override;
    bool removeLast() override;
    QString buffer() const override;
    // From send() until the buffer is empty and the last character ended.
    bool isSending() const override { return sending.load(); }

    // Passes of the counting loop in 60 ms, measured on the monotonic clock.
    static double calibrateLoop();

signals:
    // SCHED_FIFO was refused: timing may stretch under load.
    void realtimeRefused();
    // The watchdog lifted a key-down held too long.
    void watchdogLifted();
    // The line refused a change (a port gone).
    void keyFailed();

private:
    struct News {
        enum Kind { Sent, Mark, Empty, Refused, Failed } kind;
        QChar c;
        QString rest;
    };

    void run();
    void runWatchdog();
    // Keys one character from the deadline `next` on, moving it past the
    // character's last unit.
    void keyCharacter(const QString& elements, qint64& next);
    void setLine(bool down);
    void waitUntil(qint64 deadlineNs);
    // From the keying thread: queued for the ordinary thread to signal.
    void tell(News news);
    void passNewsOn();

    mutable PiMutex mutex;
    PiCondition wake;
    QString pending;
    bool quitting = false;

    PiMutex lineMutex; // held while the line is set
    KeyLine* line = nullptr;

    PiMutex newsMutex;
    PiCondition newsArrived;
    std::vector<News> news;

    std::atomic<double> wpmNow {13};
    std::atomic<int> wordSpaceNow {0};
    std::atomic<int> timingNow {int(CwTiming::Timer)};
    std::atomic<double> loopCountNow {0};
    std::atomic<bool> sending {false};
    std::atomic<bool> realtimeWanted {true};
    std::atomic<bool> realtimeGranted {false};
    std::atomic<bool> realtimeTold {false};
    std::atomic<qint64> downSinceNs {0}; // 0 while the key is up
    std::atomic<qint64> unitNowNs {0};
    std::atomic<bool> stopping {false};
    std::atomic<bool> lineFailed {false};

    std::thread keyer;
    std::thread watchdog;
};

// Monotonic nanoseconds (CLOCK_MONOTONIC).
qint64 monotonicNs();

} // namespace zelq
