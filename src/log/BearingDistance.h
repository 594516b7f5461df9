#pragma once
// Great-circle bearing and distance from the station to a contact, as the
// log window shows them under "Bearing" and "Miles".

#include <QString>

namespace zelq {

// The station's own position from the station setup.
struct StationPosition {
    double latitude = 0;  // degrees, positive north
    double longitude = 0; // degrees, positive west
};

struct BearingDistance {
    QString bearing; // " " + degrees as "###"; empty when it cannot be computed
    QString miles;   // " " + statute miles as "##,###"; empty likewise
};

// Both texts are empty when the contact lies at the station's own position
// or at its antipode, or when a coordinate is not a number.
BearingDistance HDCalc(double latitude, double longitude, const StationPosition& station);

} // namespace zelq
