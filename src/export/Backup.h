#pragma once
// The automatic text backup of the log: "BckUpLog.dat" in the installation
// folder, replaced whole on every backup. One line per contact of the
// in-memory log, nine quoted fields in the order
//   calls, namerec, spc, flddate, fldtime, uband, cont, namesent, trn
// (not the table's order), CR LF after each line. An empty log gives an
// empty file.

#include "log/Contact.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace zelq {

class ContactCache;

inline constexpr char BackupFileName[] = "BckUpLog.dat";

// The path of the backup file in `installFolder`.
QString backupFilePath(const QString& installFolder);

// The file's text for these contacts.
QString backupText(const std::vector<Contact>& contacts);

// Writes the backup of `cache` (written aside, then renamed over the old
// one only when all of it was written, so a failure or a full disk never
// leaves a cut-off or empty backup). False and the reason when it did not
// work; telling the operator is the caller's.
bool BackupLog(const ContactCache& cache, const QString& installFolder, QString* error = nullptr);

// The periodic backup as the log window runs it: a failure is to be shown
// once (on the status line), not at every tick; after a backup that worked
// the next failure is shown again.
class BackupRunner {
public:
    // Writes the backup. Returns the text to show when this failure is news,
    // nullopt when the backup was written or the failure was already shown.
    std::optional<QString> run(const ContactCache& cache, const QString& installFolder);
    bool lastFailed() const { return failing; }

private:
    bool failing = false;
};

// What a backup file holds. A line that is not a record of nine fields
// (a quote inside a quoted field, a line break inside quotes that splits a
// record over two lines, fields missing or too many) is skipped and
// counted, never read as a shortened record; the records around it are
// read. `error` is set when the file as a whole cannot be read: it cannot
// be opened, it is no text file, or not one of its lines is a record.
struct BackupContents {
    std::vector<Contact> contacts;
    int unreadable = 0;   // records skipped
    QStringList problems; // why, for the first few of them ("line 3: ...")
    QString error;
    bool complete() const { return error.isEmpty() && unreadable == 0; }
};

// One line of a backup file as its nine fields, or nullopt with the reason.
// Fields are quoted ("..." up to the next quote, then only blanks before
// the comma) or bare (no quote in them).
std::optional<QStringList> parseBackupRecord(const QString& line, QString* why = nullptr);

BackupContents readBackupFile(const QString& path);
BackupContents readBackupText(const QString& text);

} // namespace zelq
