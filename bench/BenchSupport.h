#pragma once
// Helpers the benches share: a raw connection of their own for bulk fills,
// and making or dropping a bench database through a maintenance address.

#include "log/LogAddress.h"

#include <QSqlDatabase>
#include <QString>
#include <QTextStream>
#include <vector>

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

// The value below which the fraction `p` of `values` lies (1.0: the largest);
// 0 for none.
double percentile(std::vector<double> values, double p);

// A table of figures: measure, value with its unit, target.
class FigureTable {
public:
    explicit FigureTable(QTextStream& out);
    void row(const char* measure, double value, const char* unit, const char* target);

private:
    QTextStream& out;
};

// Runs one statement on the maintenance database (CREATE/DROP DATABASE).
bool maintenance(const LogAddress& admin, const QString& sql, QString* error);

} // namespace zelq::bench
