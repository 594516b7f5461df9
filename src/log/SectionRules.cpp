#include "log/SectionRules.h"

#include "log/CountryLookup.h"
#include "log/SectionTable.h"

namespace zelq {

SectionCheckResult CheckSectionValid(const QString& spc, const QString& continentLabel)
{
    SectionCheckResult r;
    if (SectionTable::indexOf(spc) > 0) {
        r.invalid = false;
        if (continentLabel.isEmpty())
            r.continent = QStringLiteral("NA");
    }
    return r;
}

bool isCountryMultiplier(const QString& spc, const QString& continent)
{
    if (spc.size() <= 3 || continent.compare(QLatin1String("NA"), Qt::CaseInsensitive) != 0
        || spc.compare(NotFoundText, Qt::CaseInsensitive) == 0)
        return false;
    for (const char* own : {"Hawaii", "Alaska", "Canada", "USA"})
        if (spc.compare(QLatin1String(own), Qt::CaseInsensitive) == 0)
            return false;
    return true;
}

bool newCountryIndicator(const QString& spc, const QString& continentLabel,
                         const QStringList& workedOnBand)
{
    return isCountryMultiplier(spc, continentLabel) && !workedOnBand.contains(spc, Qt::CaseInsensitive);
}

} // namespace zelq
