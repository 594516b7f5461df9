// DX spots at a busy contest's rate: a simulated cluster sends spot lines
// at 50 a second (cut into random chunks, with Telnet negotiation) over a
// loopback socket to the cluster link, the spot store, the spot list and
// the band map of the log window, while a 5 ms timer measures how long
// the event loop is held. Then 10^5 spots as fast as they go, with the
// memory in use measured before and after, and the country lookup alone.
//
//   bench_spots [SECONDS]     (default 60)
#include "BenchSpotScene.h"
#include "BenchSupport.h"
#include "ClusterSimulator.h"
#include "core/Clock.h"
#include "log/PrefixTable.h"
#include "spots/BandMapLayout.h"
#include "spots/ClusterLink.h"
#include "spots/SpotCalls.h"
#include "spots/SpotLine.h"
#include "spots/SpotStore.h"
#include "ui/BandMapView.h"
#include "ui/SpotListView.h"
#include "zelq_build_info.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTextStream>
#include <QTimer>
#include <unistd.h>

using namespace zelq;
using namespace zelq::test;

namespace {

double residentMb()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0) : 0;
}

QString randomCall(QRandomGenerator& rnd, const PrefixTable& table)
{
    const QString prefix = table.row(int(rnd.bounded(1, table.count() + 1))).prefix;
    return prefix + QString::number(rnd.bounded(10)) + QChar(u'A' + char16_t(rnd.bounded(26)))
           + QChar(u'A' + char16_t(rnd.bounded(26)));
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 60;
    QTextStream out(stdout);
    bench::SpotScene scene;
    const PrefixTable& table = scene.table;
    SpotStore& store = scene.store;
    if (table.isEmpty()) {
        out << "no prefix table" << Qt::endl;
        return 1;
    }

    ClusterSimulator cluster(nullptr, 11);
    ClusterLink link;
    int spots = 0;
    QObject::connect(&link, &ClusterLink::lineReceived, [&](const QString& line) {
        if (const auto f = parseSpotLine(line)) {
            store.AddSpot(f->frequency, f->call, line);
            ++spots;
        }
    });
    link.open(QStringLiteral("127.0.0.1"), cluster.port(), QStringLiteral("W1AW"));
    if (!cluster.waitForReceived("W1AW\r\n")) {
        out << "no login" << Qt::endl;
        return 1;
    }

    QRandomGenerator rnd(3);
    std::vector<double> stalls;
    QElapsedTimer tickClock;
    tickClock.start();
    qint64 last = tickClock.nsecsElapsed();
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = tickClock.nsecsElapsed();
        stalls.push_back(double(now - last) / 1e6 - 5.0);
        last = now;
    });
    probe.start(5);
    // 50 a second: 5 lines every 100 ms, 20-band spread.
    QTimer feeder;
    int sent = 0;
    const int total = seconds * 50;
    QObject::connect(&feeder, &QTimer::timeout, [&] {
        QStringList lines;
        for (int i = 0; i < 5 && sent < total; ++i, ++sent)
            lines << ClusterSimulator::spotLine(QStringLiteral("K1TTT"), 14000.0 + rnd.bounded(350000) / 1000.0,
                                                randomCall(rnd, table), QStringLiteral("cq test"));
        cluster.sendLines(lines, 64);
        if (sent >= total)
            feeder.stop();
    });
    feeder.start(100);
    QElapsedTimer wall;
    wall.start();
    while ((spots < total || feeder.isActive()) && wall.elapsed() < (seconds + 30) * 1000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    probe.stop();

    // Memory: after a warm-up the store, list and map hold all they ever
    // will; 10^5 more spots must not grow it.
    std::vector<QString> calls;
    for (int i = 0; i < 1000; ++i)
        calls.push_back(randomCall(rnd, table));
    auto burst = [&](int n) {
        for (int i = 0; i < n; ++i) {
            const QString& call = calls[size_t(i % 1000)];
            const double khz = 14000.0 + (i % 3500) / 10.0;
            store.AddSpot(QString::number(khz, 'f', 1), call,
                          ClusterSimulator::spotLine(QStringLiteral("K1TTT"), khz, call, QStringLiteral("cq")));
            if (i % 1000 == 0)
                QCoreApplication::processEvents();
        }
    };
    burst(5000);
    const double before = residentMb();
    QElapsedTimer burstTimer;
    burstTimer.start();
    burst(100000);
    const double burstUs = double(burstTimer.nsecsElapsed()) / 1e3 / 100000;
    const double after = residentMb();

    QElapsedTimer lookupTimer;
    lookupTimer.start();
    int found = 0;
    constexpr int lookups = 200000;
    for (int i = 0; i < lookups; ++i)
        found += CountryyLookupForDXSpots(table, calls[size_t(i % 1000)]).isEmpty() ? 0 : 1;
    const double lookupUs = double(lookupTimer.nsecsElapsed()) / 1e3 / lookups;

    bench::FigureTable figures(out);
    figures.row("spots received over the socket", double(spots), "", "-");
    figures.row("spots sent", double(total), "", "= received");
    figures.row("event-loop stall, p99", bench::percentile(stalls, 0.99), "ms", "< 16 ms");
    figures.row("event-loop stall, longest", bench::percentile(stalls, 1.0), "ms", "-");
    figures.row("one spot stored, listed and drawn", burstUs, "us", "-");
    figures.row("resident memory before 10^5 spots", before, "MB", "-");
    figures.row("resident memory growth over 10^5 spots", after - before, "MB", "~0 (flat)");
    figures.row("country lookup per spot", lookupUs, "us", "-");
    figures.row("calls with a country", double(found) / lookups * 100.0, "%", "-");
    return spots == total ? 0 : 1;
}
