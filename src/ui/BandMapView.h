#pragma once
// A band map drawn along one or more frequency axes: five scale figures
// under each axis and a small label per spot above it, placed at its
// frequency and coloured by age (spots of stations already worked are
// drawn dimmed). Hovering shows the spot's call, frequency and time; a
// right click asks to tune to it, any other click removes it.

#include "spots/BandMapLayout.h"

#include <QRect>
#include <QWidget>

namespace zelq {

class BandMapView final : public QWidget {
    Q_OBJECT
public:
    explicit BandMapView(QWidget* parent = nullptr);

    // `names`: a caption per axis (band names on the spectrum map), or empty.
    void setMap(std::vector<AxisScale> scales, std::vector<PlacedSpot> spots, QStringList names = {});

    const std::vector<PlacedSpot>& spots() const { return placed; }
    const std::vector<AxisScale>& scales() const { return axes; }
    // Where the label of ring slot `slot` is drawn; empty when not drawn.
    QRect labelRect(int slot) const;
    QSize sizeHint() const override;

signals:
    void spotClicked(int slot, Qt::MouseButton button);
    void spotHovered(int slot, const QString& toolTip);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    int axisY(int axis) const;
    int axisLeft() const;
    int axisRight() const;
    QRect rectOf(const PlacedSpot& s) const;
    const PlacedSpot* spotAt(const QPoint& p) const;

    std::vector<AxisScale> axes;
    std::vector<PlacedSpot> placed;
    QStringList axisNames;
    int hovered = -1;
};

} // namespace zelq
