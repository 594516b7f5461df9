#include "export/Adif.h"

#include "log/ContactCache.h"
#include "settings/AppFolders.h"
#include "settings/Preferences.h"
#include "settings/QuotedFile.h"

#include <QDate>
#include <QFile>

namespace zelq {

namespace {

const QString CrLf = QStringLiteral("\r\n");

// "<Name:length>value"
void appendTag(QString& out, QLatin1StringView name, const QString& value)
{
    out += QLatin1Char('<');
    out += name;
    out += QLatin1Char(':');
    out += QString::number(value.size());
    out += QLatin1Char('>');
    out += value;
}

// "yyyyMMdd" of a stored "yyyy/MM/dd" date (single-digit month and day
// accepted); empty when it is no valid date. Parsed by hand: a format-driven
// parse per row is the slowest part of a large export.
QString adifDate(const QString& stored)
{
    const QStringView text = QStringView(stored).trimmed();
    int parts[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    int part = 0;
    for (QChar ch : text) {
        if (ch == u'/') {
            if (++part > 2)
                return {};
        } else if (ch >= u'0' && ch <= u'9') {
            parts[part] = parts[part] * 10 + (ch.unicode() - '0');
            if (++digits[part] > 4)
                return {};
        } else {
            return {};
        }
    }
    if (part != 2 || digits[0] != 4 || digits[1] == 0 || digits[1] > 2 || digits[2] == 0
        || digits[2] > 2 || !QDate::isValid(parts[0], parts[1], parts[2]))
        return {};
    QString out;
    out.reserve(8);
    out += QString::number(parts[0]);
    out += QLatin1Char(char('0' + parts[1] / 10));
    out += QLatin1Char(char('0' + parts[1] % 10));
    out += QLatin1Char(char('0' + parts[2] / 10));
    out += QLatin1Char(char('0' + parts[2] % 10));
    return out;
}

QString quoted(const QString& text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

bool AdifCountryTable::ensureLoaded(const QStringList& folders, const QString& shippedDataFolder,
                                    QString* errorText)
{
    if (loaded)
        return true;
    const QString path = findReadOnlyFile(AdifCountryFileName, folders, shippedDataFolder);
    if (path.isEmpty()) {
        if (errorText)
            *errorText = QStringLiteral("File not found: %1").arg(AdifCountryFileName);
        return false;
    }
    return loadFile(path, errorText);
}

bool AdifCountryTable::loadFile(const QString& path, QString* errorText)
{
    auto fail = [&](const QString& why) {
        if (errorText)
            *errorText = why;
        return false;
    };
    QuotedReader reader(path);
    if (!reader.isOpen())
        return fail(QStringLiteral("Unable to read %1: %2").arg(path, reader.errorString()));

    QHash<QString, int> names;
    int count = 0;
    int lineNo = 0;
    while (auto record = reader.nextRecord()) {
        ++lineNo;
        if (record->size() == 1 && record->first().trimmed().isEmpty())
            continue;
        bool ok = false;
        const int number = record->size() == 2 ? record->at(1).trimmed().toInt(&ok) : 0;
        const QString name = record->value(0).trimmed();
        if (!ok || name.isEmpty() || number < -32768 || number > 32767)
            return fail(QStringLiteral("%1, line %2: a country name and its number expected.")
                            .arg(path).arg(lineNo));
        if (++count > MaxRows)
            return fail(QStringLiteral("%1 holds more than %2 countries.").arg(path).arg(MaxRows));
        const QString key = name.toCaseFolded();
        if (!names.contains(key)) // the first row of a name counts
            names.insert(key, number);
    }
    byName.swap(names);
    rows = count;
    loaded = true;
    return true;
}

int AdifCountryTable::number(const QString& country) const
{
    const QString key = country.trimmed();
    if (key.isEmpty())
        return 0;
    return byName.value(key.toCaseFolded(), 0);
}

CountryState exportCountryState(const Contact& c)
{
    CountryState cs;
    if (c.spc.size() == 2) {
        const QChar first = c.calls.isEmpty() ? QChar() : c.calls.at(0).toUpper();
        if (first == u'A' || first == u'K' || first == u'N' || first == u'W') {
            cs.country = QStringLiteral("USA");
            cs.state = c.spc;
        } else {
            cs.country = QStringLiteral("Canada");
        }
    } else if (c.spc.size() > 2) {
        cs.country = c.spc;
    }
    if (cs.state.compare(QLatin1String("HI"), Qt::CaseInsensitive) == 0)
        cs.country = QStringLiteral("Hawaii");
    else if (cs.state.compare(QLatin1String("AK"), Qt::CaseInsensitive) == 0)
        cs.country = QStringLiteral("Alaska");
    return cs;
}

QString adifTimeText(const QString& fldtime)
{
    QString t = fldtime.trimmed();
    if (t.isEmpty())
        return {};
    if (const qsizetype colon = t.indexOf(QLatin1Char(':')); colon >= 0)
        t = t.left(colon) + t.mid(colon + 1, 2);
    t = t.left(4).rightJustified(4, QLatin1Char('0'));
    for (QChar ch : t)
        if (ch < u'0' || ch > u'9')
            return {};
    return t;
}

QString adifModeText(const QString& modeSetting)
{
    const QString m = modeSetting.trimmed();
    if (m.compare(QLatin1String("PH"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("SSB");
    if (m.compare(QLatin1String("RY"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("RTTY");
    return QStringLiteral("CW");
}

QString adifText(const ContactCache& cache, const Preferences& prefs,
                 const AdifCountryTable& countries, const QString& power,
                 const QString& comment, const QString& windowTitle,
                 const QDateTime& exportedAt)
{
    QString out;
    out.reserve(200 + cache.count() * 160);
    out += QStringLiteral("ADIF Export from ") + windowTitle.left(67).trimmed() + CrLf;
    out += QStringLiteral("Log exported on: ")
        + exportedAt.toString(QStringLiteral("yyyy/MM/dd hh:mm:ss")) + CrLf;
    out += CrLf + QStringLiteral("<EOH>") + CrLf + CrLf;

    const QString mode = adifModeText(prefs.mode);
    QString powerText = power;
    while (powerText.endsWith(QLatin1Char(' ')))
        powerText.chop(1);

    for (const Contact& c : cache.all()) {
        const CountryState cs = exportCountryState(c);

        if (!c.calls.isEmpty()) {
            appendTag(out, QLatin1StringView("Call"), c.calls);
            out += QLatin1Char(' ');
        }
        if (const QString date = adifDate(c.flddate); !date.isEmpty()) {
            out += QLatin1StringView("<Qso_Date:8:d>");
            out += date;
            out += QLatin1Char(' ');
        }
        if (!c.uband.isEmpty()) {
            appendTag(out, QLatin1StringView("Band"), c.uband + QLatin1Char('M'));
            out += QLatin1Char(' ');
        }
        appendTag(out, QLatin1StringView("Mode"), mode);
        out += CrLf;

        if (!powerText.isEmpty()) {
            appendTag(out, QLatin1StringView("Tx_Pwr"), powerText);
            out += QLatin1Char(' ');
        }
        if (const QString time = adifTimeText(c.fldtime); !time.isEmpty()) {
            appendTag(out, QLatin1StringView("Time_On"), time);
            out += QLatin1Char(' ');
        }
        if (const int dxcc = countries.number(cs.country); dxcc > 0) {
            appendTag(out, QLatin1StringView("DXCC"), QString::number(dxcc));
            out += QLatin1Char(' ');
        }
        if (!cs.state.isEmpty())
            appendTag(out, QLatin1StringView("State"), cs.state);
        if (!c.cont.isEmpty()) {
            appendTag(out, QLatin1StringView("Cont"), c.cont);
            out += QLatin1Char(' ');
        }
        if (!c.namerec.isEmpty()) {
            appendTag(out, QLatin1StringView("Name"), c.namerec);
            out += QLatin1Char(' ');
        }
        if (!comment.isEmpty()) {
            appendTag(out, QLatin1StringView("Comment"), comment);
            out += CrLf;
        }
        out += QStringLiteral("<eor>") + CrLf + CrLf;
    }
    return out;
}

QString logExpText(const ContactCache& cache, const QString& power, const QString& mode)
{
    const QString modeText = quoted(mode.toUpper());
    const QString powerText = quoted(power);
    QString out;
    out.reserve(cache.count() * 110);
    for (const Contact& c : cache.all()) {
        const CountryState cs = exportCountryState(c);
        out += quoted(c.calls) + QLatin1Char(',') + quoted(c.flddate) + QLatin1Char(',')
            + quoted(c.uband) + QLatin1Char(',') + modeText + QLatin1Char(',') + powerText
            + QLatin1Char(',') + quoted(c.fldtime) + QStringLiteral(",,,,") + quoted(cs.country)
            + QLatin1Char(',') + quoted(cs.state) + QStringLiteral(",,,,,")
            + quoted(QStringLiteral("ZELQ Contest  ") + c.namerec) + CrLf;
    }
    return out;
}

} // namespace zelq
