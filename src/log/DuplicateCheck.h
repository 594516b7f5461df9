#pragma once
// Duplicate checking. A station counts once per band: the shared table
// decides (it knows every position's contacts at once); the in-memory log
// only feeds the partial list shown while a call is typed.

#include "log/Contact.h"
#include "log/ContactCache.h"

#include <optional>
#include <vector>

namespace zelq {

struct DupCheckOutcome {
    std::optional<Contact> duplicate; // the contact on the current band
    std::optional<QString> fillName;  // from the first contact of the call, when the field is empty
    std::optional<QString> fillSpc;
};

// Walks the rows the table returned for the call: the first row of the
// call (any band) fills an empty name and S/P/C; a row on `band` is the
// duplicate and ends the walk.
DupCheckOutcome findDuplicate(const std::vector<Contact>& rowsForCall, const QString& call,
                              const QString& band, const QString& nameField,
                              const QString& spcField);

// "Dupe: W1AW BOB CT 02/07 01:23 ON 20"
QString dupeStatusText(const Contact& c);

// Calls worked on `band` that begin with `typed`, newest first, each
// followed by a blank; collecting stops once the text passes 100 characters.
QString partialDupeList(const ContactCache& cache, const QString& typed, const QString& band);

// True for a three-character call start whose second and third characters
// are neither digits nor "/" (K X X): almost surely a typing slip.
bool callFormatSuspicious(const QString& typed);

inline const QString NotNumericMessage = QStringLiteral("The second or third character is not numeric!");
inline const QString PossibleDuplicateMessage = QStringLiteral("Possible Duplicate!");

} // namespace zelq
