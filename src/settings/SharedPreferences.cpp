#include "settings/SharedPreferences.h"

#include "settings/QuotedFile.h"

#include <QFile>
#include <QSaveFile>

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

} // namespace

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

bool SharedPreferences::SetSharedPreference(const QString& tag, const QString& value, bool save,
                                            QString* errorText)
{
    if (!isPlainName(tag)) {
        setError(errorText, QStringLiteral("Invalid preference name \"%1\"").arg(tag));
        return false;
    }
    const QString name = tag.toUpper();
    const QString open = QLatin1Char('<') + name + QLatin1Char('>');
    const QString close = QLatin1String("</") + name + QLatin1Char('>');
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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        setError(errorText, file.errorString());
        return false;
    }
    file.write((sharedPreferencesDocument + crlf).toUtf8());
    if (!file.commit()) {
        setError(errorText, file.errorString());
        return false;
    }
    return true;
}

} // namespace zelq
