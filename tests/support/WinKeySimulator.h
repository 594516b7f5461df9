#pragma once
// A WinKeyer on the master end of a pty: it answers the admin commands
// (echo test, host open with its version byte, host close), takes the
// host-mode settings, and "sends" the characters it is given one after the
// other at its speed (PARIS timing, optionally sped up), echoing each as it
// starts it when the mode register asks for serial echo. It reports busy
// and XOFF (its buffer over 2/3 full) in status bytes as they change and
// when asked, honours clear buffer and backspace, and can play dead, answer
// the echo test wrongly, or turn its speed pot.

#include "DeviceSimulator.h"

#include <QList>
#include <QString>

namespace zelq::test {

class WinKeySimulator final : public DeviceSimulator {
    Q_OBJECT
public:
    explicit WinKeySimulator(PtyPair& pty, QObject* parent = nullptr);

    static constexpr int BufferSize = 128;
    static constexpr quint8 Version = 23;

    struct Byte {
        qint64 ns; // CLOCK_MONOTONIC time it was read
        quint8 value;
    };

    static qint64 monotonicNs();

    // What the test sets up.
    void setSilent(bool on) { silent = on; }
    void setEchoWrong(bool on) { echoWrong = on; }
    // Element times are multiplied by this (0.01: a hundred times faster).
    void setTimeScale(double scale) { timeScale = scale; }
    // Characters it drops without sending or echoing them.
    void setUnechoed(const QString& chars) { unechoed = chars; }
    // The speed pot moved to `offset` (0..63 above its minimum).
    void turnPot(int offset);

    // What the keyer saw and did.
    const QList<Byte>& bytes() const { return log; }
    QByteArray textSent() const { return sent; }     // characters keyed, in order
    QByteArray textReceived() const { return text; } // characters taken into the buffer
    bool hostOpen() const { return host; }
    int wpm() const { return speed; }
    int weight() const { return weightValue; }
    int ratio() const { return ratioValue; }
    int leadIn() const { return lead; }
    int tail() const { return tailValue; }
    int pinConfig() const { return pins; }
    int modeRegister() const { return mode; }
    int queued() const { return int(queue.size()); }
    bool isBusy() const { return busy; }
    // Characters received that were not yet echoed, at most (with the
    // character being sent echoed already).
    int maxQueued() const { return maxQueue; }
    int clears() const { return clearCount; }
    int backspaces() const { return backspaceCount; }

protected:
    void onInput(QByteArray& pending) override;

private:
    int parametersOf(quint8 command) const;
    void command(const QByteArray& cmd);
    void admin(const QByteArray& cmd);
    void takeCharacter(char c);
    void next();
    void report();
    quint8 statusByte() const;
    int units(char c) const;

    bool silent = false;
    bool echoWrong = false;
    bool host = false;
    double timeScale = 1.0;
    QString unechoed;
    QList<Byte> log;
    QByteArray cmd; // a command still waiting for its parameters
    QByteArray queue;
    QByteArray text;
    QByteArray sent;
    bool busy = false;
    int lastStatus = -1;
    int speed = 0;
    int potOffset = 10;
    int weightValue = 50, ratioValue = 50, lead = 0, tailValue = 0, pins = 0, mode = 0;
    int potMin = 5;
    int maxQueue = 0;
    int clearCount = 0;
    int backspaceCount = 0;
    QTimer sendTimer;
};

} // namespace zelq::test
