#include "export/Append.h"

#include "log/LogConnectionSetup.h"

#include "export/Backup.h"
#include "log/LogStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>
#include <QUuid>
#include <sys/stat.h>

namespace zelq {

namespace {

QString errorText(const QSqlError& e)
{
    QString t = e.text().trimmed();
    return t.isEmpty() ? QStringLiteral("unknown database error") : t;
}


bool looksLikeSQLite(const QString& path)
{
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly))
        return false;
    return f.read(16) == QByteArray("SQLite format 3", 16);
}

// The typed text as a file path, resolved against the installation folder.
QString resolvedFile(const QString& typed, const QString& installFolder)
{
    if (typed.trimmed().isEmpty())
        return {};
    return LogAddress::parse(typed, installFolder).filePath;
}

bool isServerAddress(const QString& typed)
{
    return typed.trimmed().startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive)
        || typed.trimmed().startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

bool sameFile(const QString& a, const QString& b)
{
    struct stat sa {}, sb {};
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0
        || ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// Whether the log already holds this call on this band.
std::optional<bool> hasCallOnBand(QSqlDatabase& db, const Contact& c, QString* err)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("select * from tbllog where calls='") + LogStore::quote(c.calls)
                + QLatin1Char('\''))) {
        *err = errorText(q.lastError());
        return std::nullopt;
    }
    const int bandColumn = int(Column::uband);
    const int callColumn = int(Column::calls);
    while (q.next()) {
        if (q.value(callColumn).toString().compare(c.calls, Qt::CaseInsensitive) == 0
            && q.value(bandColumn).toString().compare(c.uband, Qt::CaseInsensitive) == 0)
            return true;
    }
    if (q.lastError().isValid()) {
        *err = errorText(q.lastError());
        return std::nullopt;
    }
    return false;
}

} // namespace

// --- LogConnection ---

LogConnection::LogConnection()
    : name(QStringLiteral("zelq_bulk_") + QUuid::createUuid().toString(QUuid::Id128))
{
}

LogConnection::~LogConnection()
{
    close();
}

bool LogConnection::open(const LogAddress& a, bool readOnly)
{
    close();
    if (!a.isValid()) {
        error = a.problem;
        return false;
    }
    const QString driver = logDriver(a);
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        error = QStringLiteral("The database driver %1 is not installed.").arg(driver);
        return false;
    }
    if (!a.isServer() && !QFileInfo(a.filePath).isFile()) {
        error = QStringLiteral("There is no log file at %1.").arg(a.filePath);
        return false;
    }
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, name);
        setUpLogConnection(db, a, readOnly ? "ro" : "rw");
        if (!db.open()) {
            error = errorText(db.lastError());
        } else {
            QSqlQuery q(db);
            if (!q.exec(QStringLiteral("select count(*) from tbllog")))
                error = QStringLiteral("%1 holds no ZELQ log (%2).")
                            .arg(a.display(), errorText(q.lastError()));
            else
                ok = true;
        }
        if (!ok)
            db.close();
    }
    if (!ok)
        QSqlDatabase::removeDatabase(name);
    return ok;
}

void LogConnection::close()
{
    if (!QSqlDatabase::contains(name))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

QSqlDatabase LogConnection::database() const
{
    return QSqlDatabase::database(name, false);
}

bool LogConnection::exec(const QString& sql)
{
    QSqlDatabase db = database();
    QSqlQuery q(db);
    if (q.exec(sql))
        return true;
    error = errorText(q.lastError());
    return false;
}

std::optional<std::vector<Contact>> LogConnection::selectAll()
{
    QSqlDatabase db = database();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("select * from tbllog"))) {
        error = errorText(q.lastError());
        return std::nullopt;
    }
    if (q.record().count() < ColumnCount) {
        error = QStringLiteral("the log table has %1 columns instead of %2")
                    .arg(q.record().count())
                    .arg(ColumnCount);
        return std::nullopt;
    }
    std::vector<Contact> rows;
    while (q.next()) {
        Contact c;
        for (int i = 0; i < ColumnCount; ++i)
            c.at(i) = q.value(i).toString();
        rows.push_back(std::move(c));
    }
    if (q.lastError().isValid()) {
        error = errorText(q.lastError());
        return std::nullopt;
    }
    return rows;
}

// --- the source ---

AppendSource classifyAppendSource(const QString& typed, const QString& installFolder)
{
    AppendSource s;
    if (isServerAddress(typed)) {
        s.kind = AppendSourceKind::Log;
        s.log = LogAddress::parse(typed, installFolder);
        return s;
    }
    s.filePath = resolvedFile(typed, installFolder);
    if (looksLikeSQLite(s.filePath)) {
        // A log by its content: an SQLite file that holds the log table.
        const LogAddress a = LogAddress::parse(s.filePath, installFolder);
        LogConnection probe;
        if (a.kind == LogAddress::Kind::SQLiteFile && probe.open(a, true)) {
            s.kind = AppendSourceKind::Log;
            s.log = a;
        }
    }
    return s;
}

