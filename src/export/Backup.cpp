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

} // namespace

QString backupFilePath(const QString& installFolder)
{
    return QDir(installFolder).filePath(QLatin1String(BackupFileName));
}

QString backupText(const std::vector<Contact>& contacts)
{
    return backupWriter(contacts).content();
}

bool BackupLog(const ContactCache& cache, const QString& installFolder)
{
    return backupWriter(cache.all()).save(backupFilePath(installFolder));
}

BackupContents readBackupText(const QString& text)
{
    BackupContents result;
    if (text.contains(QChar(0))) {
        result.error = QStringLiteral("not a text file");
        return result;
    }
    QuotedReader reader = QuotedReader::fromText(text);
    int lineNumber = 0;
    while (auto record = reader.nextRecord()) {
        ++lineNumber;
        if (record->size() == 1 && record->first().trimmed().isEmpty())
            continue; // a blank line carries no record
        if (record->size() != ColumnCount) {
            result.error = QStringLiteral("line %1 holds %2 fields instead of %3")
                               .arg(lineNumber)
                               .arg(record->size())
                               .arg(ColumnCount);
            return result;
        }
        Contact c;
        for (int i = 0; i < ColumnCount; ++i)
            c.at(int(fileOrder[i])) = record->at(i);
        result.contacts.push_back(std::move(c));
    }
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
