#pragma once
// The 63 state and province abbreviations that are valid short S/P/C entries.
// Their order is the order of the multiplier grid: US states by call area,
// then the Canadian provinces and territories.

#include <QString>

namespace zelq {

class SectionTable {
public:
    static constexpr int Count = 63;

    // Index 1..63; empty text outside that range.
    static QString abbreviation(int index);
    static QString fullName(int index);

    // 1..63 of the abbreviation equal to `entry` (case-insensitive), else 0.
    static int indexOf(QStringView entry);
};

} // namespace zelq
