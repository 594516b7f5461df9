// Backup file, archive and append: the backup text byte for byte, appending
// logs and backup files to the shared log (duplicates, refusal of the log
// itself, failures part-way), and the archive taken while another position
// keeps logging. SQLite throughout; PostgreSQL where the engine matters.
#include "FakeBeeper.h"
#include "FakeClock.h"
#include "FakeDialogs.h"
#include "PgTestServer.h"
#include "export/Append.h"
#include "export/Archive.h"
#include "export/Backup.h"
#include "log/ContactCache.h"
#include "log/LogStore.h"
#include "ui/AppContext.h"
#include "ui/ArchiveCommand.h"
#include "ui/ImportWindow.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <thread>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace zelq;
using namespace zelq::test;

namespace {

Contact contact(const QString& call, const QString& band, const QString& name = u"BOB"_s,
                const QString& time = u"14:00:00"_s)
{
    return Contact{call, name, u"CT"_s, u"NA"_s, u"2026/02/14"_s, time, band, u"ANN"_s, u"1"_s};
}

bool makeLog(const QString& address, const std::vector<Contact>& rows)
{
    QString err;
    if (!LogStore::createLog(address, &err)) {
        qWarning() << err;
        return false;
    }
    LogStore store(u"setup"_s);
    if (!store.connect(address))
        return false;
    for (const Contact& c : rows)
        if (!store.insert(c))
            return false;
    return true;
}

std::vector<Contact> rowsOf(const QString& address)
{
    LogStore store(u"check"_s);
    if (!store.connect(address))
        return {};
    return store.selectAll().value_or(std::vector<Contact>{});
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs one statement on an SQLite file outside the store.
bool rawSql(const QString& file, const QString& sql)
{
    const QString conn = u"raw_"_s + QString::number(qintptr(&sql));
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, conn);
        db.setDatabaseName(file);
        ok = db.open() && QSqlQuery(db).exec(sql);
        db.close();
    }
    QSqlDatabase::removeDatabase(conn);
    return ok;
}

const std::vector<Contact> threeContacts = {contact(u"W1AW"_s, u"20"_s),
                                            contact(u"K1ABC"_s, u"40"_s, u"O'NEIL"_s),
                                            contact(u"VE3XYZ"_s, u"20"_s)};

} // namespace

class BackupAppendTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir{u"/tmp/zelq-bak-XXXXXX"_s};
    QString path(const QString& name) const { return dir.filePath(name); }

