// After-contest file speed: the Cabrillo entry of 100,000 contacts (target
// under 1 s), and appending a 14,000-row backup into a 14,000-row log with
// duplicates left out, in rows per second.
//
//   bench_export_files [postgresql://user@host:port/emptydb]
// The PostgreSQL database must exist and hold no log yet (createdb first).
#include "export/Append.h"
#include "export/Backup.h"
#include "export/Cabrillo.h"
#include "log/LogSession.h"
#include "log/LogStore.h"
#include "settings/Preferences.h"
#include "zelq_build_info.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

using namespace zelq;

namespace {

Contact contact(int i)
{
    static const char* const sections[] = {"CT", "MA", "NY", "TX", "CA", "ON", "QC", "FL", "OH", "WA"};
    static const char* const bands[] = {"160", "80", "40", "20", "15", "10"};
    Contact c;
    c.calls = QStringLiteral("K%1AB%2").arg(i % 10).arg(i, 5, 10, QLatin1Char('0'));
    c.namerec = QStringLiteral("OP%1").arg(i % 97);
    c.spc = QString::fromLatin1(sections[i % 10]);
    c.cont = QStringLiteral("NA");
    c.flddate = QStringLiteral("2026/02/14");
    c.fldtime = QStringLiteral("%1:%2:%3").arg(i / 3600 % 24, 2, 10, QLatin1Char('0'))
                    .arg(i / 60 % 60, 2, 10, QLatin1Char('0')).arg(i % 60, 2, 10, QLatin1Char('0'));
    c.uband = QString::fromLatin1(bands[i % 6]);
    c.namesent = QStringLiteral("HIRAM");
    c.trn = QStringLiteral("0");
    return c;
}

// A log of `rows` contacts at `path`; false with a message on failure.
bool fillLog(const QString& path, int rows, QTextStream& out)
{
    QString error;
    if (!LogStore::createLog(path, &error)) {
        out << "cannot create " << path << ": " << error << Qt::endl;
        return false;
    }
    QTemporaryDir dir;
    const QString backup = dir.filePath(QStringLiteral("fill.dat"));
    std::vector<Contact> all;
    for (int i = 0; i < rows; ++i)
        all.push_back(contact(i));
    QFile f(backup);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(backupText(all).toUtf8());
    f.close();
    AppendOptions fast;
    fast.skipDuplicates = false;
    return appendToLog(path, backup, dir.path(), fast).ok();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    out << qSetFieldWidth(12) << Qt::left << "engine" << qSetFieldWidth(40) << "measure"
        << qSetFieldWidth(10) << Qt::right << "rows" << qSetFieldWidth(16) << "value"
        << qSetFieldWidth(14) << "target" << qSetFieldWidth(0) << Qt::endl;
    const auto row = [&](const char* engine, const char* measure, int rows, const QString& value,
                         const char* target) {
        out << qSetFieldWidth(12) << Qt::left << engine << qSetFieldWidth(40) << measure
            << qSetFieldWidth(10) << Qt::right << rows << qSetFieldWidth(16) << value
            << qSetFieldWidth(14) << target << qSetFieldWidth(0) << Qt::endl;
    };

    // Cabrillo of 100,000 contacts, from memory.
    {
        std::vector<Contact> all;
        for (int i = 0; i < 100000; ++i)
            all.push_back(contact(i));
        ContactCache cache;
        cache.assign(all);
        MultiplierRecords records;
        for (const Contact& c : all)
            records.addContact(c);
        Preferences prefs;
        prefs.ownCall = QStringLiteral("W1AW");
        prefs.ownSpc = QStringLiteral("CT");
        CabrilloHeader header;
        header.createdBy = QStringLiteral("ZELQ Logger " ZELQ_VERSION);
        QElapsedTimer t;
        t.start();
        const QString text = cabrilloText(header, cache, prefs, records);
        row("memory", "Cabrillo text", 100000,
            QStringLiteral("%1 ms").arg(double(t.nsecsElapsed()) / 1e6, 0, 'f', 1), "< 1000 ms");
        if (text.isEmpty())
            return 1;
    }

    // Append a backup of 14,000 rows, half already in the log, into a log
    // of 14,000 rows, duplicates left out.
    const auto appendBench = [&](const char* engine, const QString& logPath, const QString& folder) {
        if (!fillLog(logPath, 14000, out))
            return;
        std::vector<Contact> source;
        for (int i = 7000; i < 21000; ++i)
            source.push_back(contact(i));
        const QString backup = folder + QStringLiteral("/BckUpLog.dat");
        QFile f(backup);
        if (!f.open(QIODevice::WriteOnly))
            return;
        f.write(backupText(source).toUtf8());
        f.close();
        AppendOptions options;
        options.skipDuplicates = true;
        QElapsedTimer t;
        t.start();
        const AppendResult r = appendToLog(logPath, backup, folder, options);
        const double s = double(t.nsecsElapsed()) / 1e9;
        if (!r.ok()) {
            out << engine << ": append failed: " << r.error << Qt::endl;
            return;
        }
        row(engine, "append with duplicate check, rows/s", r.read,
            QStringLiteral("%1").arg(r.read / s, 0, 'f', 0), "-");
        row(engine, "  of which inserted", r.inserted, QStringLiteral("%1 s").arg(s, 0, 'f', 2), "-");
    };
    QTemporaryDir dir;
    appendBench("sqlite", dir.filePath(QStringLiteral("bench.MDB")), dir.path());
    if (argc > 1)
        appendBench("postgresql", QString::fromLocal8Bit(argv[1]), dir.path());
    return 0;
}
