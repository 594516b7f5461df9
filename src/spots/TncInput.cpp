#include "spots/TncInput.h"

namespace zelq {

namespace {

constexpr qsizetype RepeatWindow = 800;

} // namespace

QStringList TncInputBuffer::feed(const QString& text)
{
    for (const QChar c : text) {
        if (c == QLatin1Char('\r')) {
            buffer += QLatin1Char('\n');
            lastWasCr = true;
            continue;
        }
        if (c == QLatin1Char('\n') && lastWasCr) {
            lastWasCr = false;
            continue; // the LF of a CR LF
        }
        lastWasCr = false;
        if (c == QChar(0) || c == QChar(7))
            continue;
        buffer += c;
    }
    QStringList lines;
    for (;;) {
        const qsizetype first = buffer.indexOf(QLatin1Char('\n'));
        if (first < 0) {
            // Nothing will ever be taken from text before a first LF.
            if (buffer.size() > MaxPending)
                buffer.clear();
            break;
        }
        buffer.remove(0, first);
        const qsizetype second = buffer.indexOf(QLatin1Char('\n'), 1);
        if (second < 0) {
            if (buffer.size() > MaxPending)
                buffer = QStringLiteral("\n");
            break;
        }
        lines.append(buffer.mid(1, second - 1));
        buffer.remove(0, second); // the second LF starts the next line
    }
    return lines;
}

bool shownRecently(const QString& pane, const QString& line)
{
    const qsizetype from = std::max<qsizetype>(0, pane.size() - RepeatWindow);
    const QString needle = line + QLatin1Char('\n');
    for (qsizetype at = pane.indexOf(needle, from); at >= 0; at = pane.indexOf(needle, at + 1))
        if (at == 0 || pane.at(at - 1) == QLatin1Char('\n'))
            return true;
    return false;
}

std::optional<char> commandCharacter(const QString& hex)
{
    const QString t = hex.trimmed();
    if (t.isEmpty() || t.size() > 2)
        return std::nullopt;
    bool ok = false;
    const uint v = t.toUInt(&ok, 16);
    if (!ok)
        return std::nullopt;
    return char(v);
}

} // namespace zelq
