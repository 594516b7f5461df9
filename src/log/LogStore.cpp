#include "log/LogStore.h"

#include "log/LogConnectionSetup.h"
#include "log/LogLink.h"
#include "log/LogWorker.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <sys/vfs.h>

namespace zelq {

namespace {

using namespace loglink;

const char* const columns = "calls, namerec, spc, cont, flddate, fldtime, uband, namesent, trn";

// Schema of a new log. Text compares without regard to case in both
// engines, so the statements' "calls='…'" finds w1aw as W1AW.
QStringList sqliteSchema()
{
    return QStringList{QStringLiteral("CREATE TABLE tbllog ("
                           "calls TEXT COLLATE NOCASE, namerec TEXT COLLATE NOCASE, "
                           "spc TEXT COLLATE NOCASE, cont TEXT COLLATE NOCASE, "
                           "flddate TEXT COLLATE NOCASE, fldtime TEXT COLLATE NOCASE, "
                           "uband TEXT COLLATE NOCASE, namesent TEXT COLLATE NOCASE, "
                           "trn TEXT COLLATE NOCASE)"),
            QStringLiteral("CREATE INDEX tbllog_calls ON tbllog (calls)")}
        + sqliteChangeTracking();
}

QStringList postgresSchema()
{
    return QStringList{QStringLiteral("CREATE EXTENSION IF NOT EXISTS citext"),
            QStringLiteral("CREATE TABLE tbllog ("
                           "calls citext, namerec citext, spc citext, cont citext, "
                           "flddate citext, fldtime citext, uband citext, namesent citext, "
                           "trn citext)"),
            QStringLiteral("CREATE INDEX tbllog_calls ON tbllog (calls)")}
        // Other positions may listen instead of polling.
        + postgresChangeTracking();
}

} // namespace

LogStore::LogStore(const QString& connectionName)
    : link(std::make_shared<Link>()), worker(std::make_unique<LogWorker>()),
      receiver(std::make_unique<QObject>())
{
    link->name = connectionName + QLatin1Char('_') + QUuid::createUuid().toString(QUuid::Id128);
    link->publish = worker->handlePublisher();
}

LogStore::~LogStore()
{
    worker->onWaiting = nullptr; // the window that showed it may be gone
    close();
    worker.reset(); // ends the thread before the link it uses goes
    receiver.reset(); // results still queued for it are dropped with it
}

void LogStore::later(const std::function<void(Link&, Result&)>& job, std::function<void(Result&)> done)
{
    auto l = link;
    QObject* to = receiver.get();
    // The worker's thread ends before the receiver goes, so it is there
    // whenever a job finishes.
    worker->post([l, job, to, done = std::move(done)] {
        auto result = std::make_shared<Result>();
        job(*l, *result);
        QMetaObject::invokeMethod(to, [result, done] { done(*result); }, Qt::QueuedConnection);
    });
}

void LogStore::currentMarkLater(qint64 knownVersion, std::function<void(std::optional<LogMark>)> done)
{
    later([knownVersion](Link& l, Result& res) { readState(l, res, knownVersion, false); },
          [done = std::move(done)](Result& r) {
              done(r.ok ? std::optional<LogMark>(r.mark) : std::nullopt);
          });
}

void LogStore::selectAddedAfterLater(qint64 after, std::function<void(std::optional<AddedRows>)> done)
{
    later([after](Link& l, Result& res) { readAddedAfter(l, res, after); },
          [done = std::move(done)](Result& r) {
              if (!r.ok) {
                  done(std::nullopt);
                  return;
              }
              done(AddedRows{std::move(r.rows), std::move(r.rowids), r.mark});
          });
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
    if (out.backendPid && !ownPids.contains(out.backendPid))
        ownPids.append(out.backendPid);
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
    const bool ok = onWorker([sql](Link& l, Result& res) { writeRows(l, res, sql); }, WriteBoundMs, r);
    insertedRowid = ok ? r.insertedRowid : 0;
    return ok;
}

bool LogStore::probeWritable()
{
    Contact probe;
    probe.calls = QStringLiteral("ZELQPROBE");
    const QString sql = insertStatement(probe);
    Result r;
    return onWorker([sql](Link& l, Result& res) { loglink::probeWrite(l, res, sql); }, WriteBoundMs, r);
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

std::optional<std::vector<Contact>> LogStore::selectAllOrderedMarked(LogMark& mark, int boundMs)
{
    if (quietAfterTimeout())
        return std::nullopt;
    const QString sql = QStringLiteral("select * from tbllog order by flddate, fldtime");
    Result r;
    if (!onWorker([sql](Link& l, Result& res) {
            withRetry(l, res, [&sql](Link& ll, Result& rr) { readMarked(ll, rr, sql); });
        }, boundMs, r))
        return std::nullopt;
    mark = r.mark;
    return std::move(r.rows);
}

std::optional<LogMark> LogStore::currentMark(qint64 knownVersion)
{
    if (quietAfterTimeout())
        return std::nullopt;
    Result r;
    if (!onWorker([knownVersion](Link& l, Result& res) { readState(l, res, knownVersion, true); },
                  ReadBoundMs, r))
        return std::nullopt;
    return r.mark;
}

std::optional<std::vector<Contact>> LogStore::selectAddedAfter(qint64 after,
                                                               std::vector<qint64>& rowids,
                                                               LogMark& mark)
{
    if (quietAfterTimeout())
        return std::nullopt;
    Result r;
    if (!onWorker([after](Link& l, Result& res) { readAddedAfter(l, res, after); }, ReadBoundMs, r))
        return std::nullopt;
    rowids = std::move(r.rowids);
    mark = r.mark;
    return std::move(r.rows);
}

bool committedBefore(const QString& snapshot, qint64 txid)
{
    const QStringList parts = snapshot.split(QLatin1Char(':'));
    if (parts.size() != 3)
        return false;
    bool okMin = false, okMax = false;
    const qint64 xmin = parts[0].toLongLong(&okMin);
    const qint64 xmax = parts[1].toLongLong(&okMax);
    if (!okMin || !okMax)
        return false;
    if (txid < xmin)
        return true;
    if (txid >= xmax)
        return false;
    // in between: committed unless still running when the snapshot was taken
    for (const QString& running : parts[2].split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (running.toLongLong() == txid)
            return false;
    return true;
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