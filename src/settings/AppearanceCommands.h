#pragma once
// The Appearance commands of the log window's Options menu. Each asks
// through the operator dialogs and changes the preferences; the caller
// saves them (savePreferences) and re-applies the layout when told to.

#include "settings/Preferences.h"

namespace zelq {

class OperatorDialogs;

// "Form Size": asks for the percentage of the screen. True when the
// setting changed (it takes effect at the next start).
bool mnuFormSize_Click(Preferences& prefs, OperatorDialogs& dialogs);

// "Taskbar": toggles the taskbar option, only at form size 100. True when
// it changed (the caller re-applies the window layout).
bool mnuTaskbar_Click(Preferences& prefs, OperatorDialogs& dialogs);

} // namespace zelq
