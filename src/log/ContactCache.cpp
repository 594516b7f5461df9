#include "log/ContactCache.h"

#include <algorithm>
#include <atomic>

namespace zelq {

quint64 ContactCache::nextRevision()
{
    static std::atomic<quint64> counter{0};
    return ++counter;
}

bool earlierInLog(const Contact& a, const Contact& b)
{
    // Both engines compare these columns without regard to case.
    const int d = a.flddate.compare(b.flddate, Qt::CaseInsensitive);
    if (d != 0)
        return d < 0;
    return a.fldtime.compare(b.fldtime, Qt::CaseInsensitive) < 0;
}

void ContactCache::indexRow(int rowNumber)
{
    byBand[size_t(bandIndex(row(rowNumber).uband))].push_back(rowNumber);
}

void ContactCache::append(Contact c)
{
    if (!rows.empty() && earlierInLog(c, rows.back()))
        timeOrdered = false;
    rows.push_back(std::move(c));
    indexRow(count());
}

int ContactCache::insertInTimeOrder(Contact c)
{
    const auto at = std::upper_bound(rows.begin(), rows.end(), c, earlierInLog);
    if (at == rows.end()) {
        append(std::move(c));
        return count();
    }
    const int rowNumber = int(at - rows.begin()) + 1;
    rows.insert(at, std::move(c));
    for (auto& b : byBand)
        b.clear();
    for (int i = 1; i <= count(); ++i)
        indexRow(i);
    rev = nextRevision();
    return rowNumber;
}

void ContactCache::clear()
{
    rows.clear();
    for (auto& b : byBand)
        b.clear();
    timeOrdered = true;
    rev = nextRevision();
}

void ContactCache::assign(std::vector<Contact> all)
{
    clear();
    rows = std::move(all);
    for (int i = 1; i <= count(); ++i) {
        indexRow(i);
        if (i > 1 && earlierInLog(rows[size_t(i - 1)], rows[size_t(i - 2)]))
            timeOrdered = false;
    }
}

const std::vector<int>& ContactCache::rowsOnBand(int band) const
{
    return byBand[size_t(band >= 0 && band <= BandCount ? band : 0)];
}

} // namespace zelq
