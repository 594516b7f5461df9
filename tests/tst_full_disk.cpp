// Every file the program rewrites survives a disk that fills up while it is
// written: the old file stays whole, byte for byte, and the failure is
// reported (once) instead of being taken for success.
//
// As root the disk is a real one: a 64 KiB tmpfs filled to the last block.
// Elsewhere the same write failure comes from a file-size limit
// (RLIMIT_FSIZE), which needs no privileges.
#include "FakeBeeper.h"
#include "FakeClock.h"
#include "FakeDialogs.h"
#include "TempHome.h"
#include "export/Backup.h"
#include "export/Cabrillo.h"
#include "log/ContactCache.h"
#include "log/MultiplierRecords.h"
#include "settings/AtomicFile.h"
#include "settings/Preferences.h"
#include "settings/SharedPreferences.h"
#include "ui/AdifExportCommand.h"
#include "ui/AppContext.h"
#include "ui/CabrilloWindow.h"
#include "ui/HelpWindow.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <functional>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace zelq;
using namespace zelq::test;

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool putFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
}

// A folder on a disk with no room left. With a tmpfs (root) the disk is
// filled with a filler file once the old files are in place; otherwise
// full() limits the size of any file the process writes to a few bytes,
// until the object goes or release() is called.
class FullDisk {
public:
    FullDisk()
    {
        folder = base.path() + u"/disk"_s;
        QDir().mkpath(folder);
        if (::geteuid() == 0
            && ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=64k")
                == 0)
            mounted = true;
    }
    ~FullDisk()
    {
        release();
        if (mounted)
            ::umount2(QFile::encodeName(folder).constData(), MNT_DETACH);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    bool isRealDisk() const { return mounted; }
    QString path(const QString& name) const { return folder + QLatin1Char('/') + name; }

    // Leaves no room for more data.
    bool fill()
    {
        if (!mounted) {
            ::getrlimit(RLIMIT_FSIZE, &savedLimit);
            previousHandler = std::signal(SIGXFSZ, SIG_IGN);
            rlimit small = savedLimit;
            small.rlim_cur = 8;
            limited = ::setrlimit(RLIMIT_FSIZE, &small) == 0;
            return limited;
        }
        QFile filler(path(u".filler"_s));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        const QByteArray block(512, 'x');
        while (filler.write(block) == block.size()) {
        }
        // the last bytes of a partly used block
        while (filler.write("x", 1) == 1) {
        }
        return true;
    }

    // Room again.
    void release()
    {
        if (mounted)
            QFile::remove(path(u".filler"_s));
        if (!limited)
            return;
        ::setrlimit(RLIMIT_FSIZE, &savedLimit);
        std::signal(SIGXFSZ, previousHandler);
        limited = false;
    }

private:
    QTemporaryDir base{u"/tmp/zelq-full-XXXXXX"_s};
    QString folder;
    bool mounted = false;
    bool limited = false;
    rlimit savedLimit{};
    void (*previousHandler)(int) = SIG_DFL;
};

Contact contact(const QString& call, const QString& band)
{
    return Contact{call,           u"BOB"_s, u"CT"_s, u"NA"_s, u"2026/02/14"_s,
                   u"14:00:00"_s, band,     u"ANN"_s, u"1"_s};
}

// Enough contacts that no file of them fits in the few bytes left.
ContactCache someContacts()
{
    ContactCache cache;
    for (int i = 0; i < 40; ++i)
        cache.append(contact(u"K%1ABC"_s.arg(i), i % 2 ? u"20"_s : u"40"_s));
    return cache;
}

// Runs a writer on the file; true when it claims success. What it reports
// goes into the dialogs.
using Write = std::function<bool(const QString&, FakeDialogs&)>;

const QByteArray OldContent = "\"the old file\"\r\n\"stays whole\"\r\n";

} // namespace

Q_DECLARE_METATYPE(Write)

class FullDiskTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        FullDisk probe;
        if (!probe.isRealDisk())
            qInfo("No tmpfs can be mounted here: the full disk is a file-size limit.");
    }

    // Each writer, one at a time: the old file is in place, the disk fills,
    // the writer runs and must fail without touching the old file.
    void oldFileStaysWholeAndFailureIsReported_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<Write>("write");
        QTest::addColumn<QStringList>("reported"); // message titles shown
        QTest::newRow("helper") << u"any.txt"_s
                                << Write([](const QString& path, FakeDialogs&) {
                                       QString error;
                                       const bool ok = writeFileAtomically(
                                           path, QByteArray(4096, 'n'), &error);
                                       return ok || error.isEmpty();
                                   })
                                << QStringList();
        QTest::newRow("preferences") << u"ZELQpfNt.txt"_s
                                     << Write([](const QString& path, FakeDialogs& dialogs) {
                                            FakeBeeper beeper;
                                            FakeClock clock;
                                            const QString folder = QFileInfo(path).path();
                                            AppContext app({folder, {}, folder, folder}, dialogs,
                                                           beeper, clock);
                                            app.prefs.ownCall = u"W1AW"_s;
                                            app.prefs.logPath = u"/tmp/some/long/path/log"_s;
                                            return app.SavePref();
                                        })
                                     << QStringList{u"Error Saving Settings"_s};
        QTest::newRow("backup") << u"BckUpLog.dat"_s
                                << Write([](const QString& path, FakeDialogs&) {
                                       QString error;
                                       const bool ok = BackupLog(someContacts(),
                                                                 QFileInfo(path).path(), &error);
                                       return ok || error.isEmpty();
                                   })
                                << QStringList();
        QTest::newRow("shared XML") << u"SharedUserPreferences.xml"_s
                                    << Write([](const QString& path, FakeDialogs&) {
                                           SharedPreferences shared;
                                           shared.LoadSharedPreferences(path);
                                           QString error;
                                           const bool ok = shared.SetSharedPreference(
                                               u"OWN_CALL"_s, QString(400, u'W'), true, &error);
                                           return ok || error.isEmpty();
                                       })
                                    << QStringList();
        QTest::newRow("Cabrillo") << u"W1AW.log"_s
                                  << Write([](const QString& path, FakeDialogs& dialogs) {
                                         FakeBeeper beeper;
                                         Preferences prefs;
                                         prefs.ownCall = u"W1AW"_s;
                                         SharedPreferences shared; // no file: never saved
                                         const ContactCache cache = someContacts();
                                         MultiplierRecords records;
                                         CabrilloWindow w(cache, records, prefs, shared, dialogs,
                                                          beeper, QFileInfo(path).path(),
                                                          QFileInfo(path).path());
                                         dialogs.asked.clear(); // opening says nothing here
                                         dialogs.answerFile(path);
                                         return w.writeFile();
                                     })
                                  << QStringList{u"Unable to write file."_s};
        QTest::newRow("ADIF") << u"ZELQ.adi"_s
                              << Write([](const QString& path, FakeDialogs& dialogs) {
                                     FakeBeeper beeper;
                                     FakeClock clock;
                                     const QString folder = QFileInfo(path).path();
                                     const AppFolderSet folders{folder, ZELQ_TEST_DATA_DIR,
                                                                folder, folder};
                                     AdifCountryTable countries;
                                     // read before the disk fills: it is no write
                                     if (!countries.ensureLoaded({}, folders.shipped))
                                         return true;
                                     dialogs.answerText(u"100"_s);
                                     dialogs.answerText(u"test"_s);
                                     dialogs.answerFile(path);
                                     return mnuAdifExport_Click(someContacts(), Preferences{},
                                                                folders, countries, dialogs,
                                                                beeper, clock, u"ZELQ Logger"_s)
                                         != ExportOutcome::Failed;
                                 })
                              << QStringList{u"Unable to write file."_s};
        QTest::newRow("help text") << u"HelpTavrin.txt"_s
                                   << Write([](const QString& path, FakeDialogs& dialogs) {
                                          HelpWindow w(ZELQ_TEST_DATA_DIR u"/rdzelqnt.txt"_s,
                                                       QFileInfo(path).path(), dialogs);
                                          return w.saveText();
                                      })
                                   << QStringList{u"Help Not Saved"_s};
    }

    void oldFileStaysWholeAndFailureIsReported()
    {
        QFETCH(QString, file);
        QFETCH(Write, write);
        QFETCH(QStringList, reported);

        TempHome home;
        FullDisk disk;
        const QString path = disk.path(file);
        QVERIFY(putFile(path, OldContent));
        QVERIFY(disk.fill());
        FakeDialogs dialogs;
        const bool claimed = write(path, dialogs);
        disk.release();

        QVERIFY2(!claimed, "a write that did not reach the disk was taken for success");
        QCOMPARE(fileBytes(path), OldContent);
        QCOMPARE(dialogs.messageTitles(), reported);
        // nothing left beside it
        const QStringList left = QDir(QFileInfo(path).path())
                                     .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
        QCOMPARE(left.filter(file), QStringList{file});
    }

    // The periodic backup on a full disk: said once, not at every tick; said
    // again when it fails after having worked.
    void periodicBackupFailureIsToldOnce()
    {
        FullDisk disk;
        const QString folder = QFileInfo(disk.path(u"BckUpLog.dat"_s)).path();
        const ContactCache cache = someContacts();
        BackupRunner runner;
        QVERIFY(!runner.run(cache, folder));
        const QByteArray first = fileBytes(disk.path(u"BckUpLog.dat"_s));
        QVERIFY(first.size() > 100);

        QVERIFY(disk.fill());
        const auto said = runner.run(cache, folder);
        const auto again = runner.run(cache, folder);
        disk.release();
        QVERIFY(said);
        QVERIFY2(said->startsWith(u"Backup not written to "_s + disk.path(u"BckUpLog.dat"_s)),
                 qPrintable(*said));
        QVERIFY(!again);
        QVERIFY(runner.lastFailed());
        QCOMPARE(fileBytes(disk.path(u"BckUpLog.dat"_s)), first);

        QVERIFY(!runner.run(cache, folder)); // room again: written, nothing to say
        QVERIFY(!runner.lastFailed());
        QVERIFY(disk.fill());
        const bool toldAgain = runner.run(cache, folder).has_value();
        disk.release();
        QVERIFY(toldAgain);
    }

    void helperWritesWholeFilesWhenThereIsRoom()
    {
        QTemporaryDir dir(u"/tmp/zelq-atomic-XXXXXX"_s);
        const QString path = dir.filePath(u"f.txt"_s);
        QVERIFY(putFile(path, OldContent));
        const QByteArray big(200000, 'z'); // more than one write buffer
        QVERIFY(writeFileAtomically(path, big));
        QCOMPARE(fileBytes(path), big);
        QVERIFY(writeFileAtomically(path, QByteArray()));
        QCOMPARE(fileBytes(path), QByteArray());

        // a folder where the file belongs, and a missing folder: reported
        QVERIFY(QDir().mkpath(dir.filePath(u"blocked"_s)));
        for (const QString& bad : {dir.filePath(u"blocked"_s), dir.filePath(u"no/such/f.txt"_s),
                                   QString()}) {
            QString error;
            QVERIFY2(!writeFileAtomically(bad, "x", &error), qPrintable(bad));
            QVERIFY(!error.isEmpty());
        }
        QVERIFY(QFileInfo(dir.filePath(u"blocked"_s)).isDir());
    }
};

QTEST_MAIN(FullDiskTest)
#include "tst_full_disk.moc"
