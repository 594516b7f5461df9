#include "log/LogStore.h"

#include "log/LogConnectionSetup.h"
#include "log/LogWorker.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>
#include <sqlite3.h>
#include <sys/vfs.h>

namespace zelq {

namespace {

const char* const columns = "calls, namerec, spc, cont, flddate, fldtime, uband, namesent, trn";

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

// Schema of a new log. Text compares without regard to case in both
// engines, so the statements' "calls='…'" finds w1aw as W1AW.
QStringList sqliteSchema()
{
    return {QStringLiteral("CREATE TABLE tbllog ("
                           "calls TEXT COLLATE NOCASE, namerec TEXT COLLATE NOCASE, "
                           "spc TEXT COLLATE NOCASE, cont TEXT COLLATE NOCASE, "
                           "flddate TEXT COLLATE NOCASE, fldtime TEXT COLLATE NOCASE, "
                           "uband TEXT COLLATE NOCASE, namesent TEXT COLLATE NOCASE, "
                           "trn TEXT COLLATE NOCASE)"),
            QStringLiteral("CREATE INDEX tbllog_calls ON tbllog (calls)")};
}

QStringList postgresSchema()
{
    return {QStringLiteral("CREATE EXTENSION IF NOT EXISTS citext"),
            QStringLiteral("CREATE TABLE tbllog ("
                           "calls citext, namerec citext, spc citext, cont citext, "
                           "flddate citext, fldtime citext, uband citext, namesent citext, "
                           "trn citext)"),
            QStringLiteral("CREATE INDEX tbllog_calls ON tbllog (calls)"),
            // Other positions may listen instead of polling.
            QStringLiteral("CREATE OR REPLACE FUNCTION tbllog_notify() RETURNS trigger "
                           "LANGUAGE plpgsql AS $$ BEGIN NOTIFY tbllog_changed; RETURN NULL; END $$"),
            QStringLiteral("CREATE TRIGGER tbllog_changed AFTER INSERT OR UPDATE OR DELETE "
                           "ON tbllog FOR EACH STATEMENT EXECUTE FUNCTION tbllog_notify()")};
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

} // namespace

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
};

namespace {

using Link = LogStore::Link;

// How long an SQLite statement waits its turn behind another position's
// write: always less than the caller's bound, so the engine gives up first.
constexpr int sqliteReadBusyMs = 1500;
constexpr int sqliteWriteBusyMs = 4500;

bool isSQLite(const Link& l)
{
    return l.addr.kind == LogAddress::Kind::SQLiteFile;
}

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

void fail(Link& l, LogStore::Result& r, const QSqlError& e)
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

bool openLink(Link& l, LogStore::Result& r)
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

bool ensureOpen(Link& l, LogStore::Result& r)
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

void readRows(Link& l, LogStore::Result& r, const QString& sql)
{
    if (!ensureOpen(l, r))
        return;
    QSqlDatabase db = QSqlDatabase::database(l.name, false);
    setBusyWait(l, db, sqliteReadBusyMs);
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

void countRows(Link& l, LogStore::Result& r)
{
    if (!ensureOpen(l, r))
        return;
    QSqlDatabase db = QSqlDatabase::database(l.name, false);
    setBusyWait(l, db, sqliteReadBusyMs);
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

void writeRows(Link& l, LogStore::Result& r, const QString& sql)
{
    if (!ensureOpen(l, r))
        return;
    QSqlDatabase db = QSqlDatabase::database(l.name, false);
    setBusyWait(l, db, sqliteWriteBusyMs);
    QSqlQuery q(db);
    if (!q.exec(sql)) {
        fail(l, r, q.lastError());
        return;
    }
    r.ok = true;
}

// A read is retried once on a fresh connection when a log server's
// connection turned out to be lost (reading twice is harmless).
template <class Job>
void withRetry(Link& l, LogStore::Result& r, Job job)
{
    const bool wasHealthy = linkIsOpen(l) && !l.broken;
    job(l, r);
    if (!r.ok && wasHealthy && l.broken && !isSQLite(l)) {
        r = LogStore::Result();
        job(l, r);
    }
}

} // namespace

LogStore::LogStore(const QString& connectionName)
    : link(std::make_shared<Link>()), worker(std::make_unique<LogWorker>())
{
    link->name = connectionName + QLatin1Char('_') + QUuid::createUuid().toString(QUuid::Id128);
    link->publish = worker->handlePublisher();
}

LogStore::~LogStore()
{
    worker->onWaiting = nullptr; // the window that showed it may be gone
    close();
    worker.reset(); // ends the thread before the link it uses goes
}

void LogStore::setWaitingNotice(std::function<void(bool)> notice)
{
    worker->onWaiting = std::move(notice);
}

bool LogStore::onWorker(const std::function<void(Link&, Result&)>& job, int boundMs, Result& out)
{
    auto result = std::make_shared<Result>();
    auto l = link;
    // Everything the job needs travels with it: a job given up on may
    // still run to its end after this returns.
    const auto task = [l, result, job] {
        job(*l, *result);
        result->open = linkIsOpen(*l);
    };
    if (!worker->run(task, boundMs)) {
        quiet.setRemainingTime(QuietAfterTimeoutMs);
        out = Result();
        out.open = opened;
        out.problem = WriteProblem::TimedOut;
        out.error = QStringLiteral("The log did not answer within %1 s.").arg(boundMs / 1000.0);
    } else {
        out = std::move(*result);
    }
    opened = out.open;
    if (!out.ok) {
        error = out.error;
        problem = out.problem == WriteProblem::None ? WriteProblem::Unreachable : out.problem;
    } else {
        problem = WriteProblem::None;
        quiet = QDeadlineTimer();
    }
    return out.ok;
}

bool LogStore::quietAfterTimeout()
{
    if (quiet.isForever() || quiet.hasExpired())
        return false;
    error = QStringLiteral("The log did not answer a moment ago.");
    problem = WriteProblem::TimedOut;
    return true;
}

bool LogStore::connect(const QString& logPath, const QString& baseFolder)
{
    close();
    addr = LogAddress::parse(logPath, baseFolder);
    if (!addr.isValid()) {
        error = addr.problem;
        return false;
    }
    const LogAddress a = addr;
    Result r;
    onWorker([a](Link& l, Result& res) {
        l.addr = a;
        res.ok = openLink(l, res);
    }, ConnectBoundMs, r);
    opened = r.ok;
    return r.ok;
}

void LogStore::close()
{
    Result r;
    onWorker([](Link& l, Result& res) {
        closeLink(l);
        res.ok = true;
    }, ReadBoundMs, r);
    opened = false;
}

bool LogStore::isOpen() const
{
    return opened;
}

std::optional<std::vector<Contact>> LogStore::read(const QString& sql, int boundMs)
{
    Result r;
    if (!onWorker([sql](Link& l, Result& res) {
            withRetry(l, res, [&sql](Link& ll, Result& rr) { readRows(ll, rr, sql); });
        }, boundMs, r))
        return std::nullopt;
    return std::move(r.rows);
}

bool LogStore::write(const QString& sql)
{
    Result r;
    return onWorker([sql](Link& l, Result& res) { writeRows(l, res, sql); }, WriteBoundMs, r);
}

bool LogStore::probeWritable()
{
    Contact probe;
    probe.calls = QStringLiteral("ZELQPROBE");
    const QString sql = insertStatement(probe);
    Result r;
    return onWorker([sql](Link& l, Result& res) {
        if (!ensureOpen(l, res))
            return;
        QSqlDatabase db = QSqlDatabase::database(l.name, false);
        setBusyWait(l, db, sqliteWriteBusyMs);
        if (!db.transaction()) {
            fail(l, res, db.lastError());
            return;
        }
        QSqlQuery q(db);
        const bool wrote = q.exec(sql);
        const QSqlError e = q.lastError();
        q.finish();
        db.rollback();
        if (!wrote)
            fail(l, res, e);
        else
            res.ok = true;
    }, WriteBoundMs, r);
}

std::optional<std::vector<Contact>> LogStore::selectAllOrdered(int boundMs)
{
    if (quietAfterTimeout())
        return std::nullopt;
    return read(QStringLiteral("select * from tbllog order by flddate, fldtime"), boundMs);
}

std::optional<std::vector<Contact>> LogStore::selectAll()
{
    return read(QStringLiteral("select * from tbllog"));
}

std::optional<std::vector<Contact>> LogStore::selectByCall(const QString& call)
{
    return read(QStringLiteral("select * from tbllog where calls='") + quote(call)
                + QLatin1Char('\''));
}

std::optional<double> LogStore::rowCount()
{
    if (quietAfterTimeout())
        return std::nullopt;
    Result r;
    if (!onWorker([](Link& l, Result& res) { withRetry(l, res, countRows); }, ReadBoundMs, r))
        return std::nullopt;
    return r.count;
}

QString LogStore::quote(const QString& value)
{
    QString v = value;
    return v.replace(QLatin1Char('\''), QLatin1String("''"));
}

QString LogStore::insertStatement(const Contact& c)
{
    QStringList values;
    for (int i = 0; i < ColumnCount; ++i)
        values << quote(c.at(i));
    return QStringLiteral("insert into tbllog (%1)").arg(QLatin1String(columns))
        + QStringLiteral("VALUES ('") + values.join(QLatin1String("','")) + QStringLiteral("')");
}

QString LogStore::updateStatement(const Contact& c, const QString& oldCall, const QString& oldBand,
                                  const QString& oldTime)
{
    return QStringLiteral("update tbllog set calls='") + quote(c.calls)
        + QStringLiteral("', namerec='") + quote(c.namerec) + QStringLiteral("', spc='")
        + quote(c.spc) + QStringLiteral("' , cont='") + quote(c.cont)
        + QStringLiteral("', flddate='") + quote(c.flddate) + QStringLiteral("', fldtime='")
        + quote(c.fldtime) + QStringLiteral("', uband='") + quote(c.uband)
        + QStringLiteral("', namesent='") + quote(c.namesent) + QStringLiteral("', trn='")
        + quote(c.trn) + QStringLiteral("'where calls='") + quote(oldCall)
        + QStringLiteral("' And uband = '") + quote(oldBand) + QStringLiteral("' And fldtime = '")
        + quote(oldTime) + QLatin1Char('\'');
}

QString LogStore::deleteStatement(const QString& call, const QString& band, const QString& time)
{
    return QStringLiteral("delete from tbllog where calls='") + quote(call)
        + QStringLiteral("' And uband = '") + quote(band) + QStringLiteral("'  And fldtime = '")
        + quote(time) + QLatin1Char('\'');
}

bool LogStore::insert(const Contact& c)
{
    return write(insertStatement(c));
}

bool LogStore::update(const Contact& c, const QString& oldCall, const QString& oldBand,
                      const QString& oldTime)
{
    return write(updateStatement(c, oldCall, oldBand, oldTime));
}

bool LogStore::deleteOne(const QString& call, const QString& band, const QString& time)
{
    return write(deleteStatement(call, band, time));
}

bool LogStore::eraseAll()
{
    return write(QStringLiteral("delete from tbllog"));
}

bool LogStore::onNetworkFileSystem() const
{
    return addr.kind == LogAddress::Kind::SQLiteFile && isOnNetworkFileSystem(addr.filePath);
}

bool isOnNetworkFileSystem(const QString& path)
{
    struct statfs fs {};
    if (statfs(QFile::encodeName(path).constData(), &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x6969UL:     // NFS
    case 0x517BUL:     // SMB
    case 0xFF534D42UL: // CIFS
    case 0xFE534D42UL: // SMB2
    case 0x65735546UL: // FUSE (sshfs and friends)
    case 0x564C:       // NCP
    case 0x73757245UL: // Coda
    case 0x47504653UL: // GPFS
    case 0x5346414FUL: // AFS
        return true;
    default:
        return false;
    }
}

bool LogStore::createLog(const QString& logPath, QString* errorOut, const QString& baseFolder)
{
    const auto fail = [errorOut](const QString& e) {
        if (errorOut)
            *errorOut = e;
        return false;
    };
    const LogAddress a = LogAddress::parse(logPath, baseFolder);
    if (!a.isValid())
        return fail(a.problem);
    if (!QSqlDatabase::isDriverAvailable(logDriver(a)))
        return fail(QStringLiteral("The database driver %1 is not installed.").arg(logDriver(a)));
    if (a.kind == LogAddress::Kind::SQLiteFile && QFileInfo::exists(a.filePath))
        return fail(QStringLiteral("%1 already exists; it is left as it is.").arg(a.filePath));

    const QString conn = QStringLiteral("zelq_create_") + QUuid::createUuid().toString(QUuid::Id128);
    QString err;
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(logDriver(a), conn);
        setUpLogConnection(db, a, "rwc");
        if (!db.open()) {
            err = errorText(db.lastError());
        } else if (hasLogTable(db, nullptr)) {
            err = QStringLiteral("%1 already holds a log; it is left as it is.").arg(a.display());
        } else if (!db.transaction()) {
            err = errorText(db.lastError());
        } else {
            ok = true;
            for (const QString& sql : a.isServer() ? postgresSchema() : sqliteSchema())
                if (!run(db, sql, &err)) {
                    ok = false;
                    break;
                }
            if (ok && !db.commit()) {
                err = errorText(db.lastError());
                ok = false;
            }
            if (!ok)
                db.rollback();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(conn);
    if (!ok && a.kind == LogAddress::Kind::SQLiteFile && QFileInfo(a.filePath).size() == 0)
        QFile::remove(a.filePath); // leave no empty file behind
    return ok ? true : fail(err);
}

} // namespace zelq
