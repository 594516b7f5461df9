#include "log/DuplicateCheck.h"

namespace zelq {

namespace {

bool same(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// "yyyy/mm/dd" → "mm/dd"; "hh:mm:ss" → "hh:mm"; other texts as they are.
QString monthDay(const QString& date)
{
    return date.size() >= 10 ? date.mid(5, 5) : date;
}

QString hourMinute(const QString& time)
{
    return time.size() >= 5 ? time.left(5) : time;
}

} // namespace

DupCheckOutcome findDuplicate(const std::vector<Contact>& rowsForCall, const QString& call,
                              const QString& band, const QString& nameField,
                              const QString& spcField)
{
    DupCheckOutcome r;
    bool nameEmpty = nameField.isEmpty();
    bool spcEmpty = spcField.isEmpty();
    for (const Contact& row : rowsForCall) {
        if (!same(row.calls, call))
            continue;
        if (nameEmpty) {
            r.fillName = row.namerec;
            nameEmpty = row.namerec.isEmpty();
        }
        if (spcEmpty) {
            r.fillSpc = row.spc;
            spcEmpty = row.spc.isEmpty();
        }
        if (same(row.uband, band)) {
            r.duplicate = row;
            break;
        }
    }
    return r;
}

QString dupeStatusText(const Contact& c)
{
    return QStringLiteral("Dupe: ") + c.calls + QLatin1Char(' ') + c.namerec + QLatin1Char(' ')
        + c.spc + QLatin1Char(' ') + monthDay(c.flddate) + QLatin1Char(' ') + hourMinute(c.fldtime)
        + QStringLiteral(" ON ") + c.uband;
}

QString partialDupeList(const ContactCache& cache, const QString& typed, const QString& band)
{
    // Built oldest to newest, each match put in front: the newest comes first.
    QString list;
    const int index = bandIndex(band);
    if (index == 0)
        return list; // a band outside the seven has no contacts to match
    // Only the rows whose call begins like the typed text need a look.
    for (int i : cache.rowsOnBandBeginningWith(index, typed)) {
        const Contact& c = cache.row(i);
        if (c.calls.startsWith(typed, Qt::CaseInsensitive))
            list.prepend(c.calls + QLatin1Char(' '));
        if (list.size() > 100)
            break;
    }
    return list;
}

bool callFormatSuspicious(const QString& typed)
{
    if (typed.size() != 3)
        return false;
    const auto digitOrSlash = [](QChar c) { return c.unicode() >= 47 && c.unicode() <= 57; };
    return !digitOrSlash(typed.at(1)) && !digitOrSlash(typed.at(2));
}

} // namespace zelq
