#pragma once
// The voice keyer as the log window uses it: F1..F9 in phone mode play a
// recorded message with the transmitter's PTT keyed for its length, F1
// repeats after its pause, Esc stops. The PTT port is opened once when the
// settings load, with its lines down at once; the PTT drops when the
// player reports the end, at the latest at the next tick of the 40 ms
// watch, at once on any error, and by the watchdog when a message runs
// past its file's length + 1 s. Drives its window through hooks, so tests
// run it without widgets.
//
// With the line choice Rig the radio's own PTT is keyed through rigctld
// ("T 1" / "T 0") instead of a port. Every way out above sends "T 0"; so do
// End Test and the program's end, which close the link only after rigctld
// has answered, and the end-signal handler, which writes it on the
// connection's socket.

#include "keying/PhoneSettings.h"
#include "log/EntryView.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

namespace zelq {

class Beeper;
class DeviceRegistry;
class KeyLine;
class OperatorDialogs;
class ParallelKeyLine;
class RigCommandChannel;
class SerialKeyLine;
class WavePlayer;
struct KeyStroke;

class PhoneControl : public QObject {
    Q_OBJECT
public:
    PhoneControl(DeviceRegistry& registry, QString installFolder, OperatorDialogs& dialogs,
                 Beeper& beeper, WavePlayer& player, QObject* parent = nullptr);
    ~PhoneControl() override;

    std::function<QString()> mode; // "CW", "PH" or "RY"
    std::function<void(const QString&, StatusColour)> showStatus;
    std::function<bool()> setupVisible;
    std::function<void()> showSetup; // shown modally-alike when the port fails while hidden
    // Runs before the PTT's serial port opens, so another keyer holding
    // that port (the WinKeyer) lets it go.
    std::function<void(int port)> beforeOpen;

    // Reads "wave2.txt" and opens the PTT port it names.
    void LoadPhoneSettings();
    const PhoneSettings& settings() const { return phone; }
    // New settings from the window; the port is opened again only when its
    // number, line or address changed.
    void applySettings(const PhoneSettings& s);
    bool save(QString* errorText = nullptr);

    // Opens the PTT port(s) of the settings; a failure is told to the
    // operator. Port 0 and no parallel choice is no failure.
    void PhoneSetup();
    bool pttOpen() const { return serialPtt || parallelPtt || override; }
    // Another keyer opens the PTT's serial port: it is let go, with the PTT
    // dropped first. The next settings change or Done opens it again.
    void releaseSerialPort();
    // Tests and the bench key a line of their own instead of a device
    // (nullptr: back to the devices).
    void setLineOverride(KeyLine* line);

    // The radio's PTT through rigctld, for the line choice Rig. Not owned;
    // it lives as long as this.
    void setRigChannel(RigCommandChannel* channel);
    // Why the radio's PTT cannot be keyed, or what rigctld refused; empty
    // when all is well or another line is chosen.
    QString rigNote() const { return rigProblem; }

    // Plays the message of key code 112 (F1) … 120 (F9).
    void FKeyPhone(int keyCode);
    // The log window's key steps: true when the key was used up.
    bool keyDownStep(const KeyStroke& k);
    bool characterStep(const KeyStroke& k);

    void cancelRepeat();
    // "Stop": ends the repeat.
    void Command12_Click() { cancelRepeat(); }

    bool PhoneRepeat() const { return repeat; }
    bool playing() const;
    bool pttKeyed() const { return keyed; }
    const QTimer& tmrRepeat() const { return repeatTimer; }
    const QTimer& Timer1() const { return watch; }

signals:
    void pttChanged(bool keyed);
    // Loaded or changed settings (the sound output follows them).
    void settingsApplied();
    void rigNoteChanged(const QString& note);

private:
    void closePorts();
    void portFailed(const QString& reason);
    void setPtt(bool down);
    void messageEnded();
    void cannotPlay(int keyCode, const QString& path);
    void setRigPtt(bool down);
    void checkRig();
    void setRigNote(const QString& text);

    DeviceRegistry& registry;
    QString installFolder;
    OperatorDialogs& dialogs;
    Beeper& beeper;
    WavePlayer& player;

    PhoneSettings phone;
    QTimer repeatTimer;
    QTimer watch;
    QTimer watchdog;
    std::unique_ptr<SerialKeyLine> serialPtt;
    std::unique_ptr<ParallelKeyLine> parallelPtt;
    KeyLine* override = nullptr;
    int serialSlot = -1;
    int parallelSlot = -1;
    bool repeat = false;
    bool keyed = false;
    RigCommandChannel* rig = nullptr;
    bool rigKeyed = false;       // "T 1" went and no "T 0" since
    bool rigReleaseOwed = false; // a "T 0" could not go
    QString rigProblem;
};

inline const QString InvalidPhonePortTitle = QStringLiteral("Invalid port.");
inline const QString InvalidPhonePortText = QStringLiteral(
    "The port you have selected for Phone keying is invalid.  Please select another or enter 0 for none.");
inline const QString PttHeldTooLongText =
    QStringLiteral("The voice message ran past its length: the PTT was released.");

// "Cannot play F1: /path/f1.wav"
QString cannotPlayText(int keyCode, const QString& path);

} // namespace zelq
