#pragma once
// The call-prefix table: prefix, country, continent and position, in
// ascending case-insensitive order of prefix. Rows are numbered 1..count().

#include <QString>
#include <vector>

namespace zelq {

struct PrefixRow {
    QString prefix;
    QString country;
    QString continent;
    float longitude = 0; // degrees, positive west
    float latitude = 0;  // degrees, positive north
};

class PrefixTable {
public:
    PrefixTable() = default;
    // Rows as given; put in prefix order when they are not already.
    explicit PrefixTable(std::vector<PrefixRow> rows);

    // Reads a prefix file (records of eight comma-separated fields: prefix,
    // country, continent, longitude, latitude, and three fields not used
    // here). Records that cannot be read are skipped; a missing file gives
    // an empty table.
    static PrefixTable fromFile(const QString& path);

    int count() const { return int(rows.size()); }
    bool isEmpty() const { return rows.empty(); }
    // Row 1..count().
    const PrefixRow& row(int index) const { return rows[size_t(index - 1)]; }

    // The prefix upper-cased, and its first character's order key (kept so
    // that a lookup compares without converting on every keystroke).
    const QString& upperPrefix(int index) const { return upper[size_t(index - 1)]; }
    char16_t firstKey(int index) const { return first[size_t(index - 1)]; }

    // Length of the longest prefix in the table.
    qsizetype longestPrefix() const { return maxLength; }

    // The first row whose country is `country` (case-insensitive), else 0.
    int firstRowOfCountry(const QString& country) const;

    // Where the table came from, for messages; empty when built in memory.
    QString sourcePath() const { return source; }

private:
    void index();

    std::vector<PrefixRow> rows;
    std::vector<QString> upper;
    std::vector<char16_t> first;
    qsizetype maxLength = 0;
    QString source;
};

inline const QString PrefixFileName = QStringLiteral("arrlpre2.txt");

// The prefix table from the first of `folders` (shared folder, program
// folder, installation folder) that holds the prefix file, else from the
// shipped data folder. Without any prefix file the table is empty and every
// call resolves to "Not Found".
PrefixTable loadPrefixTable(const QStringList& folders, const QString& shippedDataFolder);

} // namespace zelq
