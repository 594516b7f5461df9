#include "ui/AppContext.h"

#include "core/OperatorDialogs.h"
#include "settings/AppFolders.h"

#include <QDir>

namespace zelq {

AppContext::AppContext(AppFolderSet f, OperatorDialogs& d, Beeper& b, Clock& c)
    : folders(std::move(f)), dialogs(d), beeper(b), clock(c), session(store, d)
{
}

QString AppContext::preferencesPath() const
{
    return QDir(folders.install).filePath(PreferencesFileName);
}

bool AppContext::SavePref()
{
    QString error;
    if (savePreferences(preferencesPath(), prefs, &error))
        return true;
    dialogs.message(QStringLiteral("Error Saving Settings"),
                    QStringLiteral("Unable to save the settings to %1:\r\n%2").arg(preferencesPath(), error),
                    {DialogButton::Ok}, DialogIcon::Warning);
    return false;
}

QStringList AppContext::readOnlyFolders() const
{
    return {folders.shared, folders.program, folders.install};
}

QString AppContext::installOrShippedFile(const QString& name) const
{
    return findReadOnlyFile(name, {folders.install}, folders.shipped);
}

} // namespace zelq
