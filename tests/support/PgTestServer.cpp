#include "PgTestServer.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUuid>

namespace zelq::test {

namespace {

// Runs one statement on the maintenance database; returns the error text.
QString runAdmin(const QString& sql)
{
    const QUrl url(PgTestServer::maintenanceAddress());
    const QString connName = QStringLiteral("zelq_pg_admin_") + QUuid::createUuid().toString(QUuid::Id128);
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connName);
        db.setHostName(url.host());
        db.setPort(url.port(5432));
        db.setUserName(url.userName());
        db.setDatabaseName(url.path().mid(1));
        db.setConnectOptions(QStringLiteral("connect_timeout=5"));
        if (!db.open()) {
            error = db.lastError().text();
        } else {
            QSqlQuery q(db);
            if (!q.exec(sql))
                error = q.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connName);
    return error;
}

} // namespace

QString PgTestServer::maintenanceAddress()
{
    QFile f(QStringLiteral(ZELQ_PG_ADDRESS_FILE));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).trimmed();
}

bool PgTestServer::mustRun()
{
    return qgetenv("CI") == "true";
}

PgTestDatabase::PgTestDatabase()
{
    const QString base = PgTestServer::maintenanceAddress();
    if (base.isEmpty()) {
        err = QStringLiteral("the test server is not running (no %1)").arg(QStringLiteral(ZELQ_PG_ADDRESS_FILE));
        return;
    }
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        err = QStringLiteral("the QPSQL driver is missing (package libqt6sql6-psql)");
        return;
    }
    const QString name = QStringLiteral("zelq_t") + QUuid::createUuid().toString(QUuid::Id128).left(16);
    const QString e = runAdmin(QStringLiteral("CREATE DATABASE %1 ENCODING 'UTF8' TEMPLATE template0").arg(name));
    if (!e.isEmpty()) {
        err = e;
        return;
    }
    dbName = name;
    QUrl url(base);
    url.setPath(QLatin1Char('/') + name);
    addr = url.toString();
}

PgTestDatabase::~PgTestDatabase()
{
    if (!dbName.isEmpty())
        runAdmin(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(dbName));
}

} // namespace zelq::test
