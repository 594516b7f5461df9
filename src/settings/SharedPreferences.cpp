#include "settings/SharedPreferences.h"

#include "settings/AtomicFile.h"
#include "settings/QuotedFile.h"

#include <QFile>

namespace zelq {

namespace {

const QLatin1String crlf("\r\n");

void setError(QString* errorText, const QString& text)
{
    if (errorText)
        *errorText = text;
}

// Letters, digits and _ - . : ; the first not a digit, "-" or ".".
bool isPlainName(const QString& tag)
{
    if (tag.isEmpty() || tag.front().isDigit() || tag.front() == QLatin1Char('-')
        || tag.front() == QLatin1Char('.'))
        return false;
    for (const QChar c : tag) {
        if (!c.isLetterOrNumber() && c != QLatin1Char('_') && c != QLatin1Char('-')
            && c != QLatin1Char('.') && c != QLatin1Char(':'))
            return false;
    }
    return true;
}

QString openTag(const QString& name)
{
    return QLatin1Char('<') + name + QLatin1Char('>');
}

QString closeTag(const QString& name)
{
    return QLatin1String("</") + name + QLatin1Char('>');
}

} // namespace

QString escapeXmlText(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        switch (c.unicode()) {
        case u'&': out += QLatin1String("&amp;"); break;
        case u'<': out += QLatin1String("&lt;"); break;
        case u'>': out += QLatin1String("&gt;"); break;
        case u'"': out += QLatin1String("&quot;"); break;
        case u'\'': out += QLatin1String("&apos;"); break;
        // one element per line: a line break in a value stays inside it
        case u'\r': out += QLatin1String("&#13;"); break;
        case u'\n': out += QLatin1String("&#10;"); break;
        case u'\t': out += c; break;
        default:
            // other control characters are not allowed in an XML document
            if (c.unicode() >= 0x20 && c.unicode() != 0xFFFE && c.unicode() != 0xFFFF)
                out += c;
        }
    }
    return out;
}

QString unescapeXmlText(const QString& text)
{
    if (!text.contains(QLatin1Char('&')))
        return text;
    static const struct {
        QLatin1String entity;
        QChar c;
    } named[] = {{QLatin1String("&amp;"), QLatin1Char('&')},
                 {QLatin1String("&lt;"), QLatin1Char('<')},
                 {QLatin1String("&gt;"), QLatin1Char('>')},
                 {QLatin1String("&quot;"), QLatin1Char('"')},
                 {QLatin1String("&apos;"), QLatin1Char('\'')}};
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i] != QLatin1Char('&')) {
            out += text[i++];
            continue;
        }
        bool done = false;
        for (const auto& n : named) {
            if (QStringView(text).mid(i).startsWith(n.entity)) {
                out += n.c;
                i += n.entity.size();
                done = true;
                break;
            }
        }
        if (!done && i + 1 < text.size() && text[i + 1] == QLatin1Char('#')) {
            const qsizetype semi = text.indexOf(QLatin1Char(';'), i + 2);
            if (semi > i + 2 && semi - i <= 10) {
                QStringView digits = QStringView(text).mid(i + 2, semi - i - 2);
                int base = 10;
                if (digits.startsWith(QLatin1Char('x')) || digits.startsWith(QLatin1Char('X'))) {
                    digits = digits.mid(1);
                    base = 16;
                }
                bool ok = false;
                const uint code = digits.toUInt(&ok, base);
                if (ok && !digits.isEmpty() && code > 0 && code <= 0x10FFFF
                    && !(code >= 0xD800 && code <= 0xDFFF)) {
                    const char32_t cp = code;
                    out += QString::fromUcs4(&cp, 1);
                    i = semi + 1;
                    done = true;
                }
            }
        }
        if (!done)
            out += text[i++]; // a bare "&" of a file written without escaping
    }
    return out;
}

const QString& SharedPreferences::declaration()
{
    static const QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>");
    return text;
}

bool SharedPreferences::LoadSharedPreferences(const QString& path, QString* errorText)
{
    filePath = path;
    sharedPreferencesDocument = declaration();
    if (!QFile::exists(path))
        return true;

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(errorText, file.errorString());
        return false;
    }
    QString text = decodeFileText(file.readAll());
    // Drop the line end the writer puts after the last element; a file edited
    // by hand may lack it, and then nothing is dropped.
    if (text.endsWith(crlf))
        text.chop(2);
    else if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    if (!text.trimmed().isEmpty())
        sharedPreferencesDocument = text;
    return true;
}

bool SharedPreferences::SetSharedPreference(const QString& tag, const QString& rawValue, bool save,
                                            QString* errorText)
{
    if (!isPlainName(tag)) {
        setError(errorText, QStringLiteral("Invalid preference name \"%1\"").arg(tag));
        return false;
    }
    const QString name = tag.toUpper();
    const QString open = openTag(name);
    const QString close = closeTag(name);
    const QString value = escapeXmlText(rawValue);
    QString& doc = sharedPreferencesDocument;

    const qsizetype at = doc.indexOf(open);
    if (at < 0) {
        doc += crlf + open + value + close;
    } else {
        const qsizetype start = at + open.size();
        const qsizetype end = doc.indexOf(close, start);
        if (end >= 0) {
            doc.replace(start, end - start, value);
        } else {
            // No closing tag: the value runs to the end of its line; closing
            // it there keeps the elements after it intact.
            qsizetype lineEnd = start;
            while (lineEnd < doc.size() && doc[lineEnd] != QLatin1Char('\r')
                   && doc[lineEnd] != QLatin1Char('\n'))
                ++lineEnd;
            doc.replace(start, lineEnd - start, value + close);
        }
    }
    if (save)
        return SaveSharedPreferences(filePath, errorText);
    return true;
}

bool SharedPreferences::SaveSharedPreferences(const QString& path, QString* errorText)
{
    filePath = path;
    if (path.isEmpty()) {
        setError(errorText, QStringLiteral("No file name for the shared preferences"));
        return false;
    }
    QString error;
    if (!writeTextFileAtomically(path, sharedPreferencesDocument + crlf, &error)) {
        setError(errorText, error);
        return false;
    }
    return true;
}

std::optional<QString> SharedPreferences::value(const QString& tag) const
{
    const QString name = tag.toUpper();
    const QString open = openTag(name);
    const QString& doc = sharedPreferencesDocument;
    const qsizetype at = doc.indexOf(open);
    if (at < 0)
        return std::nullopt;
    const qsizetype start = at + open.size();
    qsizetype end = doc.indexOf(closeTag(name), start);
    if (end < 0) { // unclosed: the value runs to the end of its line
        end = start;
        while (end < doc.size() && doc[end] != QLatin1Char('\r') && doc[end] != QLatin1Char('\n'))
            ++end;
    }
    return unescapeXmlText(doc.mid(start, end - start));
}

} // namespace zelq
