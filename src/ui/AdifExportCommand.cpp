#include "ui/AdifExportCommand.h"

#include "core/Beeper.h"
#include "core/Clock.h"
#include "core/OperatorDialogs.h"
#include "settings/AppFolders.h"
#include "settings/AtomicFile.h"
#include "ui/AppContext.h"

#include <QDir>

namespace zelq {

namespace {

const QString WriteFailedTitle = QStringLiteral("Unable to write file.");

bool saveWhole(const QString& path, const QString& text, QString* errorText)
{
    QString reason;
    if (writeTextFileAtomically(path, text, &reason))
        return true;
    *errorText = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), reason);
    return false;
}

ExportOutcome reportFailure(OperatorDialogs& dialogs, Beeper& beeper, const QString& why)
{
    beeper.beep();
    dialogs.message(WriteFailedTitle, why, {DialogButton::Ok}, DialogIcon::Critical);
    return ExportOutcome::Failed;
}

} // namespace

ExportOutcome mnuAdifExport_Click(const ContactCache& cache, const Preferences& prefs,
                                  const AppFolderSet& folders, AdifCountryTable& countries,
                                  OperatorDialogs& dialogs, Beeper& beeper, const Clock& clock,
                                  const QString& windowTitle)
{
    QString error;
    if (!countries.ensureLoaded({folders.shared, folders.program, folders.install},
                                folders.shipped, &error))
        return reportFailure(dialogs, beeper, error);

    const QString power =
        dialogs
            .inputText(QStringLiteral("Please enter your transmitter output power."),
                       QStringLiteral("Please enter the power value that you would like to record.  "
                                      "This is an optional value that will be included in each QSO "
                                      "record and displayed in Tavrin's power output column."),
                       QStringLiteral("100"))
            .value_or(QString());
    const QString comment =
        dialogs
            .inputText(QStringLiteral("Please enter a comment."),
                       QStringLiteral("Please enter a comment that you would like to appear on each "
                                      "QSO record.  This is an optional description that will be "
                                      "displayed in Tavrin's Comments column."),
                       QStringLiteral("ZELQ Contest"))
            .value_or(QString());

    const QString chosen = dialogs.saveFile(QStringLiteral("Save As"),
                                            QDir(folders.program).filePath(QStringLiteral("ZELQ.adi")),
                                            QStringLiteral("ADIF Files (*.adi)"));
    if (chosen.isEmpty())
        return ExportOutcome::Cancelled;
    const QString path = resolveInInstallFolder(folders.install, chosen);

    const QString text =
        adifText(cache, prefs, countries, power, comment, windowTitle, clock.localNow());
    if (!saveWhole(path, text, &error))
        return reportFailure(dialogs, beeper, error);

    dialogs.message(QStringLiteral("File Written Successfully."),
                    QStringLiteral("The file was successfully written to the directory:\n\n%1.")
                        .arg(QDir::toNativeSeparators(path)),
                    {DialogButton::Ok}, DialogIcon::Information);
    return ExportOutcome::Written;
}

ExportOutcome mnuTavrinImport_Click(const ContactCache& cache, const AppFolderSet& folders,
                                    OperatorDialogs& dialogs, Beeper& beeper)
{
    const QString power = dialogs
                              .inputText(QStringLiteral("Please enter the power value."),
                                         QStringLiteral("Please enter the power value you would "
                                                        "like to record."),
                                         QString())
                              .value_or(QString());
    const QString mode = dialogs
                             .inputText(QStringLiteral("Please enter your contest mode."),
                                        QStringLiteral("Please enter the mode you would like to "
                                                       "record."),
                                        QString())
                             .value_or(QString())
                             .toUpper();

    QString error;
    const QString path = QDir(folders.install).filePath(LogExpFileName);
    if (!saveWhole(path, logExpText(cache, power, mode), &error))
        return reportFailure(dialogs, beeper, error);

    beeper.beep();
    dialogs.message(
        QStringLiteral("Export Successful!"),
        QStringLiteral("LogExp.txt has been written to this program's working directory %1.  "
                       "Import these contacts into the Tavrin program by clicking File, Import, and "
                       "navigating to this directory from the Tavrin program.  If you wish to "
                       "include the continent, please transfer these records to Tavrin using the "
                       "ADIF export.")
            .arg(QDir::toNativeSeparators(folders.install)),
        {DialogButton::Ok}, DialogIcon::Information);
    return ExportOutcome::Written;
}

} // namespace zelq
