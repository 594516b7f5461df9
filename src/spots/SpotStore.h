#pragma once
// The spots the log window keeps: the 50 most recent in a fixed ring that
// feeds both band maps (slot 49 the newest, slot 0 the oldest; a removed
// spot keeps its slot with frequency 0), and the spot list, newest first,
// at most 200 rows, each with its country. A spot of the station's own
// call raises an alert.

#include <QDateTime>
#include <QString>
#include <array>
#include <deque>
#include <functional>

namespace zelq {

class Clock;
class PrefixTable;

struct SpotSlot {
    QString call;
    float frequency = 0;   // MHz; 0: removed or never filled
    QDateTime time;        // local time of arrival
    qint64 arrivedMs = 0;  // monotonic time of arrival, for its age
    QString prefix;        // CallPrefix(call)
};

struct SpotListRow {
    QString call;
    QString frequency;     // MHz
    float mhz = 0;
    QString qth;
    QString status;
    QString comments;
    QString prefix;
    QString time;
    QString from;
    bool worked = false;   // already worked on the spot's band
};

inline constexpr int SpotSlots = 50;
inline constexpr int SpotListRows = 200;

class SpotStore {
public:
    SpotStore(const PrefixTable& prefixes, const Clock& clock);

    // A spot line's frequency (kHz text), call and the line itself.
    void AddSpot(const QString& frequency, const QString& call, const QString& line);
    // Stores one spot; `record` is the line without its "DX".
    void BandMapSpots(const QString& call, const QString& frequency, const QString& record);

    const std::array<SpotSlot, SpotSlots>& allSlots() const { return ring; }
    const SpotSlot& slot(int i) const { return ring[size_t(i)]; }
    // A left click on a band-map label: the spot is gone from both maps.
    void removeSlot(int i);

    // Newest first.
    const std::deque<SpotListRow>& list() const { return rows; }

    // The marks of calls already worked on their band, taken again (after
    // the log changed).
    void refreshWorked();
    bool slotWorked(int i) const;

    // The station's own call, for the alert.
    std::function<QString()> ownCall;
    // Whether `call` was worked on the band of `mhz`.
    std::function<bool(const QString& call, float mhz)> workedOnBand;
    // Someone spotted the station: the record of that spot.
    std::function<void(const QString& record)> spotted;
    // After a spot was stored: the maps are redrawn.
    std::function<void()> slotsChanged;
    // After a row went to the top of the list (and the 201st went away).
    std::function<void(const SpotListRow& row)> rowAdded;
    // After the worked marks of the list changed.
    std::function<void()> marksChanged;
    // Every spot received (the spotting window's label timer restarts).
    std::function<void()> spotArrived;

private:
    bool worked(const QString& call, float mhz) const;

    const PrefixTable& prefixes;
    const Clock& clock;
    std::array<SpotSlot, SpotSlots> ring;
    std::deque<SpotListRow> rows;
};

// The spotting window's 333 ms tick count: every 361st tick the band map is
// redrawn so that its colours age without new spots; a spot starts the
// count again.
class BandMapTicker {
public:
    bool tick()
    {
        if (++count > 360) {
            count = 0;
            return true;
        }
        return false;
    }
    void reset() { count = 0; }
    int value() const { return count; }

private:
    int count = 0;
};

} // namespace zelq