bool isSameLog(const QString& typed, const QString& logPath, const QString& installFolder)
{
    const QString t = typed.trimmed();
    if (t.compare(logPath.trimmed(), Qt::CaseInsensitive) == 0)
        return true;
    const LogAddress log = LogAddress::parse(logPath, installFolder);
    if (isServerAddress(t)) {
        const LogAddress src = LogAddress::parse(t, installFolder);
        return log.isServer() && src.isServer()
            && src.host.compare(log.host, Qt::CaseInsensitive) == 0 && src.port == log.port
            && src.database == log.database;
    }
    if (log.isServer())
        return false;
    const QString srcPath = resolvedFile(t, installFolder);
    const QString logFile = log.filePath;
    if (srcPath.compare(logFile, Qt::CaseInsensitive) == 0)
        return true;
    const QString a = QFileInfo(srcPath).canonicalFilePath();
    const QString b = QFileInfo(logFile).canonicalFilePath();
    if (!a.isEmpty() && a.compare(b, Qt::CaseInsensitive) == 0)
        return true;
    return sameFile(srcPath, logFile); // a hard link
}

// --- the append ---

QString appendSummary(const AppendResult& r)
{
    const auto records = [](int n) {
        return n == 1 ? QStringLiteral("1 record") : QStringLiteral("%1 records").arg(n);
    };
    QString text = QStringLiteral("%1 appended, %2 skipped")
                       .arg(records(r.inserted))
                       .arg(r.skipped + r.unreadable);
    QStringList why;
    if (r.skipped > 0)
        why << QStringLiteral("%1 already in the log").arg(r.skipped);
    if (r.unreadable > 0)
        why << QStringLiteral("%1 unreadable").arg(r.unreadable);
    if (!why.isEmpty())
        text += QStringLiteral(" (") + why.join(QStringLiteral(", ")) + QLatin1Char(')');
    return text + QLatin1Char('.');
}

QString appendReport(const AppendResult& r)
{
    QString said = appendSummary(r);
    for (const QString& problem : r.problems.mid(0, 3))
        said += QStringLiteral("\nSkipped ") + problem + QLatin1Char('.');
    if (r.unreadable > 3)
        said += QStringLiteral("\n\u2026");
    return said;
}

AppendResult appendToLog(const QString& logPath, const QString& sourceText,
                         const QString& installFolder, const AppendOptions& options,
                         const AppendProgress& progress)
{
    AppendResult result;

    // Read the source whole first: its connection is closed before the
    // log is written.
    std::vector<Contact> rows;
    QString readError;
    const AppendSource source = classifyAppendSource(sourceText, installFolder);
    if (source.kind == AppendSourceKind::Log) {
        LogConnection src;
        if (!src.open(source.log, !source.log.isServer())) {
            result.error = src.errorString();
            return result;
        }
        auto all = src.selectAll();
        if (!all) {
            result.error = src.errorString();
            return result;
        }
        rows = std::move(*all);
    } else {
        BackupContents contents = readBackupFile(source.filePath);
        rows = std::move(contents.contacts);
        readError = contents.error;
        result.unreadable = contents.unreadable;
        result.problems = contents.problems;
    }
    result.read = int(rows.size());

    LogConnection target;
    if (!rows.empty() && !target.open(LogAddress::parse(logPath, installFolder), false)) {
        result.error = target.errorString();
        return result;
    }
    const bool sqlite = !target.database().driverName().contains(QLatin1String("PSQL"));
    // SQLite: take the write lock at once, so that the duplicate query and
    // the insert never meet another writer half-way.
    const QString begin = sqlite ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN");
    const int batchSize = std::max(1, options.batchSize);
    const int total = int(rows.size());

    int pendingInserts = 0; // inserted in the open transaction
    int pendingSkips = 0;
    bool inTransaction = false;
    const auto commit = [&]() {
        if (!inTransaction)
            return true;
        inTransaction = false;
        if (!target.exec(QStringLiteral("COMMIT"))) {
            target.exec(QStringLiteral("ROLLBACK"));
            pendingInserts = pendingSkips = 0;
            return false;
        }
        result.inserted += pendingInserts;
        result.skipped += pendingSkips;
        pendingInserts = pendingSkips = 0;
        return true;
    };

    QString rowError;
    for (int i = 0; i < total && rowError.isEmpty(); ++i) {
        if (!inTransaction) {
            if (!target.exec(begin)) {
                rowError = target.errorString();
                break;
            }
            inTransaction = true;
        }
        const Contact& c = rows[size_t(i)];
        QSqlDatabase db = target.database();
        if (!target.exec(QStringLiteral("SAVEPOINT append_row"))) {
            rowError = target.errorString();
            break;
        }
        bool skip = false;
        if (options.skipDuplicates) {
            QString err;
            const auto dup = hasCallOnBand(db, c, &err);
            if (!dup)
                rowError = err;
            else
                skip = *dup;
        }
        if (rowError.isEmpty() && !skip && !target.exec(LogStore::insertStatement(c)))
            rowError = target.errorString();
        if (!rowError.isEmpty()) {
            // undo this row alone; the rows before it are committed below
            target.exec(QStringLiteral("ROLLBACK TO SAVEPOINT append_row"));
            target.exec(QStringLiteral("RELEASE SAVEPOINT append_row"));
            rowError = QStringLiteral("record %1 (%2): %3").arg(i + 1).arg(c.calls, rowError);
            break;
        }
        target.exec(QStringLiteral("RELEASE SAVEPOINT append_row"));
        skip ? ++pendingSkips : ++pendingInserts;
        if ((i + 1) % batchSize == 0 && !commit()) {
            rowError = target.errorString();
            break;
        }
        if (progress && ((i + 1) % 25 == 0 || i + 1 == total))
            progress(i + 1, total);
    }
    if (!commit() && rowError.isEmpty())
        rowError = target.errorString();

    if (!rowError.isEmpty())
        result.error = rowError;
    else if (!readError.isEmpty())
        result.error = readError;
    return result;
}

} // namespace zelq
