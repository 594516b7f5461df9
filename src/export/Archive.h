#pragma once
// The archive of the log after the contest: a consistent copy taken while
// other positions stay connected and may keep logging. An SQLite log is
// copied with VACUUM INTO (one read transaction, so the copy holds exactly
// the rows committed when it started); a log on a PostgreSQL server is
// archived as a new SQLite log file holding every row of its table. Either
// way the archive opens as a log of its own.

#include <QDate>
#include <QString>

namespace zelq {

// <programFolder>/BACKUP/<FileSafeCall(own call)><yyyy-MM-dd>.mdb
QString proposedArchivePath(const QString& programFolder, const QString& ownCall,
                            const QDate& localDate);

// Copies the log at `logPath` to `targetPath`. The copy is made aside and
// renamed into place, so an existing file at `targetPath` is replaced only
// by a complete archive. False with `errorText` on failure; the log
// itself is never changed, and is never taken as its own target.
bool archiveLog(const QString& logPath, const QString& installFolder,
                const QString& targetPath, QString* errorText);

} // namespace zelq
