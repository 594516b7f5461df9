#include "ui/BandPlanChart.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

namespace zelq {

QString privilegeNumber(double mhz)
{
    const QString fixed = QString::number(mhz, 'f', 3);
    const qsizetype dot = fixed.indexOf(QLatin1Char('.'));
    QString whole = fixed.left(dot);
    const bool negative = whole.startsWith(QLatin1Char('-'));
    if (negative)
        whole.remove(0, 1);
    for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
        whole.insert(i, QLatin1Char(','));
    return (negative ? QStringLiteral("-") : QString()) + whole + fixed.mid(dot);
}

QList<ChartItem> chartLayout(const QList<BandPlanRecord>& records, const QString& cls,
                             QSizeF size, double top)
{
    const QLatin1String overall("O");
    // The bands whose "O" record is followed by a record of this class.
    struct Band {
        QString name;
        double lo, hi;
    };
    QList<Band> bands;
    for (qsizetype i = 0; i < records.size(); ++i) {
        const BandPlanRecord& o = records[i];
        if (o.licenceClass != overall)
            continue;
        bool has = false;
        for (qsizetype j = i + 1; j < records.size() && records[j].band == o.band; ++j)
            has = has || records[j].licenceClass == cls;
        if (has && bands.size() < MaxChartBands)
            bands.append({o.band, o.lower, o.upper});
    }
    QList<ChartItem> items;
    const double w = size.width();
    const double h = size.height() + top;
    const int n = int(bands.size());
    if (n == 0)
        return items;
    const double pitch = 0.8 * (h - top) / n;
    int counter = 0;
    QList<QRectF> bars;
    for (int i = 0; i < n; ++i) {
        const Band& b = bands[i];
        const QRectF bar(0.10 * w, top + (i + 1) * pitch, 0.85 * w, 0.04 * h);
        const QString tip = b.name + QStringLiteral("  ") + privilegeNumber(b.lo)
            + QStringLiteral(" - ") + privilegeNumber(b.hi);
        ++counter;
        items.append({ChartItem::Bar, QStringLiteral("blbl%1").arg(counter), bar, b.name, tip, false});
        items.append({ChartItem::BandName, QStringLiteral("bnlb%1").arg(counter),
                      QRectF(0.04 * w, bar.top(), 0.05 * w, bar.height()), b.name, tip, false});
        bars.append(bar);
    }
    for (const BandPlanRecord& r : records) {
        if (r.licenceClass != cls)
            continue;
        for (int i = 0; i < n; ++i) {
            const Band& b = bands[i];
            if (b.name != r.band || b.hi <= b.lo)
                continue;
            const QRectF& bar = bars[i];
            const double left = bar.left() + bar.width() * (r.lower - b.lo) / (b.hi - b.lo);
            const double width = bar.width() * (r.upper - r.lower) / (b.hi - b.lo);
            const QString range = privilegeNumber(r.lower) + QStringLiteral(" - ") + privilegeNumber(r.upper);
            const bool cw = r.mode == QLatin1String("CW");
            ++counter;
            items.append({ChartItem::Segment, QStringLiteral("priv%1").arg(counter),
                          QRectF(left, bar.top(), width, bar.height()), range,
                          (cw ? QStringLiteral("CW  ") : QStringLiteral("PH  ")) + range, cw});
        }
    }
    return items;
}

BandPlanChart::BandPlanChart(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("chart"));
    setAccessibleName(QStringLiteral("Band chart"));
    setMinimumSize(480, 300);
    setMouseTracking(true);
}

void BandPlanChart::setPlan(const QList<BandPlanRecord>& r, const QString& c)
{
    records = r;
    cls = c;
    relayout();
}

void BandPlanChart::relayout()
{
    layoutItems = chartLayout(records, cls, QSizeF(size()), 0);
    update();
}

void BandPlanChart::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    relayout();
}

void BandPlanChart::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    QFont nameFont(QStringLiteral("Arial"));
    nameFont.setPointSizeF(8 * scale);
    nameFont.setBold(true);
    QFont segmentFont(QStringLiteral("Arial Narrow"));
    segmentFont.setPointSizeF(7 * scale);
    // Bars and names first, the segments in front of them.
    for (int pass = 0; pass < 2; ++pass) {
        for (const ChartItem& item : layoutItems) {
            if ((item.kind == ChartItem::Segment) != (pass == 1))
                continue;
            QColor back(Qt::black), fore(Qt::black);
            if (item.kind == ChartItem::BandName) {
                back = QColor(255, 255, 0);
                p.setFont(nameFont);
            } else if (item.kind == ChartItem::Segment) {
                back = item.cw ? QColor(0, 0, 255) : QColor(0, 255, 0);
                fore = item.cw ? QColor(Qt::white) : QColor(Qt::black);
                p.setFont(segmentFont);
            }
            const QRectF r = item.rect;
            p.fillRect(r, back);
            p.setPen(QPen(Qt::black, 1));
            p.drawRect(r.adjusted(0, 0, -1, -1));
            // A caption too long for a narrow segment is left to its tool tip.
            if (p.fontMetrics().horizontalAdvance(item.caption) > r.width() - 2)
                continue;
            p.setPen(fore);
            p.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, item.caption);
        }
    }
}

bool BandPlanChart::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        // The frontmost item under the pointer: segments lie over the bars.
        QString tip;
        for (const ChartItem& item : layoutItems)
            if (item.rect.contains(help->pos()) && (tip.isEmpty() || item.kind == ChartItem::Segment))
                tip = item.toolTip;
        if (tip.isEmpty())
            QToolTip::hideText();
        else // the file's text, never markup; its double spaces kept
            QToolTip::showText(help->globalPos(),
                               QStringLiteral("<p style='white-space:pre'>%1</p>").arg(tip.toHtmlEscaped()),
                               this);
        return true;
    }
    return QWidget::event(event);
}

} // namespace zelq
