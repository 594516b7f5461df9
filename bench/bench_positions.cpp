// Four positions logging into one log at once, each a process of its own
// with the real log window: every position logs a contact every 500 ms
// (the four a quarter of that apart) for the given time, on a log that
// holds 14,000 and then 100,000 contacts. Measured: the time from Enter at
// one position until the contact is in every other position's list
// (median and 99th percentile over every pair; target under 200 ms), and
// each position's longest event-loop stall, the longest single event its
// window handled (target under 16 ms), with its own Enter (the synchronous
// write of the contact) left out, and that event's CPU time, which a
// computer busy with other work does not stretch. Also, in this process: the contact
// list filled on "All" and on "Last 20" at 100,000 contacts (target under
// 50 ms). The keystroke figures are bench_contact_entry's.
//
//   bench_positions [--seconds N] [--sizes 14000,100000] [--dir FOLDER]
//                   [postgresql://user@host:port/dbname]
//
// With ZELQ_BENCH_WHY set, the longest events, late contacts and full
// loads are told on stderr.
//
// SQLite always runs, on a file in FOLDER (default /tmp). A log server runs
// when an address is given: an address of the maintenance database (ending
// in /postgres) makes the bench's own database zelq_bench_positions there
// and drops it at the end.
//
// Against the PostgreSQL server of the tests:
//   tests/pg/pg_test_server start BUILD
//   BUILD/bin/bench_positions --seconds 30 "$(cat BUILD/pg_test_server.address)"
//   tests/pg/pg_test_server stop BUILD
#include "BenchDialogs.h"
#include "BenchSupport.h"
#include "core/Beeper.h"
#include "core/Clock.h"
#include "core/OperatorDialogs.h"
#include "log/ContactEntry.h"
#include "log/FirstStart.h"
#include "log/LogSession.h"
#include "log/LogStore.h"
#include "ui/AppContext.h"
#include "ui/ContactListView.h"
#include "ui/EntryPanel.h"
#include "ui/LogWindow.h"
#include "ui/SetupCommand.h"
#include "ui/StartupSequence.h"
#include "ui/StationSetupWindow.h"
#include "zelq_build_info.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <unistd.h>
#include <functional>
#include <memory>

using namespace zelq;
using bench::SilentBeeper;
using bench::SilentDialogs;
using zelq::bench::percentile;

namespace {

constexpr int positions = 4;
constexpr int intervalMs = 500;

qint64 nowNs()
{
    return qint64(std::chrono::steady_clock::now().time_since_epoch().count());
}

// CPU time of the calling thread: what an event cost the position itself,
// whatever else the computer was busy with meanwhile.
qint64 threadCpuNs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// The longest single event handled at the top of the event loop.
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        if (depth > 0)
            return QApplication::notify(receiver, event);
        ++depth;
        ownEnter = false;
        const qint64 start = nowNs();
        const qint64 cpuStart = threadCpuNs();
        const bool r = QApplication::notify(receiver, event);
        if (measuring) {
            const qint64 took = nowNs() - start;
            longestNs = std::max(longestNs, took);
            if (!ownEnter)
                longestOthersCpuNs = std::max(longestOthersCpuNs, threadCpuNs() - cpuStart);
            if (!ownEnter && took > longestOthersNs) {
                longestOthersNs = took;
                if (qEnvironmentVariableIsSet("ZELQ_BENCH_WHY"))
                    fprintf(stderr, "stall %.1f ms: %s event %d\n", double(took) / 1e6,
                            receiver->metaObject()->className(), int(event->type()));
            }
        }
        --depth;
        return r;
    }
    bool measuring = false;
    bool ownEnter = false;   // the event was this position's own Enter
    qint64 longestNs = 0;
    qint64 longestOthersNs = 0; // other than its own Enter
    qint64 longestOthersCpuNs = 0; // the same in CPU time

private:
    int depth = 0;
};

