#include "log/LogAddress.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace zelq {

LogAddress LogAddress::parse(const QString& text, const QString& baseFolder)
{
    LogAddress a;
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        a.problem = QStringLiteral("No log file given.");
        return a;
    }
    if (t.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive)
        || t.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive)) {
        const QUrl url(t, QUrl::StrictMode);
        if (!url.isValid() || url.host().isEmpty()) {
            a.problem = QStringLiteral("The server address is not valid: %1").arg(t);
            return a;
        }
        if (!url.password().isEmpty()) {
            a.problem = QStringLiteral("Leave the password out of the server address; "
                                       "put it in ~/.pgpass or PGPASSWORD.");
            return a;
        }
        a.database = url.path().mid(1);
        if (a.database.isEmpty() || a.database.contains(QLatin1Char('/'))) {
            a.problem = QStringLiteral("The server address needs a database name: "
                                       "postgresql://host/dbname");
            return a;
        }
        a.kind = Kind::PostgreSQL;
        a.host = url.host();
        a.port = url.port(5432);
        a.user = url.userName();
        return a;
    }
    const QString base = baseFolder.isEmpty() ? QDir::currentPath() : baseFolder;
    a.kind = Kind::SQLiteFile;
    a.filePath = QDir::cleanPath(QDir(base).absoluteFilePath(t));
    return a;
}

QString LogAddress::display() const
{
    switch (kind) {
    case Kind::SQLiteFile:
        return filePath;
    case Kind::PostgreSQL:
        return QStringLiteral("%1:%2/%3").arg(host).arg(port).arg(database);
    case Kind::Invalid:
        break;
    }
    return QString();
}

} // namespace zelq
