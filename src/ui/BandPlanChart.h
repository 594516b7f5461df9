#pragma once
// The band plan chart of one licence class: a bar per band that class may
// use, its name beside it, and the class's segments on the bar (blue CW,
// green phone), placed in proportion to the band's overall edges. The
// layout is computed apart from the painting, so tests check it as data.

#include "rig/BandPlan.h"

#include <QColor>
#include <QList>
#include <QRectF>
#include <QWidget>

namespace zelq {

struct ChartItem {
    enum Kind { Bar, BandName, Segment } kind = Bar;
    QString name;      // "blbl1", "bnlb1", "priv1": running numbers
    QRectF rect;
    QString caption;
    QString toolTip;
    bool cw = false;   // segments: CW (blue) or phone (green)
};

// "#,###.##0": thousands separated, three decimals (7.000, 1,296.125).
QString privilegeNumber(double mhz);

// The chart of class `cls` in an area `size` big; bars start at `top`.
// At most MaxChartBands bars.
QList<ChartItem> chartLayout(const QList<BandPlanRecord>& records, const QString& cls,
                             QSizeF size, double top = 0);
constexpr int MaxChartBands = 20;

class BandPlanChart final : public QWidget {
    Q_OBJECT
public:
    explicit BandPlanChart(QWidget* parent = nullptr);

    void setPlan(const QList<BandPlanRecord>& records, const QString& cls);
    const QList<ChartItem>& items() const { return layoutItems; }
    // Font scale: the screen width against 640 pixels, at most 1.5.
    void setScale(double s) { scale = s; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    void relayout();

    QList<BandPlanRecord> records;
    QString cls;
    QList<ChartItem> layoutItems;
    double scale = 1;
};

} // namespace zelq
