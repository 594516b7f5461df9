#include "export/Cabrillo.h"

#include "log/ContactCache.h"
#include "log/MultiplierRecords.h"
#include "score/ScoreRules.h"
#include "settings/AtomicFile.h"
#include "settings/FileSafeCall.h"
#include "settings/Preferences.h"

#include <QDate>

namespace zelq {

namespace {

const QString crlf = QStringLiteral("\r\n");

// Appends `field` so that it starts at 1-based `column`; when the line
// already reaches that column, one blank keeps the fields apart.
void putAt(QString& line, int column, const QString& field)
{
    const int start = column - 1;
    if (line.size() < start)
        line += QString(start - line.size(), QLatin1Char(' '));
    else if (!line.isEmpty())
        line += QLatin1Char(' ');
    line += field;
}

// The stored "yyyy/MM/dd" as "yyyy-MM-dd". A text that is no date is
// written as stored rather than dropped.
QString isoDate(const QString& stored)
{
    for (const char* f : {"yyyy/MM/dd", "yyyy/M/d", "yyyy-MM-dd", "yyyy-M-d"}) {
        const QDate d = QDate::fromString(stored, QLatin1String(f));
        if (d.isValid())
            return d.toString(QStringLiteral("yyyy-MM-dd"));
    }
    return stored;
}

QString contestName(const QString& mode)
{
    if (mode == QLatin1String("PH"))
        return QStringLiteral("ZELQ-SSB");
    if (mode == QLatin1String("RY"))
        return QStringLiteral("ZELQ-RTTY");
    return QStringLiteral("ZELQ-CW");
}

} // namespace

QString cabrilloFrequency(const QString& band)
{
    static const std::pair<const char*, const char*> table[] = {
        {"160", " 1800"}, {"80", " 3500"}, {"40", " 7000"}, {"20", "14000"},
        {"15", "21000"},  {"10", "28000"}, {"6", "50"},
    };
    for (const auto& [b, f] : table)
        if (band == QLatin1String(b))
            return QLatin1String(f);
    return {};
}

QString cabrilloCategory(bool multiOp, CabrilloPower power)
{
    QString s = multiOp ? QStringLiteral("MULTI-TWO ALL") : QStringLiteral("SINGLE-OP ALL");
    switch (power) {
    case CabrilloPower::High: s += QStringLiteral(" HIGH"); break;
    case CabrilloPower::Low: s += QStringLiteral(" LOW"); break;
    case CabrilloPower::Qrp: s += QStringLiteral(" QRP"); break;
    case CabrilloPower::None: break;
    }
    return s;
}

QString cabrilloQsoLine(const Contact& c, const QString& ownCall, const QString& ownSpc,
                        const QString& mode)
{
    QString line;
    line.reserve(110);
    line += QStringLiteral("QSO:");
    putAt(line, 6, cabrilloFrequency(c.uband));
    putAt(line, 12, mode);
    putAt(line, 15, isoDate(c.flddate));
    putAt(line, 26, c.fldtime.left(2) + c.fldtime.mid(3, 2));
    putAt(line, 31, ownCall);
    putAt(line, 47, c.namesent.left(10));
    putAt(line, 58, ownSpc);
    putAt(line, 62, c.calls);
    putAt(line, 78, c.namerec.left(10));
    putAt(line, 89, c.spc.left(3));
    putAt(line, 93, c.trn);
    return line;
}

QString cabrilloText(const CabrilloHeader& header, const ContactCache& cache,
                     const Preferences& prefs, const MultiplierRecords& records)
{
    const QString ownCall = prefs.ownCall.trimmed();
    // The score cannot overflow for any log that fits in memory; an empty
    // result would only come from corrupt counts.
    const qint64 score = claimedScore(cache, records).value_or(0);

    QString text;
    text.reserve(200 * (cache.count() + 16));
    const auto line = [&text](const QString& s) { text += s + crlf; };
    line(QStringLiteral("START-OF-LOG: 2.0"));
    line(QStringLiteral("CREATED-BY: ") + header.createdBy.left(67).trimmed());
    line(QStringLiteral("CONTEST: ") + contestName(prefs.mode));
    line(QStringLiteral("CALLSIGN: ") + ownCall);
    line(QStringLiteral("CATEGORY: ") + cabrilloCategory(header.multiOp, header.power));
    line(QStringLiteral("CATEGORY-ASSISTED: NON-ASSISTED"));
    // A number in print style: a blank for the sign, the digits, a blank.
    line(QStringLiteral("CLAIMED-SCORE: ") + QLatin1Char(score < 0 ? '-' : ' ')
         + QString::number(qAbs(score)) + QLatin1Char(' '));
    line(QStringLiteral("OPERATORS: ")
         + (header.operators.trimmed().isEmpty() ? ownCall : header.operators));
    line(QStringLiteral("NAME: ") + header.name);
    line(QStringLiteral("ADDRESS: ") + header.addressLine1);
    line(QStringLiteral("ADDRESS: ") + header.addressLine2);
    line(QStringLiteral("ADDRESS: (e-mail) ") + header.email);
    line(QStringLiteral("SOAPBOX: ") + header.soapbox);
    for (const Contact& c : cache.all())
        line(cabrilloQsoLine(c, ownCall, prefs.ownSpc, prefs.mode));
    line(QStringLiteral("END-OF-LOG:"));
    return text;
}

QString cabrilloFileProposal(const QString& programFolder, const QString& ownCall)
{
    return programFolder + QLatin1Char('/') + FileSafeCall(ownCall.trimmed())
        + QStringLiteral(".log");
}

bool writeCabrilloFile(const QString& path, const CabrilloHeader& header, const ContactCache& cache,
                       const Preferences& prefs, const MultiplierRecords& records, QString* error)
{
    return writeTextFileAtomically(path, cabrilloText(header, cache, prefs, records), error);
}

} // namespace zelq
