#include "rig/RigCatalogue.h"

namespace zelq {

using namespace RigTypes;

const QStringList& rigCatalogue()
{
    static const QStringList names{None, Elecraft, Icom, Icom735, Kenwood, Kenwood2, OmniVI,
                                   Orion, FrontPanel, Pegasus, Yaesu, Yaesu757, Yaesu890,
                                   Yaesu920, Yaesu990, Yaesu1000D, Yaesu1000, FTdx9000, Other,
                                   Hamlib};
    return names;
}

RigTypeDefaults rigTypeDefaults(const QString& type)
{
    auto serial = [](const char* baud, const char* data, const char* stop, const char* parity,
                     const char* freq, const char* mode, bool hex) {
        RigTypeDefaults d;
        d.baud = QString::fromLatin1(baud);
        d.dataBits = QString::fromLatin1(data);
        d.stopBits = QString::fromLatin1(stop);
        d.parity = QString::fromLatin1(parity);
        d.frequencyPoll = QString::fromLatin1(freq);
        d.modePoll = QString::fromLatin1(mode);
        d.convertToHex = hex;
        return d;
    };
    if (type == Elecraft || type == Kenwood)
        return serial("4800", "8", "2", "N", "FA;", "MD;", false);
    if (type == Icom || type == Icom735)
        return serial("1200", "8", "1", "N", "FE FE 64 E0 03 FD", "FE FE 64 E0 04 FD", true);
    if (type == Kenwood2)
        return serial("4800", "8", "2", "N", "IF;", "", false);
    if (type == OmniVI)
        return serial("1200", "8", "1", "N", "FE FE 04 E0 03 FD", "FE FE 04 E0 04 FD", true);
    if (type == Orion)
        return serial("56000", "8", "1", "N", "?AF", "?RMM", false);
    if (type == FrontPanel)
        return serial("56000", "8", "1", "N", "3F 41 0D", "3F 4D 0D", true);
    if (type == Yaesu)
        return serial("4800", "8", "2", "N", "00 00 00 00 03", "", true);
    if (type == Yaesu757)
        return serial("4800", "8", "2", "N", "00 00 00 00 10", "", true);
    if (type == Yaesu890 || type == Yaesu920 || type == Yaesu990 || type == Yaesu1000D
        || type == Yaesu1000)
        return serial("4800", "8", "2", "N", "00 00 00 02 10", "", true);
    if (type == FTdx9000) {
        RigTypeDefaults d;
        d.baud = QStringLiteral("4800");
        d.frequencyPoll = QStringLiteral("FA;");
        d.modePoll = QStringLiteral("MD0;");
        return d;
    }
    return {}; // None, Pegasus, Other, Hamlib: strings cleared, nothing else
}

bool isCivType(const QString& type)
{
    return type == Icom || type == Icom735 || type == OmniVI;
}

bool isKenwoodType(const QString& type)
{
    return type == Kenwood || type == Elecraft;
}

bool isYaesuBinaryType(const QString& type)
{
    return type.left(5) == QLatin1String("Yaesu") && type != FTdx9000;
}

bool usesSerialPort(const QString& type)
{
    return type != None && type != Pegasus && type != Hamlib;
}

bool showsIcomNote(const QString& type)
{
    return type == Icom || type == Icom735;
}

} // namespace zelq
