// The log window's side of DX spotting: the spotting part made with the
// window, its menu items and Ctrl+D, the worked marks following the log,
// and tuning the radio to a spot through the rig window.
#include "ui/LogWindow.h"

#include "log/ContactEntry.h"
#include "log/KeyDispatch.h"
#include "ui/AppContext.h"
#include "ui/LogWindowSpots.h"

#include <QAction>

namespace zelq {

void LogWindow::connectSpots()
{
    spotsPart = new LogWindowSpots(app, *panel, *spotPanel, this);
    spotsPart->changeFrequency = [this](float mhz) { ChangeFrequency(double(mhz)); };
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

} // namespace zelq
