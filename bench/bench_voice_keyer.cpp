// Voice keyer PTT timing on the real audio path: a PulseAudio null sink of
// the bench's own plays the messages, its monitor is recorded in the same
// process, and every recorded chunk is stamped on the monotonic clock the
// PTT line's stamps use. Figures: PTT lead (PTT up to the first sample
// heard) and tail (last sample heard to PTT down; target 0 to 60 ms), and
// the error of the F1 repeat period. A recorded sample is dated by its
// chunk's arrival, so the capture's own latency makes the lead look longer
// and the tail shorter by that latency (a few ms).
//
//   bench_voice_keyer [messages]
#include "BenchSupport.h"
#include "FakeBeeper.h"
#include "FakeDialogs.h"
#include "PulseNullSink.h"
#include "TempHome.h"
#include "devices/DeviceRegistry.h"
#include "devices/RecordingKeyLine.h"
#include "keying/CwMessages.h"
#include "keying/PhoneControl.h"
#include "keying/QtWavePlayer.h"

#include <QAudioSource>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMediaDevices>
#include <QTextStream>
#include <QTimer>
#include <QtEndian>
#include <cmath>

using namespace zelq;
using namespace zelq::test;
using bench::FigureTable;

namespace {

constexpr int Rate = 48000;

QByteArray toneFile(int ms)
{
    const int frames = Rate * ms / 1000;
    QByteArray pcm(frames * 2, '\0');
    for (int i = 0; i < frames; ++i)
        qToLittleEndian<qint16>(qint16(12000 * std::sin(2 * M_PI * 1000 * i / Rate)), pcm.data() + 2 * i);
    QByteArray h("RIFF");
    auto u32 = [](quint32 v) { QByteArray b(4, '\0'); qToLittleEndian(v, b.data()); return b; };
    auto u16 = [](quint16 v) { QByteArray b(2, '\0'); qToLittleEndian(v, b.data()); return b; };
    h += u32(quint32(36 + pcm.size())) + "WAVEfmt " + u32(16) + u16(1) + u16(1) + u32(Rate) + u32(Rate * 2) + u16(2)
        + u16(16) + "data" + u32(quint32(pcm.size()));
    return h + pcm;
}

// The monitor's samples with the monotonic time of each.
struct Capture {
    std::vector<std::pair<qint64, int>> loud; // (time, |sample|) of samples above the noise
    QAudioSource* source = nullptr;
    QIODevice* in = nullptr;
    int channels = 1;
    int rate = Rate;

    bool start(const QByteArray& monitorId)
    {
        for (const QAudioDevice& d : QMediaDevices::audioInputs()) {
            if (d.id() != monitorId)
                continue;
            QAudioFormat f;
            f.setSampleRate(Rate);
            f.setChannelCount(1);
            f.setSampleFormat(QAudioFormat::Int16);
            if (!d.isFormatSupported(f))
                f = d.preferredFormat(), f.setSampleFormat(QAudioFormat::Int16);
            channels = f.channelCount();
            rate = f.sampleRate();
            source = new QAudioSource(d, f);
            source->setBufferSize(rate * channels * 2 / 100); // 10 ms
            in = source->start();
            QObject::connect(in, &QIODevice::readyRead, [this] { read(); });
            return in != nullptr;
        }
        return false;
    }
    void read()
    {
        const QByteArray chunk = in->readAll();
        const qint64 now = RecordingKeyLine::nowNs();
        const qint64 frames = chunk.size() / (2 * channels);
        for (qint64 i = 0; i < frames; ++i) {
            const int v = std::abs(qFromLittleEndian<qint16>(chunk.constData() + 2 * i * channels));
            if (v > 2000)
                loud.emplace_back(now - (frames - 1 - i) * 1000000000LL / rate, v);
        }
    }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int messages = argc > 1 ? std::max(2, atoi(argv[1])) : 10;
    QTextStream out(stdout);
    PulseNullSink sink;
    if (!sink.available()) {
        out << "bench_voice_keyer: " << sink.why() << "\n";
        return 1;
    }
    TempHome home;
    QDir().mkpath(home.installDir());
    const QString wave = home.installDir() + QStringLiteral("/tone.wav");
    QFile f(wave);
    if (!f.open(QIODevice::WriteOnly) || f.write(toneFile(700)) < 0)
        return 1;
    f.close();

