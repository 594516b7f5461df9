#include "ui/SetupCommand.h"

#include "ui/AppContext.h"
#include "ui/StationSetupWindow.h"

#include <QTimer>

namespace zelq {

SetupCommand::SetupCommand(AppContext& context, QWidget* window)
    : QObject(window), app(context), parentWindow(window)
{
}

StationSetupWindow* SetupCommand::window() const
{
    return form;
}

void SetupCommand::start()
{
    if (form) {
        form->raise();
        form->activateWindow();
        return;
    }
    if (pollTimer)
        pollTimer->stop();
    app.store.close();
    cancelledByOperator = false;
    form = new StationSetupWindow(app.prefs, app.prefixes, app.shared, app.session, app.dialogs,
                                  app.beeper, app.folders.install, parentWindow);
    form->setAttribute(Qt::WA_DeleteOnClose);
    connect(form, &StationSetupWindow::cancelRequested, this, [this] { cancelledByOperator = true; });
    connect(form, &StationSetupWindow::helpRequested, this, &SetupCommand::helpRequested);
    connect(form, &QDialog::finished, this, [this](int) { finish(); });
    form->open();
}

void SetupCommand::finish()
{
    if (cancelledByOperator) {
        emit cancelled();
        return;
    }
    if (!app.store.isOpen()) {
        // Closed without connecting: there is no log to work on, so the
        // window comes back until the operator connects or cancels.
        QTimer::singleShot(0, this, &SetupCommand::start);
        return;
    }
    app.SavePref();
    app.session.WorkList();
    if (pollTimer)
        pollTimer->start();
    emit applied();
}

} // namespace zelq
