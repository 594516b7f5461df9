#pragma once
// The one owner of the connection to the shared log. Every statement the
// program runs against the table goes through here, as plain SQL text with
// single quotes inside values doubled.
//
// Statements run on a thread of the store's own (LogWorker), and the caller
// waits a bounded time: at most ReadBoundMs for a read (a duplicate query,
// the row count, a reload) and WriteBoundMs for a write. A statement not
// finished by then is cancelled and reported as failed; a write given up on
// may still have been committed, which the caller must allow for.
//
// SQLite: rollback journal, durable commits; a writer waits its turn behind
// another position's write for up to the bound, never longer.
// PostgreSQL: short connect and network time-outs. A statement that fails
// leaves the connection marked broken; the next statement reopens it first.
// A read that fails on a lost server connection is retried once on a fresh
// one (reading twice is harmless; writing twice is not).

#include "log/Contact.h"
#include "log/LogAddress.h"

#include <QDeadlineTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace zelq {

class LogWorker;

// What a load saw of the log, so that a later look can tell whether rows
// were only added since (and which) or something else changed.
struct LogMark {
    double count = 0;        // rows
    qint64 dataVersion = -1; // SQLite: the connection's data version
    qint64 maxRowid = 0;     // SQLite: highest rowid
    qint64 edits = -1;       // SQLite: edits and deletes so far; -1 when the log keeps no count
    QString snapshot;        // PostgreSQL: the load's snapshot (txid_current_snapshot)
};

// Whether transaction `txid` had committed for a load with `snapshot`
// ("xmin:xmax:xip,..."); false for a snapshot that does not read.
bool committedBefore(const QString& snapshot, qint64 txid);

// Why a write failed, as far as the engine tells.
enum class WriteProblem { None, Unreachable, DiskFull, ReadOnly, DiskError, TimedOut };

class LogStore {
public:
    static constexpr int ReadBoundMs = 2000;
    static constexpr int WriteBoundMs = 5000;
    static constexpr int ConnectBoundMs = 8000;
    // After a statement was given up on, the row count and the reload fail
    // at once for this long instead of each waiting its full bound (the
    // poll and a change notice's reload behind a duplicate query would
    // otherwise add up). What the operator asks for (a duplicate query, a
    // write) always tries.
    static constexpr int QuietAfterTimeoutMs = 3000;

    // Each store has its own connection, named after `connectionName` (two
    // stores in one process are two positions, or the log and a source of
    // an append).
    explicit LogStore(const QString& connectionName = QStringLiteral("zelq_log"));
    ~LogStore();
    LogStore(const LogStore&) = delete;
    LogStore& operator=(const LogStore&) = delete;

    // Opens an existing log; never creates one. False with errorString()
    // for a missing file, a file that is not a log, an unreachable server.
    bool connect(const QString& logPath, const QString& baseFolder = QString());
    void close();
    bool isOpen() const;
    const LogAddress& address() const { return addr; }

    // Makes a new empty log: an SQLite file that does not exist yet, or the
    // table in an existing PostgreSQL database that has none. An existing
    // log is never touched.
    static bool createLog(const QString& logPath, QString* errorText,
                          const QString& baseFolder = QString());

    // The statements.
    // load, oldest first; `boundMs` longer than ReadBoundMs only where no
    // operator waits at the keyboard (the first load at start-up)
    std::optional<std::vector<Contact>> selectAllOrdered(int boundMs = ReadBoundMs);
    std::optional<std::vector<Contact>> selectAll();         // append source
    std::optional<std::vector<Contact>> selectByCall(const QString& call); // duplicate query
    std::optional<double> rowCount();
    // The load with its mark, in one transaction.
    std::optional<std::vector<Contact>> selectAllOrderedMarked(LogMark& mark,
                                                               int boundMs = ReadBoundMs);
    // SQLite: the mark now; count, rowid and edits are read only when the
    // data version differs from `knownVersion`.
    std::optional<LogMark> currentMark(qint64 knownVersion);
    // SQLite: the rows stored after rowid `after` (with their rowids), and
    // the mark in the same transaction (without the count).
    std::optional<std::vector<Contact>> selectAddedAfter(qint64 after, std::vector<qint64>& rowids,
                                                         LogMark& mark);
    // The same two reads in the background (the mark without the count):
    // `done` is called with the result in the thread that made this store,
    // unless the store has gone.
    void currentMarkLater(qint64 knownVersion, std::function<void(std::optional<LogMark>)> done);
    struct AddedRows {
        std::vector<Contact> rows;
        std::vector<qint64> rowids;
        LogMark mark;
    };
    void selectAddedAfterLater(qint64 after, std::function<void(std::optional<AddedRows>)> done);
    // SQLite: rowid of the row the last successful insert stored.
    qint64 lastInsertedRowid() const { return insertedRowid; }
    // PostgreSQL: whether a notice sent by backend `pid` came from one of
    // this store's connections.
    bool isOwnBackend(int pid) const { return ownPids.contains(pid); }
    bool insert(const Contact& c);
    bool update(const Contact& c, const QString& oldCall, const QString& oldBand,
                const QString& oldTime);
    bool deleteOne(const QString& call, const QString& band, const QString& time);
    bool eraseAll();

    // Tries a write that is rolled back: false when the log can be read but
    // not written (a read-only file or folder, a full disk, no rights).
    bool probeWritable();

    QString errorString() const { return error; }
    // What the last failed write ran into.
    WriteProblem lastWriteProblem() const { return problem; }

    // Shows and hides the window's "waiting for the log" notice.
    void setWaitingNotice(std::function<void(bool waiting)> notice);

    // True when the SQLite file lies on a network file system (NFS,
    // SMB/CIFS, sshfs), where file locking cannot be trusted.
    bool onNetworkFileSystem() const;

    // Statement texts, for tests and for the append.
    static QString quote(const QString& value);
    static QString insertStatement(const Contact& c);
    static QString updateStatement(const Contact& c, const QString& oldCall,
                                   const QString& oldBand, const QString& oldTime);
    static QString deleteStatement(const QString& call, const QString& band, const QString& time);

    struct Link;   // the connection, as the worker thread holds it
    struct Result; // what a statement brought back

private:
    bool onWorker(const std::function<void(Link&, Result&)>& job, int boundMs, Result& out);
    void later(const std::function<void(Link&, Result&)>& job, std::function<void(Result&)> done);
    // True (with the error set) while reads are answered at once.
    bool quietAfterTimeout();
    std::optional<std::vector<Contact>> read(const QString& sql, int boundMs = ReadBoundMs);
    bool write(const QString& sql);

    LogAddress addr;
    QString error;
    WriteProblem problem = WriteProblem::None;
    bool opened = false;
    qint64 insertedRowid = 0;
    QList<int> ownPids;
    QDeadlineTimer quiet;
    std::shared_ptr<Link> link;
    std::unique_ptr<LogWorker> worker;
    std::unique_ptr<QObject> receiver; // where background results are delivered
};

// Whether a file lies on a network file system.
bool isOnNetworkFileSystem(const QString& path);

} // namespace zelq
