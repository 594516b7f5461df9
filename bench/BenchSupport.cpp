#include "BenchSupport.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace zelq::bench {

RawConnection::RawConnection(const LogAddress& a)
    : name(QStringLiteral("bench_raw_") + QUuid::createUuid().toString(QUuid::Id128))
{
    QSqlDatabase db = QSqlDatabase::addDatabase(
        a.isServer() ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"), name);
    if (a.isServer()) {
        db.setHostName(a.host);
        db.setPort(a.port);
        db.setUserName(a.user);
        db.setDatabaseName(a.database);
    } else {
        db.setDatabaseName(a.filePath);
    }
    if (!db.open())
        err = db.lastError().text();
}

RawConnection::~RawConnection()
{
    {
        QSqlDatabase d = QSqlDatabase::database(name, false);
        d.close();
    }
    QSqlDatabase::removeDatabase(name);
}

bool RawConnection::exec(const QString& sql)
{
    QSqlQuery q(db());
    if (q.exec(sql))
        return true;
    err = q.lastError().text();
    return false;
}

bool maintenance(const LogAddress& admin, const QString& sql, QString* error)
{
    RawConnection raw(admin);
    if (raw.ok() && raw.exec(sql))
        return true;
    *error = raw.error();
    return false;
}

} // namespace zelq::bench
