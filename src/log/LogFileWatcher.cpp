#include "log/LogFileWatcher.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

namespace zelq {

namespace {
// A commit touches the file and the folder several times within a few
// milliseconds; one look after the last of them is enough.
constexpr int settleMs = 3;
}

LogFileWatcher::LogFileWatcher(QObject* parent)
    : QObject(parent), watcher(new QFileSystemWatcher(this)), settle(new QTimer(this))
{
    settle->setSingleShot(true);
    settle->setInterval(settleMs);
    connect(settle, &QTimer::timeout, this, [this] {
        // A journal beside the log: a write is under way, and its end (the
        // journal going) is the moment to look. A journal left by a crash
        // stays until the next opening of the log; the poll covers that.
        if (!QFileInfo::exists(file + QStringLiteral("-journal")))
            emit touched();
    });
    connect(watcher, &QFileSystemWatcher::fileChanged, this, [this] {
        rearm(); // a file replaced by a rename is no longer watched
        settle->start();
    });
    connect(watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        rearm();
        settle->start();
    });
}

void LogFileWatcher::watch(const QString& filePath)
{
    settle->stop();
    const QStringList watched = watcher->files() + watcher->directories();
    if (!watched.isEmpty())
        watcher->removePaths(watched);
    file = filePath.isEmpty() ? QString() : QFileInfo(filePath).absoluteFilePath();
    rearm();
}

void LogFileWatcher::rearm()
{
    if (file.isEmpty())
        return;
    const QString folder = QFileInfo(file).absolutePath();
    if (!watcher->directories().contains(folder) && QFileInfo(folder).isDir())
        watcher->addPath(folder);
    if (!watcher->files().contains(file) && QFileInfo::exists(file))
        watcher->addPath(file);
}

bool LogFileWatcher::isWatching() const
{
    return !watcher->files().isEmpty() || !watcher->directories().isEmpty();
}

} // namespace zelq
