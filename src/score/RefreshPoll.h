#pragma once
// The look at the shared log for other positions' changes: on every tick
// of the poll timer, and at once when the log file is written or the log
// server sends a notice. A change found marks a reload as pending; the
// reload itself (just the added rows when nothing else changed) waits
// until the call field is empty, so that a call being typed is never
// disturbed. Every 16th tick also writes the backup.
//
// An SQLite log tells of every commit of another position, edits and a
// deletion plus an insertion included; a log server's row count is
// compared, and its notices tell of edits.

#include <QString>
#include <functional>
#include <optional>

namespace zelq {

class LogSession;
class OperatorDialogs;
class Beeper;

class RefreshPoll {
public:
    enum class Outcome {
        Skipped,  // the CW keyer is sending: no query at all
        Unchanged,// the count is the known one and nothing is pending
        Deferred, // a reload is pending until the call field is empty
        Reloaded, // the whole log was reloaded (successfully or not)
    };

    explicit RefreshPoll(LogSession& session);

    // One poll. `cwSending`: the keyer is sending; `callFieldEmpty`: the
    // call field holds no text.
    Outcome CheckLogChanged(bool cwSending, bool callFieldEmpty);
    // Performs a pending reload unless a call is being typed (after the
    // log server's notices, which need no look at the log).
    Outcome applyPending(bool callFieldEmpty);

    // One tick of the poll timer: counts the tick, polls, and on every
    // 16th tick runs `backupLog`.
    Outcome Timer3_Timer(bool cwSending, bool callFieldEmpty);

    int tickCount() const { return ticks; }
    // Counting starts again (an append has just written the log).
    void resetTicks() { ticks = 0; }

    // Writes the backup copy of the log; may be empty.
    std::function<void()> backupLog;

private:
    LogSession& session;
    int ticks = 0;
};

// Timer intervals the operator may choose, in milliseconds.
inline constexpr int MinRefreshMs = 6000;
inline constexpr int MaxRefreshMs = 60000;

// The poll interval for the stored setting: the setting when it lies within
// 6000..60000, else 60000 (a damaged preferences file must not make the
// poll run without pause).
int refreshIntervalMs(double storedMs);

// "&Refresh Rate": asks for the poll interval, offering `currentMs`. A
// number within 6000..60000 is returned (rounded to whole milliseconds);
// a number outside it changes nothing, silently; anything else (an empty
// answer, cancel) beeps on `beeper` when given and shows "Invalid value.".
std::optional<int> mnuRefreshRate_Click(OperatorDialogs& dialogs, int currentMs,
                                        Beeper* beeper = nullptr);

} // namespace zelq
