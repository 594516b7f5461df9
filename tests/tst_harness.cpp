// The test harness itself: a private home per test and the PostgreSQL
// server of the run, which every later test relies on.
#include "PgTestServer.h"
#include "TempHome.h"

#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUrl>
#include <QtTest>

using namespace zelq::test;

class HarnessTest : public QObject {
    Q_OBJECT
private slots:
    void tempHomeRedirectsEveryUserFolder()
    {
        const QByteArray realHome = qgetenv("HOME");
        {
            TempHome home;
            QVERIFY(home.isValid());
            QVERIFY(home.path().startsWith(QStringLiteral("/tmp/")));
            QCOMPARE(QDir::homePath(), home.home());
            QVERIFY(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                        .startsWith(home.home()));
            QCOMPARE(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
                     home.dataHome());
            QCOMPARE(qEnvironmentVariable("ZELQ_HOME"), home.installDir());
            QSettings s(QStringLiteral("DORVY_Software"), QStringLiteral("ZELQ Logger"));
            s.setValue(QStringLiteral("Settings/Probe"), 1);
            s.sync();
            QVERIFY(s.fileName().startsWith(home.configHome()));
        }
        QCOMPARE(qgetenv("HOME"), realHome);
    }

    void eachTestGetsItsOwnPostgresDatabaseWithCitext()
    {
        PgTestDatabase db;
        ZELQ_REQUIRE_PG(db);
        PgTestDatabase other;
        QVERIFY(other.isValid());
        QVERIFY(db.name() != other.name());

        const QUrl url(db.address());
        {
            QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("probe"));
            c.setHostName(url.host());
            c.setPort(url.port());
            c.setUserName(url.userName());
            c.setDatabaseName(url.path().mid(1));
            QVERIFY2(c.open(), qPrintable(c.lastError().text()));
            QSqlQuery q(c);
            QVERIFY(q.exec(QStringLiteral("CREATE EXTENSION IF NOT EXISTS citext")));
            QVERIFY(q.exec(QStringLiteral("SELECT 'w1aw'::citext = 'W1AW'::citext")));
            QVERIFY(q.next());
            QVERIFY(q.value(0).toBool());
        }
        QSqlDatabase::removeDatabase(QStringLiteral("probe"));
    }
};

QTEST_GUILESS_MAIN(HarnessTest)
#include "tst_harness.moc"
