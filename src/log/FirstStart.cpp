#include "log/FirstStart.h"

#include "log/LogStore.h"
#include "settings/Preferences.h"

#include <QDir>
#include <QFile>

namespace zelq {

FirstStartResult prepareInstallFolder(const QString& installFolder, const QString& shippedDataFolder)
{
    FirstStartResult r;
    QDir dir(installFolder);
    if (dir.exists() && !dir.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
        return r;
    r.firstStart = true;
    if (!QDir().mkpath(installFolder)) {
        r.ok = false;
        r.error = QStringLiteral("Cannot create the folder %1.").arg(installFolder);
        return r;
    }
    const QString prefsPath = dir.filePath(PreferencesFileName);
    Preferences defaults;
    loadPreferences(QDir(shippedDataFolder).filePath(PreferencesFileName), defaults);
    QString error;
    if (!savePreferences(prefsPath, defaults, &error)) {
        r.ok = false;
        r.error = error;
        return r;
    }
    const QString logPath = dir.filePath(DefaultLogFileName);
    if (!LogStore::createLog(logPath, &error)) {
        r.ok = false;
        r.error = error;
    }
    return r;
}

} // namespace zelq
