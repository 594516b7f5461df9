#pragma once
// WavePlayer on QtMultimedia: the file is read by our own reader, turned
// into a format the chosen output takes, and pushed to a QAudioSink. The
// end is the sink having played the last byte, watched every 10 ms.

#include "keying/WavePlayer.h"

#include <QAudio>
#include <QAudioDevice>
#include <QByteArray>
#include <QElapsedTimer>
#include <QTimer>
#include <memory>

class QAudioSink;
class QIODevice;

namespace zelq {

class QtWavePlayer final : public WavePlayer {
    Q_OBJECT
public:
    explicit QtWavePlayer(QObject* parent = nullptr);
    ~QtWavePlayer() override;

    // The output by its id; empty for the system's default output.
    void setDeviceId(const QByteArray& id) { deviceId = id; }

    bool open(const QString& path, QString* reason) override;
    bool play(QString* reason) override;
    void stop() override;
    bool isPlaying() const override { return playing; }
    qint64 lengthMs() const override { return length; }

    struct Output {
        QByteArray id;
        QString description;
    };
    // The outputs present now, the default first.
    static QList<Output> outputs();

private:
    static constexpr int FeedMs = 10;
    // The longest the sound server may hold samples after the last one.
    static constexpr int DrainLimitMs = 250;
    // How long after the server counts the last sample played the end is told.
    static constexpr int TailMs = 20;

    void feed();
    void finish(bool ok);
    void release();

    QByteArray deviceId;
    std::unique_ptr<QAudioSink> sink;
    QIODevice* sinkInput = nullptr; // the sink's, valid while it plays
    QTimer feeder;
    QElapsedTimer clock;
    qint64 written = 0;
    qint64 pcmUsecs = 0;
    qint64 playedAtMs = -1;
    QByteArray pcm;
    qint64 length = 0;
    bool playing = false;
};

} // namespace zelq
