#include "settings/AppFolders.h"

#include <QDir>
#include <QFileInfo>

namespace zelq {

namespace {

QString absoluteClean(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

QString resolveInstallFolder(const QStringList& args)
{
    const QString option = QStringLiteral("--install-dir");
    const QString withValue = option + QLatin1Char('=');
    QString chosen;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("--"))
            break;
        QString value;
        if (arg == option && i + 1 < args.size())
            value = args.at(++i);
        else if (arg.startsWith(withValue))
            value = arg.mid(withValue.size());
        if (!value.isEmpty())
            chosen = value;
    }
    if (chosen.isEmpty())
        chosen = qEnvironmentVariable("ZELQ_HOME");
    if (chosen.isEmpty())
        chosen = QDir::homePath() + QStringLiteral("/.local/share/zelq");
    return absoluteClean(chosen);
}

QString shippedDataFolder(const QString& programDir, const QString& sourceDataDir)
{
    const QString installed = QDir::cleanPath(programDir + QStringLiteral("/../share/zelq"));
    if (!programDir.isEmpty() && QFileInfo(installed).isDir())
        return absoluteClean(installed);
    return sourceDataDir;
}

QString findReadOnlyFile(const QString& name, const QStringList& folders,
                         const QString& shippedDataFolder)
{
    if (name.isEmpty())
        return {};
    QStringList places = folders;
    places << shippedDataFolder;
    for (const QString& folder : places) {
        if (folder.isEmpty())
            continue;
        const QString candidate = QDir(folder).filePath(name);
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return {};
}

QString resolveInInstallFolder(const QString& installFolder, const QString& name)
{
    if (name.isEmpty())
        return {};
    return QDir::cleanPath(QDir(installFolder).filePath(name));
}

} // namespace zelq
