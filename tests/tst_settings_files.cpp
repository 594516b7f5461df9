// Per-user folders, the shared preferences file, file-safe call signs and
// the program's own folders.
#include "FakeDialogs.h"
#include "TempHome.h"
#include "settings/AppFolders.h"
#include "settings/FileSafeCall.h"
#include "settings/SharedPreferences.h"
#include "settings/UserFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QXmlStreamReader>
#include <QtTest>

using namespace zelq;
using namespace zelq::test;

namespace {

const QString kVendor = QStringLiteral("/DORVY Software");
const QString kProgram = QStringLiteral("/ZELQ Network");
const QString kDecl = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>");

QString documentsFolder()
{
    return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool isDir(const QString& path) { return QFileInfo(path).isDir(); }

QString valueOf(const SharedPreferences& prefs, const char* tag)
{
    return prefs.value(QLatin1String(tag)).value_or(QStringLiteral("<none>"));
}

} // namespace

class SettingsFilesTest : public QObject {
    Q_OBJECT
private slots:
    // ---- user data folders ----

    void folderExistsOnlyForRealFolders()
    {
        TempHome home;
        QVERIFY(!folderExists(QString())); // not the working folder
        QVERIFY(folderExists(home.home()));
        QVERIFY(!folderExists(home.writeFile(QStringLiteral("plain"), "x")));
        QVERIFY(QDir(home.path()).mkdir(QStringLiteral("Logs")));
        QVERIFY(folderExists(home.path() + QStringLiteral("/Logs")));
        QVERIFY(!folderExists(home.path() + QStringLiteral("/LOGS")));
    }

    void ensureFolderMakesMissingAndKeepsExisting()
    {
        TempHome home;
        FakeDialogs dialogs;
        const QString fresh = home.path() + QStringLiteral("/fresh");
        EnsureFolder(fresh, true, dialogs);
        QVERIFY(isDir(fresh));

        const QString kept = home.writeFile(QStringLiteral("kept/inside.txt"), "data");
        EnsureFolder(home.path() + QStringLiteral("/kept"), true, dialogs);
        QCOMPARE(readAll(kept), QByteArray("data"));
        QVERIFY(dialogs.asked.isEmpty());
    }

    void ensureFolderRejectsEmptyPath()
    {
        FakeDialogs dialogs;
        EnsureFolder(QString(), true, dialogs);
        EnsureFolder(QString(), false, dialogs);
        QCOMPARE(dialogs.messageTitles(),
                 QStringList(2, QStringLiteral("Unable to Create Directory")));
        QCOMPARE(dialogs.asked.at(0).text, QStringLiteral("Invalid Path"));
    }

    void ensureFolderReportsCreationErrorOnlyWhenAsked()
    {
        TempHome home;
        home.writeFile(QStringLiteral("blocker"), "not a folder");
        const QString target = home.path() + QStringLiteral("/blocker/sub");

        FakeDialogs quiet;
        EnsureFolder(target, false, quiet);
        QVERIFY(quiet.asked.isEmpty());

        FakeDialogs loud;
        EnsureFolder(target, true, loud);
        QCOMPARE(loud.messageTitles(), QStringList{QStringLiteral("Unable to create directory.")});
        const QString text = loud.asked.at(0).text;
        QVERIFY2(text.endsWith(QStringLiteral("  ") + target), qPrintable(text));
        QVERIFY2(text.size() > target.size() + 2 && !text.at(0).isSpace(), qPrintable(text));
        QVERIFY(!folderExists(target));
    }

    void userFolderGoesIntoExistingDocuments()
    {
        TempHome home;
        FakeDialogs dialogs;
        const QString docs = documentsFolder();
        QVERIFY(docs.startsWith(home.home()));
        QVERIFY(QDir().mkpath(docs));

        QCOMPARE(FindUserDataFolder(kVendor, kProgram, dialogs), docs + kVendor);
        QVERIFY(isDir(docs + kVendor + kProgram));
        QVERIFY(!QFileInfo::exists(home.dataHome() + kVendor));
        QVERIFY(!QFileInfo::exists(home.home() + kVendor));
        QVERIFY(dialogs.asked.isEmpty());
    }

