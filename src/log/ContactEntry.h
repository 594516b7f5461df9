#pragma once
// Contact entry: what every key in the log window's fields does, the
// duplicate checks, Time On/Off, and logging a contact (Mains). It works on
// the window through EntryView and on the log through LogSession, so tests
// and the window drive the same logic.

#include "log/Contact.h"
#include "log/EntryView.h"
#include "log/LogStore.h"

#include <QDateTime>
#include <functional>
#include <optional>
#include <vector>

namespace zelq {

class Beeper;
class Clock;
class LogSession;
class OperatorDialogs;
class PrefixTable;
struct Preferences;

// Key filters shared by the entry fields of several windows.
QChar Capital(QChar c);                 // a..z → A..Z
std::optional<QChar> number(QChar c);   // digits and Backspace only

// The S/P/C a Canadian call implies ("VE3" → "ON"), or empty.
QString canadianSectionForCall(const QString& call);

inline const QString TimeOnPrompt = QStringLiteral("Click Log \"Time On\"!");
inline const QString NotLoggedMessage =
    QStringLiteral("Contact NOT logged - the log cannot be reached.  Press Enter to try again.");
inline const QString DupCheckFailedTitle = QStringLiteral("Network Error");
inline const QString DupCheckFailedText = QStringLiteral("Unable to check for duplicates - Network Error");

// The failed-insert line, naming what the log ran into where it is known:
// "Contact NOT logged - the log file cannot be written (disk full).  Press
// Enter to try again."
QString notLoggedMessage(WriteProblem problem);

class ContactEntry {
public:
    ContactEntry(LogSession& session, Preferences& prefs, const PrefixTable& prefixes,
                 OperatorDialogs& dialogs, Beeper& beeper, const Clock& clock, EntryView& view);

    // A character typed into a field, after the window's own filter.
    // Returns the character to enter (case rules applied) or nullopt when
    // the key is used up here. Backspace is returned as is.
    std::optional<QChar> callKey(QChar c);
    std::optional<QChar> nameKey(QChar c);
    // `caret`: where typing goes (the start of a selection).
    std::optional<QChar> spcKey(QChar c, int caret);
    std::optional<QChar> postDateKey(QChar c);
    std::optional<QChar> postTimeKey(QChar c);

    // Quotes never reach a field: they would break the log's statements.
    static bool windowAccepts(QChar c);

    void callChanged();
    void spcChanged();
    void callFocusIn();
    void callFocusOut();
    void postDateFocusIn();

    void Mains();
    // `whileTyping`: the call field was left and the operator goes on
    // typing, so a failure shows on the status line, never in a box.
    void DupCheck(bool whileTyping = false);
    void PartialDupCheck(QChar c);
    void cmdLogOn_Click();
    void cmdClear_Click();
    void cmdDup_Click();
    void clearPartialLine() { view.setPartialLine(QString()); }

    // The hold after a duplicate: for three seconds after a duplicate was
    // found, what is typed is the rest of the refused contact and is
    // dropped; Esc ends the hold at once.
    bool holding() const { return holdRemainingMs() > 0; }
    void endHold() { dupFlag = false; }

    bool loggedOn() const { return isLoggedOn; }
    bool partialDisplay() const { return partialOn; }
    double runningOperatingSeconds() const;
    // A new log starts the running operating time from now.
    void restartOperatingTime();

    // Steps that follow a logged contact (list, score, statistics) and the
    // preferences save: plugged in by the parts that own them.
    std::vector<std::function<void()>> afterLogged;
    std::function<void()> savePreferences;
    std::function<void()> onLoggedOff;
    // The call field got the focus (the window hides the edit buttons and
    // restarts the poll timer).
    std::function<void()> onCallFocusIn;
    // A duplicate was found (before the focus goes back to the call field).
    std::function<void()> onDuplicate;

private:
    void frmcmp();
    bool sectionInvalid();
    void clearEntry();
    Contact contactFromFields(const QDateTime& utc) const;
    // After an insert that failed: whether that contact turned out to be
    // stored after all (it is then taken as logged), or cannot be told.
    enum class Stored { Yes, No, Unknown };
    Stored adoptIfStored(const Contact& typed);
    void loggedSteps(const Contact& c);
    QDateTime utcNow() const;
    qint64 holdRemainingMs() const;

    LogSession& session;
    Preferences& prefs;
    const PrefixTable& prefixes;
    OperatorDialogs& dialogs;
    Beeper& beeper;
    const Clock& clock;
    EntryView& view;

    bool isLoggedOn = false;
    QDateTime timeOn;
    bool partialOn = true;
    bool dupFlag = false;
    qint64 dupTimeMs = 0;
    bool entryIncomplete = false;
    bool busy = false; // inside Mains or DupCheck: focus changes do not check again
    // The last contact whose insert failed: it may have been committed all
    // the same, and Enter again must not store it twice.
    std::optional<Contact> unconfirmed;
};

} // namespace zelq
