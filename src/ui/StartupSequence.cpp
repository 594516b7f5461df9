#include "ui/StartupSequence.h"

#include "core/OperatorDialogs.h"
#include "settings/UtcOffsetCheck.h"
#include "ui/AppContext.h"
#include "ui/LogWindow.h"
#include "ui/SetupCommand.h"

namespace zelq {

StartupSequence::StartupSequence(AppContext& context, LogWindow& w)
    : QObject(&w), app(context), window(w)
{
}

void StartupSequence::run()
{
    switch (loadPreferences(app.preferencesPath(), app.prefs)) {
    case PreferencesLoad::Loaded:
        app.prefsLoaded = true;
        break;
    case PreferencesLoad::Missing:
    case PreferencesLoad::TooShort:
        app.dialogs.message(QStringLiteral("Error opeining file"), QStringLiteral("Error opening file"),
                            {DialogButton::Ok}, DialogIcon::Critical);
        current = State::Stopped;
        emit stopped();
        return;
    }
    if (CheckUtcOffset(app.prefs.utcOffset, app.clock, app.dialogs))
        app.SavePref();
    window.applyFormSize();
    window.showBand(app.prefs.band);
    window.refreshStationLabels();
    app.prefixes = loadPrefixTable(app.readOnlyFolders(), app.folders.shipped);

    app.session.setStartingUp(true);
    app.session.onFatalLoadError = [this] { end(ExitLoadFailed); };
    SetupCommand& setup = window.setupCommand();
    connect(&setup, &SetupCommand::applied, this, &StartupSequence::afterSetup, Qt::SingleShotConnection);
    // The log window ends the program on Cancel; here the sequence just stops.
    connect(&setup, &SetupCommand::cancelled, this, [this] { current = State::Ended; });
    current = State::InSetup;
    setup.start();
}

void StartupSequence::afterSetup()
{
    if (current != State::InSetup)
        return;
    app.session.AskContinueLog();
    if (current == State::Ended)
        return;
    window.ShowOperatingTime();
    app.session.setStartingUp(false);
    current = State::Ready;
    window.focusCall();
    window.startRigIfChosen();
    emit ready();
}

void StartupSequence::end(int code)
{
    current = State::Ended;
    app.session.setStartingUp(false);
    emit exitRequested(code);
}

} // namespace zelq
