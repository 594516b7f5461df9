#include "spots/SpotCalls.h"

#include "log/CountryLookup.h"
#include "log/PrefixTable.h"

namespace zelq {

QString CallPrefix(const QString& call)
{
    const qsizetype n = call.size();
    if (n < 3)
        return QString();
    qsizetype slash = 0;     // 1-based, 0: none
    qsizetype lastDigit = 0; // 1-based, 0: none
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = call.at(i);
        if (c == QLatin1Char('/'))
            slash = i + 1;
        else if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            lastDigit = i + 1;
    }
    const qsizetype end = lastDigit ? lastDigit : n;
    if (!slash)
        return call.left(end);
    // A slash before the middle: the part in front names the country.
    if (slash * 2 < n + 2)
        return call.left(slash - 1);
    const QString after = call.mid(slash).left(end);
    bool areaDigit = false;
    const int area = after.toInt(&areaDigit);
    if (areaDigit && !after.isEmpty()) {
        qsizetype firstDigit = 0;
        while (firstDigit < n && !call.at(firstDigit).isDigit())
            ++firstDigit;
        return call.left(firstDigit) + QString::number(area);
    }
    return after;
}

QString CountryyLookupForDXSpots(const PrefixTable& table, const QString& call)
{
    const QString upper = call.trimmed().toUpper();
    if (upper.isEmpty() || table.isEmpty())
        return QString();
    const int row = longestPrefixRow(table, countryPartOfCall(upper));
    if (!row)
        return QString();
    if (upper.startsWith(QLatin1String("KG4")) && upper.size() > 5)
        return QStringLiteral("USA");
    return table.row(row).country;
}

} // namespace zelq
