#include "WinKeySimulator.h"

#include <QHash>
#include <time.h>

namespace zelq::test {

namespace {

// Dots and dashes of the characters the simulator times.
const QHash<char, QByteArray>& signs()
{
    static const QHash<char, QByteArray> table {
        {'A', ".-"},     {'B', "-..."},   {'C', "-.-."},   {'D', "-.."},    {'E', "."},      {'F', "..-."},
        {'G', "--."},    {'H', "...."},   {'I', ".."},     {'J', ".---"},   {'K', "-.-"},    {'L', ".-.."},
        {'M', "--"},     {'N', "-."},     {'O', "---"},    {'P', ".--."},   {'Q', "--.-"},   {'R', ".-."},
        {'S', "..."},    {'T', "-"},      {'U', "..-"},    {'V', "...-"},   {'W', ".--"},    {'X', "-..-"},
        {'Y', "-.--"},   {'Z', "--.."},   {'0', "-----"},  {'1', ".----"},  {'2', "..---"},  {'3', "...--"},
        {'4', "....-"},  {'5', "....."},  {'6', "-...."},  {'7', "--..."},  {'8', "---.."},  {'9', "----."},
        {'.', ".-.-.-"}, {',', "--..--"}, {'?', "..--.."}, {'/', "-..-."},  {'=', "-...-"},  {'-', "-....-"},
    };
    return table;
}

} // namespace

WinKeySimulator::WinKeySimulator(PtyPair& pty, QObject* parent) : DeviceSimulator(pty, parent)
{
    sendTimer.setSingleShot(true);
    sendTimer.setTimerType(Qt::PreciseTimer);
    connect(&sendTimer, &QTimer::timeout, this, &WinKeySimulator::next);
}

qint64 WinKeySimulator::monotonicNs()
{
    timespec ts {};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void WinKeySimulator::turnPot(int offset)
{
    potOffset = offset & 0x3F;
    send(QByteArray(1, char(0x80 | potOffset)));
}

int WinKeySimulator::units(char c) const
{
    if (c == ' ')
        return 7 - 3; // a word space adds four units to the letter space
    const QByteArray s = signs().value(char(QChar::fromLatin1(c).toUpper().toLatin1()));
    if (s.isEmpty())
        return 0;
    int n = 0;
    for (char e : s)
        n += e == '-' ? 4 : 2; // the element and the space after it
    return n + 2;              // three units between characters
}

int WinKeySimulator::parametersOf(quint8 c) const
{
    switch (c) {
    case 0x01: case 0x02: case 0x03: case 0x06: case 0x09: case 0x0B: case 0x0C: case 0x0D:
    case 0x0E: case 0x10: case 0x11: case 0x12: case 0x14: case 0x16: case 0x17: case 0x18:
    case 0x19: case 0x1A: case 0x1C: case 0x1D:
        return 1;
    case 0x04: case 0x1B: return 2;
    case 0x05: return 3;
    case 0x0F: return 15;
    default: break;
    }
    return 0;
}

void WinKeySimulator::onInput(QByteArray& pending)
{
    const qint64 now = monotonicNs();
    for (char b : std::as_const(pending))
        log.append({now, quint8(b)});
    const QByteArray in = std::exchange(pending, {});
    if (silent)
        return;
    for (char b : in) {
        if (!cmd.isEmpty()) {
            cmd.append(b);
            const quint8 c = quint8(cmd.at(0));
            const bool done = c == 0x00 ? (cmd.size() == 2 && quint8(cmd.at(1)) != 0x04) || cmd.size() == 3
                                        : cmd.size() == 1 + parametersOf(c);
            if (done)
                command(std::exchange(cmd, {}));
            continue;
        }
        const quint8 u = quint8(b);
        if (u < 0x20) {
            cmd.append(b);
            if (u != 0x00 && parametersOf(u) == 0)
                command(std::exchange(cmd, {}));
        } else if (host) {
            takeCharacter(b);
        }
    }
}

void WinKeySimulator::admin(const QByteArray& c)
{
    switch (quint8(c.at(1))) {
    case 0x02:
        host = true;
        lastStatus = -1;
        send(QByteArray(1, char(Version)));
        break;
    case 0x03:
        host = false;
        queue.clear();
        sendTimer.stop();
        busy = false;
        break;
    case 0x04:
        send(echoWrong ? QByteArray("X") : c.mid(2, 1));
        break;
    default: break;
    }
}

void WinKeySimulator::command(const QByteArray& c)
{
    const quint8 op = quint8(c.at(0));
    if (op == 0x00)
        return admin(c);
    if (!host)
        return;
    auto p = [&](int i) { return int(quint8(c.at(i))); };
    switch (op) {
    case 0x02: speed = p(1); break;
    case 0x03: weightValue = p(1); break;
    case 0x04: lead = p(1); tailValue = p(2); break;
    case 0x05: potMin = p(1); break;
    case 0x07: send(QByteArray(1, char(0x80 | potOffset))); break;
    case 0x08:
        ++backspaceCount;
        if (!queue.isEmpty())
            queue.chop(1);
        report();
        break;
    case 0x09: pins = p(1); break;
    case 0x0A:
        ++clearCount;
        queue.clear();
        sendTimer.stop();
        busy = false;
        report();
        break;
    case 0x0E: mode = p(1); break;
    case 0x15: send(QByteArray(1, char(statusByte()))); break;
    case 0x17: ratioValue = p(1); break;
    default: break;
    }
}

void WinKeySimulator::takeCharacter(char c)
{
    text.append(c);
    if (queue.size() >= BufferSize)
        return; // overrun: lost, as in the chip
    queue.append(c);
    if (!busy)
        next();
    else
        report();
    maxQueue = std::max(maxQueue, int(queue.size()));
}

// Starts the next character, or goes idle.
void WinKeySimulator::next()
{
    while (!queue.isEmpty()) {
        const char c = queue.at(0);
        queue.remove(0, 1);
        if (unechoed.contains(QLatin1Char(c)))
            continue;
        busy = true;
        report();
        sent.append(c);
        if (mode & 0x04)
            send(QByteArray(1, c));
        const int wpm = speed > 0 ? speed : potMin + potOffset;
        const double unitMs = 1200.0 / wpm * timeScale;
        sendTimer.start(std::max(1, int(units(c) * unitMs)));
        return;
    }
    busy = false;
    report();
}

quint8 WinKeySimulator::statusByte() const
{
    quint8 s = 0xC0;
    if (busy)
        s |= 0x04;
    if (queue.size() > BufferSize * 2 / 3)
        s |= 0x01;
    return s;
}

// A status byte whenever the state changed.
void WinKeySimulator::report()
{
    const int s = statusByte();
    if (s == lastStatus)
        return;
    lastStatus = s;
    send(QByteArray(1, char(s)));
}

} // namespace zelq::test
