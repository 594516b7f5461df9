#pragma once
// "HF Spectrum Map", SpectrumMap: the spots of the store on eleven axes,
// 160 m to 2 m, shown modally and gone when closed.

#include <QDialog>
#include <functional>

namespace zelq {

class BandMapView;
class SpotStore;

class WideBandMapWindow final : public QDialog {
    Q_OBJECT
public:
    WideBandMapWindow(SpotStore& store, std::function<qint64()> nowMs, std::function<double()> utcOffset,
                      QWidget* parent = nullptr);

    void BandMapLabelDisplay();
    BandMapView* map() const { return view; }

    // A right click: tune to the spot and take its call.
    std::function<void(int slot)> tuneTo;
    // A left click removed a spot: the other map is redrawn too.
    std::function<void()> removed;

private:
    SpotStore& store;
    std::function<qint64()> now;
    std::function<double()> offset;
    BandMapView* view = nullptr;
};

} // namespace zelq
