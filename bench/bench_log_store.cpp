// Log speed on a realistic contest log: the full load a reload runs
// (LogSession::mnuOpen2) at 14,000 and at 100,000 contacts, the duplicate
// query (LogStore::selectByCall) and one insert at 100,000 contacts.
// Targets: load under 50 ms at 14,000 contacts on SQLite; duplicate query
// under 1 ms; insert under 20 ms on SQLite, under 10 ms on PostgreSQL.
//
//   bench_log_store [--dir FOLDER] [postgresql://user@host:port/dbname]
//
// SQLite always runs, on a file in FOLDER (default /tmp). The insert waits
// for the disk (durable commits), so FOLDER should lie on the disk the log
// will use. PostgreSQL runs when an address is given. An address of the
// maintenance database (ending in /postgres) makes the bench create its own
// database zelq_bench there and drop it at the end; any other database must
// exist and hold no log yet, and keeps the bench's contacts afterwards.
//
// Against the PostgreSQL server of the tests:
//   tests/pg/pg_test_server start BUILD
//   BUILD/bin/bench_log_store "$(cat BUILD/pg_test_server.address)"
//   tests/pg/pg_test_server stop BUILD
// (that server runs with fsync=off, so its insert time is below what a
// real server with durable commits takes).
//
// The contacts are written in bulk on a connection of the bench's own; the
// measured operations go through LogStore and LogSession as the program
// runs them.
#include "BenchDialogs.h"
#include "BenchSupport.h"
#include "core/OperatorDialogs.h"
#include "log/LogSession.h"
#include "log/LogStore.h"
#include "log/SectionTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <QUrl>

#include <algorithm>
#include <functional>
#include <random>

using namespace zelq;
using bench::SilentBeeper;
using bench::SilentDialogs;
using bench::percentile;

using zelq::bench::RawConnection;
using zelq::bench::maintenance;

namespace {

constexpr int smallLog = 14000;
constexpr int largeLog = 100000;

// The bench asks nothing: every question gets its first button.

// Contacts of a two-day contest: about a third as many stations as
// contacts, each worked on a few bands; mostly sections, some North
// American countries, a little DX.
class ContestGenerator {
public:
    explicit ContestGenerator(int stations) : rng(20240622)
    {
        static const char* const prefixes[] = {"K", "W", "N", "AA", "AB", "AC", "AD", "AE", "AG",
                                               "KA", "KB", "KC", "KD", "KE", "KF", "KG", "KI",
                                               "WA", "WB", "WD", "N0", "VE", "VA", "XE"};
        std::uniform_int_distribution<int> prefix(0, int(std::size(prefixes)) - 1);
        std::uniform_int_distribution<int> digit(0, 9), letters(1, 3), letter(0, 25);
        for (int i = 0; i < stations; ++i) {
            QString call = QString::fromLatin1(prefixes[prefix(rng)]);
            if (!call.back().isDigit())
                call += QChar(u'0' + digit(rng));
            for (int n = letters(rng); n > 0; --n)
                call += QChar(u'A' + letter(rng));
            calls << call;
        }
    }

    Contact next(int index, int totalPlanned)
    {
        static const char* const names[] = {"BOB", "DAVE", "JIM", "MARY", "ANN", "JOHN", "BILL",
                                            "TOM", "SUE", "RICK", "ED", "AL", "JOE", "PAT"};
        static const char* const bands[] = {"160", "80", "80", "40", "40", "40", "20",
                                            "20", "20", "20", "15", "15", "10"};
        static const char* const naCountries[] = {"Mexico", "Cuba", "Bahamas", "Costa Rica",
                                                  "Guatemala", "Jamaica", "Greenland"};
        static const char* const dx[] = {"Germany", "England", "Japan", "Italy", "Spain"};
        std::uniform_int_distribution<int> pick(0, 1 << 20);
        Contact c;
        c.calls = calls[pick(rng) % calls.size()];
        c.namerec = QString::fromLatin1(names[pick(rng) % std::size(names)]);
        const int kind = pick(rng) % 100;
        if (kind < 90) {
            c.spc = SectionTable::abbreviation(1 + pick(rng) % SectionTable::Count);
            c.cont = QStringLiteral("NA");
        } else if (kind < 97) {
            c.spc = QString::fromLatin1(naCountries[pick(rng) % std::size(naCountries)]);
            c.cont = QStringLiteral("NA");
        } else {
            c.spc = QString::fromLatin1(dx[pick(rng) % std::size(dx)]);
            c.cont = QStringLiteral("EU");
        }
        // In logging order over 48 hours.
        const qint64 second = qint64(index) * 48 * 3600 / std::max(totalPlanned, 1);
        c.flddate = second < 24 * 3600 ? QStringLiteral("2024/06/22") : QStringLiteral("2024/06/23");
        const qint64 s = second % (24 * 3600);
        c.fldtime = QStringLiteral("%1:%2:%3")
                        .arg(s / 3600, 2, 10, QLatin1Char('0'))
                        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                        .arg(s % 60, 2, 10, QLatin1Char('0'));
        c.uband = QString::fromLatin1(bands[pick(rng) % std::size(bands)]);
        c.namesent = QStringLiteral("DAVE");
        c.trn = QString::number(1 + pick(rng) % 4);
        return c;
    }

