#pragma once
// How every connection to a log is set up, in one place: the log store,
// the change listener and the append's own connections.

#include "log/LogAddress.h"

#include <QSqlDatabase>
#include <QString>

namespace zelq {

// The Qt SQL driver for the address: QSQLITE or QPSQL.
QString logDriver(const LogAddress& a);

// SQLite: a percent-encoded file: URI opened with `sqliteMode` ("rw",
// "rwc" or "ro"), never creating unless asked, and a 10 s busy wait.
// PostgreSQL: host, port, user, database and short time-outs (connect,
// keepalives, unacknowledged send), so a pulled cable costs seconds;
// `pgExtra` adds options such as an application_name.
void setUpLogConnection(QSqlDatabase& db, const LogAddress& a, const char* sqliteMode,
                        const QString& pgExtra = QString());

} // namespace zelq
