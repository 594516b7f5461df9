#pragma once
// The logging band and the mode a frequency stands for. Both compare in
// single precision with both edges excluded.

#include <QString>

namespace zelq {

// "160", "80", "40", "20", "15" or "10"; empty on any other frequency
// (6 m and the WARC bands included: the band is then left as it is).
QString bandForFrequency(float mhz);

// "CW" or "PH" by the band segment; empty outside every segment and on
// an edge itself (the caller keeps its mode).
QString modeForFrequency(float mhz);

// The mode after applying the frequency rule to `mode`.
inline QString ModeFromFrequency(float mhz, const QString& mode)
{
    const QString m = modeForFrequency(mhz);
    return m.isEmpty() ? mode : m;
}

} // namespace zelq
