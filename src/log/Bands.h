#pragma once
// The contest bands. A band is the text of its wavelength in metres; arrays
// kept per band use the index 1 = "160" … 6 = "10", 7 = "6".

#include <QString>
#include <QStringList>

namespace zelq {

inline constexpr int BandCount = 7;

// "160", "80", "40", "20", "15", "10", "6", in index order 1..7.
const QStringList& bandTexts();

// 1..7 for a band text (case-insensitive), 0 for anything else.
int bandIndex(const QString& band);

// The band text of index 1..7; empty for any other index.
QString bandText(int index);

// Bands the operator may choose (the six HF bands; 6 m is data only).
bool isSelectableBand(const QString& band);

} // namespace zelq
