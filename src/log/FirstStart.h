#pragma once
// The first start on a machine: the installation folder is missing or
// empty. It is made with the default preferences and an empty log, so the
// program runs with no set-up at all. Later starts create nothing: a log
// that was moved or deleted is reported, never silently replaced.

#include <QString>

namespace zelq {

inline const QString DefaultLogFileName = QStringLiteral("ZELQLog.MDB");

struct FirstStartResult {
    bool firstStart = false; // the folder was new or empty
    bool ok = true;
    QString error;
};

// `shippedDataFolder` holds the default preferences file.
FirstStartResult prepareInstallFolder(const QString& installFolder, const QString& shippedDataFolder);

} // namespace zelq
