#pragma once
// The fixed columns of a cluster's spot line:
//
//   DX de K1TTT:     14025.0  W1AW         cq contest                 1234Z
//   1234567890123456789012345678901234567890123456789012345678901234567890
//
// The frequency stands in columns 16-24 and the call in 27-39. Clusters
// whose spotter calls are long shift the columns; a line whose columns do
// not give a number and a call without blanks is read by its fields: the
// two after "DX de SPOTTER:".

#include "settings/StationSetup.h" // isNumericText

#include <QString>
#include <optional>

namespace zelq {

struct SpotFields {
    QString frequency; // kHz, as text
    QString call;
};

// Whether the line is a spot (begins with "DX", any case).
bool isSpotLine(const QString& line);

// The frequency and call of a spot line; nullopt for a line that is no spot.
std::optional<SpotFields> parseSpotLine(const QString& line);

// The record kept of a spot: the line without "DX " and blanks around it.
QString spotRecord(const QString& line);

} // namespace zelq
