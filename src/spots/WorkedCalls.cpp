#include "spots/WorkedCalls.h"

#include "log/Bands.h"
#include "log/ContactCache.h"
#include "spots/BandMapLayout.h"

namespace zelq {

void WorkedCalls::rebuild(const ContactCache& cache)
{
    for (int b = 1; b <= BandCount; ++b) {
        QSet<QString>& set = byBand[size_t(b)];
        set.clear();
        for (int row : cache.rowsOnBand(b))
            set.insert(cache.row(row).calls.trimmed().toUpper());
    }
}

bool WorkedCalls::workedOn(const QString& call, float mhz) const
{
    const int b = bandIndex(logBandOfSpot(mhz));
    return b >= 1 && byBand[size_t(b)].contains(call.trimmed().toUpper());
}

} // namespace zelq
