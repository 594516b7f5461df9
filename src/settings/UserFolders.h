#pragma once
// The per-user data folders: where the program keeps its own files and the
// files it shares with sister programs. Folders are made on first use; a
// folder that cannot be made is reported to the operator and the program
// carries on with the next place to try.

#include <QString>

namespace zelq {

class OperatorDialogs;

// True when a folder (not a file) stands at `path`. An empty path is no
// folder. Names are compared as the file system does (case-sensitive).
bool folderExists(const QString& path);

// Makes the last component of `path` when the folder is missing. An empty
// path is always reported; a failure to make the folder only when `report`.
void EnsureFolder(const QString& path, bool report, OperatorDialogs& dialogs);

// Finds (and makes) the user's folder base + sub1 with sub1 + sub2 inside it;
// sub1 and sub2 begin with "/". The base is the documents folder when there
// is one (made if missing), else the data folder; every folder that cannot be
// made is reported and the search goes on. Returns base + sub1.
QString FindUserDataFolder(const QString& sub1, const QString& sub2, OperatorDialogs& dialogs);

// The folders found at start-up: the program's own, the one shared with
// sister programs, and the backup folder inside the program's folder.
class UserDataFolders {
public:
    explicit UserDataFolders(OperatorDialogs& dialogs);

    const QString& programFolder() const { return program; }
    const QString& sharedFolder() const { return shared; }
    const QString& backupFolder() const { return backup; }

private:
    QString program;
    QString shared;
    QString backup;
};

} // namespace zelq