private slots:
    void backupFileIsWrittenInItsOwnFieldOrder()
    {
        ContactCache cache;
        cache.append(Contact{u"W1AW"_s, u"HIRAM"_s, u"CT"_s, u"NA"_s, u"2026/02/14"_s,
                             u"14:01:02"_s, u"20"_s, u"ANN"_s, u"1"_s});
        cache.append(Contact{u"K1ABC/3"_s, u"JO, JR"_s, u"MDC"_s, u"NA"_s, u"2026/02/14"_s,
                             u"14:05"_s, u"40"_s, u"ANN"_s, u"2"_s});
        const QString folder = path(u"backup"_s);
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(BackupLog(cache, folder));
        const QByteArray expected =
            "\"W1AW\",\"HIRAM\",\"CT\",\"2026/02/14\",\"14:01:02\",\"20\",\"NA\",\"ANN\",\"1\"\r\n"
            "\"K1ABC/3\",\"JO, JR\",\"MDC\",\"2026/02/14\",\"14:05\",\"40\",\"NA\",\"ANN\",\"2\"\r\n";
        QCOMPARE(fileBytes(folder + u"/BckUpLog.dat"_s), expected);

        // read back into table order, the comma inside a name kept
        const BackupContents back = readBackupFile(folder + u"/BckUpLog.dat"_s);
        QVERIFY(back.complete());
        QCOMPARE(back.contacts, cache.all());

        // an empty log replaces the old backup with an empty file
        QVERIFY(BackupLog(ContactCache{}, folder));
        QCOMPARE(fileBytes(folder + u"/BckUpLog.dat"_s), QByteArray());
        // a folder where the file belongs: reported, no crash
        QVERIFY(QDir().mkpath(path(u"blocked/BckUpLog.dat"_s)));
        QVERIFY(!BackupLog(cache, path(u"blocked"_s)));
    }

    void appendingOwnBackupAddsNothingOrEverything()
    {
        const QString log = path(u"own.mdb"_s);
        QVERIFY(makeLog(log, threeContacts));
        ContactCache cache;
        cache.assign(rowsOf(log));
        QVERIFY(BackupLog(cache, dir.path()));
        const QString backup = dir.path() + u"/BckUpLog.dat"_s;

        AppendResult r = appendToLog(log, backup, dir.path(), {.skipDuplicates = true});
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.inserted, 0);
        QCOMPARE(r.skipped, 3);
        QCOMPARE(rowsOf(log).size(), size_t(3));

        r = appendToLog(log, backup, dir.path(), {.skipDuplicates = false});
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.inserted, 3);
        const auto rows = rowsOf(log);
        QCOMPARE(rows.size(), size_t(6));
        // the name with a quote went in intact
        QCOMPARE(std::count(rows.begin(), rows.end(), threeContacts[1]), 2);
    }

    void duplicatesAreSameCallAndBandIgnoringCase()
    {
        const QString log = path(u"dups.mdb"_s);
        QVERIFY(makeLog(log, {contact(u"W1AW"_s, u"20"_s)}));
        const QString backup = path(u"dups.dat"_s);
        QFile f(backup);
        QVERIFY(f.open(QIODevice::WriteOnly));
        // w1aw on 20 again (other case, other time): left out; on 40: new;
        // twice within the file: the second is a duplicate of the first
        f.write("\"w1aw\",\"X\",\"CT\",\"2026/02/15\",\"01:00\",\"20\",\"NA\",\"ANN\",\"2\"\r\n"
                "\"W1AW\",\"X\",\"CT\",\"2026/02/14\",\"14:00\",\"40\",\"NA\",\"ANN\",\"1\"\n"
                "\n"
                "\"N0XX\",\"O'HARA\",\"CO\",\"2026/02/14\",\"14:00\",\"80\",\"NA\",\"ANN\",\"1\"\r\n"
                "\"n0xx\",\"O'HARA\",\"CO\",\"2026/02/14\",\"14:09\",\"80\",\"NA\",\"ANN\",\"1\"\r\n");
        f.close();
        const AppendResult r = appendToLog(log, backup, dir.path(), {});
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.inserted, 2);
        QCOMPARE(r.skipped, 2);
        const auto rows = rowsOf(log);
        QCOMPARE(rows.size(), size_t(3));
        QCOMPARE(rows.back().namerec, u"O'HARA"_s);
    }

    void theLogItselfIsRefusedUnderAnyName()
    {
        QDir(dir.path()).mkpath(u"logs"_s);
        const QString log = path(u"logs/ZELQLog.MDB"_s);
        QVERIFY(makeLog(log, threeContacts));
        QVERIFY(QFile::link(log, path(u"alias.mdb"_s)));
        QVERIFY(::link(QFile::encodeName(log).constData(),
                       QFile::encodeName(path(u"hard.mdb"_s)).constData()) == 0);
        const QString install = dir.path();

        QVERIFY(isSameLog(log.toLower(), log, install) || log.toLower() == log);
        QVERIFY(isSameLog(u"  "_s + path(u"LOGS/zelqlog.mdb"_s) + u" "_s, log, install));
        QVERIFY(isSameLog(u"./logs/ZELQLog.MDB"_s, log, install));
        QVERIFY(isSameLog(path(u"logs/../logs/./ZELQLog.MDB"_s), log, install));
        QVERIFY(isSameLog(path(u"alias.mdb"_s), log, install));
        QVERIFY(isSameLog(path(u"hard.mdb"_s), log, install));
        QVERIFY(isSameLog(u"logs/ZELQLog.MDB"_s, u"logs/ZELQLog.MDB"_s, install));
        QVERIFY(!isSameLog(path(u"other.mdb"_s), log, install));
        QVERIFY(isSameLog(u"postgresql://zelq@LogHost/contest"_s,
                          u"postgresql://zelq@loghost:5432/contest"_s, install));
        QVERIFY(!isSameLog(u"postgresql://zelq@loghost/other"_s,
                           u"postgresql://zelq@loghost/contest"_s, install));

        // through the window: refused with its message, nothing appended
        FakeDialogs dialogs;
        FakeBeeper beeper;
        FakeClock clock;
        AppContext app({install, {}, install, install}, dialogs, beeper, clock);
        app.prefs.logPath = log;
        QVERIFY(app.store.connect(log));
        ImportWindow w(app);
        w.findChild<QLineEdit*>(u"Text1"_s)->setText(u"./logs/zelqlog.mdb"_s);
        w.findChild<QPushButton*>(u"Command2"_s)->click();
        QCOMPARE(dialogs.messageTitles(), QStringList{u"Invalid Request!"_s});
        QCOMPARE(dialogs.asked.first().text, u"You can not append the same file onto itself."_s);
        QCOMPARE(beeper.count, 1);
        QCOMPARE(rowsOf(log).size(), size_t(3));
    }

    void aFailurePartWayKeepsTheRowsBeforeIt()
    {
        // a row the database rejects, in the middle of one batch
        const QString log = path(u"reject.mdb"_s);
        QVERIFY(makeLog(log, {}));
        QVERIFY(rawSql(log, u"CREATE TRIGGER no_bad BEFORE INSERT ON tbllog WHEN NEW.calls = 'BAD' "
                            "BEGIN SELECT RAISE(ABORT, 'rejected'); END"_s));
        const QString source = path(u"source.bin"_s); // a log by content, not by name
        QVERIFY(makeLog(source, {contact(u"A1A"_s, u"20"_s), contact(u"B1B"_s, u"20"_s),
                                 contact(u"BAD"_s, u"20"_s), contact(u"C1C"_s, u"20"_s)}));
        AppendResult r = appendToLog(log, source, dir.path(), {.batchSize = 10});
        QVERIFY(!r.ok());
        QCOMPARE(r.inserted, 2);
        QCOMPARE(rowsOf(log).size(), size_t(2));

        // a backup damaged on its third line: that record is skipped and
        // counted, the ones around it go in
        const QString damaged = path(u"damaged.dat"_s);
        QFile f(damaged);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\"D1D\",\"X\",\"CT\",\"2026/02/14\",\"14:00\",\"20\",\"NA\",\"ANN\",\"1\"\r\n"
                "\"E1E\",\"X\",\"CT\",\"2026/02/14\",\"14:00\",\"20\",\"NA\",\"ANN\",\"1\"\r\n"
                "\"F1F\",\"X\",\"CT\",\"2026/02/14\",\"14:00\",\"20\",\"NA\"\r\n"
                "\"G1G\",\"X\",\"CT\",\"2026/02/14\",\"14:00\",\"20\",\"NA\",\"ANN\",\"1\"\r\n");
        f.close();
        r = appendToLog(log, damaged, dir.path(), {});
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.inserted, 3);
        QCOMPARE(r.unreadable, 1);
        QCOMPARE(r.problems, QStringList{u"line 3: 7 fields instead of 9"_s});
        QCOMPARE(rowsOf(log).size(), size_t(5));

        // neither a log nor a backup: nothing appended, reported as failure
        const QString notLog = path(u"other.db"_s);
        QVERIFY(rawSql(notLog, u"CREATE TABLE t (a TEXT)"_s));
        for (const QString& bad : {notLog, path(u"missing.dat"_s), dir.path()}) {
            r = appendToLog(log, bad, dir.path(), {});
            QVERIFY2(!r.ok(), qPrintable(bad));
            QCOMPARE(r.inserted, 0);
        }

        // through the window: the failure is shown, the cache takes in what went in
        FakeDialogs dialogs;
        FakeBeeper beeper;
        FakeClock clock;
        AppContext app({dir.path(), {}, dir.path(), dir.path()}, dialogs, beeper, clock);
        app.prefs.logPath = log;
        QVERIFY(app.store.connect(log));
        ImportWindow w(app);
        w.findChild<QLineEdit*>(u"Text1"_s)->setText(source);
        w.findChild<QPushButton*>(u"Command2"_s)->click();
        QCOMPARE(dialogs.messageTitles(), QStringList{u"Append Error"_s});
        QCOMPARE(dialogs.asked.first().text, u"Unable to read file."_s);
        QCOMPARE(app.session.cache().count(), 5); // A1A and B1B are duplicates now
        QCOMPARE(w.findChild<QLabel*>(u"lblAppendResult"_s)->text(),
                 u"0 records appended, 2 skipped (2 already in the log)."_s);
    }

    // Records that cannot be read are skipped and counted; none is stored
    // cut short, and every readable record around them goes in.
    void unreadableRecordsAreSkippedAndCounted()
    {
        const QString log = path(u"unreadable.mdb"_s);
        QVERIFY(makeLog(log, {}));
        const QString source = path(u"unreadable.dat"_s);
        QFile f(source);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(// a quote inside a quoted field
                "\"A1A\",\"O\"BRIEN\",\"CT\",\"2026/02/14\",\"14:00\",\"20\",\"NA\",\"ANN\",\"1\"\r\n"
                "\"B1B\",\"BOB\",\"CT\",\"2026/02/14\",\"14:01\",\"20\",\"NA\",\"ANN\",\"1\"\r\n"
                // a line break inside quotes: one record over two lines
                "\"C1C\",\"CA\r\nROL\",\"CT\",\"2026/02/14\",\"14:02\",\"20\",\"NA\",\"ANN\",\"1\"\r\n"
                // a quote inside a bare field
                "D1D,BO\"B,CT,2026/02/14,14:03,20,NA,ANN,1\r\n"
                // a stray quote left open does not take the next record along
                "\"E1E\",\"EVE,\"CT\",\"2026/02/14\",\"14:04\",\"20\",\"NA\",\"ANN\",\"1\"\r\n"
                "\"F1F\",\"FAY\",\"CT\",\"2026/02/14\",\"14:05\",\"20\",\"NA\",\"ANN\",\"1\"\r\n"
                // too many fields
                "\"G1G\",\"X\",\"CT\",\"2026/02/14\",\"14:06\",\"20\",\"NA\",\"ANN\",\"1\",\"9\"\r\n"
                // bare fields and blanks around quotes are fine
                "H1H , \"HAL, JR\" ,CT,2026/02/14,14:07,20,NA,ANN,1\n");
        f.close();

        const BackupContents read = readBackupFile(source);
        QCOMPARE(read.unreadable, 5);
        QVERIFY(!read.complete());
        QVERIFY(read.error.isEmpty());
        QCOMPARE(read.problems,
                 (QStringList{u"line 1: a quote inside quoted field 2"_s,
                              u"lines 3-4: a line break inside quotes"_s,
                              u"line 5: a quote inside field 2"_s,
                              u"line 6: a quote inside quoted field 2"_s,
                              u"line 8: 10 fields instead of 9"_s}));

        FakeDialogs dialogs;
        FakeBeeper beeper;
        FakeClock clock;
        AppContext app({dir.path(), {}, dir.path(), dir.path()}, dialogs, beeper, clock);
        app.prefs.logPath = log;
        QVERIFY(app.store.connect(log));
        ImportWindow w(app);
        w.findChild<QLineEdit*>(u"Text1"_s)->setText(source);
        w.findChild<QPushButton*>(u"Command2"_s)->click();
        QCOMPARE(w.lastResult().inserted, 3);
        QCOMPARE(w.lastResult().unreadable, 5);
        QVERIFY(w.lastResult().ok());
        QCOMPARE(dialogs.messageTitles(), QStringList()); // no failure box
        const QString said = w.findChild<QLabel*>(u"lblAppendResult"_s)->text();
        QVERIFY2(said.startsWith(u"3 records appended, 5 skipped (5 unreadable).\n"
                                 "Skipped line 1: a quote inside quoted field 2.\n"_s),
                 qPrintable(said));

        const auto rows = rowsOf(log);
        QStringList calls;
        for (const Contact& c : rows)
            calls << c.calls + u"/"_s + c.namerec;
        QCOMPARE(calls, (QStringList{u"B1B/BOB"_s, u"F1F/FAY"_s, u"H1H/HAL, JR"_s}));

        // the same file again, duplicates left out: both counts said
        w.findChild<QPushButton*>(u"Command2"_s)->click();
        QCOMPARE(w.findChild<QLabel*>(u"lblAppendResult"_s)->text().section(u'\n', 0, 0),
                 u"0 records appended, 8 skipped (3 already in the log, 5 unreadable)."_s);

        // a text file with no record at all is no backup
        const QString notes = path(u"notes.txt"_s);
        QFile n(notes);
        QVERIFY(n.open(QIODevice::WriteOnly));
        n.write("Contest notes\nBand plan: 20 m in the morning\n");
        n.close();
        const AppendResult none = appendToLog(log, notes, dir.path(), {});
        QVERIFY(!none.ok());
        QCOMPARE(none.inserted, 0);
        QCOMPARE(rowsOf(log).size(), size_t(3));
    }

    void tickBoxAsksBeforeDuplicatesAreLetIn()
    {
        FakeDialogs dialogs;
        FakeBeeper beeper;
        FakeClock clock;
        AppContext app({dir.path(), {}, dir.path(), dir.path()}, dialogs, beeper, clock);
        ImportWindow w(app);
        auto* box = w.findChild<QCheckBox*>(u"Check1"_s);
        QVERIFY(box->isChecked());
        dialogs.answerButton(DialogButton::No);
        box->click();
        QVERIFY(box->isChecked());
        dialogs.answerButton(DialogButton::Yes);
        box->click();
        QVERIFY(!box->isChecked());
        QCOMPARE(dialogs.messageTitles(), (QStringList{u"Are you sure"_s, u"Are you sure"_s}));
        box->click(); // ticking again asks nothing
        QCOMPARE(dialogs.asked.size(), 2);
    }

    void largeBackupAppendsThroughTheWindowInSeconds()
    {
        const QString log = path(u"large.mdb"_s);
        QVERIFY(makeLog(log, {}));
        std::vector<Contact> many;
        for (int i = 0; i < 14000; ++i)
            many.push_back(contact(u"K%1X"_s.arg(i), u"20"_s));
        ContactCache cache;
        cache.assign(many);
        QVERIFY(QDir().mkpath(path(u"large"_s)));
        QVERIFY(BackupLog(cache, path(u"large"_s)));

        FakeDialogs dialogs;
        FakeBeeper beeper;
        FakeClock clock;
        AppContext app({dir.path(), {}, dir.path(), dir.path()}, dialogs, beeper, clock);
        app.prefs.logPath = log;
        QVERIFY(app.store.connect(log));
        QTimer poll;
        poll.start(60000);
        int resets = 0;
        ImportWindow w(app);
        w.setPollTimer(&poll);
        w.setResetPollTicks([&] { ++resets; });
        w.setProgressDelayMs(0);
        w.findChild<QLineEdit*>(u"Text1"_s)->setText(u"large/BckUpLog.dat"_s);
        QElapsedTimer t;
        t.start();
        w.findChild<QPushButton*>(u"Command2"_s)->click();
        QVERIFY2(t.elapsed() < 30000, qPrintable(QString::number(t.elapsed())));
        QVERIFY2(w.lastResult().ok(), qPrintable(w.lastResult().error));
        QCOMPARE(w.lastResult().inserted, 14000);
        QCOMPARE(app.session.cache().count(), 14000);
        QVERIFY(dialogs.asked.isEmpty());
        QCOMPARE(resets, 1);
        QVERIFY(poll.isActive());
        QVERIFY(w.isEnabled());
    }

    void appendsFromAnSQLiteLogAndAServerLog()
    {
        const QString log = path(u"main.mdb"_s);
        QVERIFY(makeLog(log, {contact(u"W1AW"_s, u"20"_s)}));
        const QString source = path(u"position2.mdb"_s);
        QVERIFY(makeLog(source, threeContacts));
        AppendResult r = appendToLog(log, source, dir.path(), {});
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.inserted, 2);

        PgTestDatabase pg;
        ZELQ_REQUIRE_PG(pg);
        QVERIFY(makeLog(pg.address(), {contact(u"N0XX"_s, u"15"_s), contact(u"w1aw"_s, u"20"_s)}));
        r = appendToLog(log, pg.address(), dir.path(), {});
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.inserted, 1);
        QCOMPARE(rowsOf(log).size(), size_t(4));

        // and the other way round: into the server log, 1500 rows in batches
        std::vector<Contact> many;
        for (int i = 0; i < 1500; ++i)
            many.push_back(contact(u"K%1X"_s.arg(i), u"40"_s));
        ContactCache cache;
        cache.assign(many);
        QVERIFY(BackupLog(cache, dir.path()));
        int lastDone = 0;
        r = appendToLog(pg.address(), u"BckUpLog.dat"_s, dir.path(), {},
                        [&](int done, int total) {
                            QCOMPARE(total, 1500);
                            QVERIFY(done > lastDone);
                            lastDone = done;
                        });
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.inserted, 1500);
        QCOMPARE(lastDone, 1500);
        QCOMPARE(rowsOf(pg.address()).size(), size_t(1502));
    }

    void archiveIsAConsistentCopyWhileAnotherPositionLogs()
    {
        QDir(dir.path()).mkpath(u"archive/BACKUP"_s);
        const QString log = path(u"busy.mdb"_s);
        QVERIFY(makeLog(log, threeContacts));
        std::atomic<int> committed{3};
        std::atomic<bool> stop{false};
        std::thread other([&] {
            LogStore store(u"other_position"_s);
            if (!store.connect(log))
                return;
            for (int i = 0; !stop && i < 100000; ++i)
                if (store.insert(contact(u"T%1"_s.arg(i), u"10"_s)))
                    ++committed;
        });
        const auto joinOther = qScopeGuard([&] {
            stop = true;
            if (other.joinable())
                other.join();
        });
        while (committed < 50)
            QThread::msleep(5);
        const int before = committed;
        const QString target = proposedArchivePath(path(u"archive"_s), u"W1AW/3"_s,
                                                   QDate(2026, 2, 14));
        QCOMPARE(target, path(u"archive/BACKUP/W1AW2026-02-14.mdb"_s));
        QString err;
        const bool ok = archiveLog(log, dir.path(), target, &err);
        const int after = committed;
        stop = true;
        other.join();
        QVERIFY2(ok, qPrintable(err));

        const auto archived = rowsOf(target); // opens as a log
        QVERIFY(int(archived.size()) >= before);
        QVERIFY(int(archived.size()) <= after);
        const auto all = rowsOf(log);
        QVERIFY(archived.size() <= all.size());
        QVERIFY(std::equal(archived.begin(), archived.end(), all.begin()));

        // an existing archive is replaced; the log itself never is
        QVERIFY(archiveLog(log, dir.path(), target, &err));
        QCOMPARE(rowsOf(target).size(), all.size());
        const QByteArray intact = fileBytes(log);
        QVERIFY(!archiveLog(log, dir.path(), u"./busy.MDB"_s, &err));
        QCOMPARE(fileBytes(log), intact);
        QCOMPARE(QDir(path(u"archive/BACKUP"_s)).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"W1AW2026-02-14.mdb"_s});
    }

    void archiveCommandReconnectsInEveryCase()
    {
        QDir(dir.path()).mkpath(u"prog/BACKUP"_s);
        const QString log = path(u"cmd.mdb"_s);
        QVERIFY(makeLog(log, threeContacts));
        FakeDialogs dialogs;
        FakeBeeper beeper;
        FakeClock clock;
        AppContext app({dir.path(), {}, path(u"prog"_s), dir.path()}, dialogs, beeper, clock);
        app.prefs.logPath = log;
        app.prefs.ownCall = u"K1ABC"_s;
        QVERIFY(app.store.connect(log));
        QTimer poll;
        poll.start(60000);

        // cancelled: no message after the information
        QCOMPARE(mnuArchive_Click(app, &poll), ArchiveOutcome::Cancelled);
        QCOMPARE(dialogs.messageTitles(), QStringList{u"Archive Information"_s});
        QVERIFY(!dialogs.asked.first().text.contains(u"Permission Denied"_s));
        QCOMPARE(dialogs.asked.last().defaultText, path(u"prog/BACKUP/K1ABC2026-02-14.mdb"_s));
        QVERIFY(app.store.isOpen());
        QVERIFY(poll.isActive());

        // failed (a folder in the way): reported, reconnected
        dialogs.asked.clear();
        QVERIFY(QDir().mkpath(path(u"prog/BACKUP/inway.mdb"_s)));
        dialogs.answerFile(path(u"prog/BACKUP/inway.mdb"_s));
        QCOMPARE(mnuArchive_Click(app, &poll), ArchiveOutcome::Failed);
        QCOMPARE(dialogs.messageTitles(),
                 (QStringList{u"Archive Information"_s, u"Error Archiving Log"_s}));
        QVERIFY(app.store.isOpen());

        dialogs.answerFile(path(u"prog/BACKUP/done.mdb"_s));
        QCOMPARE(mnuArchive_Click(app, &poll), ArchiveOutcome::Archived);
        QCOMPARE(rowsOf(path(u"prog/BACKUP/done.mdb"_s)), threeContacts);
        QVERIFY(app.store.isOpen());
        QVERIFY(poll.isActive());
    }

    void serverLogIsArchivedAsAnSQLiteLog()
    {
        PgTestDatabase pg;
        ZELQ_REQUIRE_PG(pg);
        QVERIFY(makeLog(pg.address(), threeContacts));
        const QString target = path(u"server-archive.mdb"_s);
        QString err;
        QVERIFY2(archiveLog(pg.address(), dir.path(), target, &err), qPrintable(err));
        QCOMPARE(fileBytes(target).left(15), QByteArray("SQLite format 3"));
        QCOMPARE(rowsOf(target), threeContacts);
    }
};

QTEST_MAIN(BackupAppendTest)
#include "tst_backup_append.moc"
