#include "settings/QuotedFile.h"

#include "settings/AtomicFile.h"

#include <QFile>
#include <QStringDecoder>
#include <charconv>
#include <cmath>

namespace zelq {

QString formatNumber(double value)
{
    if (value == 0)
        return QStringLiteral("0"); // also for -0
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

QString formatSingle(float value)
{
    if (value == 0 || !std::isfinite(value))
        return QStringLiteral("0");
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    return QString::fromLatin1(buf, r.ptr - buf);
}

std::optional<double> parseNumber(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    // "1,000" is no number here: the comma separates fields
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double v = c.toDouble(t, &ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

QString decodeFileText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return QString::fromLatin1(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

QStringList splitQuotedLine(const QString& line)
{
    QStringList fields;
    const qsizetype n = line.size();
    qsizetype i = 0;
    while (true) {
        while (i < n && (line[i] == QLatin1Char(' ') || line[i] == QLatin1Char('\t')))
            ++i;
        QString field;
        if (i < n && line[i] == QLatin1Char('"')) {
            const qsizetype close = line.indexOf(QLatin1Char('"'), i + 1);
            const qsizetype end = close < 0 ? n : close;
            field = line.mid(i + 1, end - i - 1);
            i = close < 0 ? n : close + 1;
            // anything after the closing quote up to the comma is dropped
            const qsizetype comma = line.indexOf(QLatin1Char(','), i);
            i = comma < 0 ? n : comma;
        } else {
            const qsizetype comma = line.indexOf(QLatin1Char(','), i);
            const qsizetype end = comma < 0 ? n : comma;
            field = line.mid(i, end - i).trimmed();
            i = end;
        }
        fields << field;
        if (i >= n)
            break;
        ++i; // the comma
    }
    return fields;
}

QuotedReader::QuotedReader(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        error = f.errorString();
        return;
    }
    setText(decodeFileText(f.readAll()));
    opened = true;
}

QuotedReader QuotedReader::fromText(const QString& text)
{
    QuotedReader r;
    r.setText(text);
    r.opened = true;
    return r;
}

void QuotedReader::setText(const QString& text)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    lines = t.split(QLatin1Char('\n'));
    // the line break after the last line does not start another line;
    // blank lines at the end of a file carry no values
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
}

std::optional<QStringList> QuotedReader::nextRecord()
{
    pending.clear();
    if (line >= lines.size())
        return std::nullopt;
    return splitQuotedLine(lines.at(line++));
}

std::optional<QString> QuotedReader::nextField()
{
    if (pending.isEmpty()) {
        if (line >= lines.size())
            return std::nullopt;
        pending = splitQuotedLine(lines.at(line++));
    }
    return pending.takeFirst();
}

QStringList QuotedReader::allFields()
{
    QStringList all;
    while (auto f = nextField())
        all << *f;
    return all;
}

static const QLatin1String crlf("\r\n");

// A quoted field ends at the next quote and a value at the line end, so a
// quote or line break inside text would shift every value after it: quotes
// become apostrophes, line breaks blanks.
static QString quoted(const QString& value)
{
    QString v = value;
    v.replace(QLatin1Char('"'), QLatin1Char('\''));
    v.replace(QLatin1String("\r\n"), QLatin1String(" "));
    v.replace(QLatin1Char('\r'), QLatin1Char(' '));
    v.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return QLatin1Char('"') + v + QLatin1Char('"');
}

QuotedWriter& QuotedWriter::text(const QString& value)
{
    buffer += quoted(value) + crlf;
    return *this;
}

QuotedWriter& QuotedWriter::number(double value)
{
    buffer += formatNumber(value) + crlf;
    return *this;
}

QuotedWriter& QuotedWriter::single(float value)
{
    buffer += formatSingle(value) + crlf;
    return *this;
}

QuotedWriter& QuotedWriter::record(const QVariantList& fields)
{
    QStringList parts;
    for (const QVariant& f : fields) {
        if (f.typeId() == QMetaType::QString)
            parts << quoted(f.toString());
        else
            parts << formatNumber(f.toDouble());
    }
    buffer += parts.join(QLatin1Char(',')) + crlf;
    return *this;
}

QuotedWriter& QuotedWriter::printText(const QString& value)
{
    buffer += value + crlf;
    return *this;
}

QuotedWriter& QuotedWriter::printNumber(double value)
{
    const QString digits = formatNumber(std::fabs(value));
    buffer += (value < 0 ? QLatin1Char('-') : QLatin1Char(' ')) + digits + QLatin1Char(' ') + crlf;
    return *this;
}

QuotedWriter& QuotedWriter::rawLine(const QString& line)
{
    buffer += line + crlf;
    return *this;
}

bool QuotedWriter::save(const QString& path, QString* errorText) const
{
    return writeTextFileAtomically(path, buffer, errorText);
}

std::optional<int> parseWholeNumber(const QString& text)
{
    const std::optional<double> v = parseNumber(text);
    if (!v || *v < -2147483648.0 || *v > 2147483647.0)
        return std::nullopt;
    return int(std::lround(*v));
}

bool SettingsFields::text(QString& target)
{
    const std::optional<QString> f = reader.nextField();
    if (!f)
        return false;
    target = *f;
    ++taken;
    return true;
}

bool SettingsFields::number(int& target)
{
    const std::optional<QString> f = reader.nextField();
    const std::optional<int> n = f ? parseWholeNumber(*f) : std::nullopt;
    if (!n)
        return false;
    target = *n;
    ++taken;
    return true;
}

bool SettingsFields::option(bool& target)
{
    const std::optional<QString> f = reader.nextField();
    if (!f)
        return false;
    const QString t = f->trimmed();
    if (t.compare(QLatin1String("#TRUE#"), Qt::CaseInsensitive) == 0) {
        target = true;
    } else if (t.compare(QLatin1String("#FALSE#"), Qt::CaseInsensitive) == 0) {
        target = false;
    } else if (const std::optional<double> v = parseNumber(t)) {
        target = *v != 0;
    } else {
        return false;
    }
    ++taken;
    return true;
}

} // namespace zelq
