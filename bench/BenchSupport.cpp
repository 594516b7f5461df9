#include "BenchSupport.h"

#include <algorithm>

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

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p * double(values.size())))];
}

FigureTable::FigureTable(QTextStream& o) : out(o)
{
    out << qSetFieldWidth(34) << Qt::left << "measure" << qSetFieldWidth(14) << Qt::right << "value"
        << qSetFieldWidth(12) << "target" << qSetFieldWidth(0) << "\n";
}

void FigureTable::row(const char* measure, double value, const char* unit, const char* target)
{
    out << qSetFieldWidth(34) << Qt::left << measure << qSetFieldWidth(10) << Qt::right
        << QString::number(value, 'f', 3) << qSetFieldWidth(4) << unit << qSetFieldWidth(12) << target
        << qSetFieldWidth(0) << "\n";
}

} // namespace zelq::bench
