#pragma once
// Checks on the S/P/C entry: is a short entry a known section, and is a
// North-American country new on this band.

#include <QString>
#include <QStringList>
#include <optional>

namespace zelq {

inline const QString InvalidSectionMessage = QStringLiteral("Invald Section!");

struct SectionCheckResult {
    bool invalid = true;
    // "NA" when a valid section was entered with the continent label empty.
    std::optional<QString> continent;
};

// For entries shorter than four characters; longer ones are country names
// and are not checked here.
SectionCheckResult CheckSectionValid(const QString& spc, const QString& continentLabel);

// Whether a contact counts as a country multiplier: continent "NA" and an
// S/P/C longer than three characters, other than the USA, Canada, Alaska,
// Hawaii and "Not Found" (compared without case). Live logging and every
// reload apply this one rule, so the score is the same after a restart.
bool isCountryMultiplier(const QString& spc, const QString& continent);

// Whether the "New" label shows: a North-American country (not the USA,
// Canada, Alaska or Hawaii) that is not yet among `workedOnBand`.
bool newCountryIndicator(const QString& spc, const QString& continentLabel,
                         const QStringList& workedOnBand);

} // namespace zelq