    void missingDocumentsFolderIsMadeSilently()
    {
        TempHome home;
        FakeDialogs dialogs;
        const QString docs = documentsFolder();
        QVERIFY(!QFileInfo::exists(docs));

        QCOMPARE(FindUserDataFolder(kVendor, kProgram, dialogs), docs + kVendor);
        QVERIFY(isDir(docs + kVendor + kProgram));
        QVERIFY(dialogs.asked.isEmpty());
    }

    void blockedDocumentsFallsBackToHomeAndDataFolder()
    {
        TempHome home;
        FakeDialogs dialogs;
        const QString docs = documentsFolder();
        QVERIFY(QDir().mkpath(QFileInfo(docs).path()));
        QFile blocker(docs);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        QCOMPARE(FindUserDataFolder(kVendor, kProgram, dialogs), home.dataHome() + kVendor);
        QVERIFY(isDir(home.home() + kVendor + kProgram));
        QVERIFY(isDir(home.dataHome() + kVendor + kProgram));
        QVERIFY(QFileInfo(docs).isFile());
        QVERIFY(dialogs.asked.isEmpty());
    }

    void eachFolderThatCannotBeMadeIsReportedAndSearchGoesOn()
    {
        TempHome home;
        FakeDialogs dialogs;
        const QString docs = documentsFolder();
        QVERIFY(QDir().mkpath(QFileInfo(docs).path()));
        home.writeFile(QDir(home.path()).relativeFilePath(docs), "");
        home.writeFile(QDir(home.path()).relativeFilePath(home.home() + kVendor), "");

        // $HOME/DORVY Software and the folder inside it fail; the data folder works
        QCOMPARE(FindUserDataFolder(kVendor, kProgram, dialogs), home.dataHome() + kVendor);
        QCOMPARE(dialogs.messageTitles(),
                 QStringList(2, QStringLiteral("User Access Directory Error")));
        QVERIFY(dialogs.asked.at(0).text.contains(home.home() + kVendor));
        QVERIFY(dialogs.asked.at(1).text.contains(home.home() + kVendor + kProgram));
        QVERIFY(isDir(home.dataHome() + kVendor + kProgram));
    }

    void emptyHomeUsesDataFolderMakingItWhenMissing()
    {
        TempHome home;
        FakeDialogs dialogs;
        QVERIFY(QDir(home.dataHome()).removeRecursively());
        qputenv("HOME", ""); // TempHome puts it back

        QCOMPARE(FindUserDataFolder(kVendor, kProgram, dialogs), home.dataHome() + kVendor);
        QVERIFY(isDir(home.dataHome() + kVendor + kProgram));
        QVERIFY(!QFileInfo::exists(home.home() + QStringLiteral("/Documents")));
        QVERIFY(dialogs.asked.isEmpty());
    }

    void startUpFoldersAndBackup()
    {
        TempHome home;
        FakeDialogs dialogs;
        const UserDataFolders folders(dialogs);
        const QString base = documentsFolder() + kVendor;
        QCOMPARE(folders.programFolder(), base + kProgram);
        QCOMPARE(folders.sharedFolder(), base + QStringLiteral("/Shared"));
        QCOMPARE(folders.backupFolder(), base + kProgram + QStringLiteral("/BACKUP"));
        QVERIFY(isDir(folders.sharedFolder()));
        QVERIFY(isDir(folders.backupFolder()));
        QVERIFY(dialogs.asked.isEmpty());
    }

    // ---- shared preferences ----

