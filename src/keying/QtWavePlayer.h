#pragma once
// WavePlayer on QtMultimedia: the file is read by our own reader, turned
// into a format the chosen output takes, and fed to a QAudioSink. The end
// is the sink going idle after the last byte.

#include "keying/WavePlayer.h"

#include <QAudio>
#include <QAudioDevice>
#include <QByteArray>
#include <memory>

class QAudioSink;
class QBuffer;

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
    void onStateChanged(QAudio::State state);
    void release();

    QByteArray deviceId;
    std::unique_ptr<QAudioSink> sink;
    std::unique_ptr<QBuffer> source;
    QByteArray pcm;
    qint64 length = 0;
    bool playing = false;
};

} // namespace zelq
