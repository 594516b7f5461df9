#include "log/TypedDateTime.h"

#include <QRegularExpression>
#include <algorithm>

namespace zelq {

std::optional<QDate> parseTypedDate(const QString& text)
{
    static const QRegularExpression yearFirst(QStringLiteral("^(\\d{4})([/-])(\\d{1,2})\\2(\\d{1,2})$"));
    static const QRegularExpression monthFirst(QStringLiteral("^(\\d{1,2})/(\\d{1,2})/(\\d{2}|\\d{4})$"));
    const QString t = text.trimmed();
    QDate d;
    if (const auto m = yearFirst.match(t); m.hasMatch()) {
        d = QDate(m.captured(1).toInt(), m.captured(3).toInt(), m.captured(4).toInt());
    } else if (const auto m2 = monthFirst.match(t); m2.hasMatch()) {
        int year = m2.captured(3).toInt();
        if (m2.captured(3).size() == 2)
            year += year < 70 ? 2000 : 1900;
        d = QDate(year, m2.captured(1).toInt(), m2.captured(2).toInt());
    }
    if (!d.isValid())
        return std::nullopt;
    return d;
}

std::optional<QTime> parseTypedTime(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{1,2}):(\\d{2})(?::(\\d{2}))?$"));
    const auto m = form.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    const QTime t(m.captured(1).toInt(), m.captured(2).toInt(),
                  m.captured(3).isEmpty() ? 0 : m.captured(3).toInt());
    if (!t.isValid())
        return std::nullopt;
    return t;
}

QString insertTimeColon(const QString& text)
{
    if ((text.size() == 3 || text.size() == 4)
        && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }))
        return text.left(text.size() - 2) + QLatin1Char(':') + text.right(2);
    return text;
}

QString typedDateText(const QDate& date)
{
    return date.toString(QStringLiteral("yyyy/MM/dd"));
}

QString typedTimeText(const QString& typed, const QTime& time)
{
    return time.toString(typed.count(QLatin1Char(':')) >= 2 ? QStringLiteral("hh:mm:ss")
                                                           : QStringLiteral("hh:mm"));
}

std::optional<QString> normaliseTypedDate(const QString& text)
{
    const auto date = parseTypedDate(text);
    if (!date)
        return std::nullopt;
    return typedDateText(*date);
}

std::optional<QString> normaliseTypedTime(const QString& text)
{
    const auto time = parseTypedTime(text);
    if (!time)
        return std::nullopt;
    return typedTimeText(text, *time);
}

} // namespace zelq
