#include "rig/RigDecoders.h"

#include "rig/HexText.h"
#include "rig/RigCatalogue.h"
#include "settings/QuotedFile.h"

#include <cmath>
#include <optional>

namespace zelq {

using namespace RigTypes;

float hertzToMHz(double hertz)
{
    return float(std::round(hertz / 10.0) / 100000.0);
}

namespace {

// A run of decimal digits (nothing else) as a number.
std::optional<double> decimalDigits(const QByteArray& text)
{
    if (text.isEmpty())
        return std::nullopt;
    double v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

std::optional<double> decimalDigits(const QString& text)
{
    return decimalDigits(text.toLatin1());
}

// A run of hexadecimal digits as an unsigned number.
std::optional<double> hexNumber(const QString& text)
{
    if (text.isEmpty())
        return std::nullopt;
    bool ok = false;
    const qulonglong v = text.toULongLong(&ok, 16);
    if (!ok)
        return std::nullopt;
    return double(v);
}

// The leading decimal digits of `text` as a number; 0 when there are none.
int leadingNumber(const QString& text)
{
    int v = 0;
    for (QChar c : text) {
        if (!c.isDigit() || c.unicode() > '9')
            break;
        v = v * 10 + (c.unicode() - '0');
    }
    return v;
}

// Characters FROM to TO of H, counted from 1, or empty when H is too short.
QString digits(const QString& h, int from, int to)
{
    if (h.size() < to)
        return QString();
    return h.mid(from - 1, to - from + 1);
}

} // namespace

void ParseKenwoodFrequency(const QByteArray& input, const QString& frequencyPoll, RigReading& r)
{
    if (frequencyPoll.size() < 3)
        return;
    const QByteArray tag = frequencyPoll.left(2).toLatin1();
    const qsizetype i = input.indexOf(tag);
    // The eleven digits and the ";" after them must all be there.
    if (i < 0 || input.size() <= i + 13)
        return;
    if (std::optional<double> hz = decimalDigits(input.mid(i + 2, 11)))
        r.frequency = hertzToMHz(*hz);
}

void ParseKenwoodMode(const QByteArray& input, RigReading& r)
{
    const qsizetype i = input.indexOf("MD");
    if (i < 0 || input.size() <= i + 2)
        return;
    const char c = input.at(i + 2);
    r.mode = (c == '3' || c == '7') ? QStringLiteral("CW") : QStringLiteral("PH");
}

void ParseKenwoodIF(const QByteArray& input, RigReading& r)
{
    const qsizetype i = input.indexOf("IF");
    if (i < 0 || input.size() <= i + 13)
        return;
    if (std::optional<double> hz = decimalDigits(input.mid(i + 2, 11)))
        r.frequency = hertzToMHz(*hz);
    // Mode and VFO only from a whole answer: IF, 35 characters and ";".
    if (input.size() < i + 38)
        return;
    r.mode = input.at(i + 29) == '3' ? QStringLiteral("CW") : QStringLiteral("PH");
    const char vfo = input.at(i + 30);
    if (vfo >= '0' && vfo <= '9')
        r.kenwoodVfo = vfo - '0';
}

namespace {

enum class CivState { Empty, GotFirstFE, GotSecondFE, WaitForFD };

// Runs the CI-V scan for `command`. For the frequency the digits of the
// last frame closed by FD are returned (most significant first); for the
// mode, the first data byte's digits.
QString scanCiv(const QByteArray& input, uchar command, bool firstByteOnly)
{
    CivState state = CivState::Empty;
    QString frame;
    QString result;
    for (qsizetype i = 0; i < input.size(); ++i) {
        const uchar b = uchar(input.at(i));
        switch (state) {
        case CivState::Empty:
            if (b == 0xFE)
                state = CivState::GotFirstFE;
            break;
        case CivState::GotFirstFE:
            if (b == 0xFE) {
                state = CivState::GotSecondFE;
                i += 2; // destination and source address
            } else {
                state = CivState::Empty;
            }
            break;
        case CivState::GotSecondFE:
            if (b == command) {
                state = CivState::WaitForFD;
                frame.clear();
            } else {
                state = CivState::Empty;
            }
            break;
        case CivState::WaitForFD:
            if (b == 0xFD) {
                state = CivState::Empty;
                // A frame without data (our poll's echo) leaves what a
                // reply already gave.
                if (!frame.isEmpty())
                    result = frame;
            } else {
                const QString pair = hexDigits(QByteArray(1, char(b)));
                if (firstByteOnly)
                    return pair;
                frame.prepend(pair);
            }
            break;
        }
    }
    return result;
}

} // namespace

void ParseIcomFrequency(const QByteArray& input, bool icom735, RigReading& r)
{
    // A frame cut short before its FD is never taken: its digits would
    // be a wrong frequency, not a partial one.
    const QString t = scanCiv(input, 0x03, false);
    if (t.size() < 4)
        return;
    QString text;
    if (t.at(0) != QLatin1Char('0'))
        text += t.at(0);
    if (t.left(2) != QLatin1String("00"))
        text += t.at(1);
    if (t.left(3) != QLatin1String("000"))
        text += t.at(2);
    text += t.at(3);
    text += QLatin1Char('.');
    text += t.mid(4, 6);
    bool ok = false;
    const double mhz = text.toDouble(&ok);
    if (!ok)
        return;
    r.frequency = icom735 ? float(mhz / 100.0) : float(mhz);
}

void ParseIcomMode(const QByteArray& input, RigReading& r)
{
    const QString t = scanCiv(input, 0x04, true);
    if (t.isEmpty())
        return;
    r.mode = t == QLatin1String("03") ? QStringLiteral("CW") : QStringLiteral("PH");
}

namespace {

// The status-update mode digit (0..F) of the 890, 990 and the 1000s.
void statusMode(QChar digit, RigReading& r)
{
    bool ok = false;
    const int v = QString(digit).toInt(&ok, 16);
    if (!ok)
        return;
    if (v == 2)
        r.mode = QStringLiteral("CW");
    else if (v <= 7)
        r.mode = QStringLiteral("PH");
}

void yaesuRead(const QByteArray& input, RigReading& r)
{
    const QString h = hexDigits(input.left(5));
    const QString modeDigits = h.mid(8, 2);
    const std::optional<double> mode = decimalDigits(modeDigits);
    if (!mode)
        return; // 0A, 0C: the whole reply is dropped
    if (std::optional<double> tens = decimalDigits(h.left(8)))
        r.frequency = float(std::round(*tens) / 100000.0);
    switch (int(*mode)) {
    case 0: case 1: case 4: case 8: case 84: case 88: r.mode = QStringLiteral("PH"); break;
    case 2: case 3: case 82: case 83: r.mode = QStringLiteral("CW"); break;
    default: break;
    }
}

void yaesu757(const QByteArray& input, RigReading& r)
{
    const QString h = hexDigits(input);
    if (input.size() >= 9) {
        const QString tens = h.mid(16, 2) + h.mid(14, 2) + h.mid(12, 2) + h.mid(10, 2);
        if (std::optional<double> v = decimalDigits(tens))
            r.frequency = float(std::round(*v) / 100000.0);
    }
    if (input.size() < 10)
        return;
    switch (leadingNumber(h.mid(18, 2))) {
    case 0: case 1: r.mode = QStringLiteral("PH"); break;
    case 2: case 3: r.mode = QStringLiteral("CW"); break;
    case 4: r.mode = QStringLiteral("AM"); break;
    case 5: r.mode = QStringLiteral("FM"); break;
    default: break;
    }
}

void yaesuStatus(const QByteArray& input, const QString& type, RigReading& r)
{
    const QString h = hexDigits(input);
    QString field;
    double divisor = 100000.0;
    if (type == Yaesu890)
        field = digits(h, 5, 10);
    else if (type == Yaesu1000)
        field = digits(h, 4, 9);
    else if (type == Yaesu990 || type == Yaesu1000D)
        field = digits(h, 3, 8);
    else if (type == Yaesu920) {
        field = digits(h, 3, 10);
        divisor = 1000000.0;
    }
    if (std::optional<double> v = hexNumber(field))
        r.frequency = float(std::round(*v / divisor * 100000.0) / 100000.0);
    if (h.size() < 16)
        return; // no byte 8: the mode stays
    const QChar digit = h.at(15);
    if (type == Yaesu920)
        r.mode = digit == QLatin1Char('1') ? QStringLiteral("CW") : QStringLiteral("PH");
    else
        statusMode(digit, r);
}

} // namespace

void ParseYaesuStatus(const QByteArray& input, const QString& type, RigReading& r)
{
    if (input.size() < 5)
        return;
    if (type == Yaesu)
        yaesuRead(input, r);
    else if (type == Yaesu757)
        yaesu757(input, r);
    else
        yaesuStatus(input, type, r);
}

void ParseFTdx9000(const QByteArray& input, const QString& frequencyPoll, const QString& modePoll,
                   RigReading& r)
{
    if (frequencyPoll.size() >= 2) {
        const qsizetype i = input.indexOf(frequencyPoll.left(2).toLatin1());
        // All eight digits must be there.
        if (i >= 0 && input.size() >= i + 10) {
            if (std::optional<double> hz = decimalDigits(input.mid(i + 2, 8)))
                r.frequency = hertzToMHz(*hz);
        }
    }
    if (modePoll.size() >= 3) {
        const qsizetype i = input.indexOf(modePoll.left(3).toLatin1());
        if (i >= 0 && input.size() > i + 3)
            r.mode = input.at(i + 3) == '3' ? QStringLiteral("CW") : QStringLiteral("PH");
    }
}

void ParseTenTecFrequency(const QByteArray& input, RigReading& r)
{
    // The letter A and four bytes of hertz.
    if (input.size() < 5)
        return;
    if (std::optional<double> hz = hexNumber(hexDigits(input.mid(1, 4))))
        r.frequency = hertzToMHz(*hz);
}

void ParseTenTecMode(const QByteArray& input, RigReading& r)
{
    if (input.size() < 3)
        return;
    const int digit = uchar(input.at(1)) & 0x0F;
    if (digit == 3)
        r.mode = QStringLiteral("CW");
    else if (digit <= 4)
        r.mode = QStringLiteral("PH");
}

void ParseOrionFrequency(const QByteArray& input, RigReading& r)
{
    const qsizetype i = input.indexOf("@AF");
    if (i < 0)
        return;
    // Only a number its carriage return has closed: a reply cut in two
    // would give a wrong frequency.
    const qsizetype end = input.indexOf('\r', i + 3);
    if (end < 0)
        return;
    if (std::optional<double> hz = decimalDigits(input.mid(i + 3, end - i - 3)))
        r.frequency = hertzToMHz(*hz);
}

void ParseOrionMode(const QByteArray& input, RigReading& r)
{
    const qsizetype i = input.indexOf("@RMM");
    if (i < 0 || input.size() <= i + 4)
        return;
    const char c = input.at(i + 4);
    r.mode = (c == '3' || c == '2') ? QStringLiteral("CW") : QStringLiteral("PH");
}

void ReadPegasusFile(const QString& path, RigReading& r)
{
    QuotedReader reader(path);
    if (!reader.isOpen())
        return;
    const std::optional<QString> freq = reader.nextField();
    if (!freq)
        return;
    const std::optional<double> mhz = parseNumber(*freq);
    if (!mhz)
        return;
    r.frequency = float(*mhz);
    const std::optional<QString> mode = reader.nextField();
    if (!mode)
        return;
    r.mode = *mode;
    if (!r.mode.isEmpty() && r.mode != QLatin1String("CW"))
        r.mode = QStringLiteral("PH");
}

void decodeReply(const QString& type, const QByteArray& input, const PollStrings& polls,
                 int queryToggle, RigReading& r)
{
    if (isKenwoodType(type)) {
        ParseKenwoodFrequency(input, polls.frequency, r);
        ParseKenwoodMode(input, r);
    } else if (type == Kenwood2) {
        ParseKenwoodIF(input, r);
    } else if (isCivType(type)) {
        if (queryToggle == 1)
            ParseIcomFrequency(input, type == Icom735, r);
        else
            ParseIcomMode(input, r);
    } else if (isYaesuBinaryType(type)) {
        ParseYaesuStatus(input, type, r);
    } else if (type == FTdx9000) {
        ParseFTdx9000(input, polls.frequency, polls.mode, r);
    } else if (type == FrontPanel) {
        if (queryToggle == 1)
            ParseTenTecFrequency(input, r);
        else
            ParseTenTecMode(input, r);
    } else if (type == Pegasus) {
        ReadPegasusFile(polls.pegasusFile, r);
    } else if (type == Orion) {
        ParseOrionFrequency(input, r);
        ParseOrionMode(input, r);
    }
}

} // namespace zelq
