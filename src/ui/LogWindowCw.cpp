#include "ui/LogWindowCw.h"

#include "keying/CwControl.h"
#include "keying/PhoneControl.h"
#include "log/ContactEntry.h"
#include "log/KeyDispatch.h"
#include "ui/AppContext.h"
#include "ui/CodePracticeWindow.h"
#include "ui/CwSetupWindow.h"
#include "ui/CwStringsWindow.h"
#include "ui/EntryPanel.h"
#include "ui/LogWindow.h"
#include "keying/Morse.h"
#include "keying/RigKeyer.h"
#include "keying/RigLinkChannel.h"
#include "keying/WinKeyer.h"
#include "ui/RigWindow.h"
#include "ui/WinKeyWindow.h"

#include <QAction>
#include <QRadioButton>
#include <cmath>

namespace zelq {

LogWindowCw::LogWindowCw(AppContext& app, LogWindow& w) : QObject(&w), window(w)
{
    cw = new CwControl(app.devices, app.folders.install, app.dialogs, app.beeper, this);
    cw->callText = [this] { return window.entryPanel().text(EntryField::Call); };
    cw->mode = [&app] { return app.prefs.mode; };
    cw->showStatus = [this](const QString& text, StatusColour colour) {
        window.entryPanel().setStatus(text, colour);
    };
    // "!" reached: the contact is logged on this thread while the keyer
    // goes on with the text after it.
    cw->logContact = [this] { window.contactEntry().Mains(); };

    frmCW = new CwSetupWindow(*cw, app.dialogs, app.beeper, &window);
    strings = new CwStringsWindow(*cw, window.keyDispatch(), &window);
    cw->setupVisible = [this] { return frmCW->isVisible(); };
    cw->showSetup = [this] { showSetup(); };
    connect(frmCW, &CwSetupWindow::done, this, [this] {
        if (cw->settings().method != KeyingMethod::None) {
            strings->refresh();
            strings->showMinimized();
        }
        window.focusCall();
    });
    connect(frmCW, &CwSetupWindow::codePractice, this, [this] {
        auto* practice = new CodePracticeWindow(*cw, frmCW);
        practice->setWindowModality(Qt::ApplicationModal);
        practice->show();
    });

    KeyDispatch& keys = window.keyDispatch();
    keys.setCtrlShortcut(Qt::Key_C, [this] { showSetup(); });
    keys.setCtrlShortcut(Qt::Key_S, [this] { showSetup(); });
    keys.setCtrlShortcut(Qt::Key_W, [this] { showStrings(); });
    keys.addKeyDownStep([this](const KeyStroke& k) { return cw->keyDownStep(k); });
    keys.addCharacterStep([this](const KeyStroke& k) { return cw->characterStep(k); });
    window.menu().mnuCWSetup->setEnabled(true);
    connect(window.menu().mnuCWSetup, &QAction::triggered, this, &LogWindowCw::showSetup);

    cw->LoadCWSettings();
    frmCW->showSettings(cw->settings());
    strings->refresh();
    setUpWinKey(app);
    setUpRigKeyer();
}

void LogWindowCw::setUpRigKeyer()
{
    // The radio's own keyer, through the rig link's rigctld connection.
    rigKeyer = new RigKeyer(*new RigLinkChannel([this]() -> RigLink& { return window.rigWindow().link(); }, this),
                            this);
    cw->setSender(KeyingMethod::Rig, rigKeyer);
    // Why nothing goes shows under the methods, and once on the status line.
    auto showNote = [this] {
        if (cw->settings().method == KeyingMethod::Rig)
            frmCW->showMethodNote(rigKeyer->note());
    };
    connect(rigKeyer, &RigKeyer::noteChanged, this, [this, showNote](const QString& note) {
        showNote();
        if (!note.isEmpty() && cw->settings().method == KeyingMethod::Rig)
            window.entryPanel().setStatus(note, StatusColour::Normal);
    });
    if (auto* option = frmCW->findChild<QRadioButton*>(QStringLiteral("Option6")))
        connect(option, &QRadioButton::toggled, this, [this, showNote](bool on) {
            if (on)
                rigKeyer->checkLink();
            showNote();
            if (!on)
                frmCW->showMethodNote(QString());
        });
    if (cw->settings().method == KeyingMethod::Rig)
        rigKeyer->checkLink();
    showNote();
}

void LogWindowCw::setUpWinKey(AppContext& app)
{
    winKeyer = new WinKeyer(app.devices, app.folders.install, app.dialogs, this);
    winKeyer->load();
    frmWinKey = new WinKeyWindow(*winKeyer, app.dialogs, app.devices, app.folders.install, &window);
    frmWinKey->ownCall = [&app] { return app.prefs.ownCall; };
    // Registered after the CW settings are read: the keyer takes their speed.
    cw->setSender(KeyingMethod::WinKey, winKeyer);
    connect(frmCW, &CwSetupWindow::configureWinKey, this, [this] {
        frmWinKey->showSettings();
        frmWinKey->showNormal();
        frmWinKey->raise();
        frmWinKey->activateWindow();
    });
    // The speed pot sets the keyer's speed field like the speed keys do.
    connect(winKeyer, &WinKeyer::speedFromPot, this, [this](int wpm) {
        const int now = int(std::lround(speedOf(cw->settings().speed)));
        if (wpm != now)
            cw->stepSpeed(wpm - now);
    });
    connect(winKeyer, &WinKeyer::closed, this, [this](const QString& reason) {
        if (!reason.isEmpty())
            window.entryPanel().setStatus(QStringLiteral("WinKey lost: %1").arg(reason), StatusColour::Normal);
    });
}

LogWindowCw::~LogWindowCw() = default;

void LogWindowCw::sharePortWith(PhoneControl& phone)
{
    winKeyer->beforeOpen = [this, &phone] {
        if (phone.settings().line != PttLine::Rig && phone.settings().portNumber() == winKeyer->settings().port)
            phone.releaseSerialPort();
    };
    phone.beforeOpen = [this](int port) {
        if (winKeyer->isOpen() && winKeyer->settings().port == port)
            winKeyer->close();
    };
}

bool LogWindowCw::allowClose()
{
    return cw->closeRequested();
}

void LogWindowCw::showSetup()
{
    frmCW->showSettings(cw->settings());
    frmCW->showNormal();
    frmCW->raise();
    frmCW->activateWindow();
}

void LogWindowCw::showStrings()
{
    strings->refresh();
    strings->showNormal();
    strings->raise();
    strings->activateWindow();
}

} // namespace zelq
