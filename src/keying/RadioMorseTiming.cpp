#include "keying/RadioMorseTiming.h"

#include "keying/Morse.h"

namespace zelq {

int radioUnits(QChar c)
{
    if (c == QLatin1Char(' '))
        return RadioWordSpaceUnits;
    return int(elementsOf(c).size());
}

RadioPiece nextRadioPiece(const QString& text)
{
    RadioPiece p;
    qsizetype i = 0;
    while (i < text.size() && text[i] == QLatin1Char(' '))
        ++i;
    qsizetype end = i;
    while (end < text.size() && text[end] != QLatin1Char(' '))
        ++end;
    p.blanks = text.left(i);
    p.word = text.mid(i, end - i);
    return p;
}

QList<double> radioCharacterEnds(const RadioPiece& piece, double startMs, double wpm)
{
    const double unit = unitMs(wpm);
    QList<double> ends;
    double t = startMs;
    if (!piece.word.isEmpty())
        t += RadioWordSpaceUnits * unit; // the daemon's blank
    for (qsizetype i = 0; i < piece.blanks.size(); ++i)
        ends.append(t);
    for (QChar c : piece.word) {
        t += radioUnits(c) * unit;
        ends.append(t);
    }
    return ends;
}

QString radioText(const QString& text)
{
    QString t = text.toUpper();
    for (QChar& c : t)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char(' ');
    return t;
}

} // namespace zelq
