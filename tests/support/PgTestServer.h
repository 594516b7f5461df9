#pragma once
// The test run's PostgreSQL server (started by CTest before the tests that
// need it) and a fresh database per test.
//
//   PgTestDatabase db;            // in a test function
//   ZELQ_REQUIRE_PG(db);          // skips without a server; fails under CI=true
//   store.connect(db.address());  // postgresql://postgres@127.0.0.1:PORT/zelq_t...

#include <QString>
#include <QtTest/QTest>

namespace zelq::test {

class PgTestServer {
public:
    // "postgresql://postgres@127.0.0.1:PORT/postgres", or empty without a server.
    static QString maintenanceAddress();
    // Under CI=true a test that cannot get its server fails instead of skipping.
    static bool mustRun();
};

class PgTestDatabase {
public:
    PgTestDatabase();
    ~PgTestDatabase();
    PgTestDatabase(const PgTestDatabase&) = delete;
    PgTestDatabase& operator=(const PgTestDatabase&) = delete;

    bool isValid() const { return !addr.isEmpty(); }
    QString address() const { return addr; }
    QString name() const { return dbName; }
    QString error() const { return err; }

private:
    QString addr;
    QString dbName;
    QString err;
};

} // namespace zelq::test

#define ZELQ_REQUIRE_PG(db)                                                                     \
    do {                                                                                        \
        if (!(db).isValid()) {                                                                  \
            if (zelq::test::PgTestServer::mustRun())                                            \
                QFAIL(qPrintable(QStringLiteral("no PostgreSQL test database: ") + (db).error())); \
            QSKIP(qPrintable(QStringLiteral("no PostgreSQL test database: ") + (db).error()));  \
        }                                                                                       \
    } while (false)
