#include "log/CountryLookup.h"

#include "log/PrefixOrder.h"

#include <algorithm>

namespace zelq {

namespace {

bool sameText(const QString& a, QLatin1String b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool isUsaOrCanada(const QString& country)
{
    return sameText(country, QLatin1String("USA")) || sameText(country, QLatin1String("Canada"));
}

// Where to start scanning: the table's share of the alphabet up to the
// call's first character, backed off to before the first row that shares it.
int startRow(const PrefixTable& table, QChar firstChar, char16_t key)
{
    const int n = table.count();
    const int k = std::max<int>(firstChar.unicode(), 65);
    // Characters past "Z" (lower case, accented) would point beyond the
    // table; so would a table shorter than the alphabet point before it.
    int start = std::clamp(int(qint64(n) * (k - 64) / 26), 1, n);
    while (table.firstKey(start) == key && start > 1)
        start = std::max(start - 5, 1);
    return start;
}

} // namespace

void CountryLookupResult::applyTo(QString& spcText, QString& continentText, QString& bearingText,
                                  QString& milesText) const
{
    if (spc)
        spcText = *spc;
    if (continent)
        continentText = *continent;
    if (bearing)
        bearingText = *bearing;
    if (miles)
        milesText = *miles;
}

QString countryPartOfCall(const QString& call)
{
    const qsizetype slash = call.indexOf(QLatin1Char('/'));
    if (slash < 0)
        return call;
    const qsizetype p = slash + 1; // 1-based position of the slash
    const qsizetype after = call.size() - p;
    if (after > 1 && after * 2 < call.size())
        return call.mid(p);
    return call;
}

int longestPrefixRow(const PrefixTable& table, const QString& callPart)
{
    if (table.isEmpty() || callPart.isEmpty())
        return 0;
    const QString c = callPart.toUpper();
    const char16_t key = prefixOrderKey(callPart.at(0));
    // The table is in prefix order, so the rows that can match all share the
    // call's first character and sit together: the longest match is the
    // longest beginning of the call that is a prefix of the table. Looking
    // each length up by bisection gives the same row as walking the block,
    // in a few hundred nanoseconds even for the large blocks (R, 3, B).
    const int start = startRow(table, callPart.at(0), key);
    const bool upwards = !(table.firstKey(start) > key);

    const auto below = [&](int row, QStringView probe) {
        return QStringView(table.upperPrefix(row)).compare(probe) < 0;
    };
    for (qsizetype len = std::min<qsizetype>(c.size(), table.longestPrefix()); len >= 1; --len) {
        const QStringView probe = QStringView(c).left(len);
        // first row not below the probe
        int lo = 1, hi = table.count() + 1;
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (below(mid, probe))
                lo = mid + 1;
            else
                hi = mid;
        }
        if (lo > table.count() || table.upperPrefix(lo) != probe)
            continue;
        if (upwards)
            return lo;
        // walking down, the last of equal prefixes is met first
        int last = lo;
        while (last < table.count() && table.upperPrefix(last + 1) == probe)
            ++last;
        return last;
    }
    return 0;
}

CountryLookupResult LookupCallCountry(const PrefixTable& table, const QString& call,
                                      const QString& spcText, const StationPosition& station)
{
    CountryLookupResult r;
    const QString part = countryPartOfCall(call);
    if (!part.isEmpty()) {
        int row = longestPrefixRow(table, part);
        QString country = row ? table.row(row).country : QString();
        const QString matchedCountry = country;
        if (isUsaOrCanada(country))
            row = 0; // a US or Canadian call: the operator gives the S/P/C

        // KG4 plus one or two letters is Guantanamo Bay; any other KG4 call is US.
        if (row && call.startsWith(QLatin1String("KG4"), Qt::CaseInsensitive)
            && (call.size() == 4 || call.size() > 5)) {
            country.clear();
            row = table.firstRowOfCountry(QStringLiteral("USA"));
            if (!row) {
                r.spc = QString();
                r.continent = r.bearing = r.miles = QString();
            }
        }

        if (row) {
            const PrefixRow& found = table.row(row);
            r.continent = found.continent;
            if (sameText(country, QLatin1String("Alaska")))
                r.spc = QStringLiteral("AK");
            else if (sameText(country, QLatin1String("Hawaii")))
                r.spc = QStringLiteral("HI");
            else
                r.spc = country;
            const BearingDistance bd = HDCalc(found.latitude, found.longitude, station);
            r.bearing = bd.bearing;
            r.miles = bd.miles;
        } else if (!r.spc) {
            if (!isUsaOrCanada(matchedCountry))
                r.spc = NotFoundText;
            else if (spcText.compare(NotFoundText, Qt::CaseInsensitive) == 0)
                r.spc = QString(); // our own "Not Found" from a shorter call (VY → VY2) is no entry

            r.bearing = r.miles = QString();
            r.continent = isUsaOrCanada(matchedCountry) ? QStringLiteral("NA") : QString();
        }
        r.selectSpc = true;
    }

    if (r.spc.value_or(spcText).compare(NotFoundText, Qt::CaseInsensitive) == 0)
        r.continent = r.bearing = r.miles = QString();
    return r;
}

} // namespace zelq
