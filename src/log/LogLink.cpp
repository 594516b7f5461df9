#include "log/LogLink.h"

#include "log/LogConnectionSetup.h"

#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <sqlite3.h>

namespace zelq::loglink {

QString errorText(const QSqlError& e)
{
    QString t = e.text().trimmed();
    return t.isEmpty() ? QStringLiteral("unknown database error") : t;
}

bool run(QSqlDatabase& db, const QString& sql, QString* err)
{
    QSqlQuery q(db);
    if (q.exec(sql))
        return true;
    if (err)
        *err = errorText(q.lastError());
    return false;
}

bool hasLogTable(QSqlDatabase& db, QString* err)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("select count(*) from tbllog"))) {
        if (err)
            *err = errorText(q.lastError());
        return false;
    }
    return true;
}

bool isSQLite(const Link& l)
{
    return l.addr.kind == LogAddress::Kind::SQLiteFile;
}

namespace {

// How long an SQLite statement waits its turn behind another position's
// write: always less than the caller's bound, so the engine gives up first.
constexpr int sqliteReadBusyMs = 1500;
constexpr int sqliteWriteBusyMs = 4500;

WriteProblem classify(const Link& l, const QSqlError& e)
{
    if (isSQLite(l)) {
        bool ok = false;
        const int code = e.nativeErrorCode().toInt(&ok) & 0xff;
        if (!ok)
            return WriteProblem::Unreachable;
        switch (code) {
        case 13: return WriteProblem::DiskFull;  // SQLITE_FULL
        case 8:                                  // SQLITE_READONLY
        case 3:                                  // SQLITE_PERM
        case 14: return WriteProblem::ReadOnly;  // SQLITE_CANTOPEN: no journal in the folder
        case 10: return WriteProblem::DiskError; // SQLITE_IOERR
        default: return WriteProblem::Unreachable;
        }
    }
    const QString state = e.nativeErrorCode();
    if (state == QLatin1String("53100"))
        return WriteProblem::DiskFull;
    if (state == QLatin1String("25006") || state == QLatin1String("42501"))
        return WriteProblem::ReadOnly;
    return WriteProblem::Unreachable;
}

void fail(Link& l, Result& r, const QSqlError& e)
{
    r.error = errorText(e);
    r.problem = classify(l, e);
    // An SQLite file busy with another position's write is no broken
    // connection; anything else reopens before the next statement.
    const int code = e.nativeErrorCode().toInt() & 0xff;
    if (!(isSQLite(l) && (code == 5 || code == 6)))
        l.broken = true;
}

void publishHandle(Link& l, QSqlDatabase& db)
{
    const QVariant h = db.driver()->handle();
    void* p = h.isValid() && h.data() ? *static_cast<void* const*>(h.constData()) : nullptr;
    if (isSQLite(l) && qstrcmp(h.typeName(), "sqlite3*") == 0)
        l.publish(LogWorker::Engine::SQLite, p);
    else if (!isSQLite(l) && qstrcmp(h.typeName(), "PGconn*") == 0)
        l.publish(LogWorker::Engine::PostgreSQL, p);
}

void setBusyWait(Link& l, QSqlDatabase& db, int ms)
{
    if (!isSQLite(l))
        return;
    const QVariant h = db.driver()->handle();
    if (qstrcmp(h.typeName(), "sqlite3*") == 0)
        if (auto* handle = *static_cast<sqlite3* const*>(h.constData()))
            sqlite3_busy_timeout(handle, ms);
}

} // namespace

namespace {

// The open connection, with SQLite's busy wait set for what comes next.
bool ready(Link& l, Result& r, int busyMs, QSqlDatabase& db)
{
    if (!ensureOpen(l, r))
        return false;
    db = QSqlDatabase::database(l.name, false);
    setBusyWait(l, db, busyMs);
    return true;
}

} // namespace

