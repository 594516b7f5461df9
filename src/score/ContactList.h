#pragma once
// What the contact list shows: which cache rows, newest first, under the
// two filters ("Last 20"/"All" and "All Bands"/"Current Band"), the nine
// column texts of a row, and the text the list copies to the clipboard.

#include "log/ContactCache.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

namespace zelq {

// "Rec#", "Call", "Name", "SPC", "Cont", "Date/Time", "Bnd", "Name Snt", "Tr".
const QStringList& contactListHeaders();

inline constexpr int ContactListLimit = 20;

// Row numbers to list, newest first. `allRows` lists every row instead of
// the 20 newest; `allBands` lists every band instead of only the rows whose
// band equals `band` (case-insensitively). With one band and "Last 20", the
// 20 newest rows of that band are listed however far back they lie.
std::vector<int> FillContactListRows(const ContactCache& cache, const QString& band,
                                     bool allRows, bool allBands);

// The nine column texts of cache row `row`: row number, call, name, S/P/C,
// continent, "MM/dd hh:mm", band, name sent, transmitter number. A date or
// time that does not read as one is shown as stored.
QStringList contactListItem(const ContactCache& cache, int row);

// "MM/dd hh:mm" from the stored date "yyyy/MM/dd" and time "hh:mm:ss" or "hh:mm".
QString contactListDateTime(const QString& flddate, const QString& fldtime);

// The copy of the listed items: the header line, then one line per item
// from the last listed to the first (oldest first, as the list shows the
// newest on top); fields separated by tabs, lines ended by CR LF. Tabs and
// line breaks inside a field become blanks so that every contact stays on
// one line with nine fields.
QString contactListClipboardText(const QList<QStringList>& itemsInListOrder);

} // namespace zelq
