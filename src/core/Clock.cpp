#include "core/Clock.h"

#include <QElapsedTimer>

namespace zelq {

QDateTime SystemClock::localNow() const
{
    return QDateTime::currentDateTime();
}

QDateTime SystemClock::utcNow() const
{
    return QDateTime::currentDateTimeUtc();
}

qint64 SystemClock::monotonicMs() const
{
    static const QElapsedTimer started = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return started.elapsed();
}

} // namespace zelq
