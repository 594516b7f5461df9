#include "score/RefreshPoll.h"

#include "core/Beeper.h"
#include "core/OperatorDialogs.h"
#include "log/LogSession.h"
#include "settings/QuotedFile.h"

#include <cmath>

namespace zelq {

namespace {
constexpr int backupEveryTicks = 16;
}

RefreshPoll::RefreshPoll(LogSession& session) : session(session) {}

RefreshPoll::Outcome RefreshPoll::CheckLogChanged(bool cwSending, bool callFieldEmpty)
{
    // Keying has priority: the query could stall the message loop.
    if (cwSending)
        return Outcome::Skipped;

    if (session.lookForChanges() == LogSession::Change::Unreadable) {
        // The log cannot be read (share or server away): the reload reports
        // it and keeps the last copy; the next tick tries again.
        session.WorkList();
        return Outcome::Reloaded;
    }
    return applyPending(callFieldEmpty);
}

RefreshPoll::Outcome RefreshPoll::applyPending(bool callFieldEmpty)
{
    if (!session.reloadPending())
        return Outcome::Unchanged;
    if (!callFieldEmpty)
        return Outcome::Deferred;
    session.catchUp();
    return Outcome::Reloaded;
}

RefreshPoll::Outcome RefreshPoll::Timer3_Timer(bool cwSending, bool callFieldEmpty)
{
    ++ticks;
    const Outcome outcome = CheckLogChanged(cwSending, callFieldEmpty);
    if (ticks >= backupEveryTicks) {
        ticks = 0;
        if (backupLog)
            backupLog();
    }
    return outcome;
}

int refreshIntervalMs(double storedMs)
{
    if (!(storedMs >= MinRefreshMs && storedMs <= MaxRefreshMs)) // NaN too
        return MaxRefreshMs;
    return int(std::lround(storedMs));
}

std::optional<int> mnuRefreshRate_Click(OperatorDialogs& dialogs, int currentMs, Beeper* beeper)
{
    const QString prompt =
        QStringLiteral("How often do you want the program to check the log to update the contact "
                       "list and score statistics?  This does not effect dupe checking.  Dupe "
                       "checking is always done in real time.  Use 60000 for slower PC's (less "
                       "than 300 MHz)")
        + QStringLiteral("\r\n\r\n")
        + QStringLiteral("Please enter a value in milliseconds from 6000 (six seconds) to 60000 "
                         "(one minute).");
    const std::optional<QString> answer = dialogs.inputText(
        QStringLiteral("Refresh Rate Settings"), prompt, QString::number(currentMs));
    const std::optional<double> value = answer ? parseNumber(*answer) : std::nullopt;
    if (!value) {
        if (beeper)
            beeper->beep();
        dialogs.message(QStringLiteral("Invalid Value."), QStringLiteral("Invalid value."));
        return std::nullopt;
    }
    if (*value < MinRefreshMs || *value > MaxRefreshMs)
        return std::nullopt;
    return int(std::lround(*value));
}

} // namespace zelq
