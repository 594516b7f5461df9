// Contact entry speed. Per keystroke in the call field: the partial
// duplicate list over the in-memory log (partialDupeList) plus the country
// lookup of the call so far (LookupCallCountry), with 14,000 and 100,000
// contacts in the log (target: under 2 ms at 100,000). Each keystroke is
// timed three times and the best kept, so that a busy computer's scheduler
// does not hide the cost of the work itself. Per contact: Enter
// to stored, ContactEntry::Mains with its duplicate query and insert on a
// log of 14,000 contacts (targets: under 20 ms on SQLite, under 10 ms on
// PostgreSQL).
//
//   bench_contact_entry [--dir FOLDER] [postgresql://user@host:port/dbname]
//
// SQLite always runs, on a file in FOLDER (default /tmp); its commits wait
// for the disk, so FOLDER should lie on the disk the log will use.
// PostgreSQL runs when an address is given: an address of the maintenance
// database (ending in /postgres) makes the bench's own database
// zelq_bench_entry there and drops it at the end; any other database must
// exist, hold no log yet, and keeps the bench's contacts.
//
// Against the PostgreSQL server of the tests (which runs with fsync=off):
//   tests/pg/pg_test_server start BUILD
//   BUILD/bin/bench_contact_entry "$(cat BUILD/pg_test_server.address)"
//   tests/pg/pg_test_server stop BUILD
#include "BenchDialogs.h"
#include "BenchSupport.h"
#include "core/Beeper.h"
#include "core/Clock.h"
#include "core/OperatorDialogs.h"
#include "log/ContactCache.h"
#include "log/ContactEntry.h"
#include "log/CountryLookup.h"
#include "log/DuplicateCheck.h"
#include "log/EntryView.h"
#include "log/LogSession.h"
#include "log/LogStore.h"
#include "log/PrefixTable.h"
#include "log/SectionTable.h"
#include "settings/Preferences.h"
#include "zelq_build_info.h"

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
#include <map>
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
const StationPosition station{41.7148, 72.7272};

// The log window reduced to its texts: what Mains reads and writes.
class TextView final : public EntryView {
public:
    QString text(EntryField f) const override { return fields.value(int(f)); }
    void setText(EntryField f, const QString& t) override { fields[int(f)] = t; }
    void select(EntryField, int, int) override {}
    void focus(EntryField) override {}
    void focusNext(EntryField) override {}
    QString continent() const override { return cont; }
    void setContinent(const QString& t) override { cont = t; }
    void setBearing(const QString&) override {}
    void setMiles(const QString&) override {}
    bool newIndicatorVisible() const override { return newShown; }
    void setNewIndicator(bool visible) override { newShown = visible; }
    void setStatus(const QString& t, StatusColour) override { statusText = t; }
    QString status() const override { return statusText; }
    void setPartialLine(const QString&) override {}
    void showLoggedOn(bool) override {}
    void showPartialDisplay(bool) override {}
    bool postContestMode() const override { return false; }

private:
    QMap<int, QString> fields;
    QString cont;
    QString statusText;
    bool newShown = false;
};

