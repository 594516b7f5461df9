#include "log/MultiplierRecords.h"

#include "log/SectionRules.h"

namespace zelq {

namespace {

bool validBand(int band)
{
    return band >= 1 && band <= BandCount;
}

} // namespace

bool SectionWorkedFlags::worked(int section, int band) const
{
    if (section < 1 || section > SectionTable::Count || !validBand(band))
        return false;
    return flags[size_t(section)][size_t(band)] != 0;
}

void SectionWorkedFlags::set(int section, int band)
{
    if (section >= 1 && section <= SectionTable::Count && validBand(band))
        flags[size_t(section)][size_t(band)] = 1;
}

int SectionWorkedFlags::total() const
{
    int n = 0;
    for (int s = 1; s <= SectionTable::Count; ++s)
        for (int b = 1; b <= BandCount; ++b)
            n += flags[size_t(s)][size_t(b)];
    return n;
}

const QStringList& BandCountryLists::countries(int band) const
{
    static const QStringList none;
    return validBand(band) ? lists[size_t(band)] : none;
}

bool BandCountryLists::contains(int band, const QString& country) const
{
    return countries(band).contains(country, Qt::CaseInsensitive);
}

bool BandCountryLists::add(int band, const QString& country)
{
    if (!validBand(band) || contains(band, country))
        return false;
    lists[size_t(band)].append(country);
    return true;
}

void BandCountryLists::append(int band, const QString& country)
{
    if (validBand(band))
        lists[size_t(band)].append(country);
}

void BandCountryLists::clear()
{
    for (QStringList& l : lists)
        l.clear();
}

int BandCountryLists::total() const
{
    int n = 0;
    for (int b = 1; b <= BandCount; ++b)
        n += count(b);
    return n;
}

void MultiplierRecords::clear()
{
    sections.clear();
    countries.clear();
}

void MultiplierRecords::addContact(const Contact& c)
{
    const int band = bandIndex(c.uband);
    if (!band)
        return;
    if (isCountryMultiplier(c.spc, c.cont))
        countries.add(band, c.spc);
    if (c.spc.size() == 2 || c.spc.size() == 3)
        sections.set(SectionTable::indexOf(c.spc), band);
}

} // namespace zelq