void closeLink(Link& l)
{
    l.publish(LogWorker::Engine::None, nullptr);
    if (QSqlDatabase::contains(l.name)) {
        {
            QSqlDatabase db = QSqlDatabase::database(l.name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(l.name);
    }
    l.broken = false;
}

bool linkIsOpen(const Link& l)
{
    return QSqlDatabase::contains(l.name) && QSqlDatabase::database(l.name, false).isOpen();
}

bool openLink(Link& l, Result& r)
{
    closeLink(l);
    if (!QSqlDatabase::isDriverAvailable(logDriver(l.addr))) {
        r.error = QStringLiteral("The database driver %1 is not installed.").arg(logDriver(l.addr));
        return false;
    }
    if (isSQLite(l) && !QFileInfo(l.addr.filePath).isFile()) {
        r.error = QStringLiteral("There is no log file at %1.").arg(l.addr.filePath);
        return false;
    }
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(logDriver(l.addr), l.name);
        setUpLogConnection(db, l.addr, "rw");
        // Look before touching: a file that is not our log (another
        // program's database) must not be changed by the attempt.
        if (!db.open()) {
            r.error = errorText(db.lastError());
        } else {
            setBusyWait(l, db, sqliteWriteBusyMs);
            if (!hasLogTable(db, &r.error)) {
                r.error = QStringLiteral("%1 holds no ZELQ log (%2).").arg(l.addr.display(), r.error);
            } else if (isSQLite(l)
                       && !(run(db, QStringLiteral("PRAGMA journal_mode=DELETE"), &r.error)
                            && run(db, QStringLiteral("PRAGMA synchronous=FULL"), &r.error))) {
                // the journal could not be set up: the file stays unused
            } else {
                ok = true;
                installChangeTracking(l, db);
                if (!isSQLite(l)) {
                    QSqlQuery pid(db);
                    if (pid.exec(QStringLiteral("select pg_backend_pid()")) && pid.next())
                        r.backendPid = pid.value(0).toInt();
                }
                publishHandle(l, db);
            }
        }
        if (!ok)
            db.close();
    }
    if (!ok)
        QSqlDatabase::removeDatabase(l.name);
    r.open = ok;
    return ok;
}

bool ensureOpen(Link& l, Result& r)
{
    if (!l.addr.isValid()) {
        r.error = QStringLiteral("No log is connected.");
        return false;
    }
    if (linkIsOpen(l) && !l.broken)
        return true;
    if (!openLink(l, r)) {
        r.problem = WriteProblem::Unreachable;
        return false;
    }
    return true;
}

void readRows(Link& l, Result& r, const QString& sql)
{
    QSqlDatabase db;
    if (!ready(l, r, sqliteReadBusyMs, db))
        return;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(sql)) {
        fail(l, r, q.lastError());
        return;
    }
    r.rows.clear();
    const int n = std::min(q.record().count(), ColumnCount);
    while (q.next()) {
        Contact c;
        for (int i = 0; i < n; ++i)
            c.at(i) = q.value(i).toString();
        r.rows.push_back(std::move(c));
    }
    if (q.lastError().isValid()) {
        fail(l, r, q.lastError());
        return;
    }
    q.finish(); // release the read lock at once: other positions wait on it
    r.ok = true;
}

namespace {

// Reads the rows of `q` into `r`; with `withRowid`, column 0 is the rowid.
bool takeRows(QSqlQuery& q, Result& r, bool withRowid)
{
    r.rows.clear();
    r.rowids.clear();
    const int skip = withRowid ? 1 : 0;
    const int n = std::min(q.record().count() - skip, ColumnCount);
    while (q.next()) {
        Contact c;
        for (int i = 0; i < n; ++i)
            c.at(i) = q.value(i + skip).toString();
        if (withRowid)
            r.rowids.push_back(q.value(0).toLongLong());
        r.rows.push_back(std::move(c));
    }
    return !q.lastError().isValid();
}

bool hasEditCounter(QSqlDatabase& db)
{
    QSqlQuery q(db);
    return q.exec(QStringLiteral("select count(*) from sqlite_master where type='table' and name='tbllog_edits'"))
        && q.next() && q.value(0).toInt() == 1;
}

// SQLite, within a read transaction: data version, highest rowid, the edit
// counter, and with `withCount` the row count (a walk over an index: the
// other positions' writes wait behind it, so only the poll asks for it).
bool readSQLiteMark(QSqlDatabase& db, LogMark& m, QSqlError& e, bool withCount)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("PRAGMA data_version")) || !q.next()) {
        e = q.lastError();
        return false;
    }
    m.dataVersion = q.value(0).toLongLong();
    q.finish();
    const QString edits = hasEditCounter(db) ? QStringLiteral("(select n from tbllog_edits)")
                                             : QStringLiteral("-1");
    const QString count = withCount ? QStringLiteral("(select count(*) from tbllog)")
                                    : QStringLiteral("-1");
    if (!q.exec(QStringLiteral("select coalesce((select max(rowid) from tbllog), 0), %1, %2")
                    .arg(edits, count))
        || !q.next()) {
        e = q.lastError();
        return false;
    }
    m.maxRowid = q.value(0).toLongLong();
    m.edits = q.value(1).isNull() ? -1 : q.value(1).toLongLong();
    m.count = q.value(2).toDouble();
    q.finish();
    return true;
}

