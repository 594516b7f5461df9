// The full reload of a position, WorkList, on the real log window
// (offscreen): load, contact list, country list, multiplier grid and score,
// then the repaint of the window, at 14,000 and 100,000 contacts on SQLite
// (target: under 100 ms at 14,000). The list is measured in both filter
// modes: "Last 20" (20 items) and "All" (an item per contact).
//
// With a PostgreSQL address: two positions on one log of 14,000 contacts,
// and the time from a contact inserted at one position to its appearance in
// the other's list through the server's change notice, the poll kept still
// (target: under 200 ms, median of 20). The time until the notice reaches
// the other window (changed()) is shown as well.
//
//   bench_worklist [--dir FOLDER] [postgresql://user@host:port/dbname]
//
// SQLite runs on a file in FOLDER (default /tmp). An address of the
// maintenance database (ending in /postgres) makes the bench's own
// database zelq_bench_worklist there and drops it at the end; any other
// database must exist, hold no log yet, and keeps the bench's contacts.
//
// Against the PostgreSQL server of the tests:
//   tests/pg/pg_test_server start BUILD
//   BUILD/bin/bench_worklist "$(cat BUILD/pg_test_server.address)"
//   tests/pg/pg_test_server stop BUILD
#include "BenchDialogs.h"
#include "BenchSupport.h"
#include "core/Beeper.h"
#include "core/Clock.h"
#include "core/OperatorDialogs.h"
#include "log/FirstStart.h"
#include "log/LogChangeListener.h"
#include "log/LogSession.h"
#include "log/LogStore.h"
#include "log/SectionTable.h"
#include "ui/AppContext.h"
#include "ui/ContactListView.h"
#include "ui/LogWindow.h"
#include "ui/SetupCommand.h"
#include "ui/StartupSequence.h"
#include "ui/StationSetupWindow.h"
#include "zelq_build_info.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QScopeGuard>
#include <QTextStream>
#include <QThread>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <random>

using namespace zelq;
using bench::SilentBeeper;
using bench::SilentDialogs;

using zelq::bench::RawConnection;
using zelq::bench::maintenance;

