#pragma once
// Change notices of a log on the PostgreSQL server: every insert, update or
// delete on the table makes the server send "tbllog_changed" to whoever
// listens. This listens on a connection of its own, in a thread of its own
// (connecting to an unreachable server must not freeze the window), and
// emits changed() in the owner's thread. Notices that arrive close together
// (an append of many contacts) come out as one changed(); what they said
// (their payloads) is taken with takeNotices().
//
// A lost connection is noticed within a second (or, for a pulled cable,
// after the keepalive probes give up) and reopened after 2, 4, 8, then
// every 16 seconds; after a reopening changed() is emitted once with no
// notice to take, since notices sent meanwhile are lost.
//
// For an SQLite log there are no notices: listen() does nothing and the
// periodic poll alone tells of other positions' contacts.

#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>

class QThread;
class QTimer;

namespace zelq {

class LogChangeListener : public QObject {
    Q_OBJECT
public:
    explicit LogChangeListener(QObject* parent = nullptr);
    ~LogChangeListener() override;

    // Starts listening to the log at `logPath` (a log path setting as typed;
    // relative paths resolve against `baseFolder`), ending any earlier
    // listening first. Returns at once; the connection is opened in the
    // background.
    void listen(const QString& logPath, const QString& baseFolder);
    // Ends listening and closes the connection; no changed() follows.
    void stop();
    // True while subscribed to the notices on an open connection.
    bool isListening() const { return subscribed.load(); }
    // The payloads of the notices received since the last call, oldest
    // first; empty when changed() came after a reopening (notices may be
    // lost).
    QStringList takeNotices();

signals:
    void changed();

private:
    class Worker;
    void relay(quint64 fromGeneration, const QString& payload, bool lost);

    QThread* thread = nullptr;
    Worker* worker = nullptr;
    QTimer* coalesce = nullptr;
    bool heldBack = false; // notices came in while gathering
    quint64 generation = 0;
    QStringList received;
    bool lostSome = false;
    std::atomic<bool> subscribed{false};
};

} // namespace zelq
