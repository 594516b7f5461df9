#include "spots/SpotStore.h"

#include "core/Clock.h"
#include "settings/QuotedFile.h"
#include "spots/SpotCalls.h"
#include "spots/SpotLine.h"

namespace zelq {

SpotStore::SpotStore(const PrefixTable& table, const Clock& c) : prefixes(table), clock(c) {}

void SpotStore::AddSpot(const QString& frequency, const QString& call, const QString& line)
{
    if (spotArrived)
        spotArrived();
    BandMapSpots(call, frequency, spotRecord(line));
}

void SpotStore::BandMapSpots(const QString& call, const QString& frequency, const QString& record)
{
    if (ownCall && !call.isEmpty() && call.compare(ownCall().trimmed(), Qt::CaseInsensitive) == 0) {
        if (spotted)
            spotted(record);
    }
    const std::optional<double> khz = parseNumber(frequency);
    if (!khz)
        return;
    QString rec = record;
    if (const qsizetype cr = rec.indexOf(QLatin1Char('\r')); cr >= 0)
        rec.truncate(cr);
    const float mhz = float(*khz / 1000.0);

    for (int i = 1; i < SpotSlots; ++i) {
        SpotSlot& to = ring[size_t(i - 1)];
        SpotSlot& from = ring[size_t(i)];
        to.call = std::move(from.call);
        to.frequency = from.frequency;
        to.time = from.time;
        to.arrivedMs = from.arrivedMs;
        to.prefix = std::move(from.prefix);
    }
    SpotSlot& newest = ring[SpotSlots - 1];
    newest.call = call;
    newest.frequency = mhz;
    newest.time = clock.localNow();
    newest.arrivedMs = clock.monotonicMs();
    newest.prefix = CallPrefix(call);
    // An older spot of the same call leaves the maps (slot 0 is not searched).
    for (int i = SpotSlots - 2; i >= 1; --i) {
        if (ring[size_t(i)].call.compare(call, Qt::CaseInsensitive) == 0) {
            ring[size_t(i)].frequency = 0;
            break;
        }
    }
    if (slotsChanged)
        slotsChanged();

    SpotListRow row;
    row.call = call;
    row.mhz = mhz;
    row.frequency = formatSingle(mhz);
    row.qth = CountryyLookupForDXSpots(prefixes, call);
    row.comments = rec.left(11).trimmed() + QStringLiteral("  ") + rec.mid(34, 25).trimmed();
    row.prefix = rec.mid(61, 5).trimmed();
    row.time = rec.mid(67, 4);
    row.from = rec.mid(72, 4).trimmed();
    row.worked = worked(call, mhz);
    while (rows.size() >= size_t(SpotListRows))
        rows.pop_back();
    rows.push_front(std::move(row));
    if (rowAdded)
        rowAdded(rows.front());
}

void SpotStore::removeSlot(int i)
{
    if (i >= 0 && i < SpotSlots)
        ring[size_t(i)].frequency = 0;
}

bool SpotStore::worked(const QString& call, float mhz) const
{
    return workedOnBand && workedOnBand(call, mhz);
}

bool SpotStore::slotWorked(int i) const
{
    const SpotSlot& s = ring[size_t(i)];
    return s.frequency != 0 && worked(s.call, s.frequency);
}

void SpotStore::refreshWorked()
{
    bool changed = false;
    for (SpotListRow& r : rows) {
        const bool w = worked(r.call, r.mhz);
        changed = changed || w != r.worked;
        r.worked = w;
    }
    if (changed && marksChanged)
        marksChanged();
}

} // namespace zelq