namespace {

constexpr int smallLog = 14000;
constexpr int largeLog = 100000;
constexpr int latencyRuns = 20;

// Contacts of a two-day contest, in logging order: mostly sections, some
// North American countries, a little DX, over seven bands.
class ContestGenerator {
public:
    explicit ContestGenerator(int stations) : rng(20240622)
    {
        static const char* const prefixes[] = {"K", "W", "N", "AA", "AB", "AC", "AD", "KA",
                                               "KB", "KC", "KD", "WA", "WB", "N0", "VE", "XE"};
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
        static const char* const names[] = {"BOB", "DAVE", "JIM", "MARY", "ANN", "JOHN", "SUE"};
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

private:
    std::mt19937 rng;
    QStringList calls;
};

// Appends contacts [from, to) of a log planned at `planned` contacts, in
// one transaction.
bool fill(RawConnection& raw, ContestGenerator& gen, int from, int to, int planned, QString* error)
{
    if (!raw.db().transaction()) {
        *error = raw.db().lastError().text();
        return false;
    }
    constexpr int perStatement = 500;
    for (int i = from; i < to;) {
        QStringList rows;
        for (int n = 0; n < perStatement && i < to; ++n, ++i) {
            const Contact c = gen.next(i, planned);
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

// Runs the event loop until `done` or `ms` have passed; true when done.
bool waitFor(const std::function<bool()>& done, int ms)
{
    QElapsedTimer t;
    t.start();
    QTimer wake; // the loop looks at `done` at least this often
    wake.start(5);
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Lets the window lay out and paint what the last change left pending.
void repaint()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// One position: its own install folder, context and log window, through
// station setup onto the log at `address`.
class Position {
public:
    Position(const QString& folder, const QString& name)
    {
        AppFolderSet f;
        f.install = folder + QLatin1Char('/') + name;
        f.shipped = QStringLiteral(ZELQ_SOURCE_DATA_DIR);
        f.program = folder + QStringLiteral("/program");
        f.shared = folder + QStringLiteral("/shared");
        QDir().mkpath(f.program);
        QDir().mkpath(f.shared);
        prepared = prepareInstallFolder(f.install, f.shipped).ok;
        context = std::make_unique<AppContext>(f, dialogs, beeper, clock);
        context->shared.LoadSharedPreferences(f.shared + QStringLiteral("/SharedUserPreferences.xml"));
        window = std::make_unique<LogWindow>(*context);
        startup = new StartupSequence(*context, *window);
        timer3 = window->findChild<QTimer*>(QStringLiteral("Timer3"));
        listener = window->findChild<LogChangeListener*>();
        list = window->findChild<QTreeView*>(QStringLiteral("ListView1"));
        window->show();
    }

    // Empty when the position is ready on the log; else what went wrong.
    QString start(const QString& address)
    {
        if (!prepared || !timer3 || !listener || !list)
            return QStringLiteral("the window is not as expected");
        startup->run();
        StationSetupWindow* setup = window->setupCommand().window();
        auto* path = setup ? setup->findChild<QLineEdit*>(QStringLiteral("Text9")) : nullptr;
        auto* done = setup ? setup->findChild<QPushButton*>(QStringLiteral("Command1")) : nullptr;
        if (!path || !done)
            return QStringLiteral("no station setup window");
        path->setText(address);
        done->click();
        if (!waitFor([this] { return startup->state() == StartupSequence::State::Ready; }, 60000))
            return QStringLiteral("setup did not finish: ") + dialogs.unexpected.join(QStringLiteral(", "));
        // Only the change notice may bring the other position's contacts.
        timer3->stop();
        timer3->setInterval(3600 * 1000);
        repaint();
        return {};
    }

    QString topCall() const
    {
        return list->model()->rowCount() > 0 ? list->model()->index(0, 1).data().toString() : QString();
    }

    SilentDialogs dialogs;
    SilentBeeper beeper;
    SystemClock clock;
    bool prepared = false;
    std::unique_ptr<AppContext> context;
    std::unique_ptr<LogWindow> window;
    StartupSequence* startup = nullptr;
    QTimer* timer3 = nullptr;
    LogChangeListener* listener = nullptr;
    QTreeView* list = nullptr;
};

class Table {
public:
    explicit Table(QTextStream& out) : out(out)
    {
        out << qSetFieldWidth(12) << Qt::left << "engine" << qSetFieldWidth(46) << "measure"
            << qSetFieldWidth(9) << Qt::right << "contacts" << qSetFieldWidth(14) << "value"
            << qSetFieldWidth(12) << "target" << qSetFieldWidth(0) << Qt::endl;
    }
    void row(const QString& engine, const QString& measure, int contacts, double ms,
             const QString& target)
    {
        out << qSetFieldWidth(12) << Qt::left << engine << qSetFieldWidth(46) << measure
            << qSetFieldWidth(9) << Qt::right << contacts << qSetFieldWidth(11)
            << QString::number(ms, 'f', 1) << qSetFieldWidth(3) << "ms" << qSetFieldWidth(12)
            << target << qSetFieldWidth(0) << Qt::endl;
    }
    void failed(const QString& engine, const QString& what)
    {
        out << engine << ": " << what << Qt::endl;
    }

private:
    QTextStream& out;
};

// Median of `runs` reloads at `pos`: the load alone, WorkList, and WorkList
// with the repaint that follows it.
bool measureReload(const QString& engine, Position& pos, int contacts, int runs, bool target,
                   Table& table)
{
    LogSession& session = pos.context->session;
    std::vector<double> load, reload, withPaint;
    QElapsedTimer t;
    bool ok = session.WorkList(); // warm the caches
    repaint();
    for (int i = 0; ok && i < runs; ++i) {
        t.start();
        ok = session.mnuOpen2();
        load.push_back(double(t.nsecsElapsed()) / 1e6);
        t.start();
        ok = ok && session.WorkList();
        reload.push_back(double(t.nsecsElapsed()) / 1e6);
        repaint();
        t.start();
        ok = ok && session.WorkList();
        repaint();
        withPaint.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    if (!ok || session.cache().count() != contacts) {
        table.failed(engine, QStringLiteral("reload failed: ") + session.store().errorString());
        return false;
    }
    ContactListView& view = pos.window->contactListView();
    const QString mode = view.showsAllRows() ? QStringLiteral("All") : QStringLiteral("Last 20");
    table.row(engine, QStringLiteral("WorkList + repaint, list on ") + mode, contacts,
              medianOf(withPaint), target ? QStringLiteral("< 100 ms") : QStringLiteral("-"));
    table.row(engine, QStringLiteral("  WorkList alone"), contacts, medianOf(reload), QStringLiteral("-"));
    table.row(engine, QStringLiteral("  of which the load (mnuOpen2)"), contacts, medianOf(load),
              QStringLiteral("-"));
    return true;
}

// The reload on SQLite at both sizes, in both list modes.
bool benchSQLite(const QString& folder, Table& table)
{
    const QString engine = QStringLiteral("sqlite");
    const QString address = folder + QStringLiteral("/shared log/ZELQLog.MDB");
    QDir().mkpath(folder + QStringLiteral("/shared log"));
    QString error;
    if (!LogStore::createLog(address, &error)) {
        table.failed(engine, QStringLiteral("cannot create the log: ") + error);
        return false;
    }
    ContestGenerator gen(largeLog / 3);
    {
        RawConnection raw(LogAddress::parse(address));
        if (!raw.ok() || !fill(raw, gen, 0, smallLog, largeLog, &error)) {
            table.failed(engine, QStringLiteral("fill failed: ") + error + raw.error());
            return false;
        }
    }
    Position pos(folder, QStringLiteral("posA"));
    if (const QString e = pos.start(address); !e.isEmpty()) {
        table.failed(engine, e);
        return false;
    }
    ContactListView& view = pos.window->contactListView();
    const auto bothModes = [&](int contacts, int runs) {
        if (!measureReload(engine, pos, contacts, runs, contacts == smallLog, table))
            return false;
        view.cmdList_Click(); // "All"
        const bool ok = measureReload(engine, pos, contacts, runs, contacts == smallLog, table);
        view.cmdList_Click(); // back to "Last 20"
        return ok;
    };
    if (!bothModes(smallLog, 15))
        return false;
    {
        RawConnection raw(LogAddress::parse(address));
        if (!raw.ok() || !fill(raw, gen, smallLog, largeLog, largeLog, &error)) {
            table.failed(engine, QStringLiteral("fill failed: ") + error + raw.error());
            return false;
        }
    }
    return bothModes(largeLog, 5);
}

// Two positions on a server log of 14,000 contacts: the reload, and the
// way of one position's contact to the other's list.
bool benchServer(const QString& folder, const QString& address, Table& table)
{
    const QString engine = QStringLiteral("postgresql");
    QString error;
    if (!LogStore::createLog(address, &error)) {
        table.failed(engine, QStringLiteral("cannot create the log: ") + error);
        return false;
    }
    ContestGenerator gen(largeLog / 3);
    {
        RawConnection raw(LogAddress::parse(address));
        if (!raw.ok() || !fill(raw, gen, 0, smallLog, smallLog, &error)
            || !raw.exec(QStringLiteral("VACUUM ANALYZE tbllog"))) {
            table.failed(engine, QStringLiteral("fill failed: ") + error + raw.error());
            return false;
        }
    }
    Position a(folder, QStringLiteral("posA"));
    Position b(folder, QStringLiteral("posB"));
    for (Position* p : {&a, &b}) {
        if (const QString e = p->start(address); !e.isEmpty()) {
            table.failed(engine, e);
            return false;
        }
    }
    if (!waitFor([&] { return a.listener->isListening() && b.listener->isListening(); }, 10000)) {
        table.failed(engine, QStringLiteral("the positions do not hear the server's notices"));
        return false;
    }
    if (!measureReload(engine, b, smallLog, 15, false, table))
        return false;

    // B's reloads, told by a step after all of its displays; and the moment
    // the notice is heard, by a listener of the bench's own in a thread of
    // its own, so that B's reload does not hold it up.
    using Steady = std::chrono::steady_clock;
    const auto nowNs = [] { return qint64(Steady::now().time_since_epoch().count()); };
    std::atomic<qint64> insertedAt{0}, heardAt{-1};
    qint64 reloadedAt = -1;
    b.context->session.addReloadStep([&] { reloadedAt = nowNs(); });
    QThread probeThread;
    probeThread.start();
    auto* probe = new LogChangeListener;
    probe->moveToThread(&probeThread);
    QObject::connect(probe, &LogChangeListener::changed, probe, [&] {
        qint64 none = -1;
        heardAt.compare_exchange_strong(none, nowNs());
    }, Qt::DirectConnection);
    QMetaObject::invokeMethod(probe, [&] { probe->listen(address, QString()); },
                              Qt::BlockingQueuedConnection);
    const auto endProbe = qScopeGuard([&] {
        QMetaObject::invokeMethod(probe, [probe] { delete probe; }, Qt::BlockingQueuedConnection);
        probeThread.quit();
        probeThread.wait();
    });
    if (!waitFor([&] { return probe->isListening(); }, 10000)) {
        table.failed(engine, QStringLiteral("the bench's listener does not hear the server"));
        return false;
    }

    std::vector<double> toList, toNotice;
    for (int i = 0; i < latencyRuns; ++i) {
        waitFor([] { return false; }, 300); // earlier notices have settled
        Contact c = gen.next(smallLog + i, smallLog + latencyRuns);
        c.calls = QStringLiteral("ZZ%1ZZ").arg(i);
        c.flddate = QStringLiteral("2024/06/24"); // the newest: first in the list
        reloadedAt = -1;
        heardAt = -1;
        insertedAt = nowNs();
        if (!a.context->session.insertContact(c)) {
            table.failed(engine, QStringLiteral("insert failed: ") + a.context->store.errorString());
            return false;
        }
        if (!waitFor([&] { return reloadedAt >= 0 && b.topCall() == c.calls && heardAt >= 0; }, 5000)) {
            table.failed(engine, QStringLiteral("the contact did not reach the other position"));
            return false;
        }
        toList.push_back(double(reloadedAt - insertedAt) / 1e6);
        toNotice.push_back(double(heardAt - insertedAt) / 1e6);
    }
    const int contacts = smallLog + latencyRuns / 2;
    table.row(engine, QStringLiteral("insert at A to B's list, median of 20"), contacts,
              medianOf(toList), QStringLiteral("< 200 ms"));
    table.row(engine, QStringLiteral("  slowest of 20"), contacts,
              *std::max_element(toList.begin(), toList.end()), QStringLiteral("-"));
    table.row(engine, QStringLiteral("  of which until changed() is heard, median"), contacts,
              medianOf(toNotice), QStringLiteral("-"));
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
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
            out << "usage: bench_worklist [--dir FOLDER] [postgresql://user@host:port/dbname]"
                << Qt::endl;
            return 2;
        }
    }

    out << "WorkList on the log window, ZELQ Logger " ZELQ_VERSION << Qt::endl;
    Table table(out);
    bool ok = true;
    {
        QTemporaryDir dir(folder + QStringLiteral("/zelq-bench-XXXXXX"));
        if (!dir.isValid()) {
            table.failed(QStringLiteral("sqlite"), QStringLiteral("no temporary folder in ") + folder);
            ok = false;
        } else {
            ok = benchSQLite(dir.path(), table);
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
        const QString drop = QStringLiteral("DROP DATABASE IF EXISTS zelq_bench_worklist WITH (FORCE)");
        QString error;
        if (ownDatabase) {
            if (!maintenance(given, drop, &error)
                || !maintenance(given, QStringLiteral("CREATE DATABASE zelq_bench_worklist "
                                                      "ENCODING 'UTF8' TEMPLATE template0"), &error)) {
                table.failed(QStringLiteral("postgresql"), error);
                return 1;
            }
            QUrl url(pgAddress.trimmed());
            url.setPath(QStringLiteral("/zelq_bench_worklist"));
            address = url.toString();
        }
        {
            QTemporaryDir dir(folder + QStringLiteral("/zelq-bench-XXXXXX"));
            ok = dir.isValid() && benchServer(dir.path(), address, table) && ok;
        }
        if (ownDatabase && !maintenance(given, drop, &error))
            table.failed(QStringLiteral("postgresql"), QStringLiteral("cannot drop zelq_bench_worklist: ") + error);
    }
    return ok ? 0 : 1;
}
