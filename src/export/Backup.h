#pragma once
// The automatic text backup of the log: "BckUpLog.dat" in the installation
// folder, replaced whole on every backup. One line per contact of the
// in-memory log, nine quoted fields in the order
//   calls, namerec, spc, flddate, fldtime, uband, cont, namesent, trn
// (not the table's order), CR LF after each line. An empty log gives an
// empty file.

#include "log/Contact.h"

#include <QString>
#include <vector>

namespace zelq {

class ContactCache;

inline constexpr char BackupFileName[] = "BckUpLog.dat";

// The path of the backup file in `installFolder`.
QString backupFilePath(const QString& installFolder);

// The file's text for these contacts.
QString backupText(const std::vector<Contact>& contacts);

// Writes the backup of `cache` (written aside, then renamed over the old
// one, so a failure never leaves a cut-off backup). Failures are silent to
// the operator; false tells the caller it did not work.
bool BackupLog(const ContactCache& cache, const QString& installFolder);

// What a backup file holds. Reading stops at the first line that is not a
// record of nine fields (or when the file cannot be read at all): the
// records before it are in `contacts`, in table order, and `error` says
// what went wrong; `error` is empty when the whole file was read.
struct BackupContents {
    std::vector<Contact> contacts;
    QString error;
    bool complete() const { return error.isEmpty(); }
};

BackupContents readBackupFile(const QString& path);
BackupContents readBackupText(const QString& text);

} // namespace zelq