    const QStringList& stationCalls() const { return calls; }

private:
    std::mt19937 rng;
    QStringList calls;
};

// Appends contacts [from, to) in one transaction, a few hundred to a statement.
bool fill(RawConnection& raw, ContestGenerator& gen, int from, int to, QString* error)
{
    if (!raw.db().transaction()) {
        *error = raw.db().lastError().text();
        return false;
    }
    constexpr int perStatement = 500;
    for (int i = from; i < to;) {
        QStringList rows;
        for (int n = 0; n < perStatement && i < to; ++n, ++i) {
            const Contact c = gen.next(i, largeLog);
            QStringList values;
            for (int col = 0; col < ColumnCount; ++col)
                values << QLatin1Char('\'') + LogStore::quote(c.at(col)) + QLatin1Char('\'');
            rows << QLatin1Char('(') + values.join(QLatin1Char(',')) + QLatin1Char(')');
        }
        if (!raw.exec(QStringLiteral("insert into tbllog (calls, namerec, spc, cont, flddate, "
                                     "fldtime, uband, namesent, trn) values ")
                      + rows.join(QLatin1Char(',')))) {
            *error = raw.error();
            raw.db().rollback();
            return false;
        }
    }
    if (!raw.db().commit()) {
        *error = raw.db().lastError().text();
        return false;
    }
    return true;
}

double medianOf(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t mid = v.size() / 2;
    return v.size() % 2 ? v[mid] : (v[mid - 1] + v[mid]) / 2;
}

// Milliseconds of each of `runs` calls of `f`; empty when one fails.
std::vector<double> timeRuns(int runs, const std::function<bool(int)>& f)
{
    std::vector<double> ms;
    QElapsedTimer t;
    for (int i = 0; i < runs; ++i) {
        t.start();
        if (!f(i))
            return {};
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    return ms;
}

class Table {
public:
    explicit Table(QTextStream& out) : out(out)
    {
        out << qSetFieldWidth(12) << Qt::left << "engine" << qSetFieldWidth(34) << "measure"
            << qSetFieldWidth(9) << Qt::right << "rows" << qSetFieldWidth(14) << "value"
            << qSetFieldWidth(12) << "target" << qSetFieldWidth(0) << "\n";
    }
    void row(const QString& engine, const QString& measure, int rows, double ms,
             const QString& target)
    {
        out << qSetFieldWidth(12) << Qt::left << engine << qSetFieldWidth(34) << measure
            << qSetFieldWidth(9) << Qt::right << rows << qSetFieldWidth(11)
            << QString::number(ms, 'f', 3) << qSetFieldWidth(3) << "ms" << qSetFieldWidth(12)
            << target << qSetFieldWidth(0) << Qt::endl;
    }
    void failed(const QString& engine, const QString& what)
    {
        out << engine << ": " << what << Qt::endl;
    }

private:
    QTextStream& out;
};

// Fills the log at `address` and measures it; false when something fails.
bool benchOne(const QString& engine, const QString& address, Table& table)
{
    const LogAddress a = LogAddress::parse(address);
    const bool server = a.isServer();
    QString error;
    if (!LogStore::createLog(address, &error)) {
        table.failed(engine, QStringLiteral("cannot create the log: ") + error);
        return false;
    }
    RawConnection raw(a);
    if (!raw.ok()) {
        table.failed(engine, raw.error());
        return false;
    }
    LogStore store(QStringLiteral("bench"));
    if (!store.connect(address)) {
        table.failed(engine, store.errorString());
        return false;
    }
    SilentDialogs dialogs;
    LogSession session(store, dialogs);
    ContestGenerator gen(largeLog / 3);

    const auto loadRuns = [&](int rows, int runs, const QString& target) {
        if (server)
            raw.exec(QStringLiteral("VACUUM ANALYZE tbllog"));
        session.mnuOpen2(); // warm the caches
        const auto ms = timeRuns(runs, [&](int) { return session.mnuOpen2(); });
        if (ms.empty() || session.cache().count() != rows) {
            table.failed(engine, QStringLiteral("load failed: ") + store.errorString());
            return false;
        }
        table.row(engine, QStringLiteral("mnuOpen2 (full load), median"), rows, medianOf(ms), target);
        return true;
    };

    if (!fill(raw, gen, 0, smallLog, &error)) {
        table.failed(engine, QStringLiteral("fill failed: ") + error);
        return false;
    }
    if (!loadRuns(smallLog, 15, server ? QStringLiteral("-") : QStringLiteral("< 50 ms")))
        return false;

    if (!fill(raw, gen, smallLog, largeLog, &error)) {
        table.failed(engine, QStringLiteral("fill failed: ") + error);
        return false;
    }
    if (!loadRuns(largeLog, 5, QStringLiteral("-")))
        return false;

    // Duplicate queries: nine worked stations to one unworked call.
    const QStringList& worked = gen.stationCalls();
    std::vector<double> dupes = timeRuns(2000, [&](int i) {
        const QString call = i % 10 == 9 ? QStringLiteral("ZZ%1ZZZ").arg(i)
                                         : worked[(i * 7919) % worked.size()].toLower();
        return store.selectByCall(call).has_value();
    });
    if (dupes.empty()) {
        table.failed(engine, QStringLiteral("duplicate query failed: ") + store.errorString());
        return false;
    }
    table.row(engine, QStringLiteral("selectByCall, median"), largeLog, medianOf(dupes),
              QStringLiteral("< 1 ms"));
    table.row(engine, QStringLiteral("selectByCall, 95th percentile"), largeLog,
              percentile(dupes, 0.95), QStringLiteral("-"));

    const std::vector<double> inserts = timeRuns(50, [&](int i) {
        return store.insert(gen.next(largeLog - 50 + i, largeLog));
    });
    if (inserts.empty()) {
        table.failed(engine, QStringLiteral("insert failed: ") + store.errorString());
        return false;
    }
    const QString insertTarget = server ? QStringLiteral("< 10 ms") : QStringLiteral("< 20 ms");
    table.row(engine, QStringLiteral("insert, median of 50"), largeLog, medianOf(inserts),
              insertTarget);
    table.row(engine, QStringLiteral("insert, slowest of 50"), largeLog,
              *std::max_element(inserts.begin(), inserts.end()), QStringLiteral("-"));
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QString folder = QDir::tempPath();
    QString pgAddress;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--dir") && i + 1 < args.size())
            folder = args[++i];
        else if (args[i].startsWith(QLatin1String("postgres")))
            pgAddress = args[i];
        else {
            out << "usage: bench_log_store [--dir FOLDER] [postgresql://user@host:port/dbname]"
                << Qt::endl;
            return 2;
        }
    }

    out << "Log store (" << smallLog << " and " << largeLog << " contacts)\n";
    Table table(out);
    bool ok = true;
    {
        QTemporaryDir dir(folder + QStringLiteral("/zelq-bench-XXXXXX"));
        if (!dir.isValid()) {
            table.failed(QStringLiteral("sqlite"), QStringLiteral("no temporary folder in ") + folder);
            ok = false;
        } else {
            ok = benchOne(QStringLiteral("sqlite"), dir.filePath(QStringLiteral("ZELQ Log.MDB")), table);
        }
    }

    if (!pgAddress.isEmpty()) {
        const LogAddress given = LogAddress::parse(pgAddress);
        if (!given.isServer()) {
            table.failed(QStringLiteral("postgresql"), given.problem);
            return 1;
        }
        QString address = pgAddress;
        const bool ownDatabase = given.database == QLatin1String("postgres");
        QString error;
        if (ownDatabase) {
            if (!maintenance(given, QStringLiteral("DROP DATABASE IF EXISTS zelq_bench WITH (FORCE)"), &error)
                || !maintenance(given, QStringLiteral("CREATE DATABASE zelq_bench ENCODING 'UTF8' "
                                                      "TEMPLATE template0"), &error)) {
                table.failed(QStringLiteral("postgresql"), error);
                return 1;
            }
            QUrl url(pgAddress.trimmed());
            url.setPath(QStringLiteral("/zelq_bench"));
            address = url.toString();
        }
        ok = benchOne(QStringLiteral("postgresql"), address, table) && ok;
        if (ownDatabase
            && !maintenance(given, QStringLiteral("DROP DATABASE IF EXISTS zelq_bench WITH (FORCE)"), &error))
            table.failed(QStringLiteral("postgresql"), QStringLiteral("cannot drop zelq_bench: ") + error);
    }
    return ok ? 0 : 1;
}
