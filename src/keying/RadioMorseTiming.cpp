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

int radioLeadingBlanks(const RadioPiece& piece, bool namesVfo, bool blankOwed)
{
    if (piece.word.isEmpty())
        return 0;
    if (namesVfo)
        return 1;
    return int(piece.blanks.size()) + (blankOwed ? 1 : 0);
}

QByteArray radioCommand(const RadioPiece& piece, bool namesVfo, bool blankOwed)
{
    if (namesVfo)
        return "b " + piece.word.toLatin1();
    return "b" + QByteArray(blankOwed ? " " : "") + piece.text().toLatin1();
}

QList<double> radioCharacterEnds(const RadioPiece& piece, int leadingBlanks, double startMs, double wpm)
{
    const double unit = unitMs(wpm);
    QList<double> ends;
    double t = startMs + leadingBlanks * RadioWordSpaceUnits * unit;
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
