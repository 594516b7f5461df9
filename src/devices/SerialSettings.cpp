#include "devices/SerialSettings.h"

#include <QStringList>

namespace zelq {

std::optional<SerialSettings> parseSerialSettings(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;
    SerialSettings s;
    bool ok = false;
    s.baud = parts[0].trimmed().toInt(&ok);
    if (!ok || s.baud < 50 || s.baud > 4000000)
        return std::nullopt;

    const QString parity = parts[1].trimmed().toUpper();
    if (parity == QLatin1String("N"))
        s.parity = Parity::None;
    else if (parity == QLatin1String("O"))
        s.parity = Parity::Odd;
    else if (parity == QLatin1String("E"))
        s.parity = Parity::Even;
    else
        return std::nullopt;

    s.dataBits = parts[2].trimmed().toInt(&ok);
    if (!ok || (s.dataBits != 7 && s.dataBits != 8))
        return std::nullopt;
    s.stopBits = parts[3].trimmed().toInt(&ok);
    if (!ok || (s.stopBits != 1 && s.stopBits != 2))
        return std::nullopt;
    return s;
}

QString serialSettingsText(const SerialSettings& s)
{
    const char parity = s.parity == Parity::Odd ? 'O' : s.parity == Parity::Even ? 'E' : 'N';
    return QStringLiteral("%1,%2,%3,%4")
        .arg(s.baud)
        .arg(QLatin1Char(parity))
        .arg(s.dataBits)
        .arg(s.stopBits);
}

} // namespace zelq
