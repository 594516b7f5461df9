#include "ui/LogWindowPhone.h"

#include "keying/PhoneControl.h"
#include "keying/QtWavePlayer.h"
#include "keying/RigLinkChannel.h"
#include "keying/VoiceNavigation.h"
#include "log/ContactEntry.h"
#include "log/KeyDispatch.h"
#include "ui/AppContext.h"
#include "ui/BlindWindow.h"
#include "ui/EntryPanel.h"
#include "ui/LogWindow.h"
#include "ui/PhoneWindow.h"
#include "ui/RigWindow.h"

#include <QAction>

namespace zelq {

LogWindowPhone::LogWindowPhone(AppContext& a, LogWindow& w) : QObject(&w), app(a), window(w)
{
    keyerOut = new QtWavePlayer(this);
    promptOut = new QtWavePlayer(this); // prompts are for the operator: default output
    phone = new PhoneControl(app.devices, app.folders.install, app.dialogs, app.beeper, *keyerOut, this);
    phone->mode = [this] { return app.prefs.mode; };
    phone->showStatus = [this](const QString& text, StatusColour colour) {
        window.entryPanel().setStatus(text, colour);
    };
    connect(phone, &PhoneControl::settingsApplied, this,
            [this] { keyerOut->setDeviceId(phone->settings().outputDevice.toUtf8()); });

    frmPhone = new PhoneWindow(*phone, app.dialogs, app.beeper, app.folders.install, &window);
    phone->setupVisible = [this] { return frmPhone->isVisible(); };
    phone->showSetup = [this] { showPhoneSetup(); };
    connect(frmPhone, &PhoneWindow::done, &window, &LogWindow::focusCall);

    prompts = new VoiceNavigation(
        *promptOut, [this](const QString& name) { return app.installOrShippedFile(name + QStringLiteral(".wav")); },
        this);
    prompts->NavigationMode = app.prefs.voiceNavigation;
    frmBlind = new BlindWindow(*prompts, app.folders.install, &window);
    connect(frmBlind, &BlindWindow::done, this, [this](int mode) {
        app.prefs.voiceNavigation = mode;
        prompts->NavigationMode = mode;
        app.SavePref();
        window.focusCall();
    });
    window.entryPanel().onFieldFocus = [this](EntryField f) { prompts->fieldFocused(f); };
    window.contactEntry().onDuplicate = [this] { prompts->duplicateFound(); };

    KeyDispatch& keys = window.keyDispatch();
    keys.setCtrlShortcut(Qt::Key_P, [this] { showPhoneSetup(); });
    keys.addKeyDownStep([this](const KeyStroke& k) { return phone->keyDownStep(k); });
    keys.addCharacterStep([this](const KeyStroke& k) { return phone->characterStep(k); });
    window.menu().mnuVoiceSetup->setEnabled(true);
    connect(window.menu().mnuVoiceSetup, &QAction::triggered, this, &LogWindowPhone::showPhoneSetup);
    window.menu().mnuVoiceNavigation->setEnabled(true);
    connect(window.menu().mnuVoiceNavigation, &QAction::triggered, this, &LogWindowPhone::showNavigation);

    // The radio's PTT through the rig link's rigctld connection.
    phone->setRigChannel(
        new RigLinkChannel([this]() -> RigLink& { return window.rigWindow().link(); }, phone));
    phone->LoadPhoneSettings();
    frmPhone->showSettings(phone->settings());
}

LogWindowPhone::~LogWindowPhone()
{
    // The keyer stops its player and drops the PTT: before the player goes.
    delete phone;
    delete prompts;
}

void LogWindowPhone::showPhoneSetup()
{
    frmPhone->showSettings(phone->settings());
    frmPhone->showNormal();
    frmPhone->raise();
    frmPhone->activateWindow();
}

void LogWindowPhone::showNavigation()
{
    frmBlind->showMode(app.prefs.voiceNavigation);
    frmBlind->showNormal();
    frmBlind->raise();
    frmBlind->activateWindow();
}

} // namespace zelq