    Capture capture;
    if (!capture.start(PulseNullSink::captureName().toUtf8())) {
        out << "bench_voice_keyer: the null sink's monitor cannot be recorded\n";
        return 1;
    }
    DeviceRegistry registry;
    FakeDialogs dialogs;
    FakeBeeper beeper;
    QtWavePlayer player;
    player.setDeviceId(PulseNullSink::sinkName().toUtf8());
    RecordingKeyLine line;
    PhoneControl keyer(registry, home.installDir(), dialogs, beeper, player);
    keyer.setLineOverride(&line);
    PhoneSettings s;
    s.files[0] = wave;
    s.repeatSeconds = QStringLiteral("1");
    keyer.applySettings(s);
    keyer.mode = [] { return QStringLiteral("PH"); };

    // Let the capture settle, then F1 repeats `messages` times.
    QTimer::singleShot(500, [&] { keyer.FKeyPhone(KeyF1); });
    QTimer stopper;
    QObject::connect(&stopper, &QTimer::timeout, [&] {
        int downs = 0;
        for (const KeyChange& c : line.changes())
            downs += c.down ? 0 : 1;
        if (downs >= messages + 1) { // the first change is the line lowered at the start
            keyer.cancelRepeat();
            QTimer::singleShot(300, &app, &QCoreApplication::quit);
            stopper.stop();
        }
    });
    stopper.start(20);
    app.exec();
    capture.source->stop(); // before the server goes

    // Pair each keyed stretch with the loud samples inside it (+/- 300 ms).
    std::vector<double> leads, tails, periods;
    const QList<KeyChange> changes = line.changes();
    qint64 lastDown = -1;
    for (qsizetype i = 0; i + 1 < changes.size(); ++i) {
        if (!changes[i].down || changes[i + 1].down)
            continue;
        const qint64 up = changes[i].monotonicNs, down = changes[i + 1].monotonicNs;
        if (lastDown >= 0)
            periods.push_back((up - lastDown) / 1e6 - 1000.0);
        lastDown = down;
        qint64 first = -1, last = -1;
        for (const auto& [t, v] : capture.loud) {
            if (t < up - 300000000LL || t > down + 300000000LL)
                continue;
            if (first < 0)
                first = t;
            last = t;
        }
        if (first < 0)
            continue;
        leads.push_back((first - up) / 1e6);
        tails.push_back((down - last) / 1e6);
    }
    out << "messages keyed: " << leads.size() << " of " << messages << " (700 ms tone, F1 pause 1 s)\n";
    if (leads.empty())
        return 1;
    FigureTable table(out);
    table.row("PTT lead p50", bench::percentile(leads, 0.5), "ms", "-");
    table.row("PTT lead max", bench::percentile(leads, 1.0), "ms", "-");
    table.row("PTT tail min", -bench::percentile([&] { auto n = tails; for (double& x : n) x = -x; return n; }(), 1.0), "ms", ">= 0");
    table.row("PTT tail p50", bench::percentile(tails, 0.5), "ms", "0..60");
    table.row("PTT tail max", bench::percentile(tails, 1.0), "ms", "<= 60");
    if (!periods.empty()) {
        std::vector<double> abs;
        for (double p : periods)
            abs.push_back(std::fabs(p));
        table.row("repeat period error p50", bench::percentile(abs, 0.5), "ms", "-");
        table.row("repeat period error max", bench::percentile(abs, 1.0), "ms", "-");
    }
    out.flush();
    return 0;
}