// Runs `reads` in one read transaction (one snapshot of the log).
template <class Reads>
void inReadTransaction(Link& l, Result& r, Reads reads)
{
    QSqlDatabase db;
    if (!ready(l, r, sqliteReadBusyMs, db))
        return;
    QSqlQuery begin(db);
    const QString start = isSQLite(l)
        ? QStringLiteral("BEGIN")
        : QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
    if (!begin.exec(start)) {
        fail(l, r, begin.lastError());
        return;
    }
    QSqlError e;
    const bool ok = reads(db, e);
    QSqlQuery end(db);
    if (!ok) {
        end.exec(QStringLiteral("ROLLBACK"));
        fail(l, r, e);
        return;
    }
    if (!end.exec(QStringLiteral("COMMIT"))) {
        fail(l, r, end.lastError());
        return;
    }
    r.ok = true;
}

} // namespace

void readMarked(Link& l, Result& r, const QString& sql)
{
    const bool sqlite = isSQLite(l);
    inReadTransaction(l, r, [&](QSqlDatabase& db, QSqlError& e) {
        if (sqlite) {
            if (!readSQLiteMark(db, r.mark, e, false))
                return false;
        } else {
            QSqlQuery s(db);
            if (!s.exec(QStringLiteral("select txid_current_snapshot()::text")) || !s.next()) {
                e = s.lastError();
                return false;
            }
            r.mark.snapshot = s.value(0).toString();
        }
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(sql) || !takeRows(q, r, false)) {
            e = q.lastError();
            return false;
        }
        q.finish();
        r.mark.count = double(r.rows.size());
        return true;
    });
}

void readState(Link& l, Result& r, qint64 knownVersion, bool withCount)
{
    QSqlDatabase db;
    if (!ready(l, r, sqliteReadBusyMs, db))
        return;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("PRAGMA data_version")) || !q.next()) {
        fail(l, r, q.lastError());
        return;
    }
    const qint64 version = q.value(0).toLongLong();
    q.finish();
    if (version == knownVersion) {
        r.mark.dataVersion = version;
        r.mark.count = -1; // not read
        r.ok = true;
        return;
    }
    inReadTransaction(l, r, [&](QSqlDatabase& d, QSqlError& e) {
        return readSQLiteMark(d, r.mark, e, withCount);
    });
}

void readAddedAfter(Link& l, Result& r, qint64 after)
{
    inReadTransaction(l, r, [&](QSqlDatabase& db, QSqlError& e) {
        if (!readSQLiteMark(db, r.mark, e, false))
            return false;
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("select rowid, * from tbllog where rowid > %1 order by rowid").arg(after))
            || !takeRows(q, r, true)) {
            e = q.lastError();
            return false;
        }
        q.finish();
        return true;
    });
}

QStringList sqliteChangeTracking()
{
    // Edits and deletes are counted, so that a look at the log can tell
    // "rows were only added" from any other change.
    return {QStringLiteral("CREATE TABLE IF NOT EXISTS tbllog_edits (n INTEGER NOT NULL)"),
            QStringLiteral("INSERT INTO tbllog_edits SELECT 0 WHERE NOT EXISTS (SELECT 1 FROM tbllog_edits)"),
            QStringLiteral("CREATE TRIGGER IF NOT EXISTS tbllog_edited AFTER UPDATE ON tbllog "
                           "BEGIN UPDATE tbllog_edits SET n = n + 1; END"),
            QStringLiteral("CREATE TRIGGER IF NOT EXISTS tbllog_deleted AFTER DELETE ON tbllog "
                           "BEGIN UPDATE tbllog_edits SET n = n + 1; END")};
}

