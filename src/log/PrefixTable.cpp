#include "log/PrefixTable.h"

#include "log/PrefixOrder.h"
#include "settings/AppFolders.h"
#include "settings/QuotedFile.h"

#include <algorithm>

namespace zelq {

PrefixTable::PrefixTable(std::vector<PrefixRow> r) : rows(std::move(r))
{
    // The lookup depends on the order; a hand-edited file that is out of
    // order is put right instead of giving wrong countries.
    const auto less = [](const PrefixRow& a, const PrefixRow& b) {
        return comparePrefixes(a.prefix, b.prefix) < 0;
    };
    if (!std::is_sorted(rows.begin(), rows.end(), less))
        std::stable_sort(rows.begin(), rows.end(), less);
    index();
}

void PrefixTable::index()
{
    upper.clear();
    first.clear();
    maxLength = 0;
    upper.reserve(rows.size());
    first.reserve(rows.size());
    for (const PrefixRow& r : rows) {
        upper.push_back(r.prefix.toUpper());
        first.push_back(prefixOrderKey(r.prefix.at(0)));
        maxLength = std::max(maxLength, r.prefix.size());
    }
}

PrefixTable PrefixTable::fromFile(const QString& path)
{
    QuotedReader reader(path);
    std::vector<PrefixRow> rows;
    while (auto record = reader.nextRecord()) {
        const QStringList& f = *record;
        if (f.size() < 5 || f.at(0).trimmed().isEmpty())
            continue;
        const auto longitude = parseNumber(f.at(3));
        const auto latitude = parseNumber(f.at(4));
        if (!longitude || !latitude)
            continue;
        rows.push_back({f.at(0).trimmed(), f.at(1), f.at(2), float(*longitude), float(*latitude)});
    }
    PrefixTable table(std::move(rows));
    if (reader.isOpen())
        table.source = path;
    return table;
}

PrefixTable loadPrefixTable(const QStringList& folders, const QString& shippedDataFolder)
{
    const QString path = findReadOnlyFile(PrefixFileName, folders, shippedDataFolder);
    return path.isEmpty() ? PrefixTable() : PrefixTable::fromFile(path);
}

int PrefixTable::firstRowOfCountry(const QString& country) const
{
    for (int i = 1; i <= count(); ++i)
        if (row(i).country.compare(country, Qt::CaseInsensitive) == 0)
            return i;
    return 0;
}

} // namespace zelq
