#pragma once
// Correcting and removing a contact of the log: the key rules of the edit
// window's fields, the checks of its "Done", and the update and delete
// statements with their failure reports. The edit window and the log
// window's commands drive these; tests drive them without widgets.

#include "log/Contact.h"

#include <QString>
#include <optional>

namespace zelq {

class ContactCache;
class LogSession;
class OperatorDialogs;
class PrefixTable;

// The contact picked in the contact list: its cache row ("Rec#") and the
// key the database knows it by, taken when the edit or delete starts, so a
// reload in between cannot redirect the statement to another contact.
struct ContactSelection {
    int row = 0;  // 1-based ContactCache row
    QString call; // as listed
    QString band; // as listed
    QString time; // fldtime of the row

    bool isValid() const { return row > 0; }
    // The selection of cache row `row`; invalid when there is no such row.
    static ContactSelection fromCache(const ContactCache& cache, int row);
};

// The nine fields of the edit window, in column order.
enum class EditField { Call, Name, Spc, Continent, Date, Time, Band, NameSent, Transmitter };

// What a typed character does in an edit field.
struct EditKeyResult {
    enum class Action {
        Type,   // type `ch` (case rules applied; Backspace as is)
        Refuse, // discard the key
        Done,   // Enter: discard it and run "Done"
    };
    Action action = Action::Type;
    QChar ch;
};

// The field's own filter. The S/P/C field applies editSpcKey to a
// character that passes here.
EditKeyResult editFieldKey(EditField field, QChar typed);

// One character typed into the S/P/C field, after editFieldKey: typed
// into an empty field or at its start, it replaces the whole entry and is
// upper-cased; then it may complete a country name (case-sensitively, from
// the first character on).
struct EditSpcKeyResult {
    QString text;          // the field's new text: the completion, or the text to type into
    int caret = 0;
    bool consumed = false; // true: `text` is a completion with its rest selected
    QChar ch;              // otherwise the character to type at `caret`
    int selStart = 0;      // the selected rest of a completion
    int selLength = 0;
};
EditSpcKeyResult editSpcKey(const PrefixTable& prefixes, const QString& text, int caret, QChar typed);

// The six bands a contact may be saved with (exact text).
bool isEditBand(const QString& band);

// The outcome of "Done" for `edited` (the nine fields as typed) over the
// selected contact.
struct EditDoneResult {
    enum class Stop { None, InvalidTime, InvalidDate };
    Stop stop = Stop::None;  // a message and the focus on that field; nothing else checked
    Contact contact;         // what would be written (a short S/P/C upper-cased)
    int duplicates = 0;      // other rows with exactly this call and band
    bool sectionInvalid = false;
    bool bandInvalid = false; // none of the six bands: never written

    bool canWrite() const
    {
        return stop == Stop::None && duplicates == 0 && !sectionInvalid && !bandInvalid;
    }
};
EditDoneResult checkEditDone(const ContactCache& cache, int row, Contact edited);

// A short S/P/C (two or three characters) that is no section abbreviation,
// compared case-sensitively. Shorter and longer entries are not checked.
bool isInvalidEditSection(const QString& spc);

inline const QString InvalidDateTitle = QStringLiteral("Invalid Date Format!");
inline const QString InvalidDateText = QStringLiteral("You have entered an invalid date format!");
inline const QString InvalidTimeTitle = QStringLiteral("Invalid Time Format!");
inline const QString InvalidTimeText = QStringLiteral("You have entered an invalid time format!");
inline const QString DeleteQuestion = QStringLiteral("Are you sure?");
inline const QString LogWriteErrorTitle = QStringLiteral("Network Error");

// Writes `edited` over every row with the selection's call, band and time.
// A failure is told to the operator and false returned; the cache is left
// to the reload that follows.
bool updateSelectedContact(LogSession& session, OperatorDialogs& dialogs,
                           const ContactSelection& selection, const Contact& edited);

// Removes every row with the selection's call, band and time; a failure is
// told to the operator and false returned.
bool deleteSelectedContact(LogSession& session, OperatorDialogs& dialogs,
                           const ContactSelection& selection);

} // namespace zelq
