#include "keying/QtWavePlayer.h"

#include "keying/WaveFile.h"

#include <QAudioSink>
#include <QMediaDevices>
#include <climits>

namespace zelq {

namespace {

std::optional<QAudioDevice> findOutput(const QByteArray& id)
{
    if (id.isEmpty()) {
        QAudioDevice d = QMediaDevices::defaultAudioOutput();
        if (d.isNull())
            return std::nullopt;
        return d;
    }
    for (const QAudioDevice& d : QMediaDevices::audioOutputs())
        if (d.id() == id)
            return d;
    return std::nullopt;
}

} // namespace

QtWavePlayer::QtWavePlayer(QObject* parent) : WavePlayer(parent)
{
    feeder.setInterval(FeedMs);
    feeder.setTimerType(Qt::PreciseTimer);
    connect(&feeder, &QTimer::timeout, this, &QtWavePlayer::feed);
}

QtWavePlayer::~QtWavePlayer()
{
    release();
}

QList<QtWavePlayer::Output> QtWavePlayer::outputs()
{
    QList<Output> list;
    const QAudioDevice def = QMediaDevices::defaultAudioOutput();
    if (!def.isNull())
        list.append({def.id(), def.description()});
    for (const QAudioDevice& d : QMediaDevices::audioOutputs())
        if (d.id() != def.id())
            list.append({d.id(), d.description()});
    return list;
}

void QtWavePlayer::release()
{
    playing = false;
    feeder.stop();
    sinkInput = nullptr;
    if (sink)
        sink->stop();
    sink.reset();
}

bool QtWavePlayer::open(const QString& path, QString* reason)
{
    release();
    length = 0;
    const std::optional<WaveData> wave = readWaveFile(path, reason);
    if (!wave)
        return false;
    const std::optional<QAudioDevice> device = findOutput(deviceId);
    if (!device) {
        if (reason)
            *reason = QStringLiteral("no sound output");
        return false;
    }
    // The file's own rate and channels when the device takes them, else
    // the device's, always 16-bit.
    QAudioFormat format;
    format.setSampleRate(wave->sampleRate);
    format.setChannelCount(wave->channels);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device->isFormatSupported(format)) {
        format = device->preferredFormat();
        format.setSampleFormat(QAudioFormat::Int16);
        if (!device->isFormatSupported(format) || format.channelCount() < 1) {
            if (reason)
                *reason = QStringLiteral("the sound output takes no 16-bit samples");
            return false;
        }
    }
    pcm = convertToPcm16(*wave, format.sampleRate(), format.channelCount());
    pcmUsecs = format.durationForBytes(qint32(std::min<qint64>(pcm.size(), INT_MAX)));
    length = wave->durationMs();
    sink = std::make_unique<QAudioSink>(*device, format);
    return true;
}

bool QtWavePlayer::play(QString* reason)
{
    if (!sink) {
        if (reason)
            *reason = QStringLiteral("nothing opened");
        return false;
    }
    // Pushed in small steps: the sink's own pull from a buffer does not
    // report the end on every backend, so the end is seen here.
    sinkInput = sink->start();
    if (!sinkInput || sink->error() != QAudio::NoError || sink->state() == QAudio::StoppedState) {
        if (reason)
            *reason = QStringLiteral("the sound output did not start");
        release();
        return false;
    }
    playing = true;
    written = 0;
    playedAtMs = -1;
    clock.start();
    feed();
    feeder.start();
    return true;
}

void QtWavePlayer::stop()
{
    release();
}

void QtWavePlayer::feed()
{
    if (!playing || !sink)
        return;
    if (sink->state() == QAudio::StoppedState && sink->error() != QAudio::NoError)
        return finish(false);
    // The sink takes what it can hold; its free-space figure is not kept
    // up to date on every backend, so the write's own count is trusted.
    while (written < pcm.size()) {
        const qint64 n = sinkInput->write(pcm.constData() + written, pcm.size() - written);
        if (n <= 0)
            break;
        written += n;
    }
    if (written < pcm.size())
        return;
    // Everything is handed over: the message ends when the sink has played
    // it all (its processed time, or its going idle), at the latest a
    // little after the recording's own length.
    const bool played = sink->processedUSecs() >= pcmUsecs || sink->state() == QAudio::IdleState;
    if (played && playedAtMs < 0)
        playedAtMs = clock.elapsed();
    // The sound server's count runs a few ms ahead of what leaves the
    // sound card: the end is told a little later, so no sample is cut.
    if ((played && clock.elapsed() - playedAtMs >= TailMs) || clock.elapsed() >= length + DrainLimitMs)
        finish(true);
}

void QtWavePlayer::finish(bool ok)
{
    release();
    emit finished(ok);
}

} // namespace zelq
