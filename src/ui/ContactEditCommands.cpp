#include "ui/ContactEditCommands.h"

#include "core/OperatorDialogs.h"
#include "log/LogSession.h"
#include "ui/EditContactWindow.h"

namespace zelq {

ContactEditCommands::ContactEditCommands(LogSession& session, const PrefixTable& prefixes,
                                         OperatorDialogs& dialogs, Beeper& beeper,
                                         QWidget* windowParent)
    : QObject(windowParent), session(session), prefixes(prefixes), dialogs(dialogs),
      beeper(beeper), windowParent(windowParent)
{
}

ContactEditCommands::~ContactEditCommands()
{
    if (window) {
        window->disconnect(this);
        delete window.data();
    }
}

void ContactEditCommands::cmdEdit_Click(int row)
{
    if (window) {
        window->raise();
        window->activateWindow();
        return;
    }
    if (!ContactSelection::fromCache(session.cache(), row).isValid())
        return;
    window = new EditContactWindow(session, prefixes, dialogs, beeper, row, windowParent);
    connect(window, &QDialog::finished, this, &ContactEditCommands::editWindowFinished);
    window->open();
}

void ContactEditCommands::editWindowFinished(int result)
{
    EditContactWindow* w = window.data();
    if (!w)
        return;
    const ContactSelection edited = w->selection();
    window.clear();
    w->deleteLater();

    bool reloaded = false;
    if (result == EditContactWindow::DeleteDupeResult)
        reloaded = deleteSelection(edited);
    if (hideButtons)
        hideButtons();
    // The log is reloaded whether or not anything changed (unless the
    // delete just did so).
    if (!reloaded)
        session.WorkList();
    emit editFinished();
}

bool ContactEditCommands::cmdDelete_Click(int row)
{
    return deleteSelection(ContactSelection::fromCache(session.cache(), row));
}

bool ContactEditCommands::deleteSelection(const ContactSelection& selection)
{
    if (!selection.isValid())
        return false; // nothing selected: nothing to ask about
    const bool yes = dialogs.askYesNo(DeleteQuestion, DeleteQuestion);
    if (hideButtons)
        hideButtons();
    if (!yes)
        return false;
    // A failure is reported there; nothing is reloaded as if it had worked.
    if (!deleteSelectedContact(session, dialogs, selection))
        return false;
    session.WorkList();
    return true;
}

} // namespace zelq
