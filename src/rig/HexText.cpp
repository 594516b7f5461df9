#include "rig/HexText.h"

namespace zelq {

std::optional<QByteArray> HexTextToBytes(const QString& text, int maxBytes)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); i += 3) {
        if (maxBytes >= 0 && out.size() >= maxBytes)
            break;
        const QString pair = text.mid(i, 2).trimmed();
        bool ok = false;
        const uint value = pair.toUInt(&ok, 16);
        if (!ok || pair.isEmpty() || pair.startsWith(QLatin1Char('+'))
            || pair.startsWith(QLatin1Char('-')))
            return std::nullopt;
        out.append(char(value));
    }
    return out;
}

QString hexDigits(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

QString hexDisplay(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size() * 3);
    for (char c : bytes) {
        out += QString::fromLatin1(QByteArray(1, c).toHex().toUpper());
        out += QLatin1Char(' ');
    }
    return out;
}

} // namespace zelq
