#include "core/NumberFormat.h"

#include <cmath>

namespace zelq {

QString formatPattern(double value, QStringView pattern)
{
    if (!std::isfinite(value))
        return {};
    const double rounded = std::round(value); // half away from zero
    const bool negative = rounded < 0;
    const qulonglong magnitude = qulonglong(std::fabs(rounded));

    const qsizetype forced = pattern.count(QLatin1Char('0'));
    const bool grouped = pattern.contains(QLatin1Char(','));

    QString digits = magnitude == 0 ? QString() : QString::number(magnitude);
    if (digits.size() < forced)
        digits = QString(forced - digits.size(), QLatin1Char('0')) + digits;
    if (grouped) {
        for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
            digits.insert(i, QLatin1Char(','));
    }
    if (negative && !digits.isEmpty())
        digits.prepend(QLatin1Char('-'));
    return digits;
}

} // namespace zelq
