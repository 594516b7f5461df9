#include "keying/QtWavePlayer.h"

#include "keying/WaveFile.h"

#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>

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

QtWavePlayer::QtWavePlayer(QObject* parent) : WavePlayer(parent) {}

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
    if (sink) {
        sink->disconnect(this);
        sink->stop();
    }
    sink.reset();
    source.reset();
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
    length = wave->durationMs();
    source = std::make_unique<QBuffer>(&pcm);
    source->open(QIODevice::ReadOnly);
    sink = std::make_unique<QAudioSink>(*device, format);
    connect(sink.get(), &QAudioSink::stateChanged, this, &QtWavePlayer::onStateChanged);
    return true;
}

bool QtWavePlayer::play(QString* reason)
{
    if (!sink) {
        if (reason)
            *reason = QStringLiteral("nothing opened");
        return false;
    }
    playing = true;
    sink->start(source.get());
    if (sink->error() != QAudio::NoError || sink->state() == QAudio::StoppedState) {
        if (reason)
            *reason = QStringLiteral("the sound output did not start");
        release();
        return false;
    }
    return true;
}

void QtWavePlayer::stop()
{
    release();
}

void QtWavePlayer::onStateChanged(QAudio::State state)
{
    if (!playing)
        return;
    const bool drained = state == QAudio::IdleState && source && source->atEnd();
    const bool failed = state == QAudio::StoppedState
        || (state == QAudio::IdleState && sink->error() != QAudio::NoError && !drained);
    if (!drained && !failed)
        return;
    // The sink is inside its own signal: it goes once control is back.
    playing = false;
    sink->disconnect(this);
    sink->stop();
    sink.release()->deleteLater();
    if (source)
        source.release()->deleteLater();
    emit finished(drained);
}

} // namespace zelq
