// make_country_files CTY_CSV OUT_DIR
//
// Turns the country file cty.csv (one entity per line: primary prefix, name,
// DXCC number, continent, CQ zone, ITU zone, latitude, longitude positive
// west, UTC offset, prefix list ended by ";") into the program's prefix table
// arrlpre2.txt and its country list ADIFCnt.txt.
//
// A prefix table record is: prefix, country, continent, longitude, latitude,
// CQ zone, ITU zone, UTC offset, sorted by comparePrefixes so the call lookup
// can search it. Whole calls ("=" entries) and WAE-only entities ("*" primary
// prefix) are left out; per-prefix overrides replace the entity's values.
// Any input the tool does not understand stops it: a half-understood table
// would send calls to the wrong country without anyone noticing.

#include "log/PrefixOrder.h"
#include "settings/QuotedFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QSet>
#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace {

struct Location {
    QString continent;
    double cqZone = 0;
    double ituZone = 0;
    double latitude = 0;
    double longitude = 0; // positive west
    double utcOffset = 0;
};

struct PrefixRecord {
    QString prefix;
    QString country;
    Location where;
};

struct Tables {
    QList<PrefixRecord> prefixes;
    QMap<QString, int> dxccByCountry;
};

// Errors carry their line; main prints them and fails.
struct InputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(int lineNo, const QString& what)
{
    throw InputError(QStringLiteral("line %1: %2").arg(lineNo).arg(what).toStdString());
}

double number(int lineNo, const QString& text, const char* what, double min, double max,
              bool whole = false)
{
    const auto v = zelq::parseNumber(text);
    if (!v || *v < min || *v > max || (whole && *v != static_cast<long long>(*v)))
        fail(lineNo, QStringLiteral("bad %1 \"%2\"").arg(QLatin1String(what), text));
    return *v;
}

QString continent(int lineNo, const QString& text)
{
    static const QStringList known = {QStringLiteral("AF"), QStringLiteral("AN"),
                                      QStringLiteral("AS"), QStringLiteral("EU"),
                                      QStringLiteral("NA"), QStringLiteral("OC"),
                                      QStringLiteral("SA")};
    const QString c = text.trimmed().toUpper();
    if (!known.contains(c))
        fail(lineNo, QStringLiteral("bad continent \"%1\"").arg(text));
    return c;
}

// Splits "AA0(4)[7]" into its bare prefix and applies the overrides it
// carries to `where`.
QString applyOverrides(int lineNo, const QString& entry, Location& where)
{
    static const QString openers = QStringLiteral("([<{~");
    static const QString closers = QStringLiteral(")]>}~");
    QString prefix;
    for (qsizetype i = 0; i < entry.size(); ++i) {
        const qsizetype kind = openers.indexOf(entry[i]);
        if (kind < 0) {
            prefix += entry[i];
            continue;
        }
        const qsizetype close = entry.indexOf(closers[kind], i + 1);
        if (close < 0)
            fail(lineNo, QStringLiteral("unclosed override in \"%1\"").arg(entry));
        const QString value = entry.mid(i + 1, close - i - 1);
        switch (kind) {
        case 0: where.cqZone = number(lineNo, value, "CQ zone", 1, 40, true); break;
        case 1: where.ituZone = number(lineNo, value, "ITU zone", 1, 90, true); break;
        case 2: {
            const QStringList latLon = value.split(QLatin1Char('/'));
            if (latLon.size() != 2)
                fail(lineNo, QStringLiteral("bad position \"%1\"").arg(value));
            where.latitude = number(lineNo, latLon[0], "latitude", -90, 90);
            where.longitude = number(lineNo, latLon[1], "longitude", -180, 180);
            break;
        }
        case 3: where.continent = continent(lineNo, value); break;
        case 4: where.utcOffset = number(lineNo, value, "UTC offset", -14, 14); break;
        }
        i = close;
    }
    // The table is written quoted and comma-separated; these would break it.
    if (prefix.isEmpty() || prefix.contains(QLatin1Char('"')) || prefix.contains(QLatin1Char(',')))
        fail(lineNo, QStringLiteral("bad prefix \"%1\"").arg(entry));
    return prefix;
}

