#include "log/LogConnectionSetup.h"

#include <QUrl>

namespace zelq {

QString logDriver(const LogAddress& a)
{
    return a.kind == LogAddress::Kind::SQLiteFile ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL");
}

void setUpLogConnection(QSqlDatabase& db, const LogAddress& a, const char* sqliteMode,
                        const QString& pgExtra)
{
    if (a.kind == LogAddress::Kind::SQLiteFile) {
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=10000"));
        // Percent-encoded so that blanks, "?" and "#" in folder names survive.
        db.setDatabaseName(QUrl::fromLocalFile(a.filePath).toString(QUrl::FullyEncoded)
                           + QStringLiteral("?mode=") + QLatin1String(sqliteMode));
        return;
    }
    db.setHostName(a.host);
    db.setPort(a.port);
    if (!a.user.isEmpty())
        db.setUserName(a.user);
    db.setDatabaseName(a.database);
    QString options = QStringLiteral("connect_timeout=3;keepalives=1;keepalives_idle=5;"
                                     "keepalives_interval=2;keepalives_count=2;tcp_user_timeout=5000");
    if (!pgExtra.isEmpty())
        options += QLatin1Char(';') + pgExtra;
    db.setConnectOptions(options);
}

} // namespace zelq
