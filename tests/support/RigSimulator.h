#pragma once
// A radio on the master end of a pty, answering the CAT polls of one rig
// family from its own frequency and mode: Kenwood/Elecraft (FA, MD, IF),
// CI-V with the bus echo (any address, the 735's four frequency bytes),
// the 5-byte Yaesu commands of every variant, the FTdx9000, the Ten Tec
// front panel and the Orion. Replies can be cut in two, written a few
// milliseconds apart, and the radio can fall silent.

#include "DeviceSimulator.h"

#include <QString>

namespace zelq::test {

class RigSimulator final : public DeviceSimulator {
    Q_OBJECT
public:
    RigSimulator(PtyPair& pty, QString rigType, QObject* parent = nullptr);

    void setFrequency(qint64 hertz) { hz = hertz; }
    void setCw(bool on) { cw = on; }
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

    QString type;
    qint64 hz = 14025000;
    bool cw = true;
    bool split = false;
    int splitGap = 5;
    bool silent = false;
    QList<uchar> yaesuOpcodes;
};

} // namespace zelq::test
