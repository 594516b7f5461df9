#pragma once
// "BandPlan.txt": a leading field (the date the plan is valid from), then
// records of five fields - band, class, mode, lower edge, upper edge (MHz).
// Each band's "O" record (its overall edges) comes first, then that band's
// privilege segments of every class ("N", "T", "P", "G", "A", "E"). Mode
// "CW" is a CW segment; any other text is phone.

#include <QList>
#include <QString>

namespace zelq {

struct BandPlanRecord {
    QString band;
    QString licenceClass;
    QString mode;
    double lower = 0;
    double upper = 0;
};

struct BandPlanFile {
    bool ok = false;          // read whole, every number a number
    QString effective;        // the leading field
    QList<BandPlanRecord> records;
};

inline const QString BandPlanFileName = QStringLiteral("BandPlan.txt");
// The plan holds at most this many records; the rest are not read.
constexpr int MaxBandPlanRecords = 200;

// The whole file for the chart: ok is false when it is missing, a number
// does not read, or the last record is cut short.
BandPlanFile readBandPlanFile(const QString& path);
BandPlanFile parseBandPlan(const QString& text);

// The rig's table: the class "E" rows only. A field that does not read
// counts as empty (or 0), so a broken row simply never matches.
QList<BandPlanRecord> LoadBandPlan(const QString& path);
QList<BandPlanRecord> extraRows(const QString& text);

// The mode the plan prescribes at `mhz` (strict edges, first row in file
// order): empty on 160 m or outside every row; "CW" (or the row's text)
// as it is; "PH" becomes "LSB" on 80 and 40 m and "USB" elsewhere,
// 60 m included (its channels are upper sideband).
QString BandPlanMode(const QList<BandPlanRecord>& rows, float mhz);

} // namespace zelq
