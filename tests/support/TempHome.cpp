#include "TempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace zelq::test {

TempHome::TempHome() : dir(QStringLiteral("/tmp/zelq-test-XXXXXX"))
{
    if (!dir.isValid())
        return;
    QDir root(dir.path());
    for (const char* sub : {"home", "home/.local/share", "home/.config", "home/.cache", "runtime"})
        root.mkpath(QString::fromLatin1(sub));
    QFile::setPermissions(root.filePath("runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    setEnv("HOME", home());
    setEnv("XDG_DATA_HOME", dataHome());
    setEnv("XDG_CONFIG_HOME", configHome());
    setEnv("XDG_CACHE_HOME", root.filePath("home/.cache"));
    setEnv("XDG_RUNTIME_DIR", root.filePath("runtime"));
    setEnv("ZELQ_HOME", installDir());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, configHome());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, configHome());
}

TempHome::~TempHome()
{
    for (auto it = saved.cbegin(); it != saved.cend(); ++it) {
        if (it.value())
            qputenv(it.key().constData(), *it.value());
        else
            qunsetenv(it.key().constData());
    }
}

QString TempHome::home() const { return dir.filePath(QStringLiteral("home")); }
QString TempHome::dataHome() const { return dir.filePath(QStringLiteral("home/.local/share")); }
QString TempHome::configHome() const { return dir.filePath(QStringLiteral("home/.config")); }
QString TempHome::installDir() const { return dir.filePath(QStringLiteral("zelq")); }

QString TempHome::writeFile(const QString& relativePath, const QByteArray& content) const
{
    const QString full = dir.filePath(relativePath);
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile f(full);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(content);
    return full;
}

void TempHome::setEnv(const char* name, const QString& value)
{
    const QByteArray key(name);
    if (!saved.contains(key))
        saved.insert(key, qEnvironmentVariableIsSet(name)
                              ? std::optional<QByteArray>(qgetenv(name))
                              : std::nullopt);
    qputenv(name, value.toLocal8Bit());
}

} // namespace zelq::test
