#include "RigSimulator.h"

namespace zelq::test {

namespace {

// Two decimal digits in one byte.
char bcd(int twoDigits)
{
    return char(((twoDigits / 10) << 4) | (twoDigits % 10));
}

} // namespace

RigSimulator::RigSimulator(PtyPair& pty, QString rigType, QObject* parent)
    : DeviceSimulator(pty, parent), type(std::move(rigType))
{
}

int RigSimulator::yaesuCommands(uchar opcode) const
{
    return int(yaesuOpcodes.count(opcode));
}

void RigSimulator::answerWith(const QByteArray& bytes)
{
    if (silent || bytes.isEmpty())
        return;
    if (split && bytes.size() > 1)
        reply({bytes.left(bytes.size() / 2), bytes.mid(bytes.size() / 2)}, splitGap);
    else
        reply({bytes});
}

void RigSimulator::onInput(QByteArray& pending)
{
    for (;;) {
        bool took = false;
        if (type.startsWith(QLatin1String("Icom")) || type == QLatin1String("Ten Tec Omni VI"))
            took = civ(pending);
        else if (type.startsWith(QLatin1String("Yaesu")) && type != QLatin1String("Yaesu FTdx9000"))
            took = yaesu(pending);
        else if (type == QLatin1String("Ten Tec Orion") || type == QLatin1String("Ten Tec Fnt Pnl"))
            took = ascii(pending, '\r');
        else
            took = ascii(pending, ';');
        if (!took)
            return;
    }
}

bool RigSimulator::civ(QByteArray& pending)
{
    const qsizetype start = pending.indexOf("\xFE\xFE");
    const qsizetype end = pending.indexOf('\xFD', start);
    if (start < 0 || end < 0)
        return false;
    const QByteArray frame = pending.mid(start, end - start + 1);
    pending.remove(0, end + 1);
    if (frame.size() < 6)
        return true;
    const char radio = frame.at(2);
    const char controller = frame.at(3);
    const uchar command = uchar(frame.at(4));
    QByteArray out = frame; // the bus echoes every frame
    QByteArray data;
    if (command == 0x03) {
        const int bytes = type == QLatin1String("Icom 735") ? 4 : 5;
        qint64 v = hz;
        for (int i = 0; i < bytes; ++i) {
            data.append(bcd(int(v % 100)));
            v /= 100;
        }
    } else if (command == 0x04) {
        data = QByteArray(cw ? "\x03\x01" : "\x01\x01", 2);
    } else {
        answerWith(out);
        return true;
    }
    out += QByteArray("\xFE\xFE") + controller + radio + char(command) + data + '\xFD';
    answerWith(out);
    return true;
}

QByteArray RigSimulator::yaesuAnswer(uchar opcode) const
{
    const qint64 tens = hz / 10;
    const char modeDigit = cw ? 2 : 1;
    QByteArray out;
    if (opcode == 0x03) {
        const qint64 v = tens;
        out += bcd(int(v / 1000000 % 100));
        out += bcd(int(v / 10000 % 100));
        out += bcd(int(v / 100 % 100));
        out += bcd(int(v % 100));
        out += cw ? '\x82' : '\x01';
        return out;
    }
    if (opcode != 0x10)
        return out;
    if (type == QLatin1String("Yaesu 757 GX II")) {
        out = QByteArray(5, '\0');
        qint64 v = tens;
        for (int i = 0; i < 4; ++i) {
            out.append(bcd(int(v % 100)));
            v /= 100;
        }
        out += char(modeDigit);
        return out;
    }
    out = QByteArray(8, '\0');
    auto put = [&](int byte, qint64 value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            out[byte - 1 + i] = char(value & 0xFF);
            value >>= 8;
        }
    };
    if (type == QLatin1String("Yaesu 890")) {
        put(3, tens, 3);
    } else if (type == QLatin1String("Yaesu 920")) {
        put(2, hz, 4);
    } else if (type == QLatin1String("Yaesu 1000")) {
        // Nibbles 4 to 9: from the low half of byte 2.
        put(2, tens << 4, 4);
    } else {
        put(2, tens, 3); // 990, 1000 D
    }
    out[7] = char(type == QLatin1String("Yaesu 920") ? (cw ? 1 : 2) : modeDigit);
    return out;
}

bool RigSimulator::yaesu(QByteArray& pending)
{
    if (pending.size() < 5)
        return false;
    const uchar opcode = uchar(pending.at(4));
    pending.remove(0, 5);
    yaesuOpcodes.append(opcode);
    answerWith(yaesuAnswer(opcode));
    return true;
}

QByteArray RigSimulator::asciiAnswer(const QByteArray& c) const
{
    if (type == QLatin1String("Ten Tec Fnt Pnl")) {
        if (c == "?A") {
            QByteArray out("A");
            for (int shift = 24; shift >= 0; shift -= 8)
                out += char((hz >> shift) & 0xFF);
            return out + '\r';
        }
        if (c == "?M")
            return QByteArray("M") + char(cw ? 0x33 : 0x31) + '\r';
        return {};
    }
    if (type == QLatin1String("Ten Tec Orion")) {
        if (c == "?AF")
            return "@AF" + QByteArray::number(hz) + '\r';
        if (c == "?RMM")
            return QByteArray("@RMM") + (cw ? '3' : '0') + '\r';
        return {};
    }
    if (type == QLatin1String("Yaesu FTdx9000")) {
        if (c == "FA")
            return "FA" + QByteArray::number(hz).rightJustified(8, '0') + ';';
        if (c == "MD0")
            return QByteArray("MD0") + (cw ? '3' : '2') + ';';
        return {};
    }
    if (c == "FA")
        return "FA" + QByteArray::number(hz).rightJustified(11, '0') + ';';
    if (c == "MD")
        return QByteArray("MD") + (cw ? '3' : '2') + ';';
    if (c == "IF") {
        // IF, frequency, step, RIT, RIT/XIT/channel flags, TX, mode, VFO, scan, split, tone, ;
        QByteArray out = "IF" + QByteArray::number(hz).rightJustified(11, '0');
        out += "     +0000000000";
        out += cw ? '3' : '2';
        out += "000000 ;";
        return out;
    }
    return {};
}

bool RigSimulator::ascii(QByteArray& pending, char terminator)
{
    const qsizetype end = pending.indexOf(terminator);
    if (end < 0)
        return false;
    const QByteArray command = pending.left(end);
    pending.remove(0, end + 1);
    answerWith(asciiAnswer(command));
    return true;
}

} // namespace zelq::test
