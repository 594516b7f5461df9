#pragma once
// A radio on the master end of a pty, answering the CAT polls of one rig
// family from its own frequency and mode: Kenwood/Elecraft (FA, MD, IF),
// CI-V with the bus echo (any address, the 735's four frequency bytes),
// the 5-byte Yaesu commands of every variant, the FTdx9000, the Ten Tec
// front panel and the Orion. It also takes each family's set-frequency and
// set-mode commands, so a poll reads back what was commanded. Replies can
// be cut in two, written a few milliseconds apart, and the radio can fall
// silent.

#include "DeviceSimulator.h"

#include <QString>

namespace zelq::test {

class RigSimulator final : public DeviceSimulator {
    Q_OBJECT
public:
    RigSimulator(PtyPair& pty, QString rigType, QObject* parent = nullptr);

    void setFrequency(qint64 hertz) { hz = hertz; }
    void setCw(bool on) { mode = on ? QStringLiteral("CW") : QStringLiteral("USB"); }
    // The radio's state: hertz of the VFO in use, and the mode in Hamlib's
    // words (CW, CWR, LSB, USB, AM, FM, RTTY, RTTYR, PKT).
    qint64 frequency() const { return vfoB ? hzB : hz; }
    QString currentMode() const { return mode; }
    void setMode(const QString& m) { mode = m; }
    // Kenwood: VFO B in use (the IF reply says 1, FB tunes it).
    void setVfoB(bool on) { vfoB = on; }
    // Set commands taken (frequency and mode), in order.
    QList<QByteArray> setCommands() const { return sets; }
    // Each reply in two writes, `gapMs` apart.
    void setSplit(bool on, int gapMs = 5) { split = on; splitGap = gapMs; }
    // A radio switched off: it hears but never answers.
    void setSilent(bool on) { silent = on; }
    // How many 5-byte Yaesu commands with this opcode arrived.
    int yaesuCommands(uchar opcode) const;

protected:
    void onInput(QByteArray& pending) override;

private:
    void answerWith(const QByteArray& bytes);
    bool civ(QByteArray& pending);
    bool yaesu(QByteArray& pending);
    bool ascii(QByteArray& pending, char terminator);
    QByteArray asciiAnswer(const QByteArray& command) const;
    QByteArray yaesuAnswer(uchar opcode) const;
    void yaesuSet(const QByteArray& command);
    bool asciiSet(const QByteArray& command);
    bool cw() const { return mode == QLatin1String("CW") || mode == QLatin1String("CWR"); }

    QString type;
    qint64 hz = 14025000;
    qint64 hzB = 14025000;
    bool vfoB = false;
    QString mode = QStringLiteral("CW");
    QList<QByteArray> sets;
    bool split = false;
    int splitGap = 5;
    bool silent = false;
    QList<uchar> yaesuOpcodes;
};

} // namespace zelq::test
