#pragma once
// The log as this position holds it: the connection, the in-memory copy and
// the per-band records, and the operations that load, reload and erase it.
// Questions and failures go through the operator dialogs; what a reload
// refreshes is plugged in by the parts that own those displays.

#include "log/ContactCache.h"
#include "log/LogStore.h"
#include "log/MultiplierRecords.h"

#include <functional>
#include <vector>

namespace zelq {

class OperatorDialogs;

class LogSession {
public:
    LogSession(LogStore& store, OperatorDialogs& dialogs);

    // Connects to the log at `logPath`. On failure the operator is told
    // what to check; an SQLite log on a network file system is warned about
    // once per run.
    // `beforeReport` runs before the failure is shown (the setup window
    // beeps and shows its Cancel and Help buttons).
    bool connectLog(const QString& logPath, const QString& installFolder,
                    const std::function<void()>& beforeReport = {});

    // Loads the whole table into the cache and rebuilds the per-band
    // records. On failure the cache and records stay as they were.
    bool mnuOpen2();

    // The full reload and every display derived from it. A failed load
    // during start-up is fatal (onFatalLoadError); later it is reported in
    // the status line and the cache keeps its contents.
    bool WorkList();

    // Start-up question: continue the log, or erase it and start anew.
    void AskContinueLog();
    // Erases the shared log after the operator types YES.
    void StartNewLog();

    // Stores one contact of this position and adds it to the cache, so that
    // it does not count as another position's change.
    bool insertContact(const Contact& c);
    // A contact of this position found stored after its insert was given
    // up on: it joins the cache as if the insert had answered.
    void adoptContact(const Contact& c);

    // Whether the table's row count differs from the count this position
    // knows (another position logged, edited or erased). nullopt when the
    // count cannot be read.
    std::optional<bool> logChangedElsewhere();

    LogStore& store() { return logStore; }
    const ContactCache& cache() const { return contacts; }
    const MultiplierRecords& multipliers() const { return records; }
    MultiplierRecords& multipliers() { return records; }
    double knownRowCount() const { return knownRows; }
    // The poll takes the table's count as known when it sees a change.
    void setKnownRowCount(double n) { knownRows = n; }
    bool reloadPending() const { return pending; }
    void setReloadPending(bool p) { pending = p; }

    // Set while the start-up sequence runs: a failed load then ends the program.
    void setStartingUp(bool s) { startingUp = s; }

    // Plug-ins of the parts that own the displays.
    void addReloadStep(std::function<void()> step) { reloadSteps.push_back(std::move(step)); }
    std::function<void(const QString&)> onStatus;      // status-line text
    std::function<void()> onFatalLoadError;            // end the program
    std::function<void()> resetOperatingTime;          // on erase
    std::function<void()> savePreferences;             // on erase
    std::function<void()> showOperatingTime;           // after the erase question

private:
    LogStore& logStore;
    OperatorDialogs& dialogs;
    ContactCache contacts;
    MultiplierRecords records;
    double knownRows = 0;
    bool pending = false;
    bool startingUp = false;
    bool warnedNetworkFileSystem = false;
    std::vector<std::function<void()>> reloadSteps;
};

// The message box text for a log that cannot be opened; `detail` is the
// system's reason.
QString connectFailureText(const QString& detail);

} // namespace zelq
