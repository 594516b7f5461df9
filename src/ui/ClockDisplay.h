#pragma once
// The log window's clocks: UTC (local time plus the offset setting) and the
// local 12-hour time with its AM/PM designator shown apart.

#include <QDateTime>
#include <QString>

namespace zelq {

struct ClockTexts {
    QString utc;   // "hh:mm:ss"
    QString local; // "h:mm:ss", 12-hour
    QString ampm;  // "AM" or "PM"
};

ClockTexts clockTexts(const QDateTime& localNow, double utcOffsetHours);

} // namespace zelq
