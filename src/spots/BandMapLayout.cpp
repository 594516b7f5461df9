#include "spots/BandMapLayout.h"

#include "spots/SpotStore.h"

#include <cmath>

namespace zelq {

namespace {

struct NamedRange {
    const char* band;
    FrequencyRange range;
};

constexpr std::array<NamedRange, 10> mainRanges{{
    {"160", {1.8, 2}},
    {"80", {3.5, 4}},
    {"40", {7, 7.3}},
    {"20", {14, 14.35}},
    {"15", {21, 21.45}},
    {"10", {28, 29.7}},
    {"6", {50, 54}},
    {"2", {144, 148}},
    {"1.25", {219, 225}},
    {"440", {420, 450}},
}};

QString scaleText(double mhz)
{
    return QString::number(std::round(mhz * 1000.0) / 1000.0, 'f', 3);
}

} // namespace

std::optional<FrequencyRange> bandMapRange(const QString& band)
{
    for (const NamedRange& r : mainRanges)
        if (band.trimmed() == QLatin1String(r.band))
            return r.range;
    return std::nullopt;
}

QString logBandOfSpot(double mhz)
{
    for (int i = 0; i < 7; ++i)
        if (mainRanges[size_t(i)].range.holds(mhz))
            return QString::fromLatin1(mainRanges[size_t(i)].band);
    return QString();
}

const std::array<FrequencyRange, SpectrumAxes>& spectrumAxes()
{
    static const std::array<FrequencyRange, SpectrumAxes> axes{{
        {1.8, 2},
        {3.5, 4},
        {7, 7.3},
        {10.1, 10.15},
        {14, 14.35},
        {18.068, 18.168},
        {21, 21.45},
        {24.89, 24.99},
        {28, 29.7},
        {50, 54},
        {144, 148},
    }};
    return axes;
}

AxisScale SetBandMapScale(const FrequencyRange& band, const SpotStore& store)
{
    double low = band.low, high = band.high;
    std::optional<double> lowest, highest;
    for (int i = 1; i < SpotSlots; ++i) {
        const double f = store.slot(i).frequency;
        if (!band.holds(f))
            continue;
        if (!lowest || f < *lowest)
            lowest = f;
        if (!highest || f > *highest)
            highest = f;
    }
    if (lowest && highest && *highest > *lowest) {
        low = *lowest - 0.001;
        high = *highest + 0.001;
    }
    AxisScale s;
    for (int i = 0; i < 5; ++i)
        s.labels.append(scaleText(low + i * 0.25 * (high - low)));
    s.range = {s.labels.first().toDouble(), s.labels.last().toDouble()};
    return s;
}

std::optional<LabelColour> ageColour(qint64 ageSeconds)
{
    if (ageSeconds < 600)
        return LabelColour{255, 255, 128};
    if (ageSeconds < 1800)
        return LabelColour{255, 255, 255};
    if (ageSeconds < 3600)
        return LabelColour{192, 192, 192};
    return std::nullopt;
}

std::vector<PlacedSpot> placeSpots(const SpotStore& store, const std::vector<AxisScale>& scales,
                                   const std::vector<FrequencyRange>& inRange, qint64 nowMs,
                                   double utcOffsetHours)
{
    std::vector<PlacedSpot> placed;
    const qint64 offsetMinutes = std::llround(utcOffsetHours * 60.0);
    for (int i = SpotSlots - 1; i >= 0; --i) {
        const SpotSlot& s = store.slot(i);
        const double f = s.frequency;
        for (size_t k = 0; k < scales.size() && k < inRange.size(); ++k) {
            if (!inRange[k].holds(f))
                continue;
            const std::optional<LabelColour> colour = ageColour((nowMs - s.arrivedMs) / 1000);
            if (!colour)
                return placed; // this one and every older spot have expired
            const FrequencyRange& r = scales[k].range;
            PlacedSpot p;
            p.slot = i;
            p.axis = int(k);
            p.position = r.high > r.low ? (f - r.low) / (r.high - r.low) : 0.5;
            p.caption = s.prefix;
            p.toolTip = s.call + QStringLiteral("  ") + QString::number(f, 'f', 3) + QStringLiteral("  ")
                        + s.time.addSecs(offsetMinutes * 60).toString(QStringLiteral("hh:mm:ss"));
            p.colour = *colour;
            p.worked = store.slotWorked(i);
            placed.push_back(std::move(p));
            break;
        }
    }
    return placed;
}

std::vector<PlacedSpot> placeBandMap(const SpotStore& store, const QString& band, qint64 nowMs,
                                     double utcOffsetHours, AxisScale* scale)
{
    const std::optional<FrequencyRange> range = bandMapRange(band);
    if (!range)
        return {};
    const AxisScale s = SetBandMapScale(*range, store);
    if (scale)
        *scale = s;
    return placeSpots(store, {s}, {s.range}, nowMs, utcOffsetHours);
}

std::vector<PlacedSpot> placeSpectrumMap(const SpotStore& store, qint64 nowMs, double utcOffsetHours,
                                         std::vector<AxisScale>* scales)
{
    std::vector<AxisScale> all;
    std::vector<FrequencyRange> fixed;
    for (const FrequencyRange& r : spectrumAxes()) {
        all.push_back(SetBandMapScale(r, store));
        fixed.push_back(r);
    }
    if (scales)
        *scales = all;
    return placeSpots(store, all, fixed, nowMs, utcOffsetHours);
}

} // namespace zelq
