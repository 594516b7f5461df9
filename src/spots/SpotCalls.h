#pragma once
// What a spotted call is shown with: a short prefix label for the band
// maps and its country for the spot list.

#include <QString>

namespace zelq {

class PrefixTable;

// W1ABC → W1, VE3XYZ → VE3, VE3/W1ABC → VE3, W1ABC/4 → W4, W1ABC/P → P;
// calls shorter than three characters give empty text.
QString CallPrefix(const QString& call);

// The country of the longest table prefix the call begins with (a portable
// suffix of two or more characters, shorter than half the call, stands for
// the call); KG4 calls longer than five characters are "USA". Empty when
// nothing matches.
QString CountryyLookupForDXSpots(const PrefixTable& table, const QString& call);

} // namespace zelq