    void setKeepsOneElementPerTagInFirstSetOrder()
    {
        SharedPreferences prefs;
        QCOMPARE(prefs.document(), kDecl);
        QVERIFY(prefs.SetSharedPreference(QStringLiteral("OWN_CALL"), QStringLiteral("W1AW"), false));
        QVERIFY(prefs.SetSharedPreference(QStringLiteral("name"), QStringLiteral("Hiram"), false));
        QVERIFY(prefs.SetSharedPreference(QStringLiteral("own_call"), QStringLiteral("K1ABC"), false));
        QVERIFY(prefs.SetSharedPreference(QStringLiteral("OWN_CALL"), QString(), false));
        QVERIFY(prefs.SetSharedPreference(QStringLiteral("Own_Call"), QStringLiteral("N0CALL"), false));
        QCOMPARE(prefs.document(), kDecl + QStringLiteral("\r\n<OWN_CALL>N0CALL</OWN_CALL>"
                                                          "\r\n<NAME>Hiram</NAME>"));
    }

    void valuesAreEscapedAndReadBackAsSet()
    {
        SharedPreferences prefs;
        const QString value = QStringLiteral("a&b <c> \"d\" 'e'");
        QVERIFY(prefs.SetSharedPreference(QStringLiteral("NOTE"), value, false));
        QVERIFY(prefs.SetSharedPreference(QStringLiteral("OTHER"), QStringLiteral("x"), false));
        QVERIFY(prefs.SetSharedPreference(QStringLiteral("NOTE"), value + value, false));
        const QString escaped = QStringLiteral("a&amp;b &lt;c&gt; &quot;d&quot; &apos;e&apos;");
        QCOMPARE(prefs.document(), kDecl + QStringLiteral("\r\n<NOTE>") + escaped + escaped
                                       + QStringLiteral("</NOTE>\r\n<OTHER>x</OTHER>"));
        QCOMPARE(valueOf(prefs, "note"), value + value);
        QCOMPARE(valueOf(prefs, "OTHER"), QStringLiteral("x"));
        QVERIFY(!prefs.value(QStringLiteral("MISSING")));

        // a line break stays inside its element; control characters XML
        // cannot hold are left out
        QVERIFY(prefs.SetSharedPreference(QStringLiteral("NOTE"),
                                          QStringLiteral("1\r\n2\t3") + QChar(7), false));
        QVERIFY(prefs.document().contains(QStringLiteral("<NOTE>1&#13;&#10;2\t3</NOTE>\r\n")));
        QCOMPARE(valueOf(prefs, "NOTE"), QStringLiteral("1\r\n2\t3"));
    }

    // Another program reads the file with an XML reader: a name with markup
    // characters must neither break it nor change on the way.
    void fileStaysWellFormedForOtherPrograms()
    {
        TempHome home;
        const QString path = home.path() + QStringLiteral("/SharedUserPreferences.xml");
        SharedPreferences prefs;
        QVERIFY(prefs.LoadSharedPreferences(path));
        const QString name = QStringLiteral("OBR<I>EN&CO");
        QVERIFY(prefs.SetSharedPreference(QStringLiteral("OWN_CALL"), QStringLiteral("W1AW"), false));
        QVERIFY(prefs.SetSharedPreference(QStringLiteral("OWN_FIRST_NAME"), name, true));
        QVERIFY(prefs.SetSharedPreference(QStringLiteral("OWN_ADDRESS_Line1"),
                                          QStringLiteral("1 \"Elm\" St <rear> & 'B'"), true));

        // The elements have no root: a reader sees them inside one.
        QString text = QString::fromUtf8(readAll(path));
        QVERIFY(text.startsWith(kDecl));
        text = QStringLiteral("<root>") + text.mid(kDecl.size()) + QStringLiteral("</root>");
        QXmlStreamReader xml(text);
        QMap<QString, QString> read;
        QVERIFY(xml.readNextStartElement()); // root
        while (xml.readNextStartElement())
            read.insert(xml.name().toString(), xml.readElementText());
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(read.value(QStringLiteral("OWN_FIRST_NAME")), name);
        QCOMPARE(read.value(QStringLiteral("OWN_ADDRESS_LINE1")),
                 QStringLiteral("1 \"Elm\" St <rear> & 'B'"));
        QCOMPARE(read.value(QStringLiteral("OWN_CALL")), QStringLiteral("W1AW"));

        // and this program reads it back the same
        SharedPreferences again;
        QVERIFY(again.LoadSharedPreferences(path));
        QCOMPARE(valueOf(again, "OWN_FIRST_NAME"), name);
    }

