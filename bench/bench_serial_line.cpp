// Serial line speed over a pty: the round trip of a 6-byte frame from the
// program to a simulated device that answers with 6 bytes (target: p99
// under 2 ms), with the simulator on the program's thread and on one of its
// own, and the time from unplugging the device to the error report.
//
//   bench_serial_line [ROUND_TRIPS]
#include "BenchSupport.h"
#include "DeviceSimulator.h"
#include "PtyPair.h"
#include "devices/DeviceRegistry.h"
#include "devices/QtSerialLine.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTextStream>
#include <QThread>
#include <QTimer>
#include <algorithm>

using namespace zelq;
using namespace zelq::test;

namespace {

// Nanoseconds as milliseconds, for the figures.
std::vector<double> inMs(const QList<qint64>& ns)
{
    std::vector<double> ms;
    for (qint64 n : ns)
        ms.push_back(double(n) / 1e6);
    return ms;
}

SerialOpenRequest request(const PtyPair& pty)
{
    SerialOpenRequest r;
    r.device = pty.slavePath();
    r.settings = parseSerialSettings(QStringLiteral("4800,N,8,2"));
    r.owner = QStringLiteral("bench");
    return r;
}

// Round trips of a CI-V frequency query; the simulator answers from the
// program's thread or, like a real device, from a thread of its own.
QList<qint64> roundTrips(DeviceRegistry& registry, int trips, bool simulatorThread)
{
    const QByteArray query("\xFE\xFE\x64\xE0\x03\xFD", 6);
    const QByteArray answer("\xFE\xFE\xE0\x64\x03\xFD", 6);
    QList<qint64> times;
    PtyPair pty;
    QThread thread;
    auto* anchor = new QObject;
    if (simulatorThread) {
        thread.start();
        anchor->moveToThread(&thread);
    }
    DeviceSimulator* sim = nullptr;
    QMetaObject::invokeMethod(
        anchor, [&] { sim = new DeviceSimulator(pty); sim->answer(query, answer); },
        simulatorThread ? Qt::BlockingQueuedConnection : Qt::DirectConnection);

    QtSerialLine line(registry, QDir::tempPath());
    if (line.open(request(pty))) {
        QEventLoop loop;
        QElapsedTimer timer;
        QByteArray got;
        auto next = [&] {
            got.clear();
            timer.start();
            line.write(query);
        };
        QObject::connect(&line, &SerialLine::readyRead, &loop, [&] {
            got += line.readAll();
            if (got.size() < answer.size())
                return;
            times.append(timer.nsecsElapsed());
            if (times.size() == trips)
                loop.quit();
            else
                next();
        });
        QTimer::singleShot(0, &loop, next);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    QMetaObject::invokeMethod(
        anchor, [&] { delete sim; delete anchor; },
        simulatorThread ? Qt::BlockingQueuedConnection : Qt::DirectConnection);
    thread.quit();
    thread.wait();
    return times;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int trips = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 5000;
    QTextStream out(stdout);
    DeviceRegistry registry;

    const QList<qint64> sameThread = roundTrips(registry, trips, false);
    const QList<qint64> ownThread = roundTrips(registry, trips, true);

    // Unplug to error report.
    QList<qint64> unplugs;
    for (int i = 0; i < 50; ++i) {
        PtyPair pty;
        DeviceSimulator sim(pty);
        QtSerialLine line(registry, QDir::tempPath());
        if (!line.open(request(pty)))
            continue;
        QEventLoop loop;
        QElapsedTimer timer;
        QObject::connect(&line, &SerialLine::failed, &loop, [&] {
            unplugs.append(timer.nsecsElapsed());
            loop.quit();
        });
        QTimer::singleShot(0, &loop, [&] {
            timer.start();
            sim.unplug();
        });
        QTimer::singleShot(2000, &loop, &QEventLoop::quit);
        loop.exec();
    }

    out << "Serial line over a pty (" << trips << " round trips each way, " << unplugs.size()
        << " unplugs)\n";
    bench::FigureTable figures(out);
    if (sameThread.isEmpty() || ownThread.isEmpty() || unplugs.isEmpty()) {
        out << "no figures" << Qt::endl;
        return 1;
    }
    figures.row("round trip, one thread, median", bench::percentile(inMs(sameThread), 0.5), "ms", "-");
    figures.row("round trip, one thread, p99", bench::percentile(inMs(sameThread), 0.99), "ms", "< 2 ms");
    figures.row("round trip, one thread, worst", bench::percentile(inMs(sameThread), 1.0), "ms", "-");
    figures.row("round trip, device thread, median", bench::percentile(inMs(ownThread), 0.5), "ms", "-");
    figures.row("round trip, device thread, p99", bench::percentile(inMs(ownThread), 0.99), "ms", "< 2 ms");
    figures.row("round trip, device thread, worst", bench::percentile(inMs(ownThread), 1.0), "ms", "-");
    figures.row("unplug to error report, median", bench::percentile(inMs(unplugs), 0.5), "ms", "-");
    figures.row("unplug to error report, worst", bench::percentile(inMs(unplugs), 1.0), "ms", "< 100 ms");
    out << Qt::endl;
    return 0;
}