// Contacts of a two-day contest over the six bands, most on 20 and 40:
// about a third as many stations as contacts, sections mostly, some
// North-American countries and a little DX.
class ContestGenerator {
public:
    explicit ContestGenerator(int stations) : rng(20260214)
    {
        static const char* const prefixes[] = {"K", "W", "N", "AA", "AB", "AC", "AD", "AE", "AG",
                                               "KA", "KB", "KC", "KD", "KE", "KF", "KI", "WA",
                                               "WB", "WD", "N0", "VE", "VA", "XE"};
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
        static const char* const naCountries[] = {"Mexico", "Cuba", "Bahamas", "Bermuda"};
        static const char* const dx[] = {"England", "Japan", "Italy", "Spain"};
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
        const qint64 second = qint64(index) * 48 * 3600 / std::max(totalPlanned, 1);
        c.flddate = second < 24 * 3600 ? QStringLiteral("2026/02/14") : QStringLiteral("2026/02/15");
        c.fldtime = QTime(0, 0).addSecs(int(second % (24 * 3600))).toString(QStringLiteral("hh:mm:ss"));
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

class Table {
public:
    explicit Table(QTextStream& out) : out(out)
    {
        out << qSetFieldWidth(12) << Qt::left << "engine" << qSetFieldWidth(40) << "measure"
            << qSetFieldWidth(9) << Qt::right << "contacts" << qSetFieldWidth(14) << "value"
            << qSetFieldWidth(12) << "target" << qSetFieldWidth(0) << "\n";
    }
    void row(const QString& engine, const QString& measure, int contacts, double ms,
             const QString& target)
    {
        out << qSetFieldWidth(12) << Qt::left << engine << qSetFieldWidth(40) << measure
            << qSetFieldWidth(9) << Qt::right << contacts << qSetFieldWidth(11)
            << QString::number(ms, 'f', 3) << qSetFieldWidth(3) << "ms" << qSetFieldWidth(12)
            << target << qSetFieldWidth(0) << Qt::endl;
    }
    void failed(const QString& engine, const QString& what) { out << engine << ": " << what << Qt::endl; }

private:
    QTextStream& out;
};

// The call field's work for every key of a call typed on 20 m: the partial
// list over the cache and the lookup of the call so far.
void benchKeystrokes(const PrefixTable& prefixes, int contacts, Table& table)
{
    ContestGenerator gen(contacts / 3);
    std::vector<Contact> rows;
    rows.reserve(size_t(contacts));
    for (int i = 0; i < contacts; ++i)
        rows.push_back(gen.next(i, contacts));
    ContactCache cache;
    cache.assign(std::move(rows));

    // Calls of the log, and as many it does not hold.
    QStringList typed;
    const QStringList& worked = gen.stationCalls();
    for (int i = 0; i < 1000; ++i) {
        typed << worked[(i * 7919) % worked.size()];
        typed << QStringLiteral("KD%1Q").arg(i % 10) + QChar(u'A' + i % 26) + QChar(u'A' + i / 26 % 26);
    }

    const QString band = QStringLiteral("20");
    std::vector<double> ms;
    qint64 sink = 0;
    QElapsedTimer t;
    for (const QString& call : typed) {
        for (int n = 1; n <= call.size(); ++n) {
            const QString soFar = call.left(n);
            double best = 1e9;
            for (int again = 0; again < 3; ++again) {
                t.start();
                const QString list = partialDupeList(cache, soFar, band);
                const CountryLookupResult r = LookupCallCountry(prefixes, soFar, QString(), station);
                best = std::min(best, double(t.nsecsElapsed()) / 1e6);
                sink += list.size() + r.selectSpc;
            }
            ms.push_back(best);
        }
    }
    // A first key that matches nothing on the band walks all of the band's rows.
    std::vector<double> noMatch;
    for (int i = 0; i < 200; ++i) {
        t.start();
        sink += partialDupeList(cache, QStringLiteral("Q"), band).size();
        sink += LookupCallCountry(prefixes, QStringLiteral("Q"), QString(), station).selectSpc;
        noMatch.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    const QString engine = QStringLiteral("memory");
    const QString target = contacts == largeLog ? QStringLiteral("< 2 ms") : QStringLiteral("-");
    table.row(engine, QStringLiteral("keystroke, median"), contacts, percentile(ms, 0.5), QStringLiteral("-"));
    table.row(engine, QStringLiteral("keystroke, 99th percentile"), contacts, percentile(ms, 0.99), target);
    table.row(engine, QStringLiteral("keystroke, slowest of %1").arg(ms.size()), contacts,
              *std::max_element(ms.begin(), ms.end()), target);
    table.row(engine, QStringLiteral("keystroke matching nothing, median"), contacts,
              percentile(noMatch, 0.5), target);
    if (sink < 0)
        table.failed(engine, QStringLiteral("impossible"));
}

bool fill(RawConnection& raw, ContestGenerator& gen, int count, QString* error)
{
    if (!raw.transaction()) {
        *error = QStringLiteral("cannot begin the fill");
        return false;
    }
    for (int i = 0; i < count;) {
        QStringList rows;
        for (int n = 0; n < 500 && i < count; ++n, ++i) {
            const Contact c = gen.next(i, count);
            QStringList values;
            for (int col = 0; col < ColumnCount; ++col)
                values << QLatin1Char('\'') + LogStore::quote(c.at(col)) + QLatin1Char('\'');
            rows << QLatin1Char('(') + values.join(QLatin1Char(',')) + QLatin1Char(')');
        }
        if (!raw.exec(QStringLiteral("insert into tbllog (calls, namerec, spc, cont, flddate, "
                                     "fldtime, uband, namesent, trn) values ")
                      + rows.join(QLatin1Char(',')))) {
            *error = raw.error();
            return false;
        }
    }
    if (!raw.commit()) {
        *error = QStringLiteral("cannot commit the fill");
        return false;
    }
    return true;
}

// Enter to stored: Mains on contacts typed into the fields, half of them
// stations already in the log on other bands.
bool benchMains(const QString& engine, const QString& address, const PrefixTable& prefixes, Table& table)
{
    const LogAddress a = LogAddress::parse(address);
    QString error;
    if (!LogStore::createLog(address, &error)) {
        table.failed(engine, QStringLiteral("cannot create the log: ") + error);
        return false;
    }
    ContestGenerator gen(smallLog / 3);
    {
        RawConnection raw(a);
        if (!raw.ok() || !fill(raw, gen, smallLog, &error)) {
            table.failed(engine, QStringLiteral("fill failed: ") + raw.error() + error);
            return false;
        }
        if (a.isServer())
            raw.exec(QStringLiteral("VACUUM ANALYZE tbllog"));
    }

    LogStore store(QStringLiteral("bench_entry"));
    SilentDialogs dialogs;
    LogSession session(store, dialogs);
    if (!session.connectLog(address, QString()) || !session.mnuOpen2()) {
        table.failed(engine, QStringLiteral("cannot load the log: ") + store.errorString());
        return false;
    }
    Preferences prefs;
    prefs.firstName = QStringLiteral("DAVE");
    prefs.transmitter = 1;
    SilentBeeper beeper;
    SystemClock clock;
    TextView view;
    ContactEntry entry(session, prefs, prefixes, dialogs, beeper, clock, view);
    entry.cmdLogOn_Click();

    static const char* const bands[] = {"160", "80", "40", "20", "15", "10"};
    const QStringList& worked = gen.stationCalls();
    constexpr int contacts = 200;
    std::vector<double> ms;
    QElapsedTimer t;
    for (int i = 0; i < contacts; ++i) {
        // A band change reloads in the program; here the band just moves on.
        prefs.band = QString::fromLatin1(bands[i / 40 % std::size(bands)]);
        const QString call = i % 2 ? QStringLiteral("KQ%1X").arg(i % 10) + QChar(u'A' + i / 10 % 26)
                                         + QChar(u'A' + i / 260 % 26)
                                   : worked[(i * 7919) % worked.size()];
        view.setText(EntryField::Call, call);
        view.setText(EntryField::Name, QStringLiteral("JIM"));
        view.setText(EntryField::Spc, QStringLiteral("CT"));
        view.setContinent(QStringLiteral("NA"));
        const int before = session.cache().count();
        t.start();
        entry.Mains();
        const double took = double(t.nsecsElapsed()) / 1e6;
        // Stations already worked on this band are refused as duplicates and not counted.
        if (session.cache().count() == before + 1) {
            ms.push_back(took);
        } else if (!view.status().startsWith(QLatin1String("Dupe: "))) {
            table.failed(engine, call + QStringLiteral(" not logged: ") + view.status() + QLatin1Char(' ')
                                     + dialogs.lastTitle + QLatin1Char(' ') + store.errorString());
            return false;
        } else {
            entry.endHold();
        }
    }
    // The insert alone, for how much of the time is the engine's commit.
    std::vector<double> inserts;
    for (int i = 0; i < 50; ++i) {
        Contact c = gen.next(smallLog + i, smallLog);
        c.calls = QStringLiteral("KQ%1ZZ").arg(i);
        t.start();
        if (!store.insert(c)) {
            table.failed(engine, QStringLiteral("insert failed: ") + store.errorString());
            return false;
        }
        inserts.push_back(double(t.nsecsElapsed()) / 1e6);
    }

    const QString target = a.isServer() ? QStringLiteral("< 10 ms") : QStringLiteral("< 20 ms");
    table.row(engine, QStringLiteral("Enter to stored (Mains), median of %1").arg(ms.size()), smallLog,
              percentile(ms, 0.5), target);
    table.row(engine, QStringLiteral("Enter to stored, 95th percentile"), smallLog, percentile(ms, 0.95),
              QStringLiteral("-"));
    table.row(engine, QStringLiteral("Enter to stored, slowest"), smallLog,
              *std::max_element(ms.begin(), ms.end()), QStringLiteral("-"));
    table.row(engine, QStringLiteral("of which the insert alone, median"), smallLog,
              percentile(inserts, 0.5), QStringLiteral("-"));
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
            out << "usage: bench_contact_entry [--dir FOLDER] [postgresql://user@host:port/dbname]"
                << Qt::endl;
            return 2;
        }
    }
    const PrefixTable prefixes =
        PrefixTable::fromFile(QStringLiteral(ZELQ_SOURCE_DATA_DIR "/arrlpre2.txt"));
    if (prefixes.isEmpty()) {
        out << "no prefix table in " << ZELQ_SOURCE_DATA_DIR << Qt::endl;
        return 1;
    }

    out << "Contact entry\n";
    Table table(out);
    benchKeystrokes(prefixes, smallLog, table);
    benchKeystrokes(prefixes, largeLog, table);

    bool ok = true;
    {
        QTemporaryDir dir(folder + QStringLiteral("/zelq-bench-XXXXXX"));
        if (!dir.isValid()) {
            table.failed(QStringLiteral("sqlite"), QStringLiteral("no temporary folder in ") + folder);
            ok = false;
        } else {
            ok = benchMains(QStringLiteral("sqlite"), dir.filePath(QStringLiteral("ZELQ Log.MDB")),
                            prefixes, table);
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
        const QString drop = QStringLiteral("DROP DATABASE IF EXISTS zelq_bench_entry WITH (FORCE)");
        QString error;
        if (ownDatabase) {
            if (!maintenance(given, drop, &error)
                || !maintenance(given, QStringLiteral("CREATE DATABASE zelq_bench_entry ENCODING 'UTF8' "
                                                      "TEMPLATE template0"), &error)) {
                table.failed(QStringLiteral("postgresql"), error);
                return 1;
            }
            QUrl url(pgAddress.trimmed());
            url.setPath(QStringLiteral("/zelq_bench_entry"));
            address = url.toString();
        }
        ok = benchMains(QStringLiteral("postgresql"), address, prefixes, table) && ok;
        if (ownDatabase && !maintenance(given, drop, &error))
            table.failed(QStringLiteral("postgresql"), QStringLiteral("cannot drop zelq_bench_entry: ") + error);
    }
    return ok ? 0 : 1;
}
