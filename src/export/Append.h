#pragma once
// Appending the contacts of another log, or of a backup file, to the shared
// log ("Combine or Restore from Backup").
//
// A source is a log when it is a PostgreSQL address or an SQLite file that
// holds the log table (whatever its name); anything else is read as a
// backup file. With duplicates skipped, a source contact is left out when
// the shared log (including what this append has already added) holds one
// with the same call and the same band, capitals ignored; mode and date do
// not count.
//
// The rows go in batches, each batch one transaction with a savepoint per
// row, so a large file takes seconds and a row that fails undoes only
// itself: the append stops there, the rows before it stay in the log.
// A record of a backup file that cannot be read (a quote inside a quoted
// field, a line break inside quotes, fields missing) is skipped and
// counted; the records around it are appended. A file none of whose lines
// is a record is not read at all.
//
// The append opens connections of its own and can run on a worker thread.

#include "log/Contact.h"
#include "log/LogAddress.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace zelq {

// A database connection of its own to a log, set up like the store's.
// Closed when it goes.
class LogConnection {
public:
    LogConnection();
    ~LogConnection();
    LogConnection(const LogConnection&) = delete;
    LogConnection& operator=(const LogConnection&) = delete;

    // Opens an existing log (read-only when asked; SQLite only). False with
    // errorString() when it cannot be opened or holds no log table.
    bool open(const LogAddress& address, bool readOnly);
    void close();
    QSqlDatabase database() const;
    QString errorString() const { return error; }

    // Runs one statement; false with errorString() on failure.
    bool exec(const QString& sql);
    // Every row of the log table, columns 0..8 in table order.
    std::optional<std::vector<Contact>> selectAll();

private:
    QString name;
    QString error;
};

enum class AppendSourceKind { Log, BackupFile };

// What the typed source is, and where (relative file names resolve against
// the installation folder).
struct AppendSource {
    AppendSourceKind kind = AppendSourceKind::BackupFile;
    LogAddress log;   // for a log
    QString filePath; // for a backup file
};
AppendSource classifyAppendSource(const QString& typed, const QString& installFolder);

// Whether the typed source is the log itself: the same text with other
// capitals, or a path that leads to the same file (a link, "./", another
// spelling), or the same server database.
bool isSameLog(const QString& typed, const QString& logPath, const QString& installFolder);

struct AppendOptions {
    bool skipDuplicates = true;
    int batchSize = 250; // rows per transaction
};

struct AppendResult {
    int read = 0;     // source rows available
    int inserted = 0; // rows committed to the log
    int skipped = 0;  // duplicates left out
    int unreadable = 0;     // source records skipped because they cannot be read
    QStringList problems;   // why, for the first few of them
    QString error;    // empty when every readable record was handled
    bool ok() const { return error.isEmpty(); }
};

// done rows of total handled so far; called from the thread running the
// append.
using AppendProgress = std::function<void(int done, int total)>;

// What the operator is told when an append ends: how many records were
// appended and how many skipped, duplicates and unreadable records apart.
QString appendSummary(const AppendResult& result);
// The summary and, on lines of their own, why the first three unreadable
// records were skipped ("…" when there were more).
QString appendReport(const AppendResult& result);

// Appends `source` to the log at `logPath`.
AppendResult appendToLog(const QString& logPath, const QString& source,
                         const QString& installFolder, const AppendOptions& options,
                         const AppendProgress& progress = {});

} // namespace zelq
