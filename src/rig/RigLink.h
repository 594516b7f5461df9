#pragma once
// The rig link: the radio's port, the poll timer and what one tick does.
// Ticks alternate: a send tick writes the family's poll, the next (read)
// tick takes everything that came back, decodes it, shows it and hands the
// frequency to the log window so the logging band follows the radio.
//
// Link health: two poll cycles without a reply show "No Response" (the
// band stays); a port error closes the port, is said once in the window,
// and the port is reopened every 2 s for as long as polling is wanted.
// Nothing here waits on the radio: the window never freezes.

#include "rig/RigDecoders.h"
#include "rig/RigSettings.h"

#include <QObject>
#include <QTimer>
#include <functional>

namespace zelq {

class Beeper;
class OperatorDialogs;
class RigCommander;
class RigView;
class RigctldClient;
class SerialLine;

class RigLink final : public QObject {
    Q_OBJECT
public:
    RigLink(SerialLine& port, OperatorDialogs& dialogs, Beeper& beeper, QObject* parent = nullptr);
    ~RigLink() override;

    void setView(RigView* v) { view = v; }

    // The window's settings; Test reads the serial items from here.
    RigSettings settings;
    RigReading reading;       // RigFrequency, RigMode, KenwoodVfo
    bool pollPhase = false;   // set: the next tick reads
    int queryToggle = 0;      // 1: the frequency query went last

    // Called on every read tick with data while "Use Frequency" is on.
    std::function<void(float)> bandFreqConversion;
    // The radio's mode for the log window (which does nothing with it).
    std::function<void(const QString&)> modeSelection;

    void Test();
    void EndTest();
    // Opens the port (or starts connecting to rigctld); on failure beeps
    // and shows "Invalid Comm Settings." unless `quiet`.
    bool OpenRigPort(bool quiet = false);
    void StartPolling();
    // One tick: send or read by the phase.
    void pollTick();

    // Polling, or held off by a command sequence that will restart it.
    bool isPolling() const { return tmrGetData.isActive() || pollHeld; }
    int interval() const { return tmrGetData.interval(); }
    // The port (or rigctld connection) is open.
    bool isLinkOpen() const;
    QString linkProblem() const { return problem; }

    // Program end: the binary Yaesu radios are told to stop sending
    // status, then the port closes.
    void unload();

    // Commands to the radio act only while polling.
    bool canCommand() const { return isPolling(); }
    // Tunes the radio (MHz) and sets its mode (Part of the rig window's
    // public operations; see RigCommander).
    void ChangeFrequency(float mhz);
    void ChangeMode(float mhz, const QString& mode);
    RigCommander& commander() { return *commands; }
    // The frequency test window's raw command, written as it is while
    // polling goes on; false when there is no open port.
    bool writeRaw(const QByteArray& bytes);

    // For the command sequences: the poll held off and let go again.
    // holdPolling() is true when it stopped a running poll.
    bool holdPolling();
    void releasePolling();
    void dropPollHold() { pollHeld = false; }
    // A failed frequency command: polling stops until Test.
    void stopPollingAfterError();
    // The command's error box.
    void reportCommandError(const QString& title, const QString& text);
    SerialLine& serialPort() { return port; }
    const SerialLine& serialPort() const { return port; }
    RigctldClient& daemon() { return *rigctld; }
    const RigctldClient& daemon() const { return *rigctld; }

    // How long to wait before reopening a port that failed.
    static constexpr int ReopenMs = 2000;
    // Read ticks without any reply before "No Response" shows.
    static constexpr int SilentReadsForNoResponse = 2;
    static inline const QString NoResponse = QStringLiteral("No Response");
    static inline const QString InvalidCommTitle = QStringLiteral("Invalid Comm Settings.");
    static const QString InvalidCommText;
    static inline const QString PollingStoppedText =
        QStringLiteral("Polling stopped after the error. Press Test to start it again.");

signals:
    // End Test or program end is about to close the port or connection:
    // what must still reach the radio (a PTT release) goes now.
    void aboutToClose();

private:
    void sendTick();
    // Lets rigctld answer what is queued, for at most half a second.
    void drainDaemon();
    void readTick();
    void onPortFailed(const QString& reason);
    void onRigctldFailed(const QString& reason);
    void setProblem(const QString& text);
    void retryOpen();
    void openFailed(const QString& reason, bool quiet);

    SerialLine& port;
    OperatorDialogs& dialogs;
    Beeper& beeper;
    RigView* view = nullptr;
    RigctldClient* rigctld = nullptr;
    RigCommander* commands = nullptr;
    bool pollHeld = false;
    QTimer tmrGetData;
    QTimer reopenTimer;
    int silentReads = 0;
    QString problem;
};

// "###.####0": five decimals, no leading zero (14.025 shows as 14.02500).
QString formatRigFrequency(float mhz);

} // namespace zelq