bool waitFor(const std::function<bool()>& done, int ms)
{
    QElapsedTimer t;
    t.start();
    QTimer wake;
    wake.start(5);
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// A contest's worth of contacts, oldest first, all before today.
Contact oldContact(int i, int total)
{
    static const char* const bands[] = {"160", "80", "40", "20", "15", "10"};
    static const char* const sections[] = {"CT", "MA", "ENY", "WPA", "OH", "STX", "ORG", "ONE"};
    const qint64 second = qint64(i) * 48 * 3600 / std::max(total, 1);
    const qint64 s = second % (24 * 3600);
    return {QStringLiteral("K%1%2").arg(i % 10).arg(QString::number(i, 36).toUpper()),
            QStringLiteral("BOB"),
            QString::fromLatin1(sections[i % 8]),
            QStringLiteral("NA"),
            second < 24 * 3600 ? QStringLiteral("2024/06/22") : QStringLiteral("2024/06/23"),
            QStringLiteral("%1:%2:%3")
                .arg(s / 3600, 2, 10, QLatin1Char('0'))
                .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                .arg(s % 60, 2, 10, QLatin1Char('0')),
            QString::fromLatin1(bands[i % 6]),
            QStringLiteral("DAVE"),
            QString::number(1 + i % 4)};
}

bool fillLog(const QString& address, int from, int to, int total, QString* error)
{
    bench::RawConnection raw(LogAddress::parse(address));
    if (!raw.ok() || !raw.transaction()) {
        *error = raw.error();
        return false;
    }
    for (int i = from; i < to;) {
        QStringList rows;
        for (int n = 0; n < 500 && i < to; ++n, ++i) {
            const Contact c = oldContact(i, total);
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
    if (LogAddress::parse(address).isServer())
        raw.exec(QStringLiteral("VACUUM ANALYZE tbllog"));
    return true;
}

// One position, run as a child process: starts its window on the log,
// says READY, waits for GO on its input, logs for `seconds`, and reports
// lines "E call ns" (Enter), "S call ns" (first seen in its list) and
// "STALL ms".
int runPosition(TimedApplication& app, const QString& address, int index, int seconds)
{
    QTextStream out(stdout);
    const auto say = [&out](const QString& line) {
        out << line << Qt::endl; // flushed: the parent reads as it goes
    };
    const QString home = QDir::tempPath() + QStringLiteral("/zelq-pos-%1-%2").arg(QCoreApplication::applicationPid()).arg(index);
    QDir(home).removeRecursively();
    AppFolderSet f;
    f.install = home + QStringLiteral("/install");
    f.shipped = QStringLiteral(ZELQ_SOURCE_DATA_DIR);
    f.program = home + QStringLiteral("/program");
    f.shared = home + QStringLiteral("/shared");
    QDir().mkpath(f.program);
    QDir().mkpath(f.shared);
    if (!prepareInstallFolder(f.install, f.shipped).ok) {
        say(QStringLiteral("FAIL no install folder"));
        return 1;
    }
    SilentDialogs dialogs;
    SilentBeeper beeper;
    SystemClock clock;
    AppContext context(f, dialogs, beeper, clock);
    context.shared.LoadSharedPreferences(f.shared + QStringLiteral("/SharedUserPreferences.xml"));
    LogWindow window(context);
    auto* startup = new StartupSequence(context, window);
    window.show();
    startup->run();
    StationSetupWindow* setup = window.setupCommand().window();
    auto* path = setup ? setup->findChild<QLineEdit*>(QStringLiteral("Text9")) : nullptr;
    auto* done = setup ? setup->findChild<QPushButton*>(QStringLiteral("Command1")) : nullptr;
    if (!path || !done) {
        say(QStringLiteral("FAIL no station setup window"));
        return 1;
    }
    path->setText(address);
    done->click();
    if (!waitFor([&] { return startup->state() == StartupSequence::State::Ready; }, 120000)) {
        say(QStringLiteral("FAIL setup did not finish: ") + dialogs.unexpected.join(QStringLiteral(", ")));
        return 1;
    }
    context.prefs.band = QStringLiteral("20");
    window.contactEntry().cmdLogOn_Click();
    auto* list = window.findChild<QTreeView*>(QStringLiteral("ListView1"));

    // First sight of the bench's contacts in the list (the 20 newest).
    QHash<QString, bool> seen;
    const auto look = [&] {
        const qint64 t = nowNs();
        const int rows = std::min(list->model()->rowCount(), 20);
        for (int r = 0; r < rows; ++r) {
            const QString call = list->model()->index(r, 1).data().toString();
            if (call.startsWith(QLatin1String("ZQ")) && !seen.contains(call)) {
                seen.insert(call, true);
                say(QStringLiteral("S %1 %2").arg(call).arg(t));
            }
        }
    };
    context.session.addReloadStep(look);
    window.contactEntry().afterLogged.push_back(look);

    int serial = 0;
    QTimer logTimer;
    logTimer.setInterval(intervalMs);
    QObject::connect(&logTimer, &QTimer::timeout, &window, [&] {
        const QString call = QStringLiteral("ZQ%1X%2").arg(index).arg(++serial);
        EntryPanel& panel = window.entryPanel();
        panel.setText(EntryField::Call, call);
        panel.setText(EntryField::Name, QStringLiteral("JIM"));
        panel.setText(EntryField::Spc, QStringLiteral("CT"));
        panel.setContinent(QStringLiteral("NA"));
        say(QStringLiteral("E %1 %2").arg(call).arg(nowNs()));
        app.ownEnter = true;
        window.contactEntry().Mains();
    });
    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &window, [&] {
        char buf[64];
        const ssize_t n = ::read(0, buf, sizeof buf);
        if (n <= 0)
            return;
        input.setEnabled(false);
        app.measuring = true;
        QTimer::singleShot(index * intervalMs / positions, &window, [&] { logTimer.start(); });
        QTimer::singleShot(seconds * 1000, &window, [&] { logTimer.stop(); });
        // The last contacts get time to arrive everywhere.
        QTimer::singleShot(seconds * 1000 + 3000, &window, [&] {
            say(QStringLiteral("STALL %1 %2 %3")
                    .arg(double(app.longestNs) / 1e6, 0, 'f', 2)
                    .arg(double(app.longestOthersNs) / 1e6, 0, 'f', 2)
                    .arg(double(app.longestOthersCpuNs) / 1e6, 0, 'f', 2));
            if (qEnvironmentVariableIsSet("ZELQ_BENCH_WHY"))
                fprintf(stderr, "position %d: %d full loads, %d seen\n", index,
                        context.session.loadCount(), int(seen.size()));
            say(QStringLiteral("DONE"));
            app.quit();
        });
    });
    say(QStringLiteral("READY"));
    app.exec();
    QDir(home).removeRecursively();
    return 0;
}

struct RunFigures {
    std::vector<double> latencies;
    int missing = 0;
    std::vector<double> stalls;       // longest event of each position
    std::vector<double> othersStalls; // the same, its own Enter left out
    std::vector<double> othersCpu;    // the same in the position's CPU time
    QString failure;
};

// Runs the four positions on `address` for `seconds`.
RunFigures runPositions(const QString& program, const QString& address, int seconds)
{
    RunFigures fig;
    std::vector<std::unique_ptr<QProcess>> procs;
    std::vector<QByteArray> outputs(positions);
    for (int i = 0; i < positions; ++i) {
        auto p = std::make_unique<QProcess>();
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(program, {QStringLiteral("--position"), QString::number(i), QStringLiteral("--seconds"),
                           QString::number(seconds), address});
        procs.push_back(std::move(p));
    }
    const auto readAll = [&] {
        for (int i = 0; i < positions; ++i)
            outputs[size_t(i)] += procs[size_t(i)]->readAllStandardOutput();
    };
    const bool ready = waitFor([&] {
        readAll();
        return std::all_of(outputs.begin(), outputs.end(), [](const QByteArray& o) {
            return o.contains("READY\n") || o.contains("FAIL");
        });
    }, 180000);
    for (const QByteArray& o : outputs)
        if (!ready || o.contains("FAIL"))
            fig.failure = QString::fromUtf8(o.mid(o.indexOf("FAIL"))).trimmed();
    if (fig.failure.isEmpty() && !ready)
        fig.failure = QStringLiteral("the positions did not start");
    if (fig.failure.isEmpty()) {
        for (auto& p : procs)
            p->write("GO\n");
        waitFor([&] {
            readAll();
            return std::all_of(procs.begin(), procs.end(),
                               [](const auto& p) { return p->state() == QProcess::NotRunning; });
        }, (seconds + 60) * 1000);
    }
    for (auto& p : procs) {
        if (p->state() != QProcess::NotRunning) {
            p->kill();
            p->waitForFinished(5000);
        }
    }
    readAll();
    if (!fig.failure.isEmpty())
        return fig;

    // call → Enter time; per position: call → seen time
    QHash<QString, qint64> entered;
    QHash<QString, int> enteredAt;
    std::vector<QHash<QString, qint64>> seenAt(positions);
    for (int i = 0; i < positions; ++i) {
        if (!outputs[size_t(i)].contains("DONE"))
            fig.failure = QStringLiteral("position %1 did not finish").arg(i);
        for (const QByteArray& line : outputs[size_t(i)].split('\n')) {
            const QList<QByteArray> w = line.split(' ');
            if (w.size() == 3 && w[0] == "E") {
                entered.insert(QString::fromLatin1(w[1]), w[2].toLongLong());
                enteredAt.insert(QString::fromLatin1(w[1]), i);
            } else if (w.size() == 3 && w[0] == "S") {
                seenAt[size_t(i)].insert(QString::fromLatin1(w[1]), w[2].toLongLong());
            } else if (w.size() == 4 && w[0] == "STALL") {
                fig.stalls.push_back(w[1].toDouble());
                fig.othersStalls.push_back(w[2].toDouble());
                fig.othersCpu.push_back(w[3].toDouble());
            }
        }
    }
    for (auto it = entered.cbegin(); it != entered.cend(); ++it) {
        for (int j = 0; j < positions; ++j) {
            if (j == enteredAt.value(it.key()))
                continue;
            const auto seen = seenAt[size_t(j)].constFind(it.key());
            if (seen == seenAt[size_t(j)].cend())
                ++fig.missing;
            else
                fig.latencies.push_back(double(*seen - *it) / 1e6);
            if (qEnvironmentVariableIsSet("ZELQ_BENCH_WHY")
                && (seen == seenAt[size_t(j)].cend() || *seen - *it > 200000000))
                fprintf(stderr, "%s at position %d: %s\n", qPrintable(it.key()), j,
                        seen == seenAt[size_t(j)].cend()
                            ? "never"
                            : qPrintable(QString::number(double(*seen - *it) / 1e6)));
        }
    }
    return fig;
}

void report(QTextStream& out, const QString& engine, int contacts, const RunFigures& fig)
{
    bench::FigureTable table(out);
    const QString at = QStringLiteral("%1, %2 contacts: ").arg(engine).arg(contacts);
    if (!fig.failure.isEmpty()) {
        out << at << "FAILED: " << fig.failure << Qt::endl;
        return;
    }
    table.row(qPrintable(at + QStringLiteral("Enter to every other list, median")),
              percentile(fig.latencies, 0.5), "ms", "-");
    table.row(qPrintable(at + QStringLiteral("Enter to every other list, 99th percentile")),
              percentile(fig.latencies, 0.99), "ms", "< 200 ms");
    table.row(qPrintable(at + QStringLiteral("Enter to every other list, slowest")),
              percentile(fig.latencies, 1.0), "ms", "-");
    table.row(qPrintable(at + QStringLiteral("contacts never seen at another position")),
              fig.missing, "", "0");
    table.row(qPrintable(at + QStringLiteral("longest event-loop stall, own Enter left out")),
              fig.othersStalls.empty() ? 0 : *std::max_element(fig.othersStalls.begin(), fig.othersStalls.end()),
              "ms", "< 16 ms");
    table.row(qPrintable(at + QStringLiteral("  the same in CPU time of the position")),
              fig.othersCpu.empty() ? 0 : *std::max_element(fig.othersCpu.begin(), fig.othersCpu.end()),
              "ms", "-");
    table.row(qPrintable(at + QStringLiteral("longest event-loop stall, own Enter included")),
              fig.stalls.empty() ? 0 : *std::max_element(fig.stalls.begin(), fig.stalls.end()),
              "ms", "-");
}

// The contact list filled from a cache of 100,000 contacts.
void benchListFill(QTextStream& out)
{
    constexpr int contacts = 100000;
    ContactCache cache;
    std::vector<Contact> rows;
    for (int i = 0; i < contacts; ++i)
        rows.push_back(oldContact(i, contacts));
    cache.assign(std::move(rows));
    QWidget window;
    auto* view = new ContactListView(&window);
    window.resize(900, 600);
    window.show();
    view->FillContactList(cache, QStringLiteral("20")); // the first fill measures the log
    QCoreApplication::processEvents();
    bench::FigureTable table(out);
    for (const bool all : {false, true}) {
        if (view->showsAllRows() != all)
            view->cmdList_Click();
        std::vector<double> ms;
        QElapsedTimer t;
        for (int i = 0; i < 20; ++i) {
            t.start();
            view->FillContactList(cache, QStringLiteral("20"));
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
            ms.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        table.row(all ? "list fill on \"All\", 100,000 contacts, median (with paint)"
                      : "list fill on \"Last 20\", 100,000 contacts, median (with paint)",
                  percentile(ms, 0.5), "ms", "< 50 ms");
        table.row(all ? "list fill on \"All\", 100,000 contacts, slowest"
                      : "list fill on \"Last 20\", 100,000 contacts, slowest",
                  percentile(ms, 1.0), "ms", "-");
    }
    // After a full reload the log is measured once more.
    ContactCache reloaded;
    reloaded.assign(cache.all());
    QElapsedTimer t;
    t.start();
    view->FillContactList(reloaded, QStringLiteral("20"));
    QCoreApplication::processEvents();
    table.row("list fill on \"All\" just after a full reload, 100,000 contacts",
              double(t.nsecsElapsed()) / 1e6, "ms", "-");
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TimedApplication app(argc, argv);
    QTextStream out(stdout);
    QString folder = QDir::tempPath();
    QString pgAddress;
    int seconds = 120;
    int position = -1;
    QList<int> sizes{14000, 100000};
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--dir") && i + 1 < args.size())
            folder = args[++i];
        else if (args[i] == QLatin1String("--seconds") && i + 1 < args.size())
            seconds = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--position") && i + 1 < args.size())
            position = args[++i].toInt();
        else if (args[i] == QLatin1String("--sizes") && i + 1 < args.size()) {
            sizes.clear();
            for (const QString& s : args[++i].split(QLatin1Char(',')))
                sizes << s.toInt();
        } else if (args[i].startsWith(QLatin1String("postgres")) || position >= 0)
            pgAddress = args[i];
        else {
            out << "usage: bench_positions [--seconds N] [--sizes 14000,100000] [--dir FOLDER] "
                   "[postgresql://user@host:port/dbname]"
                << Qt::endl;
            return 2;
        }
    }
    if (position >= 0) // a child: the address is the log's, whatever its kind
        return runPosition(app, pgAddress, position, seconds);

    out << "Four positions on one log, ZELQ Logger " ZELQ_VERSION ", " << seconds << " s each"
        << Qt::endl;
    benchListFill(out);
    const QString program = QCoreApplication::applicationFilePath();

    const auto onLog = [&](const QString& engine, const QString& address) {
        QString error;
        if (!LogStore::createLog(address, &error)) {
            out << engine << ": cannot create the log: " << error << Qt::endl;
            return;
        }
        int filled = 0;
        const int largest = *std::max_element(sizes.begin(), sizes.end());
        for (int size : sizes) {
            if (!fillLog(address, filled, size, largest, &error)) {
                out << engine << ": fill failed: " << error << Qt::endl;
                return;
            }
            filled = size;
            const RunFigures fig = runPositions(program, address, seconds);
            report(out, engine, size, fig);
            // the bench's contacts go, so that the next size is that size
            bench::RawConnection raw(LogAddress::parse(address));
            raw.exec(QStringLiteral("delete from tbllog where calls like 'ZQ%'"));
        }
    };
    {
        QTemporaryDir dir(folder + QStringLiteral("/zelq-bench-XXXXXX"));
        const QString address = dir.path() + QStringLiteral("/shared log/ZELQLog.MDB");
        QDir().mkpath(dir.path() + QStringLiteral("/shared log"));
        onLog(QStringLiteral("sqlite"), address);
    }
    if (!pgAddress.isEmpty()) {
        const LogAddress given = LogAddress::parse(pgAddress);
        if (!given.isServer()) {
            out << "postgresql: " << given.problem << Qt::endl;
            return 1;
        }
        QString address = pgAddress;
        const bool ownDatabase = given.database == QLatin1String("postgres");
        const QString drop = QStringLiteral("DROP DATABASE IF EXISTS zelq_bench_positions WITH (FORCE)");
        QString error;
        if (ownDatabase) {
            if (!bench::maintenance(given, drop, &error)
                || !bench::maintenance(given, QStringLiteral("CREATE DATABASE zelq_bench_positions "
                                                             "ENCODING 'UTF8' TEMPLATE template0"), &error)) {
                out << "postgresql: " << error << Qt::endl;
                return 1;
            }
            QUrl url(pgAddress.trimmed());
            url.setPath(QStringLiteral("/zelq_bench_positions"));
            address = url.toString();
        }
        onLog(QStringLiteral("postgresql"), address);
        if (ownDatabase)
            bench::maintenance(given, drop, &error);
    }
    return 0;
}
