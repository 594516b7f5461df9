#include "spots/SpotLine.h"

#include "settings/QuotedFile.h"

#include <QRegularExpression>

namespace zelq {

bool isSpotLine(const QString& line)
{
    return line.left(2).compare(QLatin1String("DX"), Qt::CaseInsensitive) == 0;
}

std::optional<SpotFields> parseSpotLine(const QString& line)
{
    if (!isSpotLine(line))
        return std::nullopt;
    SpotFields f{line.mid(15, 9).trimmed(), line.mid(26, 13).trimmed()};
    if (isNumericText(f.frequency) && !f.call.isEmpty() && !f.call.contains(QLatin1Char(' ')))
        return f;
    static const QRegularExpression fields(
        QStringLiteral("^DX\\s+de\\s+[^:\\s]+:\\s*(\\S+)\\s+(\\S+)"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = fields.match(line);
    if (m.hasMatch() && isNumericText(m.captured(1)))
        return SpotFields{m.captured(1), m.captured(2)};
    return f;
}

QString spotRecord(const QString& line)
{
    return line.mid(3).trimmed();
}

} // namespace zelq
