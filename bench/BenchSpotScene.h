#pragma once
// What the spot benches drive: the prefix table, the spot store and the
// log window's spot list and band map (20 m), shown off screen and fed by
// the store as in the program.

#include "core/Clock.h"
#include "log/PrefixTable.h"
#include "spots/BandMapLayout.h"
#include "spots/SpotStore.h"
#include "ui/BandMapView.h"
#include "ui/SpotListView.h"
#include "zelq_build_info.h"

namespace zelq::bench {

struct SpotScene {
    PrefixTable table = PrefixTable::fromFile(QStringLiteral(ZELQ_SOURCE_DATA_DIR "/arrlpre2.txt"));
    SystemClock clock;
    SpotStore store{table, clock};
    SpotListView list;
    BandMapView map;

    SpotScene()
    {
        list.resize(900, 300);
        map.resize(900, 80);
        list.show();
        map.show();
        store.ownCall = [] { return QStringLiteral("W1AW"); };
        store.rowAdded = [this](const SpotListRow& r) { list.addRow(r); };
        store.slotsChanged = [this] {
            AxisScale scale;
            auto placed = placeBandMap(store, QStringLiteral("20"), clock.monotonicMs(), 0, &scale);
            map.setMap({scale}, std::move(placed));
        };
    }
};

} // namespace zelq::bench
