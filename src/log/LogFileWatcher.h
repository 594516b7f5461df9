#pragma once
// Tells at once when an SQLite log may have been written by another
// position: it watches the log file and its folder (where the rollback
// journal appears and goes at every commit) and emits touched() a moment
// after a burst of such events, once the write has ended (no journal). What changed is for the log store to say
// (its data version); the poll stays as the fallback for file systems that
// report nothing, such as network shares.

#include <QObject>
#include <QString>

class QFileSystemWatcher;
class QTimer;

namespace zelq {

class LogFileWatcher : public QObject {
    Q_OBJECT
public:
    explicit LogFileWatcher(QObject* parent = nullptr);

    // Watches the SQLite log at `filePath`, ending any earlier watch; an
    // empty path only ends it.
    void watch(const QString& filePath);
    void stop() { watch(QString()); }
    bool isWatching() const;

signals:
    void touched();

private:
    void rearm();

    QFileSystemWatcher* watcher;
    QTimer* settle;
    QString file;
};

} // namespace zelq
