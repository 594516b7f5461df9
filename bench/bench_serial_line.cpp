// Serial line speed over a pty: the round trip of a 6-byte frame from the
// program to a simulated device that answers with 6 bytes (target: p99
// under 2 ms), and the time from unplugging the device to the error report.
//
//   bench_serial_line [ROUND_TRIPS]
#include "DeviceSimulator.h"
#include "PtyPair.h"
#include "devices/DeviceRegistry.h"
#include "devices/QtSerialLine.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTextStream>
#include <QTimer>
#include <algorithm>

using namespace zelq;
using namespace zelq::test;

namespace {

double percentile(QList<qint64> ns, double p)
{
    std::sort(ns.begin(), ns.end());
    const qsizetype at = std::min<qsizetype>(ns.size() - 1, qsizetype(p * double(ns.size())));
    return double(ns[at]) / 1e6;
}

SerialOpenRequest request(const PtyPair& pty)
{
    SerialOpenRequest r;
    r.device = pty.slavePath();
    r.settings = parseSerialSettings(QStringLiteral("4800,N,8,2"));
    r.owner = QStringLiteral("bench");
    return r;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int trips = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 5000;
    QTextStream out(stdout);
    DeviceRegistry registry;

    // Round trips.
    QList<qint64> roundTrips;
    {
        PtyPair pty;
        DeviceSimulator sim(pty);
        sim.answer(QByteArray("\xFE\xFE\x64\xE0\x03\xFD", 6), QByteArray("\xFE\xFE\xE0\x64\x03\xFD", 6));
        QtSerialLine line(registry, QDir::tempPath());
        if (!line.open(request(pty))) {
            out << line.openFailure() << Qt::endl;
            return 1;
        }
        QEventLoop loop;
        QElapsedTimer timer;
        QByteArray got;
        auto next = [&] {
            got.clear();
            timer.start();
            line.write(QByteArray("\xFE\xFE\x64\xE0\x03\xFD", 6));
        };
        QObject::connect(&line, &SerialLine::readyRead, &loop, [&] {
            got += line.readAll();
            if (got.size() < 6)
                return;
            roundTrips.append(timer.nsecsElapsed());
            if (roundTrips.size() == trips)
                loop.quit();
            else
                next();
        });
        QTimer::singleShot(0, &loop, next);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
    }

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

    out << "Serial line over a pty (" << roundTrips.size() << " round trips, " << unplugs.size()
        << " unplugs)\n";
    out << qSetFieldWidth(34) << Qt::left << "measure" << qSetFieldWidth(14) << Qt::right << "value"
        << qSetFieldWidth(12) << "target" << qSetFieldWidth(0) << "\n";
    const auto row = [&](const char* name, double value, const char* unit, const char* target) {
        out << qSetFieldWidth(34) << Qt::left << name << qSetFieldWidth(10) << Qt::right
            << QString::number(value, 'f', 3) << qSetFieldWidth(4) << unit << qSetFieldWidth(12)
            << target << qSetFieldWidth(0) << "\n";
    };
    if (roundTrips.isEmpty() || unplugs.isEmpty()) {
        out << "no figures" << Qt::endl;
        return 1;
    }
    row("6-byte frame round trip, median", percentile(roundTrips, 0.5), "ms", "-");
    row("6-byte frame round trip, p99", percentile(roundTrips, 0.99), "ms", "< 2 ms");
    row("6-byte frame round trip, worst", percentile(roundTrips, 1.0), "ms", "-");
    row("unplug to error report, median", percentile(unplugs, 0.5), "ms", "-");
    row("unplug to error report, worst", percentile(unplugs, 1.0), "ms", "< 100 ms");
    out << Qt::endl;
    return 0;
}
