#pragma once
// A key line that only remembers: every change with its monotonic time
// (CLOCK_MONOTONIC, the clock the keyer's deadlines run on), for tests of
// keying and for running the keyer without a device.

#include "devices/KeyLine.h"

#include <QList>
#include <QMutex>

namespace zelq {

struct KeyChange {
    bool down;
    qint64 monotonicNs;
};

class RecordingKeyLine final : public KeyLine {
public:
    bool setKey(bool down) override;

    QList<KeyChange> changes() const;
    void clear();
    // Monotonic nanoseconds now, from the clock the stamps use.
    static qint64 nowNs();

private:
    mutable QMutex mutex; // the keyer keys from its own thread
    QList<KeyChange> recorded;
};

} // namespace zelq
