#pragma once
// The warning beep as a short tone through the sound card. Desktops mostly
// silence the system bell, so it is used only when there is no audio output.

#include "core/Beeper.h"

#include <QAudio>
#include <QAudioFormat>
#include <QByteArray>
#include <QObject>
#include <memory>

class QAudioSink;
class QBuffer;

namespace zelq {

inline constexpr int BeepFrequencyHz = 880;
inline constexpr int BeepDurationMs = 120;
inline constexpr int BeepFadeMs = 5;

// The beep as raw PCM in `format` (any channel count; 8-, 16-, 32-bit
// integer or float samples): a sine of BeepFrequencyHz lasting BeepDurationMs,
// faded in and out over BeepFadeMs so it starts and ends without a click.
// Empty for a format that cannot carry it.
QByteArray beepTone(const QAudioFormat& format);

class ToneBeeper final : public QObject, public Beeper {
    Q_OBJECT
public:
    explicit ToneBeeper(QObject* parent = nullptr);
    ~ToneBeeper() override;

    // Returns at once; the tone plays on. A beep during a beep starts the
    // tone again from the beginning.
    void beep() override;

    enum class Sound { None, Tone, SystemBell };
    // How the last beep was sounded.
    Sound lastSound() const { return sound; }
    // True while a tone is being played.
    bool isPlaying() const;

private:
    bool playTone();
    bool prepareSink();
    void releaseSink();
    void onStateChanged(QAudio::State state);

    std::unique_ptr<QAudioSink> sink;
    std::unique_ptr<QBuffer> source;
    QByteArray pcm;
    QByteArray deviceId;
    Sound sound = Sound::None;
};

} // namespace zelq
