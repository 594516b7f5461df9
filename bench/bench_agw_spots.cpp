// DX spots through an AGW packet engine (simulated, on a loopback port):
// the engine sends connected data cut into short frames and monitored UI
// frames, the AGW link turns them into lines, and each spot goes to the
// spot store, the spot list and the band map, while a 5 ms timer measures
// how long the event loop is held. Bursts of 20 spots every 20 ms, far
// above any radio link, so the figure is what the program can take.
//
//   bench_agw_spots [SECONDS]     (default 20)
#include "AgwSimulator.h"
#include "BenchSpotScene.h"
#include "BenchSupport.h"
#include "core/Clock.h"
#include "log/PrefixTable.h"
#include "spots/AgwLink.h"
#include "spots/BandMapLayout.h"
#include "spots/SpotLine.h"
#include "spots/SpotStore.h"
#include "ui/BandMapView.h"
#include "ui/SpotListView.h"
#include "zelq_build_info.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTextStream>
#include <QTimer>

using namespace zelq;
using namespace zelq::test;

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 20;
    QTextStream out(stdout);
    bench::SpotScene scene;
    const PrefixTable& table = scene.table;
    SpotStore& store = scene.store;
    if (table.isEmpty()) {
        out << "no prefix table" << Qt::endl;
        return 1;
    }

    AgwSimulator engine(nullptr, 5);
    AgwLink link;
    int spots = 0;
    bool opened = false;
    QObject::connect(&link, &AgwLink::opened, [&] { opened = true; });
    QObject::connect(&link, &AgwLink::lineReceived, [&](const QString& line) {
        if (const auto f = parseSpotLine(line)) {
            store.AddSpot(f->frequency, f->call, line);
            ++spots;
        }
    });
    link.AGWStartPoll(QStringLiteral("127.0.0.1"), engine.port(), QStringLiteral("W1AW"));
    if (!engine.waitFor([&] { return opened; })) {
        out << "engine did not answer" << Qt::endl;
        return 1;
    }
    link.AGWPutData(QStringLiteral("K1TTT-5"), {}, 'C');
    if (!engine.waitFor([&] { return !link.connectedStation().isEmpty() && engine.monitoring(); })) {
        out << "no connection to the node" << Qt::endl;
        return 1;
    }

    QRandomGenerator rnd(9);
    auto spotLine = [&](const QString& spotter) {
        const QString call = table.row(int(rnd.bounded(1, table.count() + 1))).prefix
            + QString::number(rnd.bounded(10)) + QChar(u'A' + char16_t(rnd.bounded(26)))
            + QChar(u'A' + char16_t(rnd.bounded(26)));
        QString l = (QStringLiteral("DX de ") + spotter + QLatin1Char(':')).leftJustified(15, QLatin1Char(' '));
        l += QString::number(14000.0 + rnd.bounded(350000) / 1000.0, 'f', 1).rightJustified(9, QLatin1Char(' '));
        l += QStringLiteral("  ") + call.leftJustified(13, QLatin1Char(' ')) + QStringLiteral("cq test");
        return l.leftJustified(70, QLatin1Char(' ')) + QStringLiteral("1234Z");
    };

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
    QTimer feeder;
    int sent = 0;
    const int total = seconds * 1000;
    QObject::connect(&feeder, &QTimer::timeout, [&] {
        QStringList lines;
        for (int i = 0; i < 15 && sent < total; ++i, ++sent)
            lines << spotLine(QStringLiteral("K1TTT"));
        engine.sendConnected(lines, 40); // frames end mid-line
        for (int i = 0; i < 5 && sent < total; ++i, ++sent)
            engine.sendMonitored(QStringLiteral("DX0BCN"), QStringLiteral("DX"), spotLine(QStringLiteral("DX0BCN")));
        if (sent >= total)
            feeder.stop();
    });
    QElapsedTimer wall;
    wall.start();
    feeder.start(20);
    while ((spots < total || feeder.isActive()) && wall.elapsed() < (seconds + 30) * 1000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double elapsed = double(wall.elapsed()) / 1000.0;
    probe.stop();

    bench::FigureTable figures(out);
    figures.row("spots sent", double(total), "", "-");
    figures.row("spots taken", double(spots), "", "= sent");
    figures.row("spots per second", double(spots) / elapsed, "/s", "-");
    figures.row("event-loop stall, p99", bench::percentile(stalls, 0.99), "ms", "< 16 ms");
    figures.row("event-loop stall, longest", bench::percentile(stalls, 1.0), "ms", "-");
    return spots == total ? 0 : 1;
}
