#pragma once
// Wall-clock and monotonic time behind an interface, so that time-dependent
// logic (UTC offset check, time stamps, keyer timing) is testable.

#include <QDateTime>

namespace zelq {

class Clock {
public:
    virtual ~Clock() = default;
    // The computer's local date and time.
    virtual QDateTime localNow() const = 0;
    // The computer's UTC date and time.
    virtual QDateTime utcNow() const = 0;
    // Milliseconds from an arbitrary fixed start; never goes backwards.
    virtual qint64 monotonicMs() const = 0;
};

// The computer's own clock.
class SystemClock final : public Clock {
public:
    QDateTime localNow() const override;
    QDateTime utcNow() const override;
    qint64 monotonicMs() const override;
};

} // namespace zelq
