#include "score/ContactList.h"

#include "log/TypedDateTime.h"

namespace zelq {

const QStringList& contactListHeaders()
{
    static const QStringList headers{
        QStringLiteral("Rec#"), QStringLiteral("Call"),      QStringLiteral("Name"),
        QStringLiteral("SPC"),  QStringLiteral("Cont"),      QStringLiteral("Date/Time"),
        QStringLiteral("Bnd"),  QStringLiteral("Name Snt"),  QStringLiteral("Tr")};
    return headers;
}

std::vector<int> FillContactListRows(const ContactCache& cache, const QString& band,
                                     bool allRows, bool allBands)
{
    const int count = cache.count();
    std::vector<int> rows;
    if (allBands) {
        const int first = allRows || count < ContactListLimit ? 1 : count - (ContactListLimit - 1);
        for (int r = count; r >= first; --r)
            rows.push_back(r);
        return rows;
    }
    const auto matches = [&](int r) {
        return cache.row(r).uband.compare(band, Qt::CaseInsensitive) == 0;
    };
    for (int r = count; r > 0; --r) {
        if (!allRows && int(rows.size()) >= ContactListLimit)
            break;
        if (matches(r))
            rows.push_back(r);
    }
    return rows;
}

QString contactListDateTime(const QString& flddate, const QString& fldtime)
{
    const auto date = parseTypedDate(flddate);
    const auto time = parseTypedTime(fldtime);
    const QString d = date ? date->toString(QStringLiteral("MM/dd")) : flddate;
    const QString t = time ? time->toString(QStringLiteral("hh:mm")) : fldtime;
    return d + QLatin1Char(' ') + t;
}

QStringList contactListItem(const ContactCache& cache, int row)
{
    const Contact& c = cache.row(row);
    return {QString::number(row), c.calls, c.namerec, c.spc, c.cont,
            contactListDateTime(c.flddate, c.fldtime), c.uband, c.namesent, c.trn};
}

namespace {

QString oneLineField(QString f)
{
    for (QChar& ch : f)
        if (ch == QLatin1Char('\t') || ch == QLatin1Char('\r') || ch == QLatin1Char('\n'))
            ch = QLatin1Char(' ');
    return f;
}

void appendLine(QString& text, const QStringList& fields)
{
    for (int i = 0; i < fields.size(); ++i) {
        text += oneLineField(fields.at(i));
        text += i + 1 < fields.size() ? QStringLiteral("\t") : QStringLiteral("\r\n");
    }
}

} // namespace

QString contactListClipboardText(const QList<QStringList>& itemsInListOrder)
{
    QString text;
    appendLine(text, contactListHeaders());
    for (auto it = itemsInListOrder.crbegin(); it != itemsInListOrder.crend(); ++it)
        appendLine(text, *it);
    return text;
}

} // namespace zelq
