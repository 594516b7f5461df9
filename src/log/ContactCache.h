#pragma once
// The in-memory copy of the whole log that every display reads. Row
// numbers are 1-based (the "Rec#" of the contact list): loaded rows in
// chronological order, then this position's own contacts as logged.
// The rows of each band are indexed too, so that the per-keystroke partial
// duplicate check walks one band, not the whole log.

#include "log/Bands.h"
#include "log/Contact.h"

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

    // Changes whenever rows were renumbered or replaced (not on append), so
    // that a reader that keeps something per row knows to start over.
    quint64 revision() const { return rev; }

    // Row numbers (ascending) of the rows on band index 1..7; index 0 holds
    // rows whose band is none of the seven.
    const std::vector<int>& rowsOnBand(int band) const;

private:
    void indexRow(int rowNumber);

    std::vector<Contact> rows;
    std::array<std::vector<int>, BandCount + 1> byBand;
    bool timeOrdered = true;
    quint64 rev = nextRevision();
    static quint64 nextRevision();
};

// The order of a load: date, then time, as the log's text compares them.
bool earlierInLog(const Contact& a, const Contact& b);

} // namespace zelq
