#pragma once
// The log window's spot area: the spot list txtDX, or the band map of the
// logging band with its label lblDX (shown while the band map is the
// choice). Which one shows is the spotting window's "List" or "Band Map".

#include <QWidget>

class QLabel;
class QTimer;

namespace zelq {

class BandMapView;
class SpotListView;

class SpotPanel final : public QWidget {
    Q_OBJECT
public:
    explicit SpotPanel(QWidget* parent = nullptr);

    SpotListView* list() const { return txtDX; }
    BandMapView* bandMap() const { return map; }
    QLabel* label() const { return lblDX; }

    void showList(bool list);
    // Whether the band map is the one shown (lblDX visible).
    bool bandMapShown() const;

signals:
    void labelClicked();
    void labelDoubleClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    SpotListView* txtDX = nullptr;
    BandMapView* map = nullptr;
    QLabel* lblDX = nullptr;
    QTimer* clickWait = nullptr;
    bool doubleClicked = false;
};

} // namespace zelq
