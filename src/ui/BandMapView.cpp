#include "ui/BandMapView.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

namespace zelq {

namespace {

constexpr int AxisHeight = 64; // room for the labels above and the scale below
constexpr int Margin = 36;

} // namespace

BandMapView::BandMapView(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAccessibleName(QStringLiteral("Band map"));
    setMinimumHeight(AxisHeight);
}

QSize BandMapView::sizeHint() const
{
    return {720, AxisHeight * int(std::max<size_t>(axes.size(), 1)) + 8};
}

void BandMapView::setMap(std::vector<AxisScale> scales, std::vector<PlacedSpot> spots, QStringList names)
{
    axes = std::move(scales);
    placed = std::move(spots);
    axisNames = std::move(names);
    hovered = -1;
    updateGeometry();
    update();
}

int BandMapView::axisLeft() const
{
    return axisNames.isEmpty() ? Margin : Margin + 40;
}

int BandMapView::axisRight() const
{
    return width() - Margin;
}

int BandMapView::axisY(int axis) const
{
    const int rows = int(std::max<size_t>(axes.size(), 1));
    const int band = height() / rows;
    // the labels stand above the line, the scale figures below it
    return axis * band + band * 5 / 8;
}

QRect BandMapView::rectOf(const PlacedSpot& s) const
{
    const QFontMetrics fm(font());
    const int w = fm.horizontalAdvance(s.caption.isEmpty() ? QStringLiteral("  ") : s.caption) + 8;
    const int h = fm.height() + 2;
    const int x1 = axisLeft(), x2 = axisRight();
    const int x = x1 + int(s.position * (x2 - x1)) - w / 2;
    const int top = axisY(s.axis) - h - int(0.004 * window()->height()); // a little gap above the line
    return {x, top, w, h};
}

QRect BandMapView::labelRect(int slot) const
{
    for (const PlacedSpot& s : placed)
        if (s.slot == slot)
            return rectOf(s);
    return {};
}

const PlacedSpot* BandMapView::spotAt(const QPoint& p) const
{
    // the newest is drawn last, on top: it is the one hit
    for (const PlacedSpot& s : placed)
        if (rectOf(s).contains(p))
            return &s;
    return nullptr;
}

void BandMapView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    const QFontMetrics fm(font());
    const int x1 = axisLeft(), x2 = axisRight();
    for (size_t k = 0; k < axes.size(); ++k) {
        const int y = axisY(int(k));
        p.setPen(QPen(Qt::black, 2));
        p.drawLine(x1, y, x2, y);
        p.setPen(Qt::black);
        if (k < size_t(axisNames.size()))
            p.drawText(QRect(0, y - fm.height() / 2, x1 - 6, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
                       axisNames.at(int(k)));
        for (int i = 0; i < axes[k].labels.size(); ++i) {
            const int x = x1 + (x2 - x1) * i / 4;
            p.drawLine(x, y, x, y + 4);
            const QString t = axes[k].labels.at(i);
            const int w = fm.horizontalAdvance(t);
            p.drawText(QRect(x - w / 2 - 2, y + 5, w + 4, fm.height()), Qt::AlignCenter, t);
        }
    }
    // oldest first, so that the newest lies on top
    for (auto it = placed.rbegin(); it != placed.rend(); ++it) {
        const PlacedSpot& s = *it;
        const QRect r = rectOf(s);
        QColor fill(s.colour.r, s.colour.g, s.colour.b);
        QColor ink = Qt::black;
        if (s.worked) {
            fill = fill.darker(115);
            ink = QColor(140, 140, 140);
        }
        p.fillRect(r, fill);
        p.setPen(s.slot == hovered ? QPen(Qt::blue) : QPen(Qt::darkGray));
        p.drawRect(r.adjusted(0, 0, -1, -1));
        p.setPen(ink);
        p.drawText(r, Qt::AlignCenter, s.caption);
    }
}

void BandMapView::mousePressEvent(QMouseEvent* event)
{
    if (const PlacedSpot* s = spotAt(event->position().toPoint())) {
        const int slot = s->slot;
        event->accept();
        emit spotClicked(slot, event->button());
        return;
    }
    QWidget::mousePressEvent(event);
}

void BandMapView::mouseMoveEvent(QMouseEvent* event)
{
    const PlacedSpot* s = spotAt(event->position().toPoint());
    const int now = s ? s->slot : -1;
    if (now != hovered) {
        hovered = now;
        update();
    }
    if (s)
        emit spotHovered(s->slot, s->toolTip);
    event->accept();
}

bool BandMapView::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        if (const PlacedSpot* s = spotAt(help->pos()))
            // cluster text is never markup: escaped inside a paragraph
            QToolTip::showText(help->globalPos(),
                               QStringLiteral("<p style='white-space:pre'>%1</p>").arg(s->toolTip.toHtmlEscaped()),
                               this, rectOf(*s));
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

} // namespace zelq
