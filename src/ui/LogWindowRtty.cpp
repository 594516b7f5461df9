#include "ui/LogWindowRtty.h"

#include "core/OperatorDialogs.h"
#include "keying/RttyLink.h"
#include "log/KeyDispatch.h"
#include "settings/StationSetup.h"
#include "ui/AppContext.h"
#include "ui/EntryPanel.h"
#include "ui/LogWindow.h"
#include "ui/SetupCommand.h"

#include <QLineEdit>
#include <QPointer>
#include <QTimer>

namespace zelq {

LogWindowRtty::LogWindowRtty(AppContext& context, LogWindow& w)
    : QObject(&w), app(context), window(w)
{
    rtty = new RttyLink(app.clock, this);
    rtty->mode = [this] { return app.prefs.mode; };
    rtty->callText = [this] { return window.entryPanel().text(EntryField::Call); };
    rtty->setField = [this](EntryField f, const QString& text) { window.entryPanel().setText(f, text); };
    rtty->showStatus = [this](const QString& text, StatusColour colour) {
        window.entryPanel().setStatus(text, colour);
    };
    rtty->linkChanged = [this](bool up) {
        window.entryPanel().setStatus(up ? QStringLiteral("Linked with fldigi again.")
                                         : QStringLiteral("fldigi does not answer: trying again every 5 seconds."),
                                      StatusColour::Normal);
    };
    connect(window.entryPanel().field(EntryField::Call), &QLineEdit::textChanged, this,
            [this] { rtty->callChanged(); });

    // Each keying part takes the keys of its own mode only (the CW keyer
    // those of "CW", the link those of "RY"), so their steps never meet.
    KeyDispatch& keys = window.keyDispatch();
    keys.addKeyDownStep([this](const KeyStroke& k) { return rtty->keyDownStep(k); });
    keys.addCharacterStep([this](const KeyStroke& k) { return rtty->characterStep(k); });

    connect(&window.setupCommand(), &SetupCommand::applied, this, &LogWindowRtty::afterSetup);
}

LogWindowRtty::~LogWindowRtty() = default;

void LogWindowRtty::afterSetup()
{
    if (app.prefs.mode != QLatin1String("RY") || !loadTyrmOption()) {
        rtty->setWanted(false);
        return;
    }
    QPointer<LogWindowRtty> self(this);
    rtty->ConnectWithTYRM(app.prefs.fldigiHost, quint16(app.prefs.fldigiPort), [self](bool ok) {
        if (!self)
            return;
        if (ok)
            self->rtty->SendToTYRM(self->app.prefs.ownCall, self->app.prefs.firstName, self->app.prefs.ownSpc);
        // The box waits for the operator: shown from the event loop, not
        // from inside the link's answer.
        QTimer::singleShot(0, self, [self, ok] {
            if (!self)
                return;
            if (ok)
                self->app.dialogs.message(
                    QStringLiteral("Connected with fldigi!"),
                    QStringLiteral("Connected with fldigi!\n\nFor best display of both programs on your "
                                   "screen, click Options > Appearance > Form Size and enter 85 from "
                                   "this program's menu options."),
                    {DialogButton::Ok}, DialogIcon::Information);
            else
                self->app.dialogs.message(QStringLiteral("Unable to find fldigi."),
                                          QStringLiteral("Please start fldigi and click Setup to try again!"),
                                          {DialogButton::Ok}, DialogIcon::Critical);
        });
    });
}

} // namespace zelq
