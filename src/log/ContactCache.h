#pragma once
// The in-memory copy of the whole log that every display reads. Row
// numbers are 1-based (the "Rec#" of the contact list): loaded rows in
// chronological order, then this position's own contacts as logged.
// The rows of each band are indexed too, so that the per-keystroke partial
// duplicate check walks one band, not the whole log.

#include "log/Bands.h"
#include "log/Contact.h"

#include <QHash>
#include <QtGlobal>
#include <array>
#include <vector>

namespace zelq {

class ContactCache {
public:
    int count() const { return int(rows.size()); }
    const Contact& row(int index) const { return rows[size_t(index - 1)]; }
    void append(Contact c);
    void clear();
    void assign(std::vector<Contact> all);
    const std::vector<Contact>& all() const { return rows; }
    // Puts `c` where a load ordered by date and time would have it: after
    // every row of the same or an earlier date and time. Returns its row
    // number; rows after it move down by one.
    int insertInTimeOrder(Contact c);
    // Whether the rows are in date and time order (a load is; a contact
    // logged afterwards with an earlier time, in post-contest mode, is not).
    bool inTimeOrder() const { return timeOrdered; }

    // Changes whenever the rows were replaced (a load, an erase), so that a
    // reader that keeps something per row knows to start over.
    quint64 revision() const { return rev; }
    // Rows put among earlier ones (insertInTimeOrder, not at the end) since
    // the rows were last replaced: how many, and the current row numbers of
    // those from the `from`th on. Rows added since a reader's last look are
    // these and the last (count - count at that look) rows.
    int middleInsertCount() const { return int(middleInserts.size()); }
    std::vector<int> middleInsertedRows(int from) const;

    // Row numbers (ascending) of the rows on band index 1..7; index 0 holds
    // rows whose band is none of the seven.
    const std::vector<int>& rowsOnBand(int band) const;
    // Row numbers (ascending) of the rows on band index 0..7 whose call
    // begins with the first one or two characters of `prefix` (without
    // regard to case): the only rows that can begin with all of it. The
    // index behind it is made on first use and kept up on append.
    const std::vector<int>& rowsOnBandBeginningWith(int band, const QString& prefix) const;

private:
    void indexRow(int rowNumber);

    std::vector<Contact> rows;
    std::array<std::vector<int>, BandCount + 1> byBand;
    // Per band: rows by the first character of the call, and by the first
    // two (case-folded, as one key each).
    struct PrefixIndex {
        bool built = false;
        QHash<quint32, std::vector<int>> one;
        QHash<quint32, std::vector<int>> two;
    };
    mutable std::array<PrefixIndex, BandCount + 1> byPrefix;
    void indexPrefix(PrefixIndex& index, int rowNumber) const;
    void dropPrefixIndex();
    bool timeOrdered = true;
    quint64 rev = nextRevision();
    std::vector<int> middleInserts; // row numbers when inserted
    static quint64 nextRevision();
};

// The order of a load: date, then time, as the log's text compares them.
bool earlierInLog(const Contact& a, const Contact& b);

} // namespace zelq
