#pragma once
// The claimed score and the texts derived from the multiplier records:
// contacts, multipliers, score, the current band's multipliers, the
// country-list heading, a section's per-band breakdown and the band step.
// Everything here reads the in-memory log; nothing touches the database.

#include "log/ContactCache.h"
#include "log/MultiplierRecords.h"

#include <QString>
#include <QtGlobal>
#include <optional>

namespace zelq {

// Number of (band, section) pairs worked.
int SectionMultCount(const SectionWorkedFlags& flags);

// Section pairs plus the seven bands' country counts; empty when the sum
// does not fit a 32-bit count.
std::optional<int> totalMultipliers(const MultiplierRecords& records);

// Contacts × total multipliers; empty when the multiplier count overflows.
std::optional<qint64> claimedScore(const ContactCache& cache, const MultiplierRecords& records);

// Multipliers worked on one band: its worked sections plus its countries.
// Empty for a band that is none of the seven.
std::optional<int> bandMultipliers(const MultiplierRecords& records, const QString& band);

struct ScoreTexts {
    QString totCon;                // contacts, "###,##0"
    QString sectogo;               // total multipliers, plain integer
    QString totScore;              // claimed score, "###,###,###,##0"
    std::optional<QString> label4; // current band's multipliers; empty: leave as shown
};

// The score displays for the current band. Empty when a count overflows:
// the caller keeps what it shows.
std::optional<ScoreTexts> Labeldisplay(const ContactCache& cache, const MultiplierRecords& records,
                                       const QString& band);

// "NA DX 20 - 3": the heading over a band's country list.
QString countryListHeading(const QString& band, int count);

// Per-band contact counts of section 1..63 on the six HF bands, two lines:
// " Texas    Total = 4" and "  160 = 1  80 = 0 …  10 = 0". Empty text for
// an index outside the table.
QString sectionBreakdown(const ContactCache& cache, int section);

// The band after `band` in the cycle 160, 80, 40, 20, 15, 10, 160; empty
// (nothing to do) for 6 m and for anything that is not a band.
QString nextBand(const QString& band);

} // namespace zelq