    // Files written before values were escaped still read and update.
    void unescapedFileStillReads()
    {
        TempHome home;
        const QString old = home.writeFile(
            QStringLiteral("old.xml"),
            kDecl.toUtf8() + "\r\n<OWN_FIRST_NAME>OBR<I>EN&CO</OWN_FIRST_NAME>\r\n"
                             "<OWN_EMAIL>a&b@x.org &#; &#xZZ; &amp &#65;</OWN_EMAIL>\r\n");
        SharedPreferences prefs;
        QVERIFY(prefs.LoadSharedPreferences(old));
        QCOMPARE(valueOf(prefs, "OWN_FIRST_NAME"), QStringLiteral("OBR<I>EN&CO"));
        QCOMPARE(valueOf(prefs, "OWN_EMAIL"),
                 QStringLiteral("a&b@x.org &#; &#xZZ; &amp A"));
        QVERIFY(prefs.SetSharedPreference(QStringLiteral("OWN_FIRST_NAME"), QStringLiteral("JO&AN"),
                                          true));
        QCOMPARE(readAll(old), kDecl.toUtf8()
                                   + "\r\n<OWN_FIRST_NAME>JO&amp;AN</OWN_FIRST_NAME>\r\n"
                                     "<OWN_EMAIL>a&b@x.org &#; &#xZZ; &amp &#65;</OWN_EMAIL>\r\n");
    }

    void tagsThatWouldBreakTheDocumentAreRefused()
    {
        SharedPreferences prefs;
        for (const QString& bad : {QString(), QStringLiteral("A B"), QStringLiteral("A>"),
                                   QStringLiteral("</A"), QStringLiteral("1ST")}) {
            QString error;
            QVERIFY2(!prefs.SetSharedPreference(bad, QStringLiteral("v"), false, &error),
                     qPrintable(bad));
            QVERIFY(!error.isEmpty());
        }
        QCOMPARE(prefs.document(), kDecl);
    }

    void savedFileHasExactBytesAndReadsBackWithoutGrowing()
    {
        TempHome home;
        const QString path = home.path() + QStringLiteral("/Shared/prefs.xml");
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));

        SharedPreferences prefs;
        QVERIFY(prefs.LoadSharedPreferences(path));
        QCOMPARE(prefs.document(), kDecl);
        QVERIFY(prefs.SetSharedPreference(QStringLiteral("OWN_CALL"), QStringLiteral("W1AW"), true));
        QVERIFY(prefs.SetSharedPreference(QStringLiteral("NAME"), QStringLiteral("Jürgen"), true));
        const QByteArray expected = kDecl.toUtf8()
            + "\r\n<OWN_CALL>W1AW</OWN_CALL>\r\n<NAME>J\xc3\xbcrgen</NAME>\r\n";
        QCOMPARE(readAll(path), expected);

