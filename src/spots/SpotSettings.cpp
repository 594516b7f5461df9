#include "spots/SpotSettings.h"

#include "settings/QuotedFile.h"

#include <optional>

namespace zelq {

namespace {

QuotedWriter spotSettingsWriter(const SpotSettings& s)
{
    QuotedWriter w;
    w.text(s.baud)
        .text(s.parity)
        .text(s.dataBits)
        .text(s.stopBits)
        .number(s.comPort)
        .text(s.power)
        .text(s.source)
        .number(s.convertToHex)
        .number(s.handshaking)
        .number(s.dxOnly)
        .rawLine(s.showList ? QStringLiteral("#TRUE#") : QStringLiteral("#FALSE#"))
        .text(s.commandChar)
        .text(s.telnetPort)
        .text(s.telnetHost)
        .text(s.loginCall)
        .text(s.agwHost)
        .number(s.agwPort);
    return w;
}

} // namespace

int readSpotSettings(const QString& path, SpotSettings& s)
{
    QuotedReader reader(path);
    if (!reader.isOpen())
        return 0;
    SettingsFields f(reader);
    f.text(s.baud) && f.text(s.parity) && f.text(s.dataBits) && f.text(s.stopBits)
        && f.number(s.comPort) && f.text(s.power) && f.text(s.source) && f.number(s.convertToHex)
        && f.number(s.handshaking) && f.number(s.dxOnly) && f.option(s.showList)
        && f.text(s.commandChar) && f.text(s.telnetPort) && f.text(s.telnetHost)
        && f.text(s.loginCall) && f.text(s.agwHost) && f.number(s.agwPort);
    if (s.agwPort < 1 || s.agwPort > 65535)
        s.agwPort = SpotSettings().agwPort;
    return f.count();
}

QString spotSettingsText(const SpotSettings& s)
{
    return spotSettingsWriter(s).content();
}

bool saveSpotSettings(const QString& path, const SpotSettings& s, QString* error)
{
    return spotSettingsWriter(s).save(path, error);
}

} // namespace zelq
