#pragma once
// Where the band maps draw the spots of the ring: the frequency range of
// each axis, its scale (zoomed to the spots on it), the label of each spot
// in range with its tool tip and its colour by age.

#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

namespace zelq {

class SpotStore;

struct FrequencyRange {
    double low = 0;
    double high = 0;
    bool holds(double mhz) const { return low < mhz && mhz < high; }
};

// The log window's band map by the logging band ("160" … "440").
std::optional<FrequencyRange> bandMapRange(const QString& band);
// The logging band a spot falls in ("160" … "6"), else empty.
QString logBandOfSpot(double mhz);

inline constexpr int SpectrumAxes = 11;
// The spectrum map's axes, 160 m to 2 m.
const std::array<FrequencyRange, SpectrumAxes>& spectrumAxes();

struct AxisScale {
    FrequencyRange range; // as read back from the outer labels
    QStringList labels;   // five, "#.000", left edge to right edge
};

// The band edges, or the in-band spots of slots 1..49 with a kHz to spare
// when there are at least two different frequencies.
AxisScale SetBandMapScale(const FrequencyRange& band, const SpotStore& store);

struct LabelColour {
    int r = 0, g = 0, b = 0;
    bool operator==(const LabelColour&) const = default;
};

// The colour of a spot's label by its age; nullopt from an hour on.
std::optional<LabelColour> ageColour(qint64 ageSeconds);

struct PlacedSpot {
    int slot = 0;
    int axis = 0;
    double position = 0; // 0..1 along the axis
    QString caption;     // the prefix
    QString toolTip;     // call, frequency, UTC time of arrival
    LabelColour colour;
    bool worked = false;
};

// The labels to draw, newest first: slots whose frequency lies inside the
// axis; an expired spot in range ends the list (it and all older ones are
// not drawn). `inRange` picks the range a spot must lie in per axis (the
// log window: the zoomed scale; the spectrum map: the band's own range).
std::vector<PlacedSpot> placeSpots(const SpotStore& store, const std::vector<AxisScale>& scales,
                                   const std::vector<FrequencyRange>& inRange, qint64 nowMs,
                                   double utcOffsetHours);

// The log window's map for `band`; empty when the band has no range.
std::vector<PlacedSpot> placeBandMap(const SpotStore& store, const QString& band, qint64 nowMs,
                                     double utcOffsetHours, AxisScale* scale = nullptr);
// The spectrum map's eleven axes.
std::vector<PlacedSpot> placeSpectrumMap(const SpotStore& store, qint64 nowMs, double utcOffsetHours,
                                         std::vector<AxisScale>* scales = nullptr);

} // namespace zelq
