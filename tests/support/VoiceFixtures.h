#pragma once
// Voice keyer fixtures shared by the tests: WAV files made in memory and a
// wave player that plays nothing and ends when the test says so.
#include "devices/RecordingKeyLine.h"
#include "keying/WaveFile.h"
#include "keying/WavePlayer.h"

#include <QByteArray>
#include <QStringList>
#include <QtEndian>
#include <cmath>

namespace zelq::test {

inline QByteArray waveBytes(int rate, int channels, int bits, const QByteArray& samples, int format = 1)
{
    QByteArray fmt(16, '\0');
    qToLittleEndian<quint16>(quint16(format), fmt.data());
    qToLittleEndian<quint16>(quint16(channels), fmt.data() + 2);
    qToLittleEndian<quint32>(quint32(rate), fmt.data() + 4);
    qToLittleEndian<quint32>(quint32(rate * channels * bits / 8), fmt.data() + 8);
    qToLittleEndian<quint16>(quint16(channels * bits / 8), fmt.data() + 12);
    qToLittleEndian<quint16>(quint16(bits), fmt.data() + 14);
    auto chunk = [](const char* id, const QByteArray& body) {
        QByteArray c(id, 4);
        QByteArray len(4, '\0');
        qToLittleEndian<quint32>(quint32(body.size()), len.data());
        c += len + body;
        if (body.size() & 1)
            c += '\0';
        return c;
    };
    QByteArray body = QByteArray("WAVE") + chunk("LIST", QByteArray("INFOx")) + chunk("fmt ", fmt)
        + chunk("data", samples);
    QByteArray len(4, '\0');
    qToLittleEndian<quint32>(quint32(body.size()), len.data());
    return QByteArray("RIFF") + len + body;
}

// `ms` of a 440 Hz tone, 16-bit mono at 8 kHz.
inline QByteArray toneWave(int ms, int rate = 8000)
{
    QByteArray s(rate * ms / 1000 * 2, '\0');
    for (int i = 0; i < s.size() / 2; ++i)
        qToLittleEndian<qint16>(qint16(8000 * std::sin(2 * M_PI * 440 * i / rate)), s.data() + 2 * i);
    return waveBytes(rate, 1, 16, s);
}

// Plays nothing: opens what the reader reads, is "playing" until the test
// ends it.
class FakePlayer final : public WavePlayer {
public:
    bool open(const QString& path, QString* reason) override
    {
        opened.append(path);
        playingNow = false;
        const std::optional<WaveData> w = readWaveFile(path, reason);
        if (!w)
            return false;
        length = w->durationMs();
        return true;
    }
    bool play(QString*) override
    {
        playingNow = true;
        playedAtNs = RecordingKeyLine::nowNs();
        return true;
    }
    void stop() override { playingNow = false; }
    bool isPlaying() const override { return playingNow; }
    qint64 lengthMs() const override { return length; }
    // The last sample is out.
    void end()
    {
        playingNow = false;
        emit finished(true);
    }
    QStringList opened;
    bool playingNow = false;
    qint64 length = 0;
    qint64 playedAtNs = 0;
};

} // namespace zelq::test
