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

namespace {

quint32 foldedKey(const QString& call, int chars)
{
    quint32 key = 0;
    for (int i = 0; i < chars; ++i)
        key = (key << 16) | (i < call.size() ? call.at(i).toCaseFolded().unicode() : 0);
    return key;
}

const std::vector<int> noRows;

} // namespace

void ContactCache::indexRow(int rowNumber)
{
    const size_t band = size_t(bandIndex(row(rowNumber).uband));
    byBand[band].push_back(rowNumber);
    if (byPrefix[band].built)
        indexPrefix(byPrefix[band], rowNumber);
}

void ContactCache::indexPrefix(PrefixIndex& index, int rowNumber) const
{
    const QString& call = row(rowNumber).calls;
    if (call.isEmpty())
        return;
    index.one[foldedKey(call, 1)].push_back(rowNumber);
    if (call.size() >= 2)
        index.two[foldedKey(call, 2)].push_back(rowNumber);
}

void ContactCache::dropPrefixIndex()
{
    for (auto& p : byPrefix)
        p = PrefixIndex();
}

const std::vector<int>& ContactCache::rowsOnBandBeginningWith(int band, const QString& prefix) const
{
    const size_t b = size_t(band >= 0 && band <= BandCount ? band : 0);
    if (prefix.isEmpty())
        return byBand[b];
    PrefixIndex& index = byPrefix[b];
    if (!index.built) {
        index.built = true;
        for (int r : byBand[b])
            indexPrefix(index, r);
    }
    const auto& map = prefix.size() >= 2 ? index.two : index.one;
    const auto it = map.constFind(foldedKey(prefix, prefix.size() >= 2 ? 2 : 1));
    return it == map.constEnd() ? noRows : *it;
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
    dropPrefixIndex();
    for (auto& b : byBand)
        b.clear();
    for (int i = 1; i <= count(); ++i)
        indexRow(i);
    middleInserts.push_back(rowNumber);
    return rowNumber;
}

std::vector<int> ContactCache::middleInsertedRows(int from) const
{
    std::vector<int> now;
    for (size_t i = size_t(std::max(from, 0)); i < middleInserts.size(); ++i) {
        int r = middleInserts[i];
        for (size_t j = i + 1; j < middleInserts.size(); ++j)
            if (middleInserts[j] <= r)
                ++r; // a later row put before it moved it down
        now.push_back(r);
    }
    return now;
}

void ContactCache::clear()
{
    rows.clear();
    for (auto& b : byBand)
        b.clear();
    dropPrefixIndex();
    middleInserts.clear();
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
