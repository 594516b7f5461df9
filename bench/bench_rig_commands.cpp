// Tuning each radio family over a pty against its simulator, the poll at
// its fastest rate: the longest the event loop is held while a
// ChangeFrequency runs (target under 16 ms), and the time from the call
// (the tune window's Go) to the poll reading the radio's new frequency.
//
//   bench_rig_commands [TUNES_PER_FAMILY]
#include "BenchSupport.h"
#include "FakeDialogs.h"
#include "PtyPair.h"
#include "RigSimulator.h"
#include "core/Beeper.h"
#include "devices/DeviceRegistry.h"
#include "devices/QtSerialLine.h"
#include "rig/BandPlan.h"
#include "rig/RigCatalogue.h"
#include "rig/RigCommander.h"
#include "rig/RigLink.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

using namespace zelq;
using namespace zelq::test;
using namespace zelq::RigTypes;

namespace {

struct QuietBeeper final : Beeper {
    void beep() override {}
};

struct Figures {
    std::vector<double> stalls;
    std::vector<double> readBack;
    int failures = 0;
};

Figures measure(const QString& type, int tunes)
{
    Figures f;
    DeviceRegistry registry;
    PtyPair pty;
    RigSimulator sim(pty, type);
    QTemporaryDir folder;
    QFile ports(QDir(folder.path()).filePath(QStringLiteral("Ports.txt")));
    if (ports.open(QIODevice::WriteOnly | QIODevice::Truncate))
        ports.write(QStringLiteral("\"%1\"\r\n").arg(pty.slavePath()).toUtf8());
    ports.close();
    QtSerialLine line(registry, folder.path());
    FakeDialogs dialogs;
    QuietBeeper beeper;
    RigLink link(line, dialogs, beeper);
    const RigTypeDefaults d = rigTypeDefaults(type);
    link.settings.rigType = type;
    link.settings.frequencyPoll = d.frequencyPoll;
    link.settings.modePoll = d.modePoll;
    link.settings.convertToHex = d.convertToHex;
    link.settings.baud = d.baud.value_or(QStringLiteral("4800"));
    link.settings.pollRate = QStringLiteral("F");
    link.commander().bandPlan = LoadBandPlan(QStringLiteral(ZELQ_BENCH_DATA_DIR "/BandPlan.txt"));
    link.Test();
    if (!link.isPolling()) {
        f.failures = tunes;
        return f;
    }

    bool inCommand = false;
    QElapsedTimer sinceGo;
    float wanted = 0;
    QEventLoop loop;
    link.bandFreqConversion = [&](float mhz) {
        if (sinceGo.isValid() && qAbs(mhz - wanted) < 0.000005f) {
            f.readBack.push_back(double(sinceGo.nsecsElapsed()) / 1e6);
            sinceGo.invalidate();
            loop.quit();
        }
    };
    QObject::connect(&link.commander(), &RigCommander::sequenceFinished, [&] { inCommand = false; });
    // The event loop's heartbeat: a gap while a command runs is a stall.
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    beat.setInterval(1);
    QElapsedTimer sinceBeat;
    QObject::connect(&beat, &QTimer::timeout, [&] {
        if (sinceBeat.isValid() && inCommand)
            f.stalls.push_back(double(sinceBeat.nsecsElapsed()) / 1e6);
        sinceBeat.start();
    });
    beat.start();
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    for (int i = 0; i < tunes; ++i) {
        wanted = (i % 2) ? 14.2f : 7.2f;
        inCommand = true;
        sinceBeat.start();
        sinceGo.start();
        link.ChangeFrequency(wanted);
        limit.start(5000);
        loop.exec();
        if (sinceGo.isValid()) {
            ++f.failures;
            sinceGo.invalidate();
        }
    }
    link.EndTest();
    return f;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int tunes = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 6;
    QTextStream out(stdout);
    bench::FigureTable figures(out);
    std::vector<double> allStalls;
    for (const QString& type : {Kenwood, Elecraft, Kenwood2, Icom, Icom735, OmniVI, Yaesu, Yaesu757,
                                Yaesu890, Yaesu920, Yaesu990, Yaesu1000D, Yaesu1000, FTdx9000,
                                FrontPanel, Orion}) {
        const Figures f = measure(type, tunes);
        allStalls.insert(allStalls.end(), f.stalls.begin(), f.stalls.end());
        figures.row(qPrintable(type + QStringLiteral(": longest stall")),
                    bench::percentile(f.stalls, 1.0), "ms", "< 16 ms");
        figures.row(qPrintable(type + QStringLiteral(": Go to read back, median")),
                    bench::percentile(f.readBack, 0.5), "ms", "-");
        figures.row(qPrintable(type + QStringLiteral(": Go to read back, worst")),
                    bench::percentile(f.readBack, 1.0), "ms", "-");
        if (f.failures)
            figures.row(qPrintable(type + QStringLiteral(": tunes never read back")),
                        double(f.failures), "", "0");
    }
    figures.row("all families: longest stall", bench::percentile(allStalls, 1.0), "ms", "< 16 ms");
    return 0;
}
