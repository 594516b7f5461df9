#pragma once
// The log as this position holds it: the connection, the in-memory copy and
// the per-band records, and the operations that load, reload and erase it.
// Questions and failures go through the operator dialogs; what a reload
// refreshes is plugged in by the parts that own those displays.

#include "log/ContactCache.h"
#include "log/LogStore.h"
#include "log/MultiplierRecords.h"

#include <QStringList>
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

    // What a look at the log found since this position last read it.
    enum class Change { None, Added, Other, Unreadable };
    // One look for other positions' changes; a change found makes a reload
    // pending. An SQLite log tells of any commit by another connection (its
    // data version), and whether only rows were added (rowids beyond the
    // highest loaded, its edit counter unchanged). A log server's row count
    // is compared; its notices (takeNotices) tell the rest.
    Change lookForChanges();
    // Brings the cache up to what the log holds: when only rows were added
    // and nothing is in doubt, just those rows, put where a load would put
    // them; otherwise, or when that fails, the full reload. Then every
    // display is refreshed. The result is the same as a full reload's.
    bool catchUp();
    // Change notices of a log server (see LogChangeListener): this
    // position's own are ignored, added rows are kept for catchUp(), any
    // other change (or an empty list: notices were lost) needs a full
    // reload. Makes a reload pending when something is to be done.
    void takeNotices(const QStringList& payloads);
    // lookForChanges() and, when only rows were added and `mayApply` says
    // so once they are read, catchUp(), with the reads done in the
    // background: the window never waits for the log (another position's
    // commit, a busy disk). A full reload, when one is needed, still waits.
    void followInBackground(std::function<bool()> mayApply);
    // Full loads of the whole table so far (for the benchmarks and tests).
    int loadCount() const { return loads; }

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
    // What the last load saw, and what is known to have happened since.
    LogMark mark;
    qint64 knownVersion = -1;
    std::vector<qint64> ownRowids;     // SQLite: this position's rows since the load
    std::vector<Contact> noticedRows;  // log server: added elsewhere, not yet in the cache
    bool fullNeeded = false;
    int loads = 0;
    // Adds rows of other positions to the cache and the records.
    void addToCache(const std::vector<Contact>& added);
    bool catchUpSQLite();
    Change noteMark(const LogMark& now);
    bool applyAdded(const LogStore::AddedRows& added);
    bool looking = false;   // a background look is under way
    bool lookAgain = false; // another was asked for meanwhile
    bool fetching = false;  // a background read of added rows is under way
    std::vector<std::function<void()>> reloadSteps;
};

// The message box text for a log that cannot be opened; `detail` is the
// system's reason.
QString connectFailureText(const QString& detail);

} // namespace zelq
