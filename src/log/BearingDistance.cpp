#include "log/BearingDistance.h"

#include "core/NumberFormat.h"

#include <algorithm>
#include <cmath>

namespace zelq {

namespace {

constexpr double degreesPerRadian = 57.29577951;
constexpr double milesPerRadian = 3955.75791314991;

} // namespace

BearingDistance HDCalc(double latitude, double longitude, const StationPosition& station)
{
    const double D = degreesPerRadian;
    const double phi1 = station.latitude / D;
    const double phi2 = latitude / D;
    const double dLambda = (station.longitude - longitude) / D;

    // cosine of the central angle
    const double c = std::sin(phi2) * std::sin(phi1)
        + std::cos(phi2) * std::cos(phi1) * std::cos(dLambda);
    if (!std::isfinite(c))
        return {};
    // At the station's own position (or its antipode) there is no bearing;
    // the tolerance catches rounding that leaves c a hair below 1.
    if (1.0 - std::fabs(c) < 1e-12)
        return {};

    const double g = std::acos(c); // central angle, radians
    const double denominator = std::cos(phi1) * std::sin(g);
    // nor from a pole, where every direction is south
    if (std::fabs(std::cos(phi1)) < 1e-8 || denominator == 0 || !std::isfinite(denominator))
        return {};
    // Rounding can push a just past ±1 for a contact due north or south;
    // that is a bearing of 0 or 180, not an error.
    const double a = std::clamp((std::sin(phi2) - c * std::sin(phi1)) / denominator, -1.0, 1.0);
    const double b = std::acos(a) * D;
    const double bearing = std::sin(dLambda) > 0 ? b : 360.0 - b;
    const double miles = g * milesPerRadian;
    if (!std::isfinite(bearing) || !std::isfinite(miles))
        return {};

    return {QLatin1Char(' ') + formatPattern(bearing, u"###"),
            QLatin1Char(' ') + formatPattern(miles, u"##,###")};
}

} // namespace zelq
