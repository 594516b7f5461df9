#pragma once
// The one owner of the connection to the shared log. Every statement the
// program runs against the table goes through here, as plain SQL text with
// single quotes inside values doubled.
//
// SQLite: rollback journal, durable commits, a 10 s busy wait so that two
// positions writing at once take turns instead of failing.
// PostgreSQL: short connect and network time-outs, so that a pulled cable
// costs seconds, not minutes.
// A statement that fails leaves the connection marked broken; the next
// statement reopens it first. A failed read is retried once on a fresh
// connection (reading twice is harmless; writing twice is not).

#include "log/Contact.h"
#include "log/LogAddress.h"

#include <QString>
#include <optional>
#include <vector>

namespace zelq {

class LogStore {
public:
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
    std::optional<std::vector<Contact>> selectAllOrdered();  // load, oldest first
    std::optional<std::vector<Contact>> selectAll();         // append source
    std::optional<std::vector<Contact>> selectByCall(const QString& call); // duplicate query
    std::optional<double> rowCount();
    bool insert(const Contact& c);
    bool update(const Contact& c, const QString& oldCall, const QString& oldBand,
                const QString& oldTime);
    bool deleteOne(const QString& call, const QString& band, const QString& time);
    bool eraseAll();

    QString errorString() const { return error; }

    // True when the SQLite file lies on a network file system (NFS,
    // SMB/CIFS, sshfs), where file locking cannot be trusted.
    bool onNetworkFileSystem() const;

    // Statement texts, for tests and for the append.
    static QString quote(const QString& value);
    static QString insertStatement(const Contact& c);
    static QString updateStatement(const Contact& c, const QString& oldCall,
                                   const QString& oldBand, const QString& oldTime);
    static QString deleteStatement(const QString& call, const QString& band, const QString& time);

private:
    bool open();
    bool ensureOpen();
    std::optional<std::vector<Contact>> read(const QString& sql);
    std::optional<std::vector<Contact>> readOnce(const QString& sql);
    bool write(const QString& sql);

    QString name;
    LogAddress addr;
    QString error;
    bool broken = false;
};

// Whether a file lies on a network file system.
bool isOnNetworkFileSystem(const QString& path);

} // namespace zelq
