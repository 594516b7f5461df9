// The link to fldigi against the fake fldigi on a loopback port, at the
// link's own poll rate: how long after a value is set in fldigi it reaches
// the logger's field, and the longest the event loop is held while fldigi
// takes connections and never answers, and while nothing listens at all
// (target under 16 ms).
//
//   bench_rtty_link [SAMPLES]
#include "BenchSupport.h"
#include "FakeFldigi.h"
#include "core/Clock.h"
#include "keying/RttyLink.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTextStream>
#include <QTimer>

using namespace zelq;
using namespace zelq::test;

namespace {

void waitMs(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

// Longest gap between the beats of a 1 ms timer over `ms`.
std::vector<double> heartbeatGaps(int ms)
{
    std::vector<double> gaps;
    QElapsedTimer sinceBeat;
    sinceBeat.start();
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    beat.setInterval(1);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        gaps.push_back(double(sinceBeat.nsecsElapsed()) / 1e6);
        sinceBeat.restart();
    });
    beat.start();
    waitMs(ms);
    return gaps;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int samples = argc > 1 ? std::max(1, atoi(argv[1])) : 40;
    SystemClock clock;
    FakeFldigi fake;
    RttyLink link(clock);
    QString call;
    QElapsedTimer sinceSet;
    std::vector<double> latencies;
    QString awaited;
    link.mode = [] { return QStringLiteral("RY"); };
    link.callText = [&] { return call; };
    link.setField = [&](EntryField f, const QString& text) {
        if (f == EntryField::Call)
            call = text;
        if (text == awaited) {
            latencies.push_back(double(sinceSet.nsecsElapsed()) / 1e6);
            awaited.clear();
        }
    };
    bool linked = false;
    link.ConnectWithTYRM(QStringLiteral("127.0.0.1"), fake.port(), [&](bool ok) { linked = ok; });
    waitMs(500);
    if (!linked) {
        QTextStream(stderr) << "the fake fldigi did not answer\n";
        return 1;
    }
    for (int i = 0; i < samples; ++i) {
        // At a random point of the poll cycle, as an operator clicks.
        waitMs(int(QRandomGenerator::global()->bounded(50, 300)));
        awaited = QStringLiteral("K%1ABC").arg(i);
        fake.call = awaited.toLower();
        sinceSet.start();
        QElapsedTimer limit;
        limit.start();
        while (!awaited.isEmpty() && limit.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }

    fake.hung = true;
    const std::vector<double> hungGaps = heartbeatGaps(8000);
    fake.stop();
    const std::vector<double> goneGaps = heartbeatGaps(6000);

    QTextStream out(stdout);
    bench::FigureTable figures(out);
    figures.row("values measured", double(latencies.size()), "", "-");
    figures.row("fldigi to field, median", bench::percentile(latencies, 0.5), "ms", "-");
    figures.row("fldigi to field, worst", bench::percentile(latencies, 1.0), "ms", "<= 300 ms");
    figures.row("event-loop gap, fldigi hung, longest", bench::percentile(hungGaps, 1.0), "ms", "< 16 ms");
    figures.row("event-loop gap, fldigi gone, longest", bench::percentile(goneGaps, 1.0), "ms", "< 16 ms");
    return 0;
}
