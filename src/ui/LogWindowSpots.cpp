#include "ui/LogWindowSpots.h"

#include "core/Beeper.h"
#include "core/Clock.h"
#include "log/ContactCache.h"
#include "settings/QuotedFile.h"
#include "log/LogSession.h"
#include "spots/BandMapLayout.h"
#include "spots/SpotLine.h"
#include "ui/AppContext.h"
#include "ui/BandMapView.h"
#include "ui/EntryPanel.h"
#include "ui/WideBandMapWindow.h"
#include "ui/SpotListView.h"
#include "ui/SpotPanel.h"
#include "devices/QtSerialLine.h"
#include "ui/SpotWindow.h"

#include <QDir>
#include <QLineEdit>

namespace zelq {

LogWindowSpots::LogWindowSpots(AppContext& context, EntryPanel& entryPanel, SpotPanel& spotPanel, QWidget* w)
    : QObject(w), app(context), entry(entryPanel), panel(spotPanel), window(w), spots(context.prefixes, context.clock)
{
    spots.ownCall = [this] { return app.prefs.ownCall; };
    spots.workedOnBand = [this](const QString& call, float mhz) { return worked.workedOn(call, mhz); };
    spots.spotted = [this](const QString& record) { spotted(record); };
    spots.slotsChanged = [this] {
        DisplayBandMapLabels();
        if (spectrum && spectrum->isVisible())
            spectrum->BandMapLabelDisplay();
    };
    spots.rowAdded = [this](const SpotListRow& row) { panel.list()->addRow(row); };
    spots.marksChanged = [this] { panel.list()->fill(spots.list()); };
    spots.spotArrived = [this] {
        if (form)
            form->spotArrived();
    };

    // Whether the list or the band map shows is the spotting window's
    // setting, known before that window is first opened.
    SpotSettings stored;
    readSpotSettings(QDir(app.folders.install).filePath(SpotSettings::fileName()), stored);
    applyDisplay(stored.showList);

    connect(panel.list(), &QTreeWidget::itemClicked, this, [this] { txtDX_Click(); });
    connect(panel.list(), &QTreeWidget::itemDoubleClicked, this, [this] { openSpectrumMap(); });
    connect(&panel, &SpotPanel::labelClicked, this, &LogWindowSpots::showSpotWindow);
    connect(&panel, &SpotPanel::labelDoubleClicked, this, &LogWindowSpots::openSpectrumMap);
    connect(panel.bandMap(), &BandMapView::spotClicked, this, &LogWindowSpots::bandMapClicked);
    connect(panel.bandMap(), &BandMapView::spotHovered, this,
            [this](int, const QString& tip) { entry.setPartialLine(tip); });
}

LogWindowSpots::~LogWindowSpots() = default;

WideBandMapWindow* LogWindowSpots::spectrumMap() const
{
    return spectrum.data();
}

SpotWindow& LogWindowSpots::spotWindow()
{
    if (!form) {
        form = new SpotWindow(QDir(app.folders.install).filePath(SpotSettings::fileName()), window);
        form->ownCall = [this] { return app.prefs.ownCall; };
        form->lastLoggedCall = [this] {
            const ContactCache& cache = app.session.cache();
            return cache.count() > 0 ? cache.row(cache.count()).calls : QString();
        };
        form->AddSpot = [this](const QString& f, const QString& call, const QString& line) {
            spots.AddSpot(f, call, line);
        };
        form->displayChanged = [this](bool list) { applyDisplay(list); };
        form->redrawBandMap = [this] { DisplayBandMapLabels(); };
        form->dialogs = &app.dialogs;
        form->beeper = &app.beeper;
        form->setSerialLine(new QtSerialLine(app.devices, app.folders.install, form));
    }
    return *form;
}

void LogWindowSpots::showSpotWindow()
{
    SpotWindow& w = spotWindow();
    w.show();
    w.raise();
    w.activateWindow();
}

void LogWindowSpots::unload()
{
    if (form)
        form->Command2_Click();
}

void LogWindowSpots::applyDisplay(bool list)
{
    panel.showList(list);
    DisplayBandMapLabels();
}

void LogWindowSpots::DisplayBandMapLabels()
{
    if (!panel.bandMapShown())
        return;
    AxisScale scale;
    std::vector<PlacedSpot> placed =
        placeBandMap(spots, app.prefs.band, app.clock.monotonicMs(), app.prefs.utcOffset, &scale);
    std::vector<AxisScale> scales;
    if (!scale.labels.isEmpty())
        scales.push_back(scale);
    panel.bandMap()->setMap(std::move(scales), std::move(placed));
}

void LogWindowSpots::logChanged()
{
    worked.rebuild(app.session.cache());
    spots.refreshWorked();
    DisplayBandMapLabels();
}

void LogWindowSpots::takeCall(const QString& call)
{
    window->activateWindow();
    entry.focus(EntryField::Call);
    entry.setText(EntryField::Call, EntryPanel::cleanPastedCall(call));
    entry.field(EntryField::Call)->end(false);
}

void LogWindowSpots::txtDX_Click()
{
    entry.focus(EntryField::Call);
    SpotListView* list = panel.list();
    if (list->topLevelItemCount() == 0 || !list->currentItem())
        return;
    const std::optional<double> mhz = parseNumber(list->selectedFrequency());
    if (!mhz)
        return;
    if (app.prefs.rigType.compare(QStringLiteral("None"), Qt::CaseInsensitive) != 0 && changeFrequency)
        changeFrequency(float(*mhz));
    takeCall(list->selectedCall());
}

void LogWindowSpots::bandMapClicked(int slot, Qt::MouseButton button)
{
    const SpotSlot& s = spots.slot(slot);
    if (button == Qt::RightButton) {
        if (changeFrequency)
            changeFrequency(s.frequency);
        takeCall(s.call);
        // The call field's leave step runs as the focus moves on to the name.
        entry.focus(EntryField::Name);
        return;
    }
    spots.removeSlot(slot);
    DisplayBandMapLabels();
    if (spectrum && spectrum->isVisible())
        spectrum->BandMapLabelDisplay();
}

void LogWindowSpots::openSpectrumMap()
{
    if (spectrum) {
        spectrum->raise();
        return;
    }
    spectrum = new WideBandMapWindow(
        spots, [this] { return app.clock.monotonicMs(); }, [this] { return app.prefs.utcOffset; }, window);
    spectrum->setAttribute(Qt::WA_DeleteOnClose);
    spectrum->setModal(true);
    spectrum->tuneTo = [this](int slot) {
        const SpotSlot s = spots.slot(slot);
        if (changeFrequency)
            changeFrequency(s.frequency);
        spectrum->accept();
        takeCall(s.call);
    };
    spectrum->removed = [this] { DisplayBandMapLabels(); };
    // Shown modally without a local event loop: nothing waits on it.
    spectrum->show();
}

void LogWindowSpots::spotted(const QString& record)
{
    app.beeper.beep();
    entry.showSpotAlert(QStringLiteral("You've been spotted! "), record + QStringLiteral("You've been spotted!  "));
}

} // namespace zelq
