#pragma once
// Dates and times the operator types (post-contest entry, the edit window).
// Dates: yyyy/m/d, yyyy-m-d, m/d/yyyy and m/d/yy (month first); times:
// h:mm, hh:mm and hh:mm:ss. Nothing else, whatever the system locale.

#include <QDate>
#include <QString>
#include <QTime>
#include <optional>

namespace zelq {

std::optional<QDate> parseTypedDate(const QString& text);
std::optional<QTime> parseTypedTime(const QString& text);

// How an accepted date or time is stored: "yyyy/MM/dd"; "hh:mm", or
// "hh:mm:ss" when seconds were typed.
QString typedDateText(const QDate& date);
QString typedTimeText(const QString& typed, const QTime& time);
// The stored form of a typed date or time; nullopt when not accepted.
std::optional<QString> normaliseTypedDate(const QString& text);
std::optional<QString> normaliseTypedTime(const QString& text);

// "123" → "1:23", "1234" → "12:34"; anything else unchanged.
QString insertTimeColon(const QString& text);

} // namespace zelq
