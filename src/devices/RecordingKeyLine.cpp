#include "devices/RecordingKeyLine.h"

#include <ctime>

namespace zelq {

qint64 RecordingKeyLine::nowNs()
{
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

bool RecordingKeyLine::setKey(bool down)
{
    const qint64 at = nowNs();
    QMutexLocker lock(&mutex);
    recorded.append({down, at});
    return true;
}

QList<KeyChange> RecordingKeyLine::changes() const
{
    QMutexLocker lock(&mutex);
    return recorded;
}

void RecordingKeyLine::clear()
{
    QMutexLocker lock(&mutex);
    recorded.clear();
}

} // namespace zelq
