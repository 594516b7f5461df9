#pragma once
// Completing country names typed into an S/P/C or country field from the
// prefix table, and the case rules of the log window's S/P/C field.

#include "log/PrefixTable.h"

#include <optional>

namespace zelq {

struct CountryCompletion {
    QString text;     // the candidate followed by the rest of the country name
    int caret = 0;    // after the candidate
    int selStart = 0; // the completed rest is selected
    int selLength = 0;
    int row = 0;      // the prefix-table row that completed it
};

// Candidate = `beforeCaret` + `typed`. The country names are searched from
// the last row to the first; the first that begins with the candidate wins.
std::optional<CountryCompletion> completeCountryName(const PrefixTable& table,
                                                     const QString& beforeCaret, QChar typed,
                                                     Qt::CaseSensitivity cs);

// What one typed character does in the log window's S/P/C field, after the
// field's own filters (double quote, Enter, a key at the field's start).
struct SpcKeyOutcome {
    QString text;          // the field's text after the key
    int caret = 0;
    int selStart = 0;
    int selLength = 0;
    bool consumed = false; // false: `passChar` is typed into `text` as usual
    QChar passChar;        // the character to type, case rules applied
    bool focusNext = false;
    int completedRow = 0;  // set when the key completed a country name
};

// `text` and `caret` are the field before the key.
SpcKeyOutcome spcTypeCharacter(const PrefixTable& table, const QString& text, int caret, QChar typed);

} // namespace zelq
