#include "score/ScoreRules.h"

#include "core/NumberFormat.h"
#include "log/SectionTable.h"

#include <array>
#include <limits>

namespace zelq {

namespace {

// A count as the displays write it: a blank before a non-negative number.
QString spaced(qint64 n)
{
    return n >= 0 ? QLatin1Char(' ') + QString::number(n) : QString::number(n);
}

// "###,###,###,##0" for a whole 64-bit number, exact beyond a double's
// 53-bit mantissa.
QString groupedScore(qint64 n)
{
    QString digits = QString::number(n < 0 ? -n : n);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return n < 0 ? QLatin1Char('-') + digits : digits;
}

// Largest per-band count the breakdown keeps.
constexpr int breakdownLimit = 32767;

} // namespace

int SectionMultCount(const SectionWorkedFlags& flags)
{
    return flags.total();
}

std::optional<int> totalMultipliers(const MultiplierRecords& records)
{
    qint64 m = SectionMultCount(records.sections);
    for (int b = 1; b <= BandCount; ++b) {
        m += records.countries.count(b);
        if (m > std::numeric_limits<int>::max())
            return std::nullopt;
    }
    return int(m);
}

std::optional<qint64> claimedScore(const ContactCache& cache, const MultiplierRecords& records)
{
    const std::optional<int> m = totalMultipliers(records);
    if (!m)
        return std::nullopt;
    return qint64(cache.count()) * qint64(*m);
}

std::optional<int> bandMultipliers(const MultiplierRecords& records, const QString& band)
{
    const int b = bandIndex(band);
    if (!b)
        return std::nullopt;
    int k = 0;
    for (int i = 1; i <= SectionTable::Count; ++i)
        k += records.sections.worked(i, b) ? 1 : 0;
    return k + records.countries.count(b);
}

std::optional<ScoreTexts> Labeldisplay(const ContactCache& cache, const MultiplierRecords& records,
                                       const QString& band)
{
    const std::optional<int> m = totalMultipliers(records);
    if (!m)
        return std::nullopt;
    ScoreTexts t;
    t.totCon = formatPattern(cache.count(), u"###,##0");
    t.sectogo = QString::number(*m);
    t.totScore = groupedScore(qint64(cache.count()) * qint64(*m));
    if (const std::optional<int> k = bandMultipliers(records, band))
        t.label4 = QString::number(*k);
    return t;
}

QString countryListHeading(const QString& band, int count)
{
    return QStringLiteral("NA DX ") + band + QStringLiteral(" -") + spaced(count);
}

QString sectionBreakdown(const ContactCache& cache, int section)
{
    const QString abbreviation = SectionTable::abbreviation(section);
    if (abbreviation.isEmpty())
        return {};
    // 6 m and unknown band texts are left out: only the six HF bands count.
    constexpr int hfBands = 6;
    std::array<int, hfBands + 1> counts{};
    for (int b = 1; b <= hfBands; ++b) {
        for (int row : cache.rowsOnBand(b)) {
            if (counts[size_t(b)] >= breakdownLimit)
                break;
            if (cache.row(row).spc.compare(abbreviation, Qt::CaseInsensitive) == 0)
                ++counts[size_t(b)];
        }
    }
    qint64 total = 0;
    for (int b = 1; b <= hfBands; ++b)
        total += counts[size_t(b)];

    QString text = QLatin1Char(' ') + SectionTable::fullName(section) + QStringLiteral("    Total =")
        + spaced(total) + QLatin1Char('\n');
    for (int b = 1; b <= hfBands; ++b)
        text += QStringLiteral("  ") + bandText(b) + QStringLiteral(" =") + spaced(counts[size_t(b)]);
    return text;
}

QString nextBand(const QString& band)
{
    const int b = bandIndex(band);
    if (b < 1 || b > 6)
        return {};
    return bandText(b == 6 ? 1 : b + 1);
}

} // namespace zelq
