#include "rig/RigCommands.h"

#include "rig/RigCatalogue.h"
#include "settings/QuotedFile.h"

#include <cmath>

namespace zelq {

using namespace RigTypes;

namespace {

// Half to even: the default rounding mode of nearbyint.
qint64 roundedCount(float mhz, double scale)
{
    const double v = std::nearbyint(double(mhz) * scale);
    if (!std::isfinite(v) || v < 0 || v > 9.0e15)
        return -1;
    return qint64(v);
}

// The digit pairs of `digits` (padded to an even count) in reverse order.
QString pairsLeastFirst(QString digits)
{
    if (digits.size() % 2)
        digits.prepend(QLatin1Char('0'));
    QString out;
    for (qsizetype i = digits.size() - 2; i >= 0; i -= 2)
        out += digits.mid(i, 2);
    return out;
}

// Characters 7-8 of the CI-V frequency poll string ("FE FE 64 E0 03 FD").
QString civAddress(const QString& frequencyPoll)
{
    const QString a = frequencyPoll.mid(6, 2);
    bool ok = false;
    a.toUInt(&ok, 16);
    return (ok && a.size() == 2) ? a : QString();
}

QByteArray text(const QString& s)
{
    return s.toLatin1();
}

} // namespace

qint64 hertzCount(float mhz)
{
    return roundedCount(mhz, 1000000.0);
}

qint64 tenHertzCount(float mhz)
{
    return roundedCount(mhz, 100000.0);
}

QString paddedDecimal(qint64 value, int width)
{
    return QString::number(value).rightJustified(width, QLatin1Char('0'));
}

QByteArray PackedHexToBytes(const QString& hex)
{
    QByteArray out;
    for (qsizetype i = 0; i + 1 < hex.size(); i += 2) {
        bool ok = false;
        const QString pair = hex.mid(i, 2);
        const uint v = pair.toUInt(&ok, 16);
        if (!ok || pair.startsWith(QLatin1Char('+')) || pair.startsWith(QLatin1Char('-')))
            return {};
        out.append(char(v));
    }
    return out;
}

QString mhzText(float mhz)
{
    return formatSingle(mhz);
}

QByteArray frequencyCommand(const RigCommandTarget& rig, float mhz)
{
    const QString& t = rig.type;
    const qint64 hz = hertzCount(mhz);
    const qint64 tens = tenHertzCount(mhz);
    if (hz < 0)
        return {};
    if (t == Kenwood || t == FTdx9000) {
        const int width = t == Kenwood ? 11 : 8;
        return text(rig.frequencyPoll.left(2) + paddedDecimal(hz, width) + QLatin1Char(';'));
    }
    if (t == Kenwood2) {
        const QString tag = rig.kenwoodVfo == 1 ? QStringLiteral("FB") : QStringLiteral("FA");
        return text(tag + paddedDecimal(hz, 11) + QLatin1Char(';'));
    }
    if (t == Elecraft)
        return text(QStringLiteral("FA") + paddedDecimal(hz, 11) + QLatin1Char(';'));
    if (isCivType(t)) {
        const QString address = civAddress(rig.frequencyPoll);
        if (address.isEmpty())
            return {};
        return PackedHexToBytes(QStringLiteral("FEFE") + address + QStringLiteral("E005")
                                + pairsLeastFirst(paddedDecimal(hz, 10)) + QStringLiteral("FD"));
    }
    if (t == FrontPanel) {
        if (hz > 0xFFFFFFFFLL)
            return {};
        QByteArray out("*A");
        for (int shift = 24; shift >= 0; shift -= 8)
            out += char((hz >> shift) & 0xFF);
        return out + '\r';
    }
    if (t == Orion)
        return text(QStringLiteral("*AF") + mhzText(mhz) + QLatin1Char('\r'));
    if (t == Yaesu)
        return PackedHexToBytes(paddedDecimal(tens, 8) + QStringLiteral("01"));
    if (isYaesuBinaryType(t))
        return PackedHexToBytes(pairsLeastFirst(paddedDecimal(tens, 8)) + QStringLiteral("0A"));
    return {};
}

QByteArray modeCommand(const RigCommandTarget& rig, const QString& mode)
{
    const QString& t = rig.type;
    auto pick = [&mode](std::initializer_list<std::pair<const char*, const char*>> table) {
        for (const auto& [name, code] : table)
            if (mode == QLatin1String(name))
                return QString::fromLatin1(code);
        return QString();
    };
    if (isKenwoodType(t) || t == Kenwood2) {
        const QString code = pick({{"CW", "MD3;"}, {"LSB", "MD1;"}, {"USB", "MD2;"}, {"AM", "MD5;"},
                                   {"RTTY", "MD6;"}, {"FM", "MD4;"}, {"FSK", "MD6;"}});
        return text(code);
    }
    if (t == Icom || t == OmniVI) {
        const QString code = pick({{"CW", "E00603FD"}, {"LSB", "E00600FD"}, {"USB", "E00601FD"},
                                   {"AM", "E00602FD"}, {"RTTY", "E00604FD"}, {"FM", "E00605FD"},
                                   {"CW-R", "E00607FD"}, {"RTTY-R", "E00608FD"}});
        const QString address = civAddress(rig.frequencyPoll);
        if (code.isEmpty() || address.isEmpty())
            return {};
        return PackedHexToBytes(QStringLiteral("FEFE") + address + code);
    }
    if (t == Yaesu) {
        return PackedHexToBytes(pick({{"CW", "0200000007"}, {"LSB", "0000000007"},
                                      {"USB", "0100000007"}, {"AM", "0400000007"},
                                      {"DIG", "0A00000007"}, {"RTTY", "0A00000007"},
                                      {"FM", "0800000007"}, {"PKT", "0C00000007"}}));
    }
    if (isYaesuBinaryType(t)) {
        return PackedHexToBytes(pick({{"CW", "000000020C"}, {"CW-R", "000000030C"},
                                      {"LSB", "000000000C"}, {"USB", "000000010C"},
                                      {"AM", "000000040C"}, {"RTTY", "000000080C"},
                                      {"FM", "000000060C"}, {"PKT", "0000000A0C"}}));
    }
    if (t == FTdx9000) {
        const QString digit = pick({{"CW", "3"}, {"LSB", "1"}, {"USB", "2"}, {"FM", "4"},
                                    {"AM", "5"}, {"RTTY", "6"}, {"CW-R", "7"}});
        if (digit.isEmpty())
            return {};
        return text(rig.modePoll.left(3) + digit + QLatin1Char(';'));
    }
    return {};
}

FrequencyPauses frequencyPauses(const QString& t)
{
    if (t == Elecraft)
        return {205, 1000};
    if (t == OmniVI)
        return {140, 220};
    if (t == Icom || t == Icom735)
        return {140, 0};
    if (t == Yaesu1000)
        return {10, 0};
    if (t == Kenwood || t == Kenwood2 || t == FrontPanel || t == Pegasus || t == Orion
        || t == FTdx9000 || isYaesuBinaryType(t))
        return {205, 0};
    return {};
}

QByteArray pegasusInText(float mhz, const QString& rigMode)
{
    return (mhzText(mhz) + QStringLiteral("\r\n") + rigMode.trimmed() + QStringLiteral("\r\n"))
        .toLatin1();
}

QByteArray hamlibModeName(const QString& mode)
{
    static const std::pair<const char*, const char*> names[] = {
        {"CW", "CW"},     {"CW-R", "CWR"},     {"LSB", "LSB"},   {"USB", "USB"},
        {"AM", "AM"},     {"FM", "FM"},        {"RTTY", "RTTY"}, {"RTTY-R", "RTTYR"},
        {"FSK", "RTTY"},  {"DIG", "PKTUSB"},   {"PKT", "PKTUSB"}};
    for (const auto& [ours, theirs] : names)
        if (mode == QLatin1String(ours))
            return QByteArray(theirs);
    return {};
}

QByteArray hamlibFrequencyCommand(float mhz)
{
    const qint64 hz = hertzCount(mhz);
    return hz < 0 ? QByteArray() : "F " + QByteArray::number(hz);
}

QByteArray hamlibModeCommand(const QString& mode)
{
    const QByteArray name = hamlibModeName(mode);
    return name.isEmpty() ? QByteArray() : "M " + name + " -1";
}

} // namespace zelq
