#pragma once
// The in-memory copy of the whole log that every display reads. Row
// numbers are 1-based (the "Rec#" of the contact list): loaded rows in
// chronological order, then this position's own contacts as logged.

#include "log/Contact.h"

#include <vector>

namespace zelq {

class ContactCache {
public:
    int count() const { return int(rows.size()); }
    const Contact& row(int index) const { return rows[size_t(index - 1)]; }
    Contact& row(int index) { return rows[size_t(index - 1)]; }
    void append(Contact c) { rows.push_back(std::move(c)); }
    void clear() { rows.clear(); }
    void assign(std::vector<Contact> all) { rows = std::move(all); }
    const std::vector<Contact>& all() const { return rows; }

private:
    std::vector<Contact> rows;
};

} // namespace zelq
