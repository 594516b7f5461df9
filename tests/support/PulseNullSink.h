#pragma once
// A PulseAudio server of the test's own with one null sink ("zelq_null")
// and no sound card, so the real audio path runs on any machine. Start it
// before the first use of QtMultimedia: it points PULSE_SERVER at itself.
// available() is false when pulseaudio is not installed or did not start;
// such tests then skip.

#include <QString>
#include <QTemporaryDir>

class QProcess;

namespace zelq::test {

class PulseNullSink {
public:
    PulseNullSink();
    ~PulseNullSink();
    PulseNullSink(const PulseNullSink&) = delete;
    PulseNullSink& operator=(const PulseNullSink&) = delete;

    bool available() const { return running; }
    QString why() const { return problem; }
    static QString sinkName() { return QStringLiteral("zelq_null"); }
    // What the sink plays, as a source QtMultimedia lists (it hides monitors).
    static QString captureName() { return QStringLiteral("zelq_capture"); }
    QString server() const;

private:
    QTemporaryDir dir;
    QProcess* daemon = nullptr;
    bool running = false;
    QString problem;
};

} // namespace zelq::test
