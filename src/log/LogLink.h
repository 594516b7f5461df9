#pragma once
// The connection as the log store's worker thread holds it, and the
// statements run there: opening and closing, reading, counting, writing,
// and telling what a failure was. Only LogStore uses it, and only from
// jobs on its worker thread.

#include "log/LogStore.h"
#include "log/LogWorker.h"

#include <QSqlDatabase>

namespace zelq {

struct LogStore::Link {
    QString name; // of the Qt connection, used on the worker thread only
    LogAddress addr;
    bool broken = false;
    LogWorker::HandlePublisher publish;
};

struct LogStore::Result {
    bool ok = false;
    bool open = false;
    QString error;
    WriteProblem problem = WriteProblem::None;
    std::vector<Contact> rows;
    double count = 0;
    // What changed since a load (see LogMark)
    LogMark mark;
    std::vector<qint64> rowids; // of `rows`, when read by rowid
    qint64 insertedRowid = 0;   // SQLite: of the row an insert stored
    int backendPid = 0;         // PostgreSQL: of the connection after opening
};


namespace loglink {

using Link = LogStore::Link;
using Result = LogStore::Result;

QString errorText(const QSqlError& e);
bool run(QSqlDatabase& db, const QString& sql, QString* err);
bool hasLogTable(QSqlDatabase& db, QString* err);

void closeLink(Link& l);
bool linkIsOpen(const Link& l);
bool openLink(Link& l, Result& r);
bool ensureOpen(Link& l, Result& r);
void readRows(Link& l, Result& r, const QString& sql);
void countRows(Link& l, Result& r);
void writeRows(Link& l, Result& r, const QString& sql);
// The load (`sql`) and its mark, read in one transaction.
void readMarked(Link& l, Result& r, const QString& sql);
// SQLite: the mark as it is now; the rest only when the connection's data
// version differs from `knownVersion` (another connection committed), the
// row count only `withCount` (-1 otherwise).
void readState(Link& l, Result& r, qint64 knownVersion, bool withCount);
// SQLite: the rows stored after rowid `after`, with the mark (no count).
void readAddedAfter(Link& l, Result& r, qint64 after);
// Sets up what tells other positions of changes, where it is missing and
// the log can be written: SQLite's edit counter, PostgreSQL's notices that
// carry the added row. Failing leaves the log as it was.
void installChangeTracking(Link& l, QSqlDatabase& db);
// The statements that make it in a new log.
QStringList sqliteChangeTracking();
QStringList postgresChangeTracking();
// `sql` in a transaction that is rolled back: whether the log takes writes.
void probeWrite(Link& l, Result& r, const QString& sql);

// A read is retried once on a fresh connection when a log server's
// connection turned out to be lost (reading twice is harmless).
bool isSQLite(const Link& l);
template <class Job>
void withRetry(Link& l, Result& r, Job job)
{
    const bool wasHealthy = linkIsOpen(l) && !l.broken;
    job(l, r);
    if (!r.ok && wasHealthy && l.broken && !isSQLite(l)) {
        r = Result();
        job(l, r);
    }
}

} // namespace loglink
} // namespace zelq
