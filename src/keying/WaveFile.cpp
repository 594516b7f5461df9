#include "keying/WaveFile.h"

#include <QFile>
#include <QtEndian>
#include <cmath>

namespace zelq {

namespace {

// Longer messages than this are no voice-keyer recordings.
constexpr qint64 MaxWaveBytes = 200LL * 1024 * 1024;

bool fail(QString* reason, const QString& text)
{
    if (reason)
        *reason = text;
    return false;
}

quint32 u32(const char* p) { return qFromLittleEndian<quint32>(p); }
quint16 u16(const char* p) { return qFromLittleEndian<quint16>(p); }

} // namespace

std::optional<WaveData> parseWave(const QByteArray& bytes, QString* reason)
{
    const char* d = bytes.constData();
    const qint64 size = bytes.size();
    if (size < 12 || bytes.left(4) != "RIFF" || bytes.mid(8, 4) != "WAVE") {
        fail(reason, QStringLiteral("not a RIFF WAVE file"));
        return std::nullopt;
    }
    WaveData w;
    bool haveFormat = false;
    qint64 pos = 12;
    while (pos + 8 <= size) {
        const QByteArray id = bytes.mid(pos, 4);
        const qint64 length = u32(d + pos + 4);
        const qint64 body = pos + 8;
        if (id == "fmt ") {
            if (length < 16 || body + 16 > size) {
                fail(reason, QStringLiteral("short format chunk"));
                return std::nullopt;
            }
            const int tag = u16(d + body);
            w.channels = u16(d + body + 2);
            w.sampleRate = int(u32(d + body + 4));
            w.bitsPerSample = u16(d + body + 14);
            // 0xFFFE (extensible) carries plain PCM in the files recorders write.
            if (tag != 1 && tag != 0xFFFE) {
                fail(reason, QStringLiteral("not PCM (format %1)").arg(tag));
                return std::nullopt;
            }
            if ((w.bitsPerSample != 8 && w.bitsPerSample != 16) || w.channels < 1 || w.channels > 2
                || w.sampleRate < 1000 || w.sampleRate > 384000) {
                fail(reason, QStringLiteral("unsupported PCM layout"));
                return std::nullopt;
            }
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat) {
                fail(reason, QStringLiteral("data before format"));
                return std::nullopt;
            }
            // A recorder stopped early may leave a length past the end:
            // what is there is played.
            const qint64 available = std::min(length, size - body);
            w.samples = bytes.mid(body, available - available % w.frameBytes());
            if (w.samples.isEmpty()) {
                fail(reason, QStringLiteral("no samples"));
                return std::nullopt;
            }
            return w;
        }
        pos = body + length + (length & 1);
    }
    fail(reason, haveFormat ? QStringLiteral("no data chunk") : QStringLiteral("no format chunk"));
    return std::nullopt;
}

std::optional<WaveData> readWaveFile(const QString& path, QString* reason)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        fail(reason, f.errorString());
        return std::nullopt;
    }
    if (f.size() > MaxWaveBytes) {
        fail(reason, QStringLiteral("file too large"));
        return std::nullopt;
    }
    return parseWave(f.readAll(), reason);
}

QByteArray convertToPcm16(const WaveData& w, int rate, int channels)
{
    const qint64 inFrames = w.frames();
    if (inFrames == 0 || rate <= 0 || channels <= 0)
        return {};
    auto sample = [&](qint64 frame, int ch) -> double {
        const int c = std::min(ch, w.channels - 1);
        const char* p = w.samples.constData() + frame * w.frameBytes();
        if (w.bitsPerSample == 8)
            return (static_cast<int>(static_cast<quint8>(p[c])) - 128) * 256.0;
        return qFromLittleEndian<qint16>(p + 2 * c);
    };
    auto frameValue = [&](qint64 frame, int ch) -> double {
        if (channels == 1 && w.channels == 2)
            return (sample(frame, 0) + sample(frame, 1)) / 2;
        return sample(frame, ch);
    };
    const qint64 outFrames = inFrames * rate / w.sampleRate;
    QByteArray out(outFrames * channels * 2, Qt::Uninitialized);
    auto* o = reinterpret_cast<uchar*>(out.data());
    const double step = double(w.sampleRate) / rate;
    for (qint64 i = 0; i < outFrames; ++i) {
        const double at = i * step;
        const qint64 a = std::min<qint64>(qint64(at), inFrames - 1);
        const qint64 b = std::min<qint64>(a + 1, inFrames - 1);
        const double t = at - a;
        for (int ch = 0; ch < channels; ++ch) {
            const double v = frameValue(a, ch) * (1 - t) + frameValue(b, ch) * t;
            qToLittleEndian<qint16>(qint16(std::clamp(std::lround(v), -32768L, 32767L)), o);
            o += 2;
        }
    }
    return out;
}

} // namespace zelq
