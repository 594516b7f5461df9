#pragma once
// "Edit Contact" and "Delete Contact" of the log window, for the contact
// selected in the contact list (its "Rec#" is the ContactCache row).
//
//   commands.hideButtons = [&] { cmdEdit->hide(); cmdDelete->hide(); };
//   commands.cmdEdit_Click(rec);   // right click, "Edit Contact"
//   commands.cmdDelete_Click(rec); // "Delete Contact"
//
// Editing opens the edit window (window-modal, cmdEdit_Click returns at
// once). However the window goes away — "Done", "Delete Dupe" or closing
// it — the buttons are hidden and the log reloaded; "Delete Dupe" first
// deletes the contact being edited, after the usual confirmation.

#include "log/ContactEdit.h"

#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

namespace zelq {

class Beeper;
class EditContactWindow;
class LogSession;
class OperatorDialogs;
class PrefixTable;

class ContactEditCommands : public QObject {
    Q_OBJECT
public:
    // `windowParent`: the log window, parent of the edit window.
    ContactEditCommands(LogSession& session, const PrefixTable& prefixes, OperatorDialogs& dialogs,
                        Beeper& beeper, QWidget* windowParent);
    ~ContactEditCommands() override;

    // Opens the edit window for cache row `row`. Does nothing for a row
    // the cache does not hold; while a window is open, brings it forward.
    void cmdEdit_Click(int row);

    // Asks "Are you sure?"; on Yes deletes every row with the call, band
    // and time of cache row `row` and reloads the log. The buttons are
    // hidden whatever the answer. True when the contact was deleted.
    bool cmdDelete_Click(int row);

    // The edit window while it is open, else nullptr.
    EditContactWindow* editWindow() const { return window.data(); }

    // Hides "Edit Contact" and "Delete Contact" of the log window.
    std::function<void()> hideButtons;

signals:
    // An edit has ended and the log has been reloaded.
    void editFinished();

private:
    bool deleteSelection(const ContactSelection& selection);
    void editWindowFinished(int result);

    LogSession& session;
    const PrefixTable& prefixes;
    OperatorDialogs& dialogs;
    Beeper& beeper;
    QWidget* windowParent;
    QPointer<EditContactWindow> window;
};

} // namespace zelq
