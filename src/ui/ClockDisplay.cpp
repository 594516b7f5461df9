#include "ui/ClockDisplay.h"

#include <cmath>

namespace zelq {

ClockTexts clockTexts(const QDateTime& localNow, double utcOffsetHours)
{
    ClockTexts t;
    const QTime local = localNow.time();
    const QTime utc = local.addSecs(qint64(std::llround(utcOffsetHours * 60.0)) * 60);
    t.utc = utc.toString(QStringLiteral("hh:mm:ss"));
    int hour12 = local.hour() % 12;
    if (hour12 == 0)
        hour12 = 12;
    t.local = QStringLiteral("%1:%2:%3")
                  .arg(hour12)
                  .arg(local.minute(), 2, 10, QLatin1Char('0'))
                  .arg(local.second(), 2, 10, QLatin1Char('0'));
    t.ampm = local.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM");
    return t;
}

} // namespace zelq
