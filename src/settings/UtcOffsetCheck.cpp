#include "settings/UtcOffsetCheck.h"

#include "core/Clock.h"
#include "core/OperatorDialogs.h"
#include "settings/QuotedFile.h"

#include <cmath>

namespace zelq {

namespace {

// The wall-clock reading without its zone, so the two readings compare as
// the operator would read them off two clocks.
QDateTime asRead(const QDateTime& t)
{
    return QDateTime(t.date(), t.time(), Qt::UTC);
}

} // namespace

double recommendedUtcOffset(const QDateTime& localNow, const QDateTime& utcNow)
{
    const qint64 minutes = asRead(localNow).secsTo(asRead(utcNow)) / 60;
    return std::round(double(minutes) / 60.0 * 100.0) / 100.0;
}

QString utcOffsetPrompt(const QDateTime& localNow, const QDateTime& utcNow, double recommended,
                        double current)
{
    const QString blankLine = QStringLiteral("\r\n\r\n");
    return QStringList{
        QStringLiteral("Would you like to adjust the UTC offset in this program for your local time setting?"),
        QStringLiteral("Current System Time: ") + utcNow.time().toString(QStringLiteral("hh:mm")),
        QStringLiteral("Current Local Time: ") + localNow.time().toString(QStringLiteral("hh:mm")),
        QStringLiteral("Recommended Offset Setting: ") + formatNumber(recommended),
        QStringLiteral("Current Offset Setting: ") + formatNumber(current),
        QStringLiteral("Please click OK to accept the recommended change or Cancel to keep the current setting.")}
        .join(blankLine);
}

bool CheckUtcOffset(double& offset, const Clock& clock, OperatorDialogs& dialogs)
{
    const QDateTime local = clock.localNow();
    const QDateTime utc = clock.utcNow();
    if (!local.isValid() || !utc.isValid())
        return false;
    const double recommended = recommendedUtcOffset(local, utc);
    if (std::fabs(offset - recommended) < 1e-9)
        return false;
    const auto answer = dialogs.inputText(QStringLiteral("Update the Local Time / UTC Offset?"),
                                          utcOffsetPrompt(local, utc, recommended, offset),
                                          formatNumber(recommended));
    if (!answer)
        return false;
    const auto value = parseNumber(*answer);
    if (!value || std::fabs(*value) > 24)
        return false;
    offset = *value;
    return true;
}

} // namespace zelq
