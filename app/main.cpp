// zelqlog: the ZELQ Logger program.
//
//   zelqlog [--install-dir DIR]          start the logger
//   zelqlog --version                    print the version
//   zelqlog --create-log PATH_OR_URL     make a new, empty log: an SQLite file
//                                        or postgresql://[user@]host[:port]/dbname
#include "core/Clock.h"
#include "log/FirstStart.h"
#include "log/LogStore.h"
#include "settings/AppFolders.h"
#include "settings/UserFolders.h"
#include "ui/AppContext.h"
#include "ui/LogWindow.h"
#include "ui/QtOperatorDialogs.h"
#include "ui/StartupSequence.h"
#include "ui/ToneBeeper.h"
#include "zelq_build_info.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>
#include <QTimer>

namespace {

// The options that need no window run before any window code exists, so
// they work on a machine without a display.
int runConsoleOption(const QStringList& args, bool& handled)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    handled = true;
    if (args.contains(QStringLiteral("--version"))) {
        out << "ZELQ Logger " << ZELQ_VERSION << Qt::endl;
        return 0;
    }
    const qsizetype create = args.indexOf(QStringLiteral("--create-log"));
    if (create >= 0) {
        if (create + 1 >= args.size()) {
            err << "zelqlog: --create-log needs a file path or a postgresql:// address" << Qt::endl;
            return 2;
        }
        const QString target = args.at(create + 1);
        QString error;
        if (!zelq::LogStore::createLog(target, &error, QDir::currentPath())) {
            err << "zelqlog: cannot create the log: " << error << Qt::endl;
            return 1;
        }
        out << "zelqlog: created an empty log at " << target << Qt::endl;
        return 0;
    }
    handled = false;
    return 0;
}

} // namespace

int runLogger(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZELQ Logger"));
    QApplication::setApplicationVersion(QStringLiteral(ZELQ_VERSION));
    QApplication::setOrganizationName(QStringLiteral("DORVY_Software"));

    zelq::QtOperatorDialogs dialogs(nullptr);
    zelq::ToneBeeper beeper;
    zelq::SystemClock clock;

    zelq::AppFolderSet folders;
    folders.install = zelq::resolveInstallFolder(app.arguments());
    folders.shipped = zelq::shippedDataFolder(QCoreApplication::applicationDirPath(),
                                              QStringLiteral(ZELQ_SOURCE_DATA_DIR));
    const zelq::UserDataFolders userFolders(dialogs);
    folders.program = userFolders.programFolder();
    folders.shared = userFolders.sharedFolder();

    const zelq::FirstStartResult first = zelq::prepareInstallFolder(folders.install, folders.shipped);
    if (!first.ok)
        dialogs.message(QStringLiteral("Unable to create directory."),
                        first.error + QStringLiteral("  ") + folders.install,
                        {zelq::DialogButton::Ok}, zelq::DialogIcon::Critical);

    zelq::AppContext context(folders, dialogs, beeper, clock);
    context.shared.LoadSharedPreferences(QDir(folders.shared).filePath(QStringLiteral("SharedUserPreferences.xml")));

    zelq::LogWindow window(context);
    dialogs.setParentWidget(&window);
    zelq::StartupSequence startup(context, window);
    QObject::connect(&window, &zelq::LogWindow::exitRequested, &app, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    QObject::connect(&startup, &zelq::StartupSequence::exitRequested, &app, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    window.show();
    QTimer::singleShot(0, &startup, &zelq::StartupSequence::run);
    return app.exec();
}

int main(int argc, char* argv[])
{
    {
        QCoreApplication console(argc, argv);
        bool handled = false;
        const int rc = runConsoleOption(console.arguments(), handled);
        if (handled)
            return rc;
    }
    return runLogger(argc, argv);
}
