#pragma once
// The log window's spotting part: the spot store and its marks of calls
// already worked, the spot list and band map on the window, the spotting
// window (made on first use, then only hidden) and the spectrum map.
// Every way a spot tunes the radio goes through changeFrequency.

#include "spots/SpotStore.h"
#include "spots/WorkedCalls.h"

#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

namespace zelq {

class AppContext;
class EntryPanel;
class WideBandMapWindow;
class SpotPanel;
class SpotWindow;

class LogWindowSpots final : public QObject {
    Q_OBJECT
public:
    LogWindowSpots(AppContext& app, EntryPanel& entry, SpotPanel& panel, QWidget* window);
    ~LogWindowSpots() override;

    SpotStore& store() { return spots; }
    SpotWindow& spotWindow();
    SpotWindow* spotWindowIfMade() const { return form; }
    void showSpotWindow();
    // The spectrum map, modal; gone when closed.
    void openSpectrumMap();
    WideBandMapWindow* spectrumMap() const;

    // Redraws the log window's band map when it is the one shown.
    void DisplayBandMapLabels();
    // The log changed: the worked marks are taken again.
    void logChanged();
    // The logging band changed.
    void bandChanged() { DisplayBandMapLabels(); }
    void txtDX_Click();
    // Program end: the cluster link goes.
    void unload();

    // Tunes the radio to a spot (MHz): the rig window's ChangeFrequency.
    std::function<void(float mhz)> changeFrequency;

private:
    void applyDisplay(bool list);
    void takeCall(const QString& call);
    void bandMapClicked(int slot, Qt::MouseButton button);
    void spotted(const QString& record);

    AppContext& app;
    EntryPanel& entry;
    SpotPanel& panel;
    QWidget* window;
    SpotStore spots;
    WorkedCalls worked;
    SpotWindow* form = nullptr;
    QPointer<WideBandMapWindow> spectrum;
};

} // namespace zelq
