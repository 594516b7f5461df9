#include "spots/SpotSettings.h"

#include "settings/QuotedFile.h"

#include <cmath>
#include <optional>

namespace zelq {

namespace {

std::optional<int> wholeNumber(const QString& text)
{
    const std::optional<double> v = parseNumber(text);
    if (!v || *v < -2147483648.0 || *v > 2147483647.0)
        return std::nullopt;
    return int(std::lround(*v));
}

// An option value as the write form stores it; a number counts as well
// (non-zero is true), as a hand-edited file may hold one.
std::optional<bool> optionValue(const QString& text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("#TRUE#"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("#FALSE#"), Qt::CaseInsensitive) == 0)
        return false;
    if (const std::optional<double> v = parseNumber(t))
        return *v != 0;
    return std::nullopt;
}

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
    int count = 0;
    auto text = [&](QString& target) {
        std::optional<QString> f = reader.nextField();
        if (!f)
            return false;
        target = *f;
        ++count;
        return true;
    };
    auto number = [&](int& target) {
        std::optional<QString> f = reader.nextField();
        std::optional<int> n = f ? wholeNumber(*f) : std::nullopt;
        if (!n)
            return false;
        target = *n;
        ++count;
        return true;
    };
    auto option = [&](bool& target) {
        std::optional<QString> f = reader.nextField();
        std::optional<bool> b = f ? optionValue(*f) : std::nullopt;
        if (!b)
            return false;
        target = *b;
        ++count;
        return true;
    };
    text(s.baud) && text(s.parity) && text(s.dataBits) && text(s.stopBits) && number(s.comPort)
        && text(s.power) && text(s.source) && number(s.convertToHex) && number(s.handshaking)
        && number(s.dxOnly) && option(s.showList) && text(s.commandChar) && text(s.telnetPort)
        && text(s.telnetHost) && text(s.loginCall) && text(s.agwHost) && number(s.agwPort);
    if (s.agwPort < 1 || s.agwPort > 65535)
        s.agwPort = SpotSettings().agwPort;
    return count;
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
