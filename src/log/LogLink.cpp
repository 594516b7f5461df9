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
