#pragma once
// "Ex&port ADIF Format" and "E&xport for Tavrin Import" of the log window.
// Both write the whole log as the cache holds it, so the log window runs
// the full reload first:
//
//   // member of the log window: the country table is read once per run
//   AdifCountryTable adifCountries;
//
//   connect(mnuAdifExport, &QAction::triggered, this, [this] {
//       ctx.session.WorkList();
//       mnuAdifExport_Click(ctx.session.cache(), ctx.prefs, ctx.folders, adifCountries,
//                           ctx.dialogs, ctx.beeper, ctx.clock, windowTitle());
//   });
//   connect(mnuTavrinImport, &QAction::triggered, this, [this] {
//       ctx.session.WorkList();
//       mnuTavrinImport_Click(ctx.session.cache(), ctx.folders, ctx.dialogs, ctx.beeper);
//   });
//
// The dialogs carry the log window as their parent. Files are replaced
// whole (written aside, then renamed only when all of it was written): a
// failure or a full disk never leaves half a file or spoils an older one.

#include "export/Adif.h"

namespace zelq {

class Beeper;
class Clock;
class ContactCache;
class OperatorDialogs;
struct AppFolderSet;
struct Preferences;

enum class ExportOutcome { Written, Cancelled, Failed };

// Reads the country table if this run has not yet, asks for the power
// (default 100) and a comment (default "ZELQ Contest"; a cancelled answer
// counts as empty), offers the save dialog in the program folder, writes
// the file and confirms. Cancelling the save dialog ends quietly; a
// failure beeps and is shown under "Unable to write file.".
ExportOutcome mnuAdifExport_Click(const ContactCache& cache, const Preferences& prefs,
                                  const AppFolderSet& folders, AdifCountryTable& countries,
                                  OperatorDialogs& dialogs, Beeper& beeper, const Clock& clock,
                                  const QString& windowTitle);

// Asks for the power and the mode (no defaults; cancelled counts as empty),
// replaces "LogExp.txt" in the installation folder, beeps and tells the
// operator where it is. A write failure beeps and is shown under "Unable to
// write file.".
ExportOutcome mnuTavrinImport_Click(const ContactCache& cache, const AppFolderSet& folders,
                                    OperatorDialogs& dialogs, Beeper& beeper);

} // namespace zelq
