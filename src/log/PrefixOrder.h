#pragma once
// The order of the prefix table: ascending, without regard to case. The
// lookup's start-row estimate and its scan stops rely on exactly this order,
// so the tool that makes the table and the lookup share it.

#include <QChar>
#include <QString>

namespace zelq {

inline char16_t prefixOrderKey(QChar c)
{
    return c.toUpper().unicode();
}

// <0, 0, >0 like strcmp: compares upper-cased UTF-16 code units.
inline int comparePrefixes(const QString& a, const QString& b)
{
    return QString::compare(a.toUpper(), b.toUpper(), Qt::CaseSensitive);
}

} // namespace zelq