        SharedPreferences again;
        QVERIFY(again.LoadSharedPreferences(path));
        QCOMPARE(again.document(), prefs.document());
        QVERIFY(again.SaveSharedPreferences(path));
        QVERIFY(again.SetSharedPreference(QStringLiteral("OWN_CALL"), QStringLiteral("W1AW"), true));
        QCOMPARE(readAll(path), expected);
    }

    void handEditedFileWithoutFinalLineEndKeepsItsText()
    {
        TempHome home;
        const QString noEnd = home.writeFile(QStringLiteral("a.xml"), kDecl.toUtf8() + "\r\n<A>1</A>");
        const QString lfOnly = home.writeFile(QStringLiteral("b.xml"), kDecl.toUtf8() + "\n<A>1</A>\n");

        SharedPreferences a;
        QVERIFY(a.LoadSharedPreferences(noEnd));
        QCOMPARE(a.document(), kDecl + QStringLiteral("\r\n<A>1</A>"));
        QVERIFY(a.SetSharedPreference(QStringLiteral("A"), QStringLiteral("2"), true));
        QCOMPARE(readAll(noEnd), kDecl.toUtf8() + "\r\n<A>2</A>\r\n");

        SharedPreferences b;
        QVERIFY(b.LoadSharedPreferences(lfOnly));
        QCOMPARE(b.document(), kDecl + QStringLiteral("\n<A>1</A>"));
    }

    void unclosedElementIsMendedOnItsOwnLine()
    {
        TempHome home;
        const QString middle = home.writeFile(
            QStringLiteral("m.xml"), kDecl.toUtf8() + "\r\n<A>1\r\n<B>2</B>\r\n");
        SharedPreferences m;
        QVERIFY(m.LoadSharedPreferences(middle));
        QVERIFY(m.SetSharedPreference(QStringLiteral("A"), QStringLiteral("5"), false));
        QCOMPARE(m.document(), kDecl + QStringLiteral("\r\n<A>5</A>\r\n<B>2</B>"));

        const QString last = home.writeFile(
            QStringLiteral("l.xml"), kDecl.toUtf8() + "\r\n<B>2</B>\r\n<A>1 and more\r\n");
        SharedPreferences l;
        QVERIFY(l.LoadSharedPreferences(last));
        QVERIFY(l.SetSharedPreference(QStringLiteral("A"), QStringLiteral("5"), false));
        QCOMPARE(l.document(), kDecl + QStringLiteral("\r\n<B>2</B>\r\n<A>5</A>"));
    }

    void emptyFileStartsANewDocument()
    {
        TempHome home;
        SharedPreferences prefs;
        QVERIFY(prefs.LoadSharedPreferences(home.writeFile(QStringLiteral("e.xml"), "")));
        QCOMPARE(prefs.document(), kDecl);
    }

    void saveFailureIsReported()
    {
        TempHome home;
        const QString folder = home.path() + QStringLiteral("/prefs.xml");
        QVERIFY(QDir().mkpath(folder));

        SharedPreferences prefs;
        QString error;
        QVERIFY(!prefs.SaveSharedPreferences(folder, &error));
        QVERIFY(!error.isEmpty());
        error.clear();
        QVERIFY(!prefs.SetSharedPreference(QStringLiteral("A"), QStringLiteral("1"), true, &error));
        QVERIFY(!error.isEmpty());

        SharedPreferences neverLoaded;
        QVERIFY(!neverLoaded.SetSharedPreference(QStringLiteral("A"), QStringLiteral("1"), true));
    }

    // ---- call signs in file names ----

    void fileSafeCall_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("expected");
        QTest::newRow("portable") << "K1ABC/3" << "K1ABC";
        QTest::newRow("prefix first") << "/W1AW" << "YourCall";
        QTest::newRow("lower case") << "k1abc" << "YourCall";
        QTest::newRow("mixed case") << "W1aw" << "W1";
        QTest::newRow("lower after letter") << "Wa1" << "W";
        QTest::newRow("plain") << "DL1ABC" << "DL1ABC";
        QTest::newRow("leading blank") << " W1AW" << "YourCall";
        QTest::newRow("empty") << "" << "YourCall";
        QTest::newRow("accented letter") << QStringLiteral("OHÄ1") << "OH";
    }

    void fileSafeCall()
    {
        QFETCH(QString, call);
        QFETCH(QString, expected);
        QCOMPARE(FileSafeCall(call), expected);
    }

    // ---- program folders ----

    void installFolderPrecedence()
    {
        TempHome home;
        const QString prog = QStringLiteral("zelqlog");
        QCOMPARE(resolveInstallFolder({prog}), home.installDir());
        QCOMPARE(resolveInstallFolder({prog, QStringLiteral("--install-dir"), QStringLiteral("/opt/z/../zz/")}),
                 QStringLiteral("/opt/zz"));
        QCOMPARE(resolveInstallFolder({prog, QStringLiteral("--install-dir=/srv/zelq")}),
                 QStringLiteral("/srv/zelq"));
        QCOMPARE(resolveInstallFolder({prog, QStringLiteral("--install-dir=/a"),
                                       QStringLiteral("--install-dir"), QStringLiteral("/b")}),
                 QStringLiteral("/b"));
        QCOMPARE(resolveInstallFolder({prog, QStringLiteral("--install-dir=rel")}),
                 QDir::cleanPath(QDir::currentPath() + QStringLiteral("/rel")));
        // an option without a folder counts as not given
        QCOMPARE(resolveInstallFolder({prog, QStringLiteral("--install-dir")}), home.installDir());
        QCOMPARE(resolveInstallFolder({prog, QStringLiteral("--install-dir=")}), home.installDir());

        qunsetenv("ZELQ_HOME"); // TempHome puts it back
        QCOMPARE(resolveInstallFolder({prog}), home.home() + QStringLiteral("/.local/share/zelq"));
        QCOMPARE(resolveInstallFolder({prog, QStringLiteral("--install-dir=/x")}), QStringLiteral("/x"));
    }

    void shippedDataFolderInstalledOrBuildTree()
    {
        TempHome home;
        const QString source = QStringLiteral(ZELQ_TEST_DATA_DIR);
        const QString bin = home.path() + QStringLiteral("/prefix/bin");
        QVERIFY(QDir().mkpath(bin));
        QCOMPARE(shippedDataFolder(bin, source), source);

        QVERIFY(QDir().mkpath(home.path() + QStringLiteral("/prefix/share/zelq")));
        QCOMPARE(shippedDataFolder(bin, source), home.path() + QStringLiteral("/prefix/share/zelq"));
    }

    void readOnlyFileIsFoundInOrder()
    {
        TempHome home;
        const QString name = QStringLiteral("arrlpre2.txt");
        QStringList folders;
        for (const char* f : {"shared", "program", "install"})
            folders << home.path() + QLatin1Char('/') + QLatin1String(f);
        const QString shipped = home.path() + QStringLiteral("/shipped");
        for (const QString& f : folders + QStringList{shipped})
            home.writeFile(QDir(home.path()).relativeFilePath(f + QLatin1Char('/') + name), "x");

        for (const QString& f : folders) {
            QCOMPARE(findReadOnlyFile(name, folders, shipped), f + QLatin1Char('/') + name);
            QVERIFY(QFile::remove(f + QLatin1Char('/') + name));
            QVERIFY(QDir(f).mkdir(name)); // a folder of that name is no file
        }
        QCOMPARE(findReadOnlyFile(name, folders, shipped), shipped + QLatin1Char('/') + name);
        QVERIFY(QFile::remove(shipped + QLatin1Char('/') + name));
        QVERIFY(findReadOnlyFile(name, folders, shipped).isEmpty());
        QVERIFY(findReadOnlyFile(QStringLiteral("ADIFCnt.txt"), {}, QString()).isEmpty());
    }

    void namesResolveAgainstInstallFolder()
    {
        const QString install = QStringLiteral("/home/op/.local/share/zelq");
        QCOMPARE(resolveInInstallFolder(install, QStringLiteral("contest.db")),
                 install + QStringLiteral("/contest.db"));
        QCOMPARE(resolveInInstallFolder(install, QStringLiteral("logs/../old/a.txt")),
                 install + QStringLiteral("/old/a.txt"));
        QCOMPARE(resolveInInstallFolder(install, QStringLiteral("/var/log/x.txt")),
                 QStringLiteral("/var/log/x.txt"));
        QVERIFY(resolveInInstallFolder(install, QString()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(SettingsFilesTest)
#include "tst_settings_files.moc"
