#pragma once
// The CW keyer as the log window uses it: the function-key messages, the
// F1 repeat, keyboard CW mode, the speed keys, Esc and Backspace while
// sending, and the key line the settings name, opened once when they load.
// The keying itself runs on CwKeyer's thread; this class lives on the
// window's thread and drives the window through the hooks below, so tests
// run it without widgets.

#include "keying/CwKeyer.h"
#include "keying/CwSettings.h"
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
class SerialKeyLine;
struct KeyStroke;

class CwControl : public QObject {
    Q_OBJECT
public:
    CwControl(DeviceRegistry& registry, QString installFolder, OperatorDialogs& dialogs,
              Beeper& beeper, QObject* parent = nullptr);
    ~CwControl() override;

    // The log window, as the keyer needs it.
    std::function<QString()> callText;       // the call field
    std::function<QString()> mode;           // "CW", "PH" or "RY"
    std::function<void(const QString&, StatusColour)> showStatus;
    std::function<void()> logContact;        // log the contact on the window (Enter)
    std::function<bool()> setupVisible;      // the CW setup window is shown
    std::function<void()> showSetup;         // show it, when a port fails while it is hidden

    // Reads "cw.txt" and opens the key line it names.
    void LoadCWSettings();
    const CwSettings& settings() const { return cw; }
    // New settings from the setup window: the speed and spacing count at
    // the next element; the key line is opened again only when its
    // method, port or address changed.
    void applySettings(const CwSettings& s);
    // Done: the settings saved to "cw.txt" and the timing to the user's
    // settings; false with the reason when the file could not be written.
    bool save(QString* errorText = nullptr);

    const CwUserTiming& timing() const { return userTiming; }
    void setTiming(const CwUserTiming& t);

    // (Re)opens the key line of the settings; a failure is told to the
    // operator. Nothing to open (method None or WinKey, port 0) is no
    // failure.
    void CWSetup();
    bool lineOpen() const { return activeLine != nullptr; }
    // Tests and the bench key a line of their own instead of a device.
    void setLineOverride(KeyLine* line);

    // The sender of the WinKey or Rig method (the line methods use the
    // keying thread); null takes it away. Not owned.
    void setSender(KeyingMethod method, CwSender* sender);
    // Where text goes under the current method: the keying thread unless
    // the method has a sender of its own.
    CwSender& active();
    const CwSender& active() const;

    // Sends the message of a key code (112..124).
    void FKeyCW(int keyCode);
    // Sends `text` after what is queued.
    void LoopThroughCWBuffer(const QString& text);

    void UpDown1_UpClick() { stepSpeed(+1); }
    void UpDown1_DownClick() { stepSpeed(-1); }
    void stepSpeed(int wpm);

    // The log window's key steps: true when the key was used up.
    bool keyDownStep(const KeyStroke& k);
    bool characterStep(const KeyStroke& k);

    // The window asks to close: the buffer is dropped; false while the
    // character being keyed has not ended yet.
    bool closeRequested();

    bool CWSending() const { return active().isSending(); }
    bool KeyboardCWMode() const { return keyboardMode; }
    bool CWRepeat() const { return repeat; }
    QString CWBuffer() const { return active().buffer(); }
    const QTimer& tmrRepeat() const { return repeatTimer; }
    // The held sent report ("5NN" once a "*" was filled in).
    QString report() const { return heldReport; }
    CwKeyer& engine() { return keyer; }

    // Stops the F1 repeat (any key on the log window does).
    void cancelRepeat();

signals:
    void speedChanged(const QString& speed);
    // The active sender's news, for the windows that follow the sending.
    void characterSent(QChar c, const QString& rest);
    void sendingEnded();
    // SCHED_FIFO was refused: the setup window says so once.
    void realtimeRefused();
    void watchdogLifted();

private:
    void toggleKeyboardMode();
    void closeLine();
    void lineFailed(const QString& reason);
    void onBufferEmpty();
    void attach(CwSender& s);
    // True when text goes to a device that keys on its own.
    bool handsOver() const;
    StatusColour statusColour() const;

    DeviceRegistry& registry;
    QString installFolder;
    OperatorDialogs& dialogs;
    Beeper& beeper;

    CwSettings cw;
    CwUserTiming userTiming;
    CwKeyer keyer;
    CwSender* winKey = nullptr;
    CwSender* rigKeyer = nullptr;
    QTimer repeatTimer;
    std::unique_ptr<SerialKeyLine> serialKey;
    std::unique_ptr<ParallelKeyLine> parallelKey;
    KeyLine* override = nullptr;
    KeyLine* activeLine = nullptr;
    int releaseSlot = -1;
    bool keyboardMode = false;
    bool repeat = false;
    QString heldReport;
};

inline const QString InvalidCwPortTitle = QStringLiteral("Invalid port.");
inline const QString InvalidCwPortText = QStringLiteral(
    "The port you have selected for CW keying is invalid.  Please select another or enter 0 for none.");
inline const QString KeyboardCwOnText =
    QStringLiteral("Keyboard CW mode is ON!  Press F12 to exit keyboard CW mode.");
inline const QString KeyHeldTooLongText = QStringLiteral("The CW key was held down too long and was lifted.");
inline const QString KeyLineFailedText =
    QStringLiteral("The CW key line did not respond: check the keying port (CW Setup).");
inline const QString KeyboardCwAfterSendText =
    QStringLiteral("Keyboard CW Mode is on.  Press F12 to exit.");

} // namespace zelq
