#include "log/ContactCache.h"

namespace zelq {

void ContactCache::indexRow(int rowNumber)
{
    byBand[size_t(bandIndex(row(rowNumber).uband))].push_back(rowNumber);
}

void ContactCache::append(Contact c)
{
    rows.push_back(std::move(c));
    indexRow(count());
}

void ContactCache::clear()
{
    rows.clear();
    for (auto& b : byBand)
        b.clear();
}

void ContactCache::assign(std::vector<Contact> all)
{
    clear();
    rows = std::move(all);
    for (int i = 1; i <= count(); ++i)
        indexRow(i);
}

const std::vector<int>& ContactCache::rowsOnBand(int band) const
{
    return byBand[size_t(band >= 0 && band <= BandCount ? band : 0)];
}

} // namespace zelq
