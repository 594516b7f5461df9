#pragma once
// Per-band multiplier records rebuilt from the whole log on every load:
// which sections are worked on which band, and which North-American
// countries are worked on each band.

#include "log/Bands.h"
#include "log/Contact.h"
#include "log/SectionTable.h"

#include <QStringList>
#include <array>
#include <cstdint>

namespace zelq {

class SectionWorkedFlags {
public:
    // section 1..63, band index 1..7; anything else reads 0 and is not stored
    bool worked(int section, int band) const;
    void set(int section, int band);
    void clear() { flags = {}; }
    // Number of (band, section) pairs worked.
    int total() const;

private:
    std::array<std::array<std::uint8_t, BandCount + 1>, SectionTable::Count + 1> flags{};
};

class BandCountryLists {
public:
    // Countries of band index 1..7 in the order first worked.
    const QStringList& countries(int band) const;
    int count(int band) const { return int(countries(band).size()); }
    bool contains(int band, const QString& country) const;
    // Adds unless already there (without regard to case); false if not added.
    bool add(int band, const QString& country);
    // Adds without looking first (the caller knows it is new).
    void append(int band, const QString& country);
    void clear();
    int total() const;

private:
    std::array<QStringList, BandCount + 1> lists;
};

struct MultiplierRecords {
    SectionWorkedFlags sections;
    BandCountryLists countries;

    void clear();
    // What one logged contact adds: a section (two or three characters) or
    // a North-American country (isCountryMultiplier).
    void addContact(const Contact& c);
};

} // namespace zelq
