#include "export/Archive.h"

#include "export/Append.h"
#include "log/LogAddress.h"
#include "log/LogStore.h"
#include "settings/FileSafeCall.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace zelq {

namespace {

// A name beside the target that nothing uses.
QString scratchPath(const QString& targetPath)
{
    const QFileInfo fi(targetPath);
    return fi.absoluteDir().filePath(QLatin1Char('.') + fi.fileName() + QLatin1Char('.')
                                     + QUuid::createUuid().toString(QUuid::Id128).left(12)
                                     + QStringLiteral(".part"));
}

bool copySQLite(const LogAddress& log, const QString& scratch, QString* err)
{
    LogConnection src;
    if (!src.open(log, true)) {
        *err = src.errorString();
        return false;
    }
    QSqlDatabase db = src.database();
    QSqlQuery q(db);
    q.prepare(QStringLiteral("VACUUM INTO ?"));
    q.addBindValue(scratch);
    if (!q.exec()) {
        *err = q.lastError().text().trimmed();
        return false;
    }
    return true;
}

bool copyServerLog(const LogAddress& log, const QString& scratch, QString* err)
{
    LogConnection src;
    if (!src.open(log, false)) {
        *err = src.errorString();
        return false;
    }
    // One statement reads one snapshot of the table.
    const auto rows = src.selectAll();
    if (!rows) {
        *err = src.errorString();
        return false;
    }
    src.close();
    if (!LogStore::createLog(scratch, err))
        return false;
    LogConnection out;
    if (!out.open(LogAddress::parse(scratch), false) || !out.exec(QStringLiteral("BEGIN"))) {
        *err = out.errorString();
        return false;
    }
    for (const auto& c : *rows) {
        if (!out.exec(LogStore::insertStatement(c))) {
            *err = out.errorString();
            out.exec(QStringLiteral("ROLLBACK"));
            return false;
        }
    }
    if (!out.exec(QStringLiteral("COMMIT"))) {
        *err = out.errorString();
        return false;
    }
    return true;
}

} // namespace

QString proposedArchivePath(const QString& programFolder, const QString& ownCall,
                            const QDate& localDate)
{
    return QDir(programFolder).filePath(QStringLiteral("BACKUP/") + FileSafeCall(ownCall)
                                        + localDate.toString(QStringLiteral("yyyy-MM-dd"))
                                        + QStringLiteral(".mdb"));
}

bool archiveLog(const QString& logPath, const QString& installFolder, const QString& targetPath,
                QString* errorText)
{
    QString err;
    const auto fail = [&](const QString& e) {
        if (errorText)
            *errorText = e;
        return false;
    };
    const LogAddress log = LogAddress::parse(logPath, installFolder);
    if (!log.isValid())
        return fail(log.problem);
    const QString target = LogAddress::parse(targetPath, installFolder).filePath;
    if (targetPath.trimmed().isEmpty() || target.isEmpty())
        return fail(QStringLiteral("No archive file given."));
    if (QFileInfo(target).isDir())
        return fail(QStringLiteral("%1 is a folder.").arg(target));
    if (!log.isServer() && isSameLog(target, logPath, installFolder))
        return fail(QStringLiteral("The archive can not replace the log itself."));

    const QString scratch = scratchPath(target);
    const bool copied = log.isServer() ? copyServerLog(log, scratch, &err)
                                       : copySQLite(log, scratch, &err);
    if (!copied) {
        QFile::remove(scratch);
        return fail(err.isEmpty() ? QStringLiteral("The log could not be copied.") : err);
    }
    if (std::rename(QFile::encodeName(scratch).constData(), QFile::encodeName(target).constData())
        != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(scratch);
        return fail(QStringLiteral("%1: %2").arg(target, why));
    }
    return true;
}

} // namespace zelq
