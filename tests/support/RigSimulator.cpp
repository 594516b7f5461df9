#include "RigSimulator.h"

#include <algorithm>

namespace zelq::test {

namespace {

// Two decimal digits in one byte.
char bcd(int twoDigits)
{
    return char(((twoDigits / 10) << 4) | (twoDigits % 10));
}

int fromBcd(uchar b)
{
    return (b >> 4) * 10 + (b & 0x0F);
}

// Mode names by the codes of each family.
QString kenwoodMode(char digit)
{
    switch (digit) {
    case '1': return QStringLiteral("LSB");
    case '2': return QStringLiteral("USB");
    case '3': return QStringLiteral("CW");
    case '4': return QStringLiteral("FM");
    case '5': return QStringLiteral("AM");
    case '6': return QStringLiteral("RTTY");
    case '7': return QStringLiteral("CWR");
    case '9': return QStringLiteral("RTTYR");
    default: return {};
    }
}

char kenwoodDigit(const QString& mode)
{
    for (char d : {'1', '2', '3', '4', '5', '6', '7', '9'})
        if (kenwoodMode(d) == mode)
            return d;
    return '2';
}

const char* const CivModes[] = {"LSB", "USB", "AM", "CW", "RTTY", "FM", "", "CWR", "RTTYR"};

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
    if (command == 0x05 && frame.size() >= 11) {
        qint64 v = 0;
        for (int i = 9; i >= 5; --i)
            v = v * 100 + fromBcd(uchar(frame.at(i)));
        hz = v;
        sets << frame;
        out += QByteArray("\xFE\xFE") + controller + radio + '\xFB' + '\xFD';
        answerWith(out);
        return true;
    }
    if (command == 0x06 && frame.size() >= 7) {
        const uchar m = uchar(frame.at(5));
        if (m < sizeof CivModes / sizeof *CivModes)
            mode = QString::fromLatin1(CivModes[m]);
        sets << frame;
        out += QByteArray("\xFE\xFE") + controller + radio + '\xFB' + '\xFD';
        answerWith(out);
        return true;
    }
    if (command == 0x03) {
        const int bytes = type == QLatin1String("Icom 735") ? 4 : 5;
        qint64 v = hz;
        for (int i = 0; i < bytes; ++i) {
            data.append(bcd(int(v % 100)));
            v /= 100;
        }
    } else if (command == 0x04) {
        int code = 1;
        for (int i = 0; i < int(sizeof CivModes / sizeof *CivModes); ++i)
            if (mode == QLatin1String(CivModes[i]))
                code = i;
        data = QByteArray(1, char(code)) + '\x01';
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
    const char modeDigit = cw() ? 2 : 1;
    QByteArray out;
    if (opcode == 0x03) {
        const qint64 v = tens;
        out += bcd(int(v / 1000000 % 100));
        out += bcd(int(v / 10000 % 100));
        out += bcd(int(v / 100 % 100));
        out += bcd(int(v % 100));
        out += cw() ? '\x82' : '\x01';
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
    out[7] = char(type == QLatin1String("Yaesu 920") ? (cw() ? 1 : 2) : modeDigit);
    return out;
}

bool RigSimulator::yaesu(QByteArray& pending)
{
    if (pending.size() < 5)
        return false;
    const QByteArray command = pending.left(5);
    const uchar opcode = uchar(pending.at(4));
    pending.remove(0, 5);
    yaesuOpcodes.append(opcode);
    if (opcode == 0x01 || opcode == 0x0A || opcode == 0x07 || opcode == 0x0C) {
        yaesuSet(command);
        return true;
    }
    answerWith(yaesuAnswer(opcode));
    return true;
}

void RigSimulator::yaesuSet(const QByteArray& c)
{
    const uchar opcode = uchar(c.at(4));
    sets << c;
    if (opcode == 0x01 || opcode == 0x0A) {
        qint64 tens = 0;
        for (int i = 0; i < 4; ++i)
            tens = tens * 100 + fromBcd(uchar(c.at(opcode == 0x01 ? i : 3 - i)));
        hz = tens * 10;
        return;
    }
    // Mode: the plain Yaesu's code is byte 1, the status radios' byte 4.
    static const std::pair<int, const char*> plain[] = {{0x00, "LSB"}, {0x01, "USB"}, {0x02, "CW"},
                                                       {0x04, "AM"},  {0x08, "FM"},  {0x0A, "RTTY"},
                                                       {0x0C, "PKT"}};
    static const std::pair<int, const char*> status[] = {{0x00, "LSB"}, {0x01, "USB"}, {0x02, "CW"},
                                                        {0x03, "CWR"}, {0x04, "AM"},  {0x06, "FM"},
                                                        {0x08, "RTTY"}, {0x0A, "PKT"}};
    const int code = uchar(c.at(opcode == 0x07 ? 0 : 3));
    if (opcode == 0x07) {
        for (const auto& [k, name] : plain)
            if (k == code)
                mode = QString::fromLatin1(name);
    } else {
        for (const auto& [k, name] : status)
            if (k == code)
                mode = QString::fromLatin1(name);
    }
}

bool RigSimulator::asciiSet(const QByteArray& c)
{
    const bool digits = c.size() > 2 && std::all_of(c.begin() + 2, c.end(), [](char ch) {
        return ch >= '0' && ch <= '9';
    });
    if (type == QLatin1String("Ten Tec Orion")) {
        if (!c.startsWith("*AF"))
            return false;
        hz = qRound64(c.mid(3).toDouble() * 1e6);
    } else if (type == QLatin1String("Yaesu FTdx9000")) {
        if (c.startsWith("FA") && digits && c.size() == 10)
            hz = c.mid(2).toLongLong();
        else if (c.startsWith("MD0") && c.size() == 4)
            mode = kenwoodMode(c.at(3));
        else
            return false;
    } else if ((c.startsWith("FA") || c.startsWith("FB")) && digits && c.size() == 13) {
        (c.startsWith("FB") ? hzB : hz) = c.mid(2).toLongLong();
    } else if (c.startsWith("MD") && c.size() == 3) {
        mode = kenwoodMode(c.at(2));
    } else {
        return false;
    }
    sets << c;
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
            return QByteArray("M") + char(cw() ? 0x33 : 0x31) + '\r';
        return {};
    }
    if (type == QLatin1String("Ten Tec Orion")) {
        if (c == "?AF")
            return "@AF" + QByteArray::number(hz) + '\r';
        if (c == "?RMM")
            return QByteArray("@RMM") + (cw() ? '3' : '0') + '\r';
        return {};
    }
    if (type == QLatin1String("Yaesu FTdx9000")) {
        if (c == "FA")
            return "FA" + QByteArray::number(hz).rightJustified(8, '0') + ';';
        if (c == "MD0")
            return QByteArray("MD0") + kenwoodDigit(mode) + ';';
        return {};
    }
    if (c == "FA")
        return "FA" + QByteArray::number(hz).rightJustified(11, '0') + ';';
    if (c == "MD")
        return QByteArray("MD") + kenwoodDigit(mode) + ';';
    if (c == "IF") {
        // IF, frequency, step, RIT, RIT/XIT/channel flags, TX, mode, VFO, scan, split, tone, ;
        QByteArray out = "IF" + QByteArray::number(frequency()).rightJustified(11, '0');
        out += "     +0000000000";
        out += kenwoodDigit(mode);
        out += vfoB ? '1' : '0';
        out += "00000 ;";
        return out;
    }
    return {};
}

bool RigSimulator::ascii(QByteArray& pending, char terminator)
{
    // The front panel's frequency command is binary: its bytes may hold CR.
    if (type == QLatin1String("Ten Tec Fnt Pnl") && pending.startsWith("*A")) {
        if (pending.size() < 7)
            return false;
        const QByteArray c = pending.left(7);
        pending.remove(0, 7);
        hz = 0;
        for (int i = 2; i < 6; ++i)
            hz = (hz << 8) | uchar(c.at(i));
        sets << c;
        return true;
    }
    const qsizetype end = pending.indexOf(terminator);
    if (end < 0)
        return false;
    const QByteArray command = pending.left(end);
    pending.remove(0, end + 1);
    if (!asciiSet(command))
        answerWith(asciiAnswer(command));
    return true;
}

} // namespace zelq::test
