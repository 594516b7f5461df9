// The rig poll at its fastest rate (a tick every 50 ms) against a simulated
// Kenwood on a pty: how long after the first poll that can see a new band
// the logging band follows (target: within two timer intervals, 100 ms),
// and after the radio's own change (up to three intervals, as the change
// can just miss a poll), the CPU time one tick takes, and the longest the
// event loop is held while polling (target under 16 ms).
//
//   bench_rig_poll [BAND_CHANGES]
#include "BenchSupport.h"
#include "FakeDialogs.h"
#include "PtyPair.h"
#include "RigSimulator.h"
#include "core/Beeper.h"
#include "devices/DeviceRegistry.h"
#include "devices/QtSerialLine.h"
#include "rig/BandFromFrequency.h"
#include "rig/RigCatalogue.h"
#include "rig/RigLink.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <ctime>

using namespace zelq;
using namespace zelq::test;

namespace {

struct QuietBeeper final : Beeper {
    void beep() override {}
};

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int changes = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 60;
    QTextStream out(stdout);

    DeviceRegistry registry;
    PtyPair pty;
    RigSimulator sim(pty, RigTypes::Kenwood);
    QTemporaryDir folder;
    QtSerialLine line(registry, folder.path());
    FakeDialogs dialogs;
    QuietBeeper beeper;
    RigLink link(line, dialogs, beeper);
    const RigTypeDefaults d = rigTypeDefaults(RigTypes::Kenwood);
    link.settings.rigType = RigTypes::Kenwood;
    link.settings.frequencyPoll = d.frequencyPoll;
    link.settings.modePoll = d.modePoll;
    link.settings.baud = *d.baud;
    link.settings.stopBits = *d.stopBits;
    link.settings.portSettings = link.settings.builtPortSettings();
    link.settings.pollRate = QStringLiteral("F");
    QFile ports(QDir(folder.path()).filePath(QStringLiteral("Ports.txt")));
    // COM1 of the temporary folder's map is the pty.
    if (ports.open(QIODevice::WriteOnly | QIODevice::Truncate))
        ports.write(QStringLiteral("\"%1\"\r\n").arg(pty.slavePath()).toUtf8());
    ports.close();
    if (!link.OpenRigPort(true)) {
        out << "cannot open the pty: " << link.linkProblem() << Qt::endl;
        return 1;
    }

    // The ticks are driven here so each can be timed; the interval is the
    // fastest rate's.
    QString band;
    QElapsedTimer sinceChange, sincePoll;
    std::vector<double> latencies, pollLatencies, tickCpu, tickWall, stalls;
    QString wanted;
    link.bandFreqConversion = [&](float mhz) {
        const QString b = bandForFrequency(mhz);
        if (b == band)
            return;
        band = b;
        if (b == wanted && sinceChange.isValid()) {
            latencies.push_back(double(sinceChange.nsecsElapsed()) / 1e6);
            pollLatencies.push_back(double(sincePoll.nsecsElapsed()) / 1e6);
            sinceChange.invalidate();
            sincePoll.invalidate();
        }
    };
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(50);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (!link.pollPhase && sinceChange.isValid() && !sincePoll.isValid())
            sincePoll.start(); // the first poll sent after the change
        const double cpu = threadCpuMs();
        QElapsedTimer wall;
        wall.start();
        link.pollTick();
        tickWall.push_back(double(wall.nsecsElapsed()) / 1e6);
        tickCpu.push_back(threadCpuMs() - cpu);
    });
    // The event loop's heartbeat: every gap beyond its 1 ms is a stall.
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    beat.setInterval(1);
    QElapsedTimer sinceBeat;
    QObject::connect(&beat, &QTimer::timeout, [&] {
        if (sinceBeat.isValid())
            stalls.push_back(double(sinceBeat.nsecsElapsed()) / 1e6);
        sinceBeat.start();
    });
    tick.start();
    beat.start();

    // The radio changes band at a random moment of the poll cycle.
    int done = 0;
    QEventLoop loop;
    QTimer change;
    change.setSingleShot(true);
    QObject::connect(&change, &QTimer::timeout, [&] {
        if (++done > changes) {
            loop.quit();
            return;
        }
        const bool forty = band != QLatin1String("40");
        wanted = forty ? QStringLiteral("40") : QStringLiteral("20");
        sim.setFrequency(forty ? 7010000 : 14025000);
        sinceChange.start();
        sincePoll.invalidate();
        change.start(200 + QRandomGenerator::global()->bounded(100));
    });
    change.start(300);
    loop.exec();

    bench::FigureTable figures(out);
    figures.row("band changes measured", double(latencies.size()), "", "-");
    figures.row("poll to band, median", bench::percentile(pollLatencies, 0.5), "ms", "-");
    figures.row("poll to band, worst", bench::percentile(pollLatencies, 1.0), "ms", "<= 100 ms");
    figures.row("radio change to band, median", bench::percentile(latencies, 0.5), "ms", "-");
    figures.row("radio change to band, worst", bench::percentile(latencies, 1.0), "ms", "<= 150 ms");
    figures.row("CPU per tick, median", bench::percentile(tickCpu, 0.5), "ms", "-");
    figures.row("CPU per tick, worst", bench::percentile(tickCpu, 1.0), "ms", "-");
    figures.row("tick wall time, worst", bench::percentile(tickWall, 1.0), "ms", "-");
    figures.row("event-loop gap, p99", bench::percentile(stalls, 0.99), "ms", "-");
    figures.row("event-loop gap, longest", bench::percentile(stalls, 1.0), "ms", "< 16 ms");
    return 0;
}
