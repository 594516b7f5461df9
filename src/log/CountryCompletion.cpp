#include "log/CountryCompletion.h"

namespace zelq {

std::optional<CountryCompletion> completeCountryName(const PrefixTable& table,
                                                     const QString& beforeCaret, QChar typed,
                                                     Qt::CaseSensitivity cs)
{
    const QString candidate = beforeCaret + typed;
    for (int i = table.count(); i >= 1; --i) {
        const QString& name = table.row(i).country;
        if (name.startsWith(candidate, cs)) {
            CountryCompletion c;
            c.text = candidate + name.mid(candidate.size());
            c.caret = c.selStart = int(candidate.size());
            c.selLength = int(name.size() - candidate.size());
            c.row = i;
            return c;
        }
    }
    return std::nullopt;
}

SpcKeyOutcome spcTypeCharacter(const PrefixTable& table, const QString& text, int caret, QChar typed)
{
    SpcKeyOutcome out;
    out.text = text;
    out.caret = caret;
    out.selStart = caret;
    out.passChar = typed;

    // Sections and the first three letters of a country are upper case; from
    // the fourth character on a country name reads "Mexico", not "MEXICO".
    if (text.isEmpty() || caret < 3)
        out.passChar = typed.toUpper();
    else if (typed != QLatin1Char(' '))
        out.text = text.left(1) + text.mid(1).toLower();

    if (out.text.size() > 1) {
        if (auto c = completeCountryName(table, out.text.left(caret), out.passChar,
                                         Qt::CaseInsensitive)) {
            out.text = c->text;
            out.caret = c->caret;
            out.selStart = c->selStart;
            out.selLength = c->selLength;
            out.completedRow = c->row;
            out.consumed = true;
        } else if (typed == QLatin1Char(' ')) {
            out.consumed = true;
            out.focusNext = true;
        }
    }
    return out;
}

} // namespace zelq
