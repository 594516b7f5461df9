#include "ui/ToneBeeper.h"

#include <QApplication>
#include <QAudioDevice>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>

#include <cmath>
#include <cstring>
#include <numbers>

namespace zelq {

namespace {

// Loud enough to hear over a receiver, below full scale so it is not harsh.
constexpr double Amplitude = 0.5;

void putSample(char* out, QAudioFormat::SampleFormat type, double v)
{
    switch (type) {
    case QAudioFormat::UInt8: {
        const auto s = quint8(std::lround(128.0 + v * 127.0));
        std::memcpy(out, &s, sizeof s);
        break;
    }
    case QAudioFormat::Int16: {
        const auto s = qint16(std::lround(v * 32767.0));
        std::memcpy(out, &s, sizeof s);
        break;
    }
    case QAudioFormat::Int32: {
        const auto s = qint32(std::llround(v * 2147483647.0));
        std::memcpy(out, &s, sizeof s);
        break;
    }
    case QAudioFormat::Float: {
        const auto s = float(v);
        std::memcpy(out, &s, sizeof s);
        break;
    }
    default:
        break;
    }
}

} // namespace

QByteArray beepTone(const QAudioFormat& format)
{
    const int rate = format.sampleRate();
    const int channels = format.channelCount();
    const int sampleBytes = format.bytesPerSample();
    if (rate <= 0 || channels <= 0 || sampleBytes <= 0
        || format.sampleFormat() == QAudioFormat::Unknown)
        return {};

    const qint64 frames = qint64(rate) * BeepDurationMs / 1000;
    const qint64 fade = std::max<qint64>(1, qint64(rate) * BeepFadeMs / 1000);
    QByteArray pcm(frames * channels * sampleBytes, Qt::Uninitialized);
    char* out = pcm.data();
    const double step = 2.0 * std::numbers::pi * BeepFrequencyHz / rate;
    for (qint64 n = 0; n < frames; ++n) {
        // Raised-cosine ramps: exactly zero on the first and last frame.
        const qint64 edge = std::min(n, frames - 1 - n);
        const double envelope =
            edge >= fade ? 1.0 : 0.5 * (1.0 - std::cos(std::numbers::pi * double(edge) / fade));
        const double v = Amplitude * envelope * std::sin(step * double(n));
        for (int c = 0; c < channels; ++c, out += sampleBytes)
            putSample(out, format.sampleFormat(), v);
    }
    return pcm;
}

ToneBeeper::ToneBeeper(QObject* parent) : QObject(parent) {}

ToneBeeper::~ToneBeeper()
{
    releaseSink();
}

void ToneBeeper::beep()
{
    if (playTone()) {
        sound = Sound::Tone;
        return;
    }
    sound = Sound::SystemBell;
    QApplication::beep();
}

bool ToneBeeper::isPlaying() const
{
    return sink && sink->state() == QAudio::ActiveState;
}

bool ToneBeeper::playTone()
{
    // Without an output device the audio layer may misbehave; ask first.
    if (QMediaDevices::audioOutputs().isEmpty()) {
        releaseSink();
        return false;
    }
    if (!prepareSink())
        return false;

    sink->stop(); // a tone still playing starts over
    source->close();
    source->setData(pcm);
    source->open(QIODevice::ReadOnly);
    sink->start(source.get());
    if (sink->error() != QAudio::NoError || sink->state() == QAudio::StoppedState) {
        releaseSink(); // try afresh next time; the device may come back
        return false;
    }
    return true;
}

bool ToneBeeper::prepareSink()
{
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return false;
    if (sink && device.id() == deviceId)
        return true;
    releaseSink();

    QAudioFormat format;
    const int preferredRate = device.preferredFormat().sampleRate();
    format.setSampleRate(preferredRate > 0 ? preferredRate : 48000);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format))
        format = device.preferredFormat();
    pcm = beepTone(format);
    if (pcm.isEmpty())
        return false;

    sink = std::make_unique<QAudioSink>(device, format);
    source = std::make_unique<QBuffer>();
    deviceId = device.id();
    connect(sink.get(), &QAudioSink::stateChanged, this, &ToneBeeper::onStateChanged);
    return true;
}

void ToneBeeper::releaseSink()
{
    if (sink) {
        sink->disconnect(this);
        sink->stop();
    }
    sink.reset();
    source.reset();
    deviceId.clear();
}

void ToneBeeper::onStateChanged(QAudio::State state)
{
    // The tone has run out: give the output stream back until the next beep.
    if (state == QAudio::IdleState && sink)
        sink->stop();
}

} // namespace zelq
