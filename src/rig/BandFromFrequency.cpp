#include "rig/BandFromFrequency.h"

namespace zelq {

namespace {

struct Range {
    float lower;
    float upper;
    const char* name;
};

constexpr Range Bands[] = {
    {1.7999f, 2.0001f, "160"}, {3.4999f, 4.0001f, "80"},  {6.9999f, 7.3001f, "40"},
    {13.9999f, 14.3501f, "20"}, {20.9999f, 21.4501f, "15"}, {27.9999f, 29.7001f, "10"},
};

constexpr Range Segments[] = {
    {3.5f, 3.6f, "CW"},       {3.6f, 4.0f, "PH"},       {7.0f, 7.125f, "CW"},
    {7.125f, 7.3f, "PH"},     {10.1f, 10.15f, "CW"},    {14.0f, 14.15f, "CW"},
    {14.15f, 14.35f, "PH"},   {18.068f, 18.11f, "CW"},  {18.11f, 18.168f, "PH"},
    {21.0f, 21.2f, "CW"},     {21.2f, 21.45f, "PH"},    {24.89f, 24.93f, "CW"},
    {24.93f, 24.99f, "PH"},   {28.0f, 28.3f, "CW"},     {28.3f, 29.7f, "PH"},
    {50.0f, 50.1f, "CW"},     {50.1f, 54.0f, "PH"},     {144.0f, 144.1f, "CW"},
    {144.1f, 148.0f, "PH"},
};

template <size_t N>
QString lookup(const Range (&table)[N], float mhz)
{
    for (const Range& r : table) {
        if (r.lower < mhz && mhz < r.upper)
            return QString::fromLatin1(r.name);
    }
    return QString();
}

} // namespace

QString bandForFrequency(float mhz)
{
    return lookup(Bands, mhz);
}

QString modeForFrequency(float mhz)
{
    return lookup(Segments, mhz);
}

} // namespace zelq
