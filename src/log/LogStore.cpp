#include "log/LogStore.h"

#include "log/LogConnectionSetup.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>
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

LogStore::LogStore(const QString& connectionName)
    : name(connectionName + QLatin1Char('_') + QUuid::createUuid().toString(QUuid::Id128))
{
}

LogStore::~LogStore()
{
    close();
}

bool LogStore::connect(const QString& logPath, const QString& baseFolder)
{
    close();
    addr = LogAddress::parse(logPath, baseFolder);
    if (!addr.isValid()) {
        error = addr.problem;
        return false;
    }
    return open();
}

bool LogStore::open()
{
    broken = false;
    if (QSqlDatabase::contains(name))
        QSqlDatabase::removeDatabase(name);
    if (!QSqlDatabase::isDriverAvailable(logDriver(addr))) {
        error = QStringLiteral("The database driver %1 is not installed.").arg(logDriver(addr));
        return false;
    }
    if (addr.kind == LogAddress::Kind::SQLiteFile && !QFileInfo(addr.filePath).isFile()) {
        error = QStringLiteral("There is no log file at %1.").arg(addr.filePath);
        return false;
    }
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(logDriver(addr), name);
        setUpLogConnection(db, addr, "rw");
        // Look before touching: a file that is not our log (another
        // program's database) must not be changed by the attempt.
        if (!db.open()) {
            error = errorText(db.lastError());
        } else if (!hasLogTable(db, &error)) {
            error = QStringLiteral("%1 holds no ZELQ log (%2).").arg(addr.display(), error);
        } else if (addr.kind == LogAddress::Kind::SQLiteFile
                   && !(run(db, QStringLiteral("PRAGMA journal_mode=DELETE"), &error)
                        && run(db, QStringLiteral("PRAGMA synchronous=FULL"), &error))) {
            // the journal could not be set up: the file stays unused
        } else {
            ok = true;
        }
        if (!ok)
            db.close();
    }
    if (!ok)
        QSqlDatabase::removeDatabase(name);
    return ok;
}

void LogStore::close()
{
    if (QSqlDatabase::contains(name)) {
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
    broken = false;
}

bool LogStore::isOpen() const
{
    return QSqlDatabase::contains(name) && QSqlDatabase::database(name, false).isOpen();
}

bool LogStore::ensureOpen()
{
    if (!addr.isValid()) {
        error = QStringLiteral("No log is connected.");
        return false;
    }
    if (isOpen() && !broken)
        return true;
    return open();
}

std::optional<std::vector<Contact>> LogStore::readOnce(const QString& sql)
{
    if (!ensureOpen())
        return std::nullopt;
    QSqlDatabase db = QSqlDatabase::database(name, false);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(sql)) {
        error = errorText(q.lastError());
        broken = true;
        return std::nullopt;
    }
    std::vector<Contact> rows;
    const int n = std::min(q.record().count(), ColumnCount);
    while (q.next()) {
        Contact c;
        for (int i = 0; i < n; ++i)
            c.at(i) = q.value(i).toString();
        rows.push_back(std::move(c));
    }
    if (q.lastError().isValid()) {
        error = errorText(q.lastError());
        broken = true;
        return std::nullopt;
    }
    q.finish(); // release the read lock at once: other positions wait on it
    return rows;
}

std::optional<std::vector<Contact>> LogStore::read(const QString& sql)
{
    const bool wasHealthy = isOpen() && !broken;
    auto rows = readOnce(sql);
    if (!rows && wasHealthy && broken)
        rows = readOnce(sql); // the connection may have dropped since the last statement
    return rows;
}

bool LogStore::write(const QString& sql)
{
    if (!ensureOpen())
        return false;
    QSqlDatabase db = QSqlDatabase::database(name, false);
    QSqlQuery q(db);
    if (!q.exec(sql)) {
        error = errorText(q.lastError());
        broken = true;
        return false;
    }
    return true;
}

std::optional<std::vector<Contact>> LogStore::selectAllOrdered()
{
    return read(QStringLiteral("select * from tbllog order by flddate, fldtime"));
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
    const auto once = [this]() -> std::optional<double> {
        if (!ensureOpen())
            return std::nullopt;
        QSqlDatabase db = QSqlDatabase::database(name, false);
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("select count(*) as fsizeold from tbllog")) || !q.next()) {
            error = errorText(q.lastError());
            broken = true;
            return std::nullopt;
        }
        const double n = q.value(0).toDouble();
        q.finish();
        return n;
    };
    const bool wasHealthy = isOpen() && !broken;
    auto n = once();
    if (!n && wasHealthy && broken)
        n = once();
    return n;
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
