#pragma once
// The start-up check that the UTC offset setting matches the computer's
// clock, offering the offset the clock suggests.

#include <QDateTime>
#include <QString>

namespace zelq {

class Clock;
class OperatorDialogs;

// Hours to add to the local time to get UTC, from the clock's two readings,
// in whole minutes and rounded to two decimals (5, -9.5, 5.75).
double recommendedUtcOffset(const QDateTime& localNow, const QDateTime& utcNow);

// The question's text.
QString utcOffsetPrompt(const QDateTime& localNow, const QDateTime& utcNow, double recommended,
                        double current);

// Asks when `offset` differs from the recommendation; a numeric answer
// becomes the new offset. Returns true when the offset changed (the caller
// saves the preferences).
bool CheckUtcOffset(double& offset, const Clock& clock, OperatorDialogs& dialogs);

} // namespace zelq