void readEntity(int lineNo, const QString& line, Tables& out, QSet<QString>& seen)
{
    const QStringList f = line.split(QLatin1Char(','));
    if (f.size() != 10)
        fail(lineNo, QStringLiteral("expected 10 fields, found %1").arg(f.size()));
    const QString primary = f[0].trimmed();
    if (primary.startsWith(QLatin1Char('*')))
        return;
    QString country = f[1].trimmed();
    if (country == QLatin1String("United States"))
        country = QStringLiteral("USA");
    if (country.isEmpty() || country.contains(QLatin1Char('"')))
        fail(lineNo, QStringLiteral("bad country name \"%1\"").arg(country));
    const int dxcc = int(number(lineNo, f[2], "DXCC number", 0, 9999, true));

    Location entity;
    entity.continent = continent(lineNo, f[3]);
    entity.cqZone = number(lineNo, f[4], "CQ zone", 1, 40, true);
    entity.ituZone = number(lineNo, f[5], "ITU zone", 1, 90, true);
    entity.latitude = number(lineNo, f[6], "latitude", -90, 90);
    entity.longitude = number(lineNo, f[7], "longitude", -180, 180);
    entity.utcOffset = number(lineNo, f[8], "UTC offset", -14, 14);

    // Without the closing ";" the line may have been cut short.
    QString list = f[9].trimmed();
    if (!list.endsWith(QLatin1Char(';')))
        fail(lineNo, QStringLiteral("prefix list does not end with \";\""));
    list.chop(1);

    bool used = false;
    for (const QString& entry : list.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (entry.startsWith(QLatin1Char('=')))
            continue;
        Location where = entity;
        const QString prefix = applyOverrides(lineNo, entry, where);
        const QString key = prefix.toUpper(); // the table's order ignores case
        if (seen.contains(key))
            continue;
        seen.insert(key);
        out.prefixes.append({prefix, country, where});
        used = true;
    }
    if (!used)
        return;
    const auto known = out.dxccByCountry.constFind(country);
    if (known != out.dxccByCountry.constEnd() && *known != dxcc)
        fail(lineNo, QStringLiteral("country \"%1\" has DXCC numbers %2 and %3")
                         .arg(country).arg(*known).arg(dxcc));
    out.dxccByCountry.insert(country, dxcc);
}

Tables readCtyCsv(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw InputError(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()).toStdString());
    const QStringList lines = zelq::decodeFileText(file.readAll()).split(QLatin1Char('\n'));
    Tables out;
    QSet<QString> seen;
    try {
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QString line = lines[i].trimmed(); // also drops a CR of CR LF files
            if (!line.isEmpty())
                readEntity(int(i + 1), line, out, seen);
        }
    } catch (const InputError& e) {
        throw InputError(path.toStdString() + ", " + e.what());
    }
    if (out.prefixes.isEmpty())
        throw InputError(QStringLiteral("%1 holds no prefixes").arg(path).toStdString());
    return out;
}

zelq::QuotedWriter prefixTable(QList<PrefixRecord> records)
{
    std::stable_sort(records.begin(), records.end(), [](const auto& a, const auto& b) {
        return zelq::comparePrefixes(a.prefix, b.prefix) < 0;
    });
    zelq::QuotedWriter w;
    for (const PrefixRecord& r : records) {
        const Location& l = r.where;
        w.record({r.prefix, r.country, l.continent, l.longitude, l.latitude, l.cqZone,
                  l.ituZone, l.utcOffset});
    }
    return w;
}

zelq::QuotedWriter countryList(const QMap<QString, int>& dxccByCountry)
{
    QStringList names = dxccByCountry.keys();
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = QString::compare(a, b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    zelq::QuotedWriter w;
    for (const QString& name : names)
        w.record({name, dxccByCountry.value(name)});
    return w;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: make_country_files CTY_CSV OUT_DIR\n");
        return 2;
    }
    try {
        const Tables tables = readCtyCsv(args[1]);
        const QDir out(args[2]);
        const QList<std::pair<QString, zelq::QuotedWriter>> files = {
            {out.filePath(QStringLiteral("arrlpre2.txt")), prefixTable(tables.prefixes)},
            {out.filePath(QStringLiteral("ADIFCnt.txt")), countryList(tables.dxccByCountry)},
        };
        for (const auto& [path, writer] : files) {
            QString error;
            if (!writer.save(path, &error))
                throw InputError(QStringLiteral("cannot write %1: %2").arg(path, error).toStdString());
        }
    } catch (const InputError& e) {
        std::fprintf(stderr, "make_country_files: %s\n", e.what());
        return 1;
    }
    return 0;
}
