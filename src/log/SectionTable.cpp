#include "log/SectionTable.h"

#include <array>

namespace zelq {

namespace {

struct Section {
    const char* abbreviation;
    const char* name;
};

constexpr std::array<Section, SectionTable::Count> sections{{
    // call area 1
    {"CT", "Connecticut"}, {"MA", "Massachusetts"}, {"ME", "Maine"},
    {"NH", "New Hampshire"}, {"RI", "Rhode Island"}, {"VT", "Vermont"},
    // 2
    {"NY", "New York"}, {"NJ", "New Jersey"},
    // 3
    {"DE", "Delaware"}, {"PA", "Pennsylvania"}, {"MD", "Maryland"},
    // 4
    {"AL", "Alabama"}, {"GA", "Georgia"}, {"KY", "Kentucky"}, {"NC", "North Carolina"},
    {"FL", "Florida"}, {"SC", "South Carolina"}, {"TN", "Tennessee"}, {"VA", "Virginia"},
    // 5
    {"AR", "Arkansas"}, {"LA", "Louisiana"}, {"MS", "Mississippi"}, {"NM", "New Mexico"},
    {"TX", "Texas"}, {"OK", "Oklahoma"},
    // 6
    {"CA", "California"}, {"HI", "Hawaii"},
    // 7
    {"AZ", "Arizona"}, {"WA", "Washington"}, {"ID", "Idaho"}, {"MT", "Montana"},
    {"NV", "Nevada"}, {"OR", "Oregon"}, {"UT", "Utah"}, {"WY", "Wyoming"}, {"AK", "Alaska"},
    // 8
    {"MI", "Michigan"}, {"OH", "Ohio"}, {"WV", "West Virginia"},
    // 9
    {"IL", "Illinois"}, {"IN", "Indiana"}, {"WI", "Wisconsin"},
    // 0
    {"CO", "Colorado"}, {"IA", "Iowa"}, {"KS", "Kansas"}, {"MN", "Minnesota"},
    {"MO", "Missouri"}, {"NE", "Nebraska"}, {"ND", "North Dakota"}, {"SD", "South Dakota"},
    // Canada
    {"NB", "New Brunswick"}, {"NS", "Nova Scotia"}, {"QC", "Quebec"}, {"ON", "Ontario"},
    {"MB", "Manitoba"}, {"SK", "Saskatchewan"}, {"AB", "Alberta"}, {"BC", "British Columbia"},
    {"NWT", "Northwest Territories"}, {"YT", "Yukon Territory"},
    {"NL", "Newfoundland / Labrador"}, {"PE", "Prince Edward"}, {"NU", "Nunavut"},
}};

} // namespace

QString SectionTable::abbreviation(int index)
{
    if (index < 1 || index > Count)
        return {};
    return QString::fromLatin1(sections[size_t(index - 1)].abbreviation);
}

QString SectionTable::fullName(int index)
{
    if (index < 1 || index > Count)
        return {};
    return QString::fromLatin1(sections[size_t(index - 1)].name);
}

int SectionTable::indexOf(QStringView entry)
{
    if (entry.size() < 2 || entry.size() > 3)
        return 0;
    for (int i = 0; i < Count; ++i)
        if (entry.compare(QLatin1String(sections[size_t(i)].abbreviation), Qt::CaseInsensitive) == 0)
            return i + 1;
    return 0;
}

} // namespace zelq
