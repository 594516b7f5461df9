#include "keying/WinKeyProtocol.h"

namespace zelq::wk {

namespace {

QByteArray bytes(std::initializer_list<quint8> list)
{
    QByteArray out;
    out.reserve(qsizetype(list.size()));
    for (quint8 b : list)
        out.append(char(b));
    return out;
}

} // namespace

QByteArray openNulls() { return bytes({0x13, 0x13, 0x13}); }
QByteArray echoTest() { return bytes({0x00, 0x04, quint8(EchoProbe)}); }
QByteArray hostOpen() { return bytes({0x00, 0x02}); }
QByteArray hostClose() { return bytes({0x00, 0x03}); }
QByteArray speed(quint8 wpm) { return bytes({0x02, wpm}); }
QByteArray weight(quint8 w) { return bytes({0x03, w}); }
QByteArray pttLeadTail(quint8 lead, quint8 tail) { return bytes({0x04, lead, tail}); }
QByteArray speedPotSetup(quint8 minWpm, quint8 range) { return bytes({0x05, minWpm, range, 0x00}); }
QByteArray ditDahRatio(quint8 ratio) { return bytes({0x17, ratio}); }
QByteArray pinConfig(quint8 config) { return bytes({0x09, config}); }
QByteArray modeRegister(quint8 mode) { return bytes({0x0E, mode}); }
QByteArray clearBuffer() { return bytes({0x0A}); }
QByteArray backspace() { return bytes({0x08}); }
QByteArray requestStatus() { return bytes({0x15}); }

bool isSendable(QChar c)
{
    return c.unicode() >= 0x20 && c.unicode() < 0x7F;
}

QList<Received> sortReceived(const QByteArray& in)
{
    QList<Received> out;
    out.reserve(in.size());
    for (char ch : in) {
        const quint8 b = quint8(ch);
        Received::Kind kind = Received::Kind::Echo;
        if ((b & 0xE0) == 0xC0)
            kind = Received::Kind::Status;
        else if ((b & 0xC0) == 0x80)
            kind = Received::Kind::SpeedPot;
        out.append({kind, b});
    }
    return out;
}

} // namespace zelq::wk
