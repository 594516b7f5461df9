#pragma once
// The wave device the voice keyer and the spoken prompts play through:
// open a file (read it and ready the sound device), play it, stop. The
// end of a message is reported once by finished(), also when playback
// fails; isPlaying() is the device's "playing" mode the keyer watches.

#include <QObject>
#include <QString>

namespace zelq {

class WavePlayer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Reads `path` and readies the device; false with a reason when the
    // file or the device cannot be used. Ends anything playing first.
    virtual bool open(const QString& path, QString* reason) = 0;
    // Starts what open() readied; false with a reason.
    virtual bool play(QString* reason) = 0;
    // Ends playback at once ("Close"); no finished() follows.
    virtual void stop() = 0;
    virtual bool isPlaying() const = 0;
    // The length of the opened file.
    virtual qint64 lengthMs() const = 0;

signals:
    // Playback of the opened file ended: the last sample was handed over,
    // or the device failed (`ok` false).
    void finished(bool ok);
};

} // namespace zelq
