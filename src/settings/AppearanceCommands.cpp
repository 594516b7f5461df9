#include "settings/AppearanceCommands.h"

#include "core/OperatorDialogs.h"
#include "settings/QuotedFile.h"

namespace zelq {

bool mnuFormSize_Click(Preferences& prefs, OperatorDialogs& dialogs)
{
    const auto answer = dialogs.inputText(
        QStringLiteral("Please enter screen percentage."),
        QStringLiteral("Enter the % of the screen you would like the form to cover.  Try between 90 "
                       "and 100 for best results.  Values below 75 do not display well."),
        formatNumber(prefs.formSize));
    if (!answer)
        return false;
    const auto value = parseNumber(*answer);
    if (!value) {
        dialogs.message(QStringLiteral("Numeric Values Required"),
                        QStringLiteral("Please enter only numeric values."));
        return false;
    }
    prefs.formSize = clampFormSize(*value);
    dialogs.message(QStringLiteral("For this setting to take effect please restart this program."),
                    QStringLiteral("This program must be closed and restarted for this setting to take effect."));
    return true;
}

bool mnuTaskbar_Click(Preferences& prefs, OperatorDialogs& dialogs)
{
    if (prefs.formSize != 100) {
        dialogs.message(QStringLiteral("Please set your form size to 100% to use this option."),
                        QStringLiteral("The form size must be set to 100% to use the taskbar display option."));
        return false;
    }
    prefs.taskbar = prefs.taskbar ? 0 : 1;
    return true;
}

} // namespace zelq
