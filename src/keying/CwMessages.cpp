#include "keying/CwMessages.h"

namespace zelq {

int messageSlot(int keyCode)
{
    if (keyCode >= KeyF1 && keyCode <= KeyF9)
        return keyCode - KeyF1;
    if (keyCode == KeyF10Message)
        return 9;
    if (keyCode == KeyF11)
        return 10;
    return -1;
}

int functionKeyCode(int n)
{
    const int code = KeyF1 + n - 1;
    return code == KeyF10 ? KeyF10Message : code;
}

namespace {

// Every occurrence replaced; the scan goes on right after the start of the
// replacement, so a replacement holding the wildcard itself is scanned too
// (one character on), as the field was filled in from left to right.
QString replaceEach(QString text, QChar wildcard, const QString& replacement)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == wildcard)
            text = text.left(i) + replacement + text.mid(i + 1);
    }
    return text;
}

} // namespace

QString expandWildcards(const QString& message, const QString& call, QString& report)
{
    QString text = replaceEach(message, QLatin1Char('$'), call.trimmed());
    text = replaceEach(text, QLatin1Char('#'), QString());
    if (text.contains(QLatin1Char('*'))) {
        if (report.isEmpty() || report == QLatin1String("599"))
            report = QStringLiteral("5NN");
        text = replaceEach(text, QLatin1Char('*'), report);
    }
    return text;
}

} // namespace zelq
