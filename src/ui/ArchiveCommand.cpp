#include "ui/ArchiveCommand.h"

#include "core/Clock.h"
#include "core/OperatorDialogs.h"
#include "export/Archive.h"
#include "ui/AppContext.h"

#include <QTimer>

namespace zelq {

ArchiveOutcome mnuArchive_Click(AppContext& app, QTimer* pollTimer)
{
    app.dialogs.message(
        QStringLiteral("Archive Information"),
        QStringLiteral("This function is designed to create a permanent copy of your currently "
                       "open log file following the contest.\r\n\r\n"
                       "This program also creates a backup of your log file automatically every "
                       "15 minutes during the contest.\r\n\r\n"
                       "To open your log file at a later date, click File > Combine or Restore "
                       "from Backup."));

    if (pollTimer)
        pollTimer->stop();
    app.store.close();

    ArchiveOutcome outcome = ArchiveOutcome::Cancelled;
    const QString proposed = proposedArchivePath(app.folders.program, app.prefs.ownCall,
                                                 app.clock.localNow().date());
    const QString chosen = app.dialogs.saveFile(QStringLiteral("Archive Current Log"), proposed,
                                                QStringLiteral("Log Files (*.mdb)"));
    if (!chosen.isEmpty()) {
        QString error;
        if (archiveLog(app.prefs.logPath, app.folders.install, chosen, &error)) {
            outcome = ArchiveOutcome::Archived;
        } else {
            outcome = ArchiveOutcome::Failed;
            app.dialogs.message(QStringLiteral("Error Archiving Log"), error,
                                {DialogButton::Ok}, DialogIcon::Critical);
        }
    }

    // Reconnect whatever happened; a failure here is reported by the session.
    app.session.connectLog(app.prefs.logPath, app.folders.install);
    if (pollTimer)
        pollTimer->start();
    return outcome;
}

} // namespace zelq
