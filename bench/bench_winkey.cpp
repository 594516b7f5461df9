// The WinKeyer through the CW keyer against the simulated WinKeyer on a
// pty: from a function key to the first character byte on the wire, and
// from Esc during the message to the clear-buffer byte on the wire, over
// many runs. A byte counts as on the wire when the simulator reads it (the
// simulator runs on this thread, so the figures include the rest of the
// event-loop turn that wrote it).
//
//   bench_winkey [RUNS]
#include "BenchSupport.h"
#include "FakeBeeper.h"
#include "FakeDialogs.h"
#include "PtyPair.h"
#include "TempHome.h"
#include "WinKeySimulator.h"
#include "devices/DeviceRegistry.h"
#include "devices/PortMap.h"
#include "keying/CwControl.h"
#include "keying/WinKeyer.h"
#include "log/KeyDispatch.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QTextStream>

using namespace zelq;
using namespace zelq::test;

namespace {

bool waitFor(const std::function<bool()>& done, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
    return done();
}

// When byte `value` first arrived at or after index `from`; -1 if never.
qint64 arrival(const WinKeySimulator& sim, qsizetype from, quint8 value)
{
    const QList<WinKeySimulator::Byte>& bytes = sim.bytes();
    for (qsizetype i = from; i < bytes.size(); ++i)
        if (bytes[i].value == value)
            return bytes[i].ns;
    return -1;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 200;
    TempHome home;
    QDir().mkpath(home.installDir());
    PtyPair pty;
    WinKeySimulator sim(pty);
    PortMap map;
    map.setDevice(5, pty.slavePath());
    map.save(home.installDir());
    CwSettings s;
    s.method = KeyingMethod::WinKey;
    s.messages[1] = QStringLiteral("$ 5NN #");
    s.speed = QStringLiteral("30");
    s.save(home.installDir());

    DeviceRegistry registry;
    FakeDialogs dialogs;
    FakeBeeper beeper;
    WinKeyer keyer(registry, home.installDir(), dialogs);
    CwControl cw(registry, home.installDir(), dialogs, beeper);
    cw.callText = [] { return QStringLiteral("W1AW"); };
    cw.mode = [] { return QStringLiteral("CW"); };
    cw.LoadCWSettings();
    cw.setSender(KeyingMethod::WinKey, &keyer);
    KeyStroke f2;
    f2.key = Qt::Key_F2;
    KeyStroke esc;
    esc.key = Qt::Key_Escape;
    esc.ch = KeyStroke::Escape;

    // The first message opens the keyer.
    qint64 t0 = WinKeySimulator::monotonicNs();
    cw.keyDownStep(f2);
    waitFor([&] { return arrival(sim, 0, 'W') >= 0; }, 2000);
    const double firstWithOpen = double(arrival(sim, 0, 'W') - t0) / 1e6;
    if (!waitFor([&] { return !cw.CWSending(); }, 10000) || !keyer.isOpen()) {
        QTextStream(stderr) << "the simulated WinKeyer did not take the message\n";
        return 1;
    }

    std::vector<double> toFirst;
    std::vector<double> toClear;
    for (int i = 0; i < runs; ++i) {
        qsizetype from = sim.bytes().size();
        t0 = WinKeySimulator::monotonicNs();
        cw.keyDownStep(f2);
        if (!waitFor([&] { return arrival(sim, from, 'W') >= 0 && sim.isBusy(); }, 2000))
            break;
        toFirst.push_back(double(arrival(sim, from, 'W') - t0) / 1e6);

        from = sim.bytes().size();
        t0 = WinKeySimulator::monotonicNs();
        cw.characterStep(esc);
        if (!waitFor([&] { return arrival(sim, from, 0x0A) >= 0; }, 2000))
            break;
        toClear.push_back(double(arrival(sim, from, 0x0A) - t0) / 1e6);
        waitFor([&] { return !cw.CWSending() && !sim.isBusy(); }, 2000);
    }

    QTextStream out(stdout);
    bench::FigureTable figures(out);
    figures.row("runs", double(toFirst.size()), "", "-");
    figures.row("first F-key, keyer opened on the way", firstWithOpen, "ms", "< 300 ms");
    for (auto [name, p] : {std::pair {"F-key to first character, median", 0.5},
                           std::pair {"F-key to first character, p90", 0.9},
                           std::pair {"F-key to first character, p99", 0.99},
                           std::pair {"F-key to first character, worst", 1.0}})
        figures.row(name, bench::percentile(toFirst, p), "ms", "< 16 ms");
    for (auto [name, p] : {std::pair {"Esc to clear-buffer byte, median", 0.5},
                           std::pair {"Esc to clear-buffer byte, p90", 0.9},
                           std::pair {"Esc to clear-buffer byte, p99", 0.99},
                           std::pair {"Esc to clear-buffer byte, worst", 1.0}})
        figures.row(name, bench::percentile(toClear, p), "ms", "< 16 ms");
    return 0;
}
