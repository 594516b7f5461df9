#include "rig/BandPlan.h"

#include "settings/QuotedFile.h"

#include <QFile>

namespace zelq {

namespace {

QStringList fieldsOf(const QString& text)
{
    return QuotedReader::fromText(text).allFields();
}

QString fileText(const QString& path, bool* ok)
{
    QFile f(path);
    *ok = f.open(QIODevice::ReadOnly);
    return *ok ? decodeFileText(f.readAll()) : QString();
}

} // namespace

BandPlanFile parseBandPlan(const QString& text)
{
    BandPlanFile plan;
    const QStringList fields = fieldsOf(text);
    if (fields.isEmpty())
        return plan;
    plan.effective = fields.first();
    plan.ok = true;
    for (qsizetype i = 1; i < fields.size(); i += 5) {
        if (plan.records.size() >= MaxBandPlanRecords)
            break;
        if (i + 4 >= fields.size()) {
            // A blank last line is no record; anything else cut short is.
            bool blank = true;
            for (qsizetype j = i; j < fields.size(); ++j)
                blank = blank && fields[j].trimmed().isEmpty();
            plan.ok = plan.ok && blank;
            break;
        }
        const std::optional<double> lo = parseNumber(fields[i + 3]);
        const std::optional<double> hi = parseNumber(fields[i + 4]);
        if (!lo || !hi) {
            plan.ok = false;
            break;
        }
        plan.records.append({fields[i].trimmed(), fields[i + 1].trimmed(), fields[i + 2].trimmed(), *lo, *hi});
    }
    if (!plan.ok)
        plan.records.clear();
    return plan;
}

BandPlanFile readBandPlanFile(const QString& path)
{
    bool opened = false;
    const QString text = fileText(path, &opened);
    if (!opened)
        return {};
    return parseBandPlan(text);
}

QList<BandPlanRecord> extraRows(const QString& text)
{
    const QStringList fields = fieldsOf(text);
    QList<BandPlanRecord> rows;
    int count = 0;
    for (qsizetype i = 1; i + 4 < fields.size() && count < MaxBandPlanRecords; i += 5, ++count) {
        if (fields[i + 1].trimmed() != QLatin1String("E"))
            continue;
        BandPlanRecord r{fields[i].trimmed(), QStringLiteral("E"), fields[i + 2].trimmed(), 0, 0};
        r.lower = parseNumber(fields[i + 3]).value_or(0);
        r.upper = parseNumber(fields[i + 4]).value_or(0);
        rows.append(r);
    }
    return rows;
}

QList<BandPlanRecord> LoadBandPlan(const QString& path)
{
    bool opened = false;
    const QString text = fileText(path, &opened);
    return opened ? extraRows(text) : QList<BandPlanRecord>{};
}

QString BandPlanMode(const QList<BandPlanRecord>& rows, float mhz)
{
    for (const BandPlanRecord& r : rows) {
        // Compared in single precision, both edges excluded.
        if (!(float(r.lower) < mhz && mhz < float(r.upper)))
            continue;
        if (r.band == QLatin1String("160"))
            return {};
        if (r.mode == QLatin1String("PH")) {
            const bool lower = r.band == QLatin1String("80") || r.band == QLatin1String("40");
            return lower ? QStringLiteral("LSB") : QStringLiteral("USB");
        }
        return r.mode;
    }
    return {};
}

} // namespace zelq
