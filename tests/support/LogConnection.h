#pragma once
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QUrl>
#include <QUuid>

namespace zelq::test {

// A connection of the test's own to a log (an SQLite file, or a PostgreSQL
// address with driver QPSQL), on the test's thread: for what no position
// does, such as holding a lock or renaming the table.
class LogConnection {
public:
    explicit LogConnection(const QString& address, const QString& driver = QStringLiteral("QSQLITE"))
        : name(QStringLiteral("side_") + QUuid::createUuid().toString(QUuid::Id128))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, name);
        if (driver == QLatin1String("QPSQL")) {
            const QUrl url(address);
            db.setHostName(url.host());
            db.setPort(url.port(5432));
            db.setUserName(url.userName());
            db.setDatabaseName(url.path().mid(1));
        } else {
            db.setDatabaseName(address);
        }
        db.open();
    }
    ~LogConnection()
    {
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    }
    bool isOpen() const { return QSqlDatabase::database(name, false).isOpen(); }
    bool exec(const QString& sql)
    {
        QSqlQuery q(QSqlDatabase::database(name, false));
        const bool ok = q.exec(sql);
        if (!ok)
            err = q.lastError().text();
        return ok;
    }
    int count(const QString& call)
    {
        QSqlQuery q(QSqlDatabase::database(name, false));
        if (!q.exec(QStringLiteral("select count(*) from tbllog where calls='%1'").arg(call)) || !q.next())
            return -1;
        return q.value(0).toInt();
    }
    QString error() const { return err; }

private:
    QString name;
    QString err;
};

} // namespace zelq::test
