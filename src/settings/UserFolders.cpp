#include "settings/UserFolders.h"

#include "core/OperatorDialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <filesystem>
#include <optional>
#include <system_error>

namespace zelq {

namespace {

const QString kAccessErrorTitle = QStringLiteral("User Access Directory Error");

std::filesystem::path toFsPath(const QString& path)
{
    const QByteArray encoded = QFile::encodeName(path);
    return std::filesystem::path(std::string(encoded.constData(), size_t(encoded.size())));
}

QString systemText(const std::error_code& ec)
{
    return QString::fromLocal8Bit(ec.message());
}

// Makes one folder (`tree`: with any missing parents). Returns the system's
// error text on failure, nothing when the folder is there afterwards.
std::optional<QString> makeFolder(const QString& path, bool tree = false)
{
    std::error_code ec;
    if (tree)
        std::filesystem::create_directories(toFsPath(path), ec);
    else
        std::filesystem::create_directory(toFsPath(path), ec);
    if (ec)
        return systemText(ec);
    return std::nullopt;
}

// Makes the folder when missing; a failure is shown to the operator.
// Returns whether the folder is there.
bool makeOrReport(const QString& path, OperatorDialogs& dialogs, bool tree = false)
{
    if (folderExists(path))
        return true;
    if (const auto error = makeFolder(path, tree)) {
        dialogs.message(kAccessErrorTitle,
                        QStringLiteral("Cannot create the folder \"%1\": %2").arg(path, *error),
                        {DialogButton::Ok}, DialogIcon::Critical);
        return false;
    }
    return true;
}

QString writableFolder(QStandardPaths::StandardLocation location)
{
    return QDir::cleanPath(QStandardPaths::writableLocation(location));
}

// The base folder (made when `makeBase`), then base + sub1 and base + sub1 + sub2.
void makeUnder(const QString& base, const QString& sub1, const QString& sub2,
               OperatorDialogs& dialogs, bool makeBase)
{
    if (makeBase)
        makeOrReport(base, dialogs, true);
    makeOrReport(base + sub1, dialogs);
    makeOrReport(base + sub1 + sub2, dialogs);
}

} // namespace

bool folderExists(const QString& path)
{
    // QDir("") would be the working folder
    return !path.isEmpty() && QFileInfo(path).isDir();
}

void EnsureFolder(const QString& path, bool report, OperatorDialogs& dialogs)
{
    if (path.isEmpty()) {
        dialogs.message(QStringLiteral("Unable to Create Directory"), QStringLiteral("Invalid Path"),
                        {DialogButton::Ok}, DialogIcon::Critical);
        return;
    }
    if (folderExists(path))
        return;
    const auto error = makeFolder(path);
    if (error && report)
        dialogs.message(QStringLiteral("Unable to create directory."), *error + QStringLiteral("  ") + path,
                        {DialogButton::Ok}, DialogIcon::Critical);
}

QString FindUserDataFolder(const QString& sub1, const QString& sub2, OperatorDialogs& dialogs)
{
    const QString home = qEnvironmentVariable("HOME");
    const QString dataFolder = writableFolder(QStandardPaths::GenericDataLocation);

    if (home.isEmpty()) {
        makeUnder(dataFolder, sub1, sub2, dialogs, true);
        return dataFolder + sub1;
    }

    const QString documents = writableFolder(QStandardPaths::DocumentsLocation);
    if (!folderExists(documents))
        QDir().mkpath(documents); // quietly: the next steps report what matters

    if (folderExists(documents)) {
        makeUnder(documents, sub1, sub2, dialogs, false);
        return documents + sub1;
    }

    makeUnder(QDir::cleanPath(home), sub1, sub2, dialogs, false);
    makeUnder(dataFolder, sub1, sub2, dialogs, true);
    return dataFolder + sub1;
}

UserDataFolders::UserDataFolders(OperatorDialogs& dialogs)
{
    const QString vendor = QStringLiteral("/DORVY Software");
    const QString programSub = QStringLiteral("/ZELQ Network");
    const QString sharedSub = QStringLiteral("/Shared");
    program = FindUserDataFolder(vendor, programSub, dialogs) + programSub;
    shared = FindUserDataFolder(vendor, sharedSub, dialogs) + sharedSub;
    backup = program + QStringLiteral("/BACKUP");
    EnsureFolder(backup, true, dialogs);
}

} // namespace zelq
