// The log window's side of the rig link: the rig window made on first use,
// the band following the radio, and polling from the start.
#include "ui/LogWindow.h"

#include "rig/BandFromFrequency.h"
#include "rig/BandPlan.h"
#include "ui/AppContext.h"
#include "ui/BandPlanWindow.h"
#include "ui/RigTuneWindow.h"
#include "ui/RigWindow.h"

namespace zelq {

RigWindow& LogWindow::rigWindow()
{
    if (!rig) {
        rig = new RigWindow(app, this);
        rig->link().bandFreqConversion = [this](float mhz) { BandFreqConversion(mhz); };
        rig->savePreferences = [this] { app.SavePref(); };
    }
    return *rig;
}

void LogWindow::showRigWindow()
{
    RigWindow& w = rigWindow();
    w.show();
    w.raise();
    w.activateWindow();
}

void LogWindow::BandFreqConversion(float frequency)
{
    const QString band = bandForFrequency(frequency);
    if (band.isEmpty() || band.compare(app.prefs.band, Qt::CaseInsensitive) == 0)
        return;
    // As the operator's menu choice, but the focus stays where it is.
    selectBand(band);
}

void LogWindow::ChangeFrequency(double mhz)
{
    rigWindow().ChangeFrequency(float(mhz));
}

void LogWindow::showRigTune()
{
    RigTuneWindow frmRigTune(rigWindow(), this);
    frmRigTune.exec();
}

void LogWindow::showBandPlan()
{
    BandPlanWindow frmBandPlan(app.installOrShippedFile(BandPlanFileName), app.dialogs, this);
    frmBandPlan.exec();
}

void LogWindow::startRigIfChosen()
{
    if (app.prefs.rigType.compare(QStringLiteral("None"), Qt::CaseInsensitive) != 0)
        rigWindow().Test();
}

} // namespace zelq
