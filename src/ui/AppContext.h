#pragma once
// What the running program holds for all its windows: folders, settings,
// reference tables, the log, and the interfaces through which it asks,
// beeps and reads the time. Made once by main (or by a test).

#include "devices/DeviceRegistry.h"
#include "log/LogSession.h"
#include "log/LogStore.h"
#include "log/PrefixTable.h"
#include "settings/Preferences.h"
#include "settings/SharedPreferences.h"

#include <QString>

namespace zelq {

class Beeper;
class Clock;
class OperatorDialogs;

struct AppFolderSet {
    QString install;  // writable: preferences, default log, backups of this position
    QString shipped;  // read-only data shipped with the program
    QString program;  // documents/DORVY Software/ZELQ Network
    QString shared;   // documents/DORVY Software/Shared
};

class AppContext {
public:
    AppContext(AppFolderSet folders, OperatorDialogs& dialogs, Beeper& beeper, Clock& clock);

    AppFolderSet folders;
    OperatorDialogs& dialogs;
    Beeper& beeper;
    Clock& clock;

    Preferences prefs;
    bool prefsLoaded = false; // nothing is saved over a file that could not be read
    PrefixTable prefixes;
    SharedPreferences shared;
    LogStore store;
    LogSession session;
    DeviceRegistry devices; // every serial and parallel port the program holds

    QString preferencesPath() const;
    // Rewrites the preferences file; a failure is reported to the operator.
    bool SavePref();
    // The read-only folders in the order files are looked for there.
    QStringList readOnlyFolders() const;
    // A file the program only reads: the installation folder first, then
    // the shipped data folder.
    QString installOrShippedFile(const QString& name) const;
};

} // namespace zelq
