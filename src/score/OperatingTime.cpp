#include "score/OperatingTime.h"

#include <cmath>

namespace zelq {

QString operatingTimeText(double seconds)
{
    const qint64 total = qint64(std::fabs(seconds));
    const qint64 hours = total / 3600;
    const qint64 minutes = total / 60 - hours * 60;
    const qint64 secs = total - (total / 60) * 60;
    const auto part = [](qint64 v) {
        const QString digits = QString::number(v);
        return v < 10 ? QLatin1Char('0') + digits : digits.right(2);
    };
    return part(hours) + QLatin1Char(':') + part(minutes) + QLatin1Char(':') + part(secs);
}

} // namespace zelq
