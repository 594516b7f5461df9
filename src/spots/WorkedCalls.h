#pragma once
// The calls of the log per band, so that a spot of a station already worked
// on its band is marked as such.

#include <QSet>
#include <QString>
#include <array>

namespace zelq {

class ContactCache;

class WorkedCalls {
public:
    void rebuild(const ContactCache& cache);
    // Whether `call` (any case) is in the log on the band of `mhz`.
    bool workedOn(const QString& call, float mhz) const;

private:
    std::array<QSet<QString>, 8> byBand; // band index 1..7
};

} // namespace zelq
