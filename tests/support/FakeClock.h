#pragma once
// A clock that stands still until the test moves it. Local time is UTC
// shifted by `utcOffsetSeconds` (local = UTC + offset, as the zone does).

#include "core/Clock.h"

namespace zelq::test {

class FakeClock final : public Clock {
public:
    explicit FakeClock(QDateTime utc = QDateTime(QDate(2026, 2, 14), QTime(14, 0), Qt::UTC),
                       int utcOffsetSeconds = 0)
        : utc(utc.toUTC()), offsetSeconds(utcOffsetSeconds)
    {
    }

    QDateTime localNow() const override
    {
        // A local time without zone information, as the computer shows it.
        QDateTime local = utc.addSecs(offsetSeconds);
        return QDateTime(local.date(), local.time(), Qt::LocalTime);
    }
    QDateTime utcNow() const override { return utc; }
    qint64 monotonicMs() const override { return ms; }

    void advanceMs(qint64 d)
    {
        ms += d;
        utc = utc.addMSecs(d);
    }
    void setUtc(const QDateTime& u) { utc = u.toUTC(); }
    void setUtcOffsetSeconds(int s) { offsetSeconds = s; }

private:
    QDateTime utc;
    int offsetSeconds;
    qint64 ms = 0;
};

} // namespace zelq::test
