#pragma once
// Reading a recorded message: RIFF WAVE files with PCM samples of 8 or 16
// bits, one or two channels, any rate. The samples are turned into 16-bit
// signed PCM at the rate and channel count a sound device asks for.

#include <QByteArray>
#include <QString>
#include <optional>

namespace zelq {

struct WaveData {
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 0;
    QByteArray samples; // the "data" chunk as stored

    int frameBytes() const { return channels * bitsPerSample / 8; }
    qint64 frames() const { return frameBytes() > 0 ? samples.size() / frameBytes() : 0; }
    qint64 durationMs() const { return sampleRate > 0 ? frames() * 1000 / sampleRate : 0; }
};

// Parses a whole file in memory; nullopt with a reason for anything that is
// not PCM 8/16-bit mono or stereo, or whose chunks run past the end.
std::optional<WaveData> parseWave(const QByteArray& bytes, QString* reason = nullptr);
std::optional<WaveData> readWaveFile(const QString& path, QString* reason = nullptr);

// The samples as interleaved 16-bit signed little-endian PCM with `channels`
// channels at `rate` (linear interpolation; stereo to mono averages).
QByteArray convertToPcm16(const WaveData& wave, int rate, int channels);

} // namespace zelq
