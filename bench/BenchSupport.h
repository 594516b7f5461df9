#pragma once
// Helpers the benches share: a raw connection of their own for bulk fills,
// and making or dropping a bench database through a maintenance address.

#include "log/LogAddress.h"

#include <QSqlDatabase>
#include <QString>

namespace zelq::bench {

class RawConnection {
public:
    explicit RawConnection(const LogAddress& a);
    ~RawConnection();
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool ok() const { return err.isEmpty(); }
    QString error() const { return err; }
    QSqlDatabase db() const { return QSqlDatabase::database(name, false); }
    bool exec(const QString& sql);
    bool transaction() { return db().transaction(); }
    bool commit() { return db().commit(); }

private:
    QString name;
    QString err;
};

// Runs one statement on the maintenance database (CREATE/DROP DATABASE).
bool maintenance(const LogAddress& admin, const QString& sql, QString* error);

} // namespace zelq::bench