QStringList postgresChangeTracking()
{
    // A notice per added row carrying the row, one per statement for edits,
    // deletes and erases; each says which server connection made the change
    // and in which transaction: "<pid> I <txid> <row as JSON>" or
    // "<pid> C <txid>". A row too long for a notice is sent as a change.
    return {QStringLiteral(
                "CREATE OR REPLACE FUNCTION tbllog_notify() RETURNS trigger LANGUAGE plpgsql AS $$ "
                "DECLARE head text := pg_backend_pid()::text || ' '; row_text text; "
                "BEGIN "
                "IF TG_LEVEL = 'ROW' THEN "
                "row_text := row_to_json(NEW)::text; "
                "IF length(row_text) < 7000 THEN "
                "PERFORM pg_notify('tbllog_changed', head || 'I ' || txid_current()::text || ' ' || row_text); "
                "RETURN NULL; END IF; END IF; "
                "PERFORM pg_notify('tbllog_changed', head || 'C ' || txid_current()::text); "
                "RETURN NULL; END $$"),
            QStringLiteral("CREATE TRIGGER tbllog_changed AFTER UPDATE OR DELETE OR TRUNCATE ON tbllog "
                           "FOR EACH STATEMENT EXECUTE FUNCTION tbllog_notify()"),
            QStringLiteral("CREATE TRIGGER tbllog_added AFTER INSERT ON tbllog "
                           "FOR EACH ROW EXECUTE FUNCTION tbllog_notify()")};
}

void installChangeTracking(Link& l, QSqlDatabase& db)
{
    QSqlQuery q(db);
    if (isSQLite(l)) {
        if (hasEditCounter(db))
            return;
    } else if (q.exec(QStringLiteral("select count(*) from pg_trigger where tgname = 'tbllog_added'"))
               && q.next() && q.value(0).toInt() > 0) {
        return;
    }
    q.finish();
    // A log that cannot be changed (read-only, another owner) keeps working
    // without: every change is then taken as one that needs a full reload.
    if (!db.transaction())
        return;
    bool ok = true;
    QStringList statements = isSQLite(l) ? sqliteChangeTracking() : postgresChangeTracking();
    if (!isSQLite(l)) // a log made before sends bare notices on every change
        statements.prepend(QStringLiteral("DROP TRIGGER IF EXISTS tbllog_changed ON tbllog"));
    for (const QString& sql : statements)
        if (!run(db, sql, nullptr)) {
            ok = false;
            break;
        }
    if (!(ok && db.commit()))
        db.rollback();
}

void countRows(Link& l, Result& r)
{
    QSqlDatabase db;
    if (!ready(l, r, sqliteReadBusyMs, db))
        return;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("select count(*) as fsizeold from tbllog")) || !q.next()) {
        fail(l, r, q.lastError());
        return;
    }
    r.count = q.value(0).toDouble();
    q.finish();
    r.ok = true;
}

void writeRows(Link& l, Result& r, const QString& sql)
{
    QSqlDatabase db;
    if (!ready(l, r, sqliteWriteBusyMs, db))
        return;
    QSqlQuery q(db);
    if (!q.exec(sql)) {
        fail(l, r, q.lastError());
        return;
    }
    if (isSQLite(l))
        r.insertedRowid = q.lastInsertId().toLongLong();
    r.ok = true;
}

void probeWrite(Link& l, Result& r, const QString& sql)
{
    QSqlDatabase db;
    if (!ready(l, r, sqliteWriteBusyMs, db))
        return;
    if (!db.transaction()) {
        fail(l, r, db.lastError());
        return;
    }
    QSqlQuery q(db);
    const bool wrote = q.exec(sql);
    const QSqlError e = q.lastError();
    q.finish();
    db.rollback();
    if (!wrote)
        fail(l, r, e);
    else
        r.ok = true;
}

} // namespace zelq::loglink
