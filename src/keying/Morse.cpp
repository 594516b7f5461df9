#include "keying/Morse.h"

#include <QHash>
#include <algorithm>

namespace zelq {

namespace {

const QHash<QChar, QString>& table()
{
    static const QHash<QChar, QString> t = [] {
        const std::pair<char, const char*> signs[] = {
            {'A', "10111000"}, {'B', "111010101000"}, {'C', "11101011101000"},
            {'D', "1110101000"}, {'E', "1000"}, {'F', "101011101000"},
            {'G', "111011101000"}, {'H', "1010101000"}, {'I', "101000"},
            {'J', "1011101110111000"}, {'K', "111010111000"}, {'L', "101110101000"},
            {'M', "1110111000"}, {'N', "11101000"}, {'O', "11101110111000"},
            {'P', "10111011101000"}, {'Q', "1110111010111000"}, {'R', "1011101000"},
            {'S', "10101000"}, {'T', "111000"}, {'U', "1010111000"},
            {'V', "101010111000"}, {'W', "101110111000"}, {'X', "11101010111000"},
            {'Y', "1110101110111000"}, {'Z', "11101110101000"},
            {'0', "1110111011101110111000"}, {'1', "10111011101110111000"},
            {'2', "101011101110111000"}, {'3', "1010101110111000"},
            {'4', "10101010111000"}, {'5', "101010101000"}, {'6', "11101010101000"},
            {'7', "1110111010101000"}, {'8', "111011101110101000"},
            {'9', "11101110111011101000"},
            {'.', "10111010111010111000"}, {',', "1110111010101110111000"},
            {'?', "101011101110101000"}, {'/', "1110101011101000"},
            // prosigns: "-" and "=" BT, "[" AR, "]" SK, ";" KN, "\" CL
            {'-', "1110101010111000"}, {'=', "1110101010111000"},
            {'[', "1011101011101000"}, {']', "101010111010111000"},
            {';', "111010111011101000"}, {'\\', "111010111010101110101000"},
            {' ', "00000000"},
        };
        QHash<QChar, QString> h;
        for (const auto& [c, e] : signs)
            h.insert(QChar(QLatin1Char(c)), QString::fromLatin1(e));
        return h;
    }();
    return t;
}

} // namespace

QString elementsOf(QChar c)
{
    return table().value(c.toUpper());
}

QString keyedElements(QChar c, int wordSpace)
{
    QString e = elementsOf(c);
    if (c == QLatin1Char(' ')) {
        if (wordSpace > 0)
            e += QString(wordSpace, QLatin1Char('0'));
        else if (wordSpace < 0)
            e.truncate(std::max(0, 8 + wordSpace));
    }
    return e;
}

double unitMs(double wpm)
{
    return 1200.0 / std::clamp(wpm, MinWpm, MaxWpm);
}

double speedOf(const QString& text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok ? v : 0;
}

QString elementsOfText(const QString& text, int wordSpace)
{
    QString all;
    for (QChar c : text)
        all += keyedElements(c, wordSpace);
    return all;
}

} // namespace zelq
