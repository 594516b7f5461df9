#include "export/Backup.h"

#include "log/ContactCache.h"
#include "settings/QuotedFile.h"

#include <QDir>
#include <QFile>

namespace zelq {

namespace {

// The backup's field order, as table columns.
constexpr Column fileOrder[ColumnCount] = {Column::calls,   Column::namerec, Column::spc,
                                          Column::flddate, Column::fldtime, Column::uband,
                                          Column::cont,    Column::namesent, Column::trn};

QuotedWriter backupWriter(const std::vector<Contact>& contacts)
{
    QuotedWriter w;
    for (const Contact& c : contacts) {
        QVariantList fields;
        for (Column col : fileOrder)
            fields << c.at(int(col));
        w.record(fields);
    }
    return w;
}

const QString LineBreakInQuotes = QStringLiteral("a line break inside quotes");

} // namespace

QString backupFilePath(const QString& installFolder)
{
    return QDir(installFolder).filePath(QLatin1String(BackupFileName));
}

QString backupText(const std::vector<Contact>& contacts)
{
    return backupWriter(contacts).content();
}

bool BackupLog(const ContactCache& cache, const QString& installFolder, QString* error)
{
    return backupWriter(cache.all()).save(backupFilePath(installFolder), error);
}

std::optional<QString> BackupRunner::run(const ContactCache& cache, const QString& installFolder)
{
    QString error;
    if (BackupLog(cache, installFolder, &error)) {
        failing = false;
        return std::nullopt;
    }
    if (failing)
        return std::nullopt;
    failing = true;
    return QStringLiteral("Backup not written to %1: %2")
        .arg(QDir::toNativeSeparators(backupFilePath(installFolder)), error);
}

std::optional<QStringList> parseBackupRecord(const QString& line, QString* why)
{
    const auto bad = [why](const QString& reason) -> std::optional<QStringList> {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    const auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    const QChar quote = QLatin1Char('"');
    const QChar comma = QLatin1Char(',');

    QStringList fields;
    bool lineBreak = false;
    const qsizetype n = line.size();
    qsizetype i = 0;
    while (true) {
        while (i < n && blank(line[i]))
            ++i;
        if (i < n && line[i] == quote) {
            const qsizetype close = line.indexOf(quote, i + 1);
            if (close < 0)
                return bad(QStringLiteral("a quoted field is not closed"));
            const QString field = line.mid(i + 1, close - i - 1);
            if (field.contains(QLatin1Char('\n')) || field.contains(QLatin1Char('\r')))
                lineBreak = true;
            i = close + 1;
            while (i < n && blank(line[i]))
                ++i;
            if (i < n && line[i] != comma)
                return bad(QStringLiteral("a quote inside quoted field %1").arg(fields.size() + 1));
            fields << field;
        } else {
            const qsizetype next = line.indexOf(comma, i);
            const QString field = line.mid(i, (next < 0 ? n : next) - i).trimmed();
            if (field.contains(quote))
                return bad(QStringLiteral("a quote inside field %1").arg(fields.size() + 1));
            fields << field;
            i = next < 0 ? n : next;
        }
        if (i >= n)
            break;
        ++i; // the comma
    }
    if (fields.size() != ColumnCount)
        return bad(QStringLiteral("%1 fields instead of %2").arg(fields.size()).arg(ColumnCount));
    if (lineBreak)
        return bad(LineBreakInQuotes);
    return fields;
}

BackupContents readBackupText(const QString& text)
{
    BackupContents result;
    if (text.contains(QChar(0))) {
        result.error = QStringLiteral("not a text file");
        return result;
    }
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList lines = t.split(QLatin1Char('\n'));
    const auto quoteOpen = [](const QString& s) { return s.count(QLatin1Char('"')) % 2 != 0; };
    // A value with a line break in it spans a few lines at most; a stray
    // quote must not swallow the records after it.
    constexpr int maxJoinedLines = 8;

    for (qsizetype at = 0; at < lines.size();) {
        const QString& line = lines[at];
        const qsizetype lineNumber = at + 1;
        if (line.trimmed().isEmpty()) { // a blank line carries no record
            ++at;
            continue;
        }
        QString why;
        if (const auto fields = parseBackupRecord(line, &why)) {
            Contact c;
            for (int i = 0; i < ColumnCount; ++i)
                c.at(int(fileOrder[i])) = fields->at(i);
            result.contacts.push_back(std::move(c));
            ++at;
            continue;
        }
        qsizetype used = 1;
        if (quoteOpen(line)) {
            // The rest of the record may follow on the next lines: the quote
            // closes there and the joined text has nine fields.
            QString joined = line;
            for (qsizetype k = at + 1; k < lines.size() && k - at < maxJoinedLines; ++k) {
                joined += QLatin1Char('\n') + lines[k];
                if (quoteOpen(joined))
                    continue;
                QString joinedWhy;
                if (!parseBackupRecord(joined, &joinedWhy)
                    && joinedWhy == LineBreakInQuotes) {
                    used = k - at + 1;
                    why = joinedWhy;
                }
                break;
            }
        }
        ++result.unreadable;
        if (result.problems.size() < 10)
            result.problems << (used > 1 ? QStringLiteral("lines %1-%2: %3")
                                               .arg(lineNumber)
                                               .arg(lineNumber + used - 1)
                                               .arg(why)
                                         : QStringLiteral("line %1: %2").arg(lineNumber).arg(why));
        at += used;
    }
    if (result.contacts.empty() && result.unreadable > 0)
        result.error = QStringLiteral("no line of the file is a record of %1 fields (%2)")
                           .arg(ColumnCount)
                           .arg(result.problems.first());
    return result;
}

BackupContents readBackupFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        BackupContents result;
        result.error = f.errorString();
        return result;
    }
    return readBackupText(decodeFileText(f.readAll()));
}

} // namespace zelq
