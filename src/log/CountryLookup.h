#pragma once
// Resolving the call being typed to its country and continent. The result
// says what the S/P/C field and the continent, bearing and distance labels
// receive; a field left as nullopt keeps whatever it shows.

#include "log/BearingDistance.h"
#include "log/PrefixTable.h"

#include <optional>

namespace zelq {

inline const QString NotFoundText = QStringLiteral("Not Found");

struct CountryLookupResult {
    std::optional<QString> spc;
    std::optional<QString> continent;
    std::optional<QString> bearing;
    std::optional<QString> miles;
    bool selectSpc = false; // select the whole S/P/C so typing replaces it

    // Applies the result to the texts of the field and labels.
    void applyTo(QString& spcText, QString& continentText, QString& bearingText,
                 QString& milesText) const;
};

// The part of the call that names the country: a portable suffix of more
// than one character and less than half the call (W1AW/KH6 → KH6), else the
// whole call (W1AW/3, VE3/W1AW, W1AW/P stay whole).
QString countryPartOfCall(const QString& call);

// Row of the longest prefix that begins `callPart`, or 0. Among equal
// lengths the first one met wins.
int longestPrefixRow(const PrefixTable& table, const QString& callPart);

// Call → S/P/C, continent, bearing and distance. `spcText` is what the
// S/P/C field holds now.
CountryLookupResult LookupCallCountry(const PrefixTable& table, const QString& call,
                                      const QString& spcText, const StationPosition& station);

} // namespace zelq
