// The ADIF file and the Tavrin import file "LogExp.txt": whole files
// compared byte for byte, the country and state of a contact, the country
// table read once per run, and the operator's answers either way.
#include "FakeBeeper.h"
#include "FakeClock.h"
#include "FakeDialogs.h"
#include "TempHome.h"
#include "export/Adif.h"
#include "log/ContactCache.h"
#include "settings/Preferences.h"
#include "ui/AdifExportCommand.h"
#include "ui/AppContext.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace zelq;
using namespace zelq::test;

namespace {

const QString Title = QStringLiteral("ZELQ Logger 0.1.0");

Contact contact(const QString& call, const QString& name, const QString& spc, const QString& cont,
                const QString& date, const QString& time, const QString& band)
{
    Contact c;
    c.calls = call;
    c.namerec = name;
    c.spc = spc;
    c.cont = cont;
    c.flddate = date;
    c.fldtime = time;
    c.uband = band;
    c.namesent = QStringLiteral("OP");
    c.trn = QStringLiteral("1");
    return c;
}

ContactCache sampleLog()
{
    ContactCache cache;
    cache.append(contact("W1AW", "Hiram", "CT", "NA", "2024/01/02", "18:05:33", "20"));
    cache.append(contact("VE3ABC", "Bob", "ON", "NA", "2024/01/02", "9:05:00", "40"));
    cache.append(contact("KH6XX", "Lee", "hi", "OC", "2024/01/03", "23:59", "160"));
    cache.append(contact("VY1AA", "Ann", "NWT", "NA", "2024/01/03", "00:00:00", "10"));
    cache.append(contact("K1ZZ", "", "", "", "", "", ""));
    return cache;
}

const QByteArray CountryFile = "\"USA\",291\r\n\"Canada\",1\r\n\"Hawaii\",110\r\n\"Alaska\",6\r\n";

const QString Header = QStringLiteral("ADIF Export from ZELQ Logger 0.1.0\r\n"
                                      "Log exported on: 2026/02/14 14:00:00\r\n"
                                      "\r\n<EOH>\r\n\r\n");

// The sample log with power "100" and comment "ZELQ Contest", phone mode.
const QString SampleWithAnswers = Header + QStringLiteral(
    "<Call:4>W1AW <Qso_Date:8:d>20240102 <Band:3>20M <Mode:3>SSB\r\n"
    "<Tx_Pwr:3>100 <Time_On:4>1805 <DXCC:3>291 <State:2>CT<Cont:2>NA <Name:5>Hiram <Comment:12>ZELQ Contest\r\n"
    "<eor>\r\n\r\n"
    "<Call:6>VE3ABC <Qso_Date:8:d>20240102 <Band:3>40M <Mode:3>SSB\r\n"
    "<Tx_Pwr:3>100 <Time_On:4>0905 <DXCC:1>1 <Cont:2>NA <Name:3>Bob <Comment:12>ZELQ Contest\r\n"
    "<eor>\r\n\r\n"
    "<Call:5>KH6XX <Qso_Date:8:d>20240103 <Band:4>160M <Mode:3>SSB\r\n"
    "<Tx_Pwr:3>100 <Time_On:4>2359 <DXCC:3>110 <State:2>hi<Cont:2>OC <Name:3>Lee <Comment:12>ZELQ Contest\r\n"
    "<eor>\r\n\r\n"
    "<Call:5>VY1AA <Qso_Date:8:d>20240103 <Band:3>10M <Mode:3>SSB\r\n"
    "<Tx_Pwr:3>100 <Time_On:4>0000 <Cont:2>NA <Name:3>Ann <Comment:12>ZELQ Contest\r\n"
    "<eor>\r\n\r\n"
    "<Call:4>K1ZZ <Mode:3>SSB\r\n"
    "<Tx_Pwr:3>100 <Comment:12>ZELQ Contest\r\n"
    "<eor>\r\n\r\n");

// The same log, CW, both answers empty: "<eor>" ends the second line.
const QString SampleWithoutAnswers = Header + QStringLiteral(
    "<Call:4>W1AW <Qso_Date:8:d>20240102 <Band:3>20M <Mode:2>CW\r\n"
    "<Time_On:4>1805 <DXCC:3>291 <State:2>CT<Cont:2>NA <Name:5>Hiram <eor>\r\n\r\n"
    "<Call:6>VE3ABC <Qso_Date:8:d>20240102 <Band:3>40M <Mode:2>CW\r\n"
    "<Time_On:4>0905 <DXCC:1>1 <Cont:2>NA <Name:3>Bob <eor>\r\n\r\n"
    "<Call:5>KH6XX <Qso_Date:8:d>20240103 <Band:4>160M <Mode:2>CW\r\n"
    "<Time_On:4>2359 <DXCC:3>110 <State:2>hi<Cont:2>OC <Name:3>Lee <eor>\r\n\r\n"
    "<Call:5>VY1AA <Qso_Date:8:d>20240103 <Band:3>10M <Mode:2>CW\r\n"
    "<Time_On:4>0000 <Cont:2>NA <Name:3>Ann <eor>\r\n\r\n"
    "<Call:4>K1ZZ <Mode:2>CW\r\n"
    "<eor>\r\n\r\n");

const QByteArray SampleLogExp =
    "\"W1AW\",\"2024/01/02\",\"20\",\"PH\",\"100\",\"18:05:33\",,,,\"USA\",\"CT\",,,,,\"ZELQ Contest  Hiram\"\r\n"
    "\"VE3ABC\",\"2024/01/02\",\"40\",\"PH\",\"100\",\"9:05:00\",,,,\"Canada\",\"\",,,,,\"ZELQ Contest  Bob\"\r\n"
    "\"KH6XX\",\"2024/01/03\",\"160\",\"PH\",\"100\",\"23:59\",,,,\"Hawaii\",\"hi\",,,,,\"ZELQ Contest  Lee\"\r\n"
    "\"VY1AA\",\"2024/01/03\",\"10\",\"PH\",\"100\",\"00:00:00\",,,,\"NWT\",\"\",,,,,\"ZELQ Contest  Ann\"\r\n"
    "\"K1ZZ\",\"\",\"\",\"PH\",\"100\",\"\",,,,\"\",\"\",,,,,\"ZELQ Contest  \"\r\n";

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Folders under a private home; the shipped folder is empty unless a test
// puts a country file there.
struct Folders {
    TempHome home;
    AppFolderSet set;
    Folders()
    {
        set.install = home.path() + "/install";
        set.shipped = home.path() + "/shipped";
        set.program = home.path() + "/program";
        set.shared = home.path() + "/shared";
        for (const QString& d : {set.install, set.shipped, set.program, set.shared})
            QDir().mkpath(d);
    }
};

} // namespace

class AdifTest : public QObject {
    Q_OBJECT
private slots:
    void countryAndState_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("spc");
        QTest::addColumn<QString>("country");
        QTest::addColumn<QString>("state");
        QTest::newRow("US call, state") << "W1AW" << "CT" << "USA" << "CT";
        QTest::newRow("lower-case call") << "n1mm" << "ct" << "USA" << "ct";
        QTest::newRow("A prefix is US") << "AA1X" << "MA" << "USA" << "MA";
        QTest::newRow("Canadian call, province") << "VE3ABC" << "ON" << "Canada" << "";
        QTest::newRow("Hawaii") << "KH6XX" << "HI" << "Hawaii" << "HI";
        QTest::newRow("Alaska") << "KL7X" << "ak" << "Alaska" << "ak";
        QTest::newRow("HI from a Canadian call stays Canada") << "VE3X" << "HI" << "Canada" << "";
        QTest::newRow("three-letter province") << "VE8AA" << "NWT" << "NWT" << "";
        QTest::newRow("country name") << "DL1ABC" << "Germany" << "Germany" << "";
        QTest::newRow("one letter") << "W1AW" << "X" << "" << "";
        QTest::newRow("no S/P/C") << "W1AW" << "" << "" << "";
        QTest::newRow("no call") << "" << "CT" << "Canada" << "";
    }
    void countryAndState()
    {
        QFETCH(QString, call);
        QFETCH(QString, spc);
        QFETCH(QString, country);
        QFETCH(QString, state);
        const CountryState cs = exportCountryState(contact(call, "", spc, "", "", "", ""));
        QCOMPARE(cs.country, country);
        QCOMPARE(cs.state, state);
    }

    void timeText_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("expected");
        QTest::newRow("single-digit hour") << "9:05:00" << "0905";
        QTest::newRow("seconds dropped") << "18:05:33" << "1805";
        QTest::newRow("hh:mm") << "23:59" << "2359";
        QTest::newRow("midnight") << "00:00:00" << "0000";
        QTest::newRow("blanks around") << " 7:15 " << "0715";
        QTest::newRow("no colon") << "1234" << "1234";
        // No time must not become midnight.
        QTest::newRow("empty") << "" << "";
        QTest::newRow("blank") << "   " << "";
        QTest::newRow("not a time") << "ab:cd" << "";
    }
    void timeText()
    {
        QFETCH(QString, stored);
        QFETCH(QString, expected);
        QCOMPARE(adifTimeText(stored), expected);
    }

    void dateItemOnlyForValidDates_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("item");
        QTest::newRow("stored form") << "2024/01/02" << "<Qso_Date:8:d>20240102 ";
        QTest::newRow("single digits") << "2024/1/2" << "<Qso_Date:8:d>20240102 ";
        QTest::newRow("leap day") << "2024/02/29" << "<Qso_Date:8:d>20240229 ";
        QTest::newRow("no such day") << "2023/02/29" << "";
        QTest::newRow("month 13") << "2024/13/01" << "";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("other form") << "01/02/2024" << "";
    }
    void dateItemOnlyForValidDates()
    {
        QFETCH(QString, stored);
        QFETCH(QString, item);
        ContactCache cache;
        cache.append(contact("W1AW", "", "", "", stored, "", "20"));
        const QString text = adifText(cache, Preferences(), AdifCountryTable(), "", "", Title,
                                      QDateTime(QDate(2026, 2, 14), QTime(14, 0)));
        QCOMPARE(text.section("\r\n", 5, 5), "<Call:4>W1AW " + item + "<Band:3>20M <Mode:2>CW");
    }

    void modeText()
    {
        QCOMPARE(adifModeText("CW"), QStringLiteral("CW"));
        QCOMPARE(adifModeText("ph"), QStringLiteral("SSB"));
        QCOMPARE(adifModeText("Ry"), QStringLiteral("RTTY"));
        QCOMPARE(adifModeText(""), QStringLiteral("CW"));
    }

    void wholeAdifFile()
    {
        Folders f;
        writeFile(f.set.shared + "/ADIFCnt.txt", CountryFile);
        AdifCountryTable table;
        QVERIFY(table.ensureLoaded({f.set.shared}, f.set.shipped));
        Preferences prefs;
        prefs.mode = "PH";
        const QDateTime at(QDate(2026, 2, 14), QTime(14, 0));
        // Trailing blanks of the power answer go; the comment stays as typed.
        QCOMPARE(adifText(sampleLog(), prefs, table, "100  ", "ZELQ Contest", Title, at),
                 SampleWithAnswers);
        prefs.mode = "CW";
        QCOMPARE(adifText(sampleLog(), prefs, table, "", "", Title, at), SampleWithoutAnswers);
        QCOMPARE(adifText(ContactCache(), prefs, table, "100", "x", Title, at), Header);
    }

    void headerTitleCutTo67()
    {
        AdifCountryTable table;
        const QString longTitle = QString(66, 'T') + "  tail";
        const QString text = adifText(ContactCache(), Preferences(), table, "", "", longTitle,
                                      QDateTime(QDate(2026, 2, 14), QTime(14, 0)));
        QCOMPARE(text.section("\r\n", 0, 0), "ADIF Export from " + QString(66, 'T'));
    }

    void wholeLogExpFile()
    {
        QCOMPARE(logExpText(sampleLog(), "100", "ph").toUtf8(), SampleLogExp);
        QCOMPARE(logExpText(ContactCache(), "100", "CW"), QString());
    }

    void countryTable()
    {
        Folders f;
        AdifCountryTable table;
        // Quoted or bare names, blanks, an empty line; the first row of a name counts.
        writeFile(f.set.install + "/ADIFCnt.txt",
                  "\"USA\",291\n\n  Canada , 1\r\n\"usa\",999\n\"Cocos-Keeling\",38\n");
        QVERIFY(table.loadFile(f.set.install + "/ADIFCnt.txt"));
        QCOMPARE(table.size(), 4);
        QCOMPARE(table.number(" Usa "), 291);
        QCOMPARE(table.number("CANADA"), 1);
        QCOMPARE(table.number("Cocos-Keeling"), 38);
        QCOMPARE(table.number("NWT"), 0);
        QCOMPARE(table.number(""), 0);

        // A damaged file is refused and the table keeps what it had.
        QString error;
        writeFile(f.set.install + "/bad.txt", "\"USA\",291\n\"Canada\",one\n");
        QVERIFY(!table.loadFile(f.set.install + "/bad.txt", &error));
        QVERIFY(error.contains("line 2"));
        writeFile(f.set.install + "/big.txt", "\"X\",40000\n");
        QVERIFY(!table.loadFile(f.set.install + "/big.txt"));
        QByteArray many;
        for (int i = 1; i <= AdifCountryTable::MaxRows + 1; ++i)
            many += "\"C" + QByteArray::number(i) + "\"," + QByteArray::number(i) + "\n";
        writeFile(f.set.install + "/many.txt", many);
        QVERIFY(!table.loadFile(f.set.install + "/many.txt", &error));
        QVERIFY(error.contains("1000"));
        QCOMPARE(table.number("usa"), 291);
    }

    void countryFileFolderOrder()
    {
        Folders f;
        const QStringList order{f.set.shared, f.set.program, f.set.install};
        writeFile(f.set.shipped + "/ADIFCnt.txt", "\"USA\",4\n");
        writeFile(f.set.install + "/ADIFCnt.txt", "\"USA\",3\n");
        writeFile(f.set.program + "/ADIFCnt.txt", "\"USA\",2\n");
        {
            AdifCountryTable t;
            QVERIFY(t.ensureLoaded(order, f.set.shipped));
            QCOMPARE(t.number("USA"), 2);
        }
        writeFile(f.set.shared + "/ADIFCnt.txt", "\"USA\",1\n");
        {
            AdifCountryTable t;
            QVERIFY(t.ensureLoaded(order, f.set.shipped));
            QCOMPARE(t.number("USA"), 1);
        }
        for (const QString& d : order)
            QFile::remove(d + "/ADIFCnt.txt");
        {
            AdifCountryTable t;
            QVERIFY(t.ensureLoaded(order, f.set.shipped));
            QCOMPARE(t.number("USA"), 4);
        }
        QFile::remove(f.set.shipped + "/ADIFCnt.txt");
        AdifCountryTable t;
        QString error;
        QVERIFY(!t.ensureLoaded(order, f.set.shipped, &error));
        QVERIFY(error.contains("ADIFCnt.txt"));
        QVERIFY(!t.isLoaded());
    }

    void shippedTableKnowsDerivedCountries()
    {
        AdifCountryTable t;
        QVERIFY(t.ensureLoaded({}, ZELQ_TEST_DATA_DIR));
        QCOMPARE(t.number("USA"), 291);
        QCOMPARE(t.number("Canada"), 1);
        QCOMPARE(t.number("Hawaii"), 110);
        QCOMPARE(t.number("Alaska"), 6);
    }

    void exportWithAnswers()
    {
        Folders f;
        writeFile(f.set.shared + "/ADIFCnt.txt", CountryFile);
        FakeDialogs dialogs;
        FakeBeeper beeper;
        FakeClock clock;
        Preferences prefs;
        prefs.mode = "PH";
        const QString out = f.home.path() + "/out/log.adi";
        QDir().mkpath(QFileInfo(out).path());
        AdifCountryTable table;

        dialogs.answerText(QStringLiteral("100"));
        dialogs.answerText(QStringLiteral("ZELQ Contest"));
        dialogs.answerFile(out);
        dialogs.answerButton(DialogButton::Ok);
        QCOMPARE(mnuAdifExport_Click(sampleLog(), prefs, f.set, table, dialogs, beeper, clock, Title),
                 ExportOutcome::Written);
        QCOMPARE(readAll(out), SampleWithAnswers.toUtf8());

        QCOMPARE(dialogs.asked.size(), 4);
        QCOMPARE(dialogs.asked[0].title, QStringLiteral("Please enter your transmitter output power."));
        QCOMPARE(dialogs.asked[0].defaultText, QStringLiteral("100"));
        QCOMPARE(dialogs.asked[1].title, QStringLiteral("Please enter a comment."));
        QCOMPARE(dialogs.asked[1].defaultText, QStringLiteral("ZELQ Contest"));
        QCOMPARE(dialogs.asked[2].kind, AskedDialog::Kind::SaveFile);
        QCOMPARE(dialogs.asked[2].defaultText, f.set.program + "/ZELQ.adi");
        QCOMPARE(dialogs.asked[3].title, QStringLiteral("File Written Successfully."));
        QCOMPARE(dialogs.asked[3].text,
                 "The file was successfully written to the directory:\n\n" + out + ".");
        QCOMPARE(dialogs.unscripted, 0);
        QCOMPARE(beeper.count, 0);
    }

    void exportWithCancelledAnswersReplacesFile()
    {
        Folders f;
        writeFile(f.set.shared + "/ADIFCnt.txt", CountryFile);
        FakeDialogs dialogs;
        FakeBeeper beeper;
        FakeClock clock;
        AdifCountryTable table;
        writeFile(f.set.install + "/old.adi", QByteArray(5000, 'x'));
        dialogs.answerText(std::nullopt);
        dialogs.answerText(std::nullopt);
        dialogs.answerFile(QStringLiteral("old.adi")); // relative: the installation folder
        QCOMPARE(mnuAdifExport_Click(sampleLog(), Preferences(), f.set, table, dialogs, beeper,
                                     clock, Title),
                 ExportOutcome::Written);
        QCOMPARE(readAll(f.set.install + "/old.adi"), SampleWithoutAnswers.toUtf8());
    }

    void countryFileReadOncePerRun()
    {
        Folders f;
        writeFile(f.set.shared + "/ADIFCnt.txt", CountryFile);
        FakeDialogs dialogs;
        FakeBeeper beeper;
        FakeClock clock;
        AdifCountryTable table;
        const QString out = f.set.install + "/ZELQ.adi";
        for (int run = 0; run < 2; ++run) {
            dialogs.answerText(QStringLiteral("100"));
            dialogs.answerText(QStringLiteral("ZELQ Contest"));
            dialogs.answerFile(out);
            dialogs.answerButton(DialogButton::Ok);
            QCOMPARE(mnuAdifExport_Click(sampleLog(), Preferences(), f.set, table, dialogs, beeper,
                                         clock, Title),
                     ExportOutcome::Written);
            QVERIFY(readAll(out).contains("<DXCC:3>291 "));
            // A changed file is not seen again during this run.
            writeFile(f.set.shared + "/ADIFCnt.txt", "\"USA\",7\n");
        }
        QCOMPARE(dialogs.unscripted, 0);
    }

    void exportEmptyLogWritesHeaderOnly()
    {
        Folders f;
        writeFile(f.set.shared + "/ADIFCnt.txt", CountryFile);
        FakeDialogs dialogs;
        FakeBeeper beeper;
        FakeClock clock;
        AdifCountryTable table;
        dialogs.answerText(QStringLiteral("100"));
        dialogs.answerText(QStringLiteral("c"));
        dialogs.answerFile(f.set.install + "/e.adi");
        QCOMPARE(mnuAdifExport_Click(ContactCache(), Preferences(), f.set, table, dialogs, beeper,
                                     clock, Title),
                 ExportOutcome::Written);
        QCOMPARE(readAll(f.set.install + "/e.adi"), Header.toUtf8());
    }

    void exportCancelledAtSaveDialogIsQuiet()
    {
        Folders f;
        writeFile(f.set.shared + "/ADIFCnt.txt", CountryFile);
        FakeDialogs dialogs;
        FakeBeeper beeper;
        FakeClock clock;
        AdifCountryTable table;
        dialogs.answerText(QStringLiteral("100"));
        dialogs.answerText(QStringLiteral("c"));
        dialogs.answerFile(QString());
        QCOMPARE(mnuAdifExport_Click(sampleLog(), Preferences(), f.set, table, dialogs, beeper,
                                     clock, Title),
                 ExportOutcome::Cancelled);
        QVERIFY(dialogs.messageTitles().isEmpty());
        QCOMPARE(beeper.count, 0);
    }

    void exportFailuresAreReported()
    {
        Folders f;
        FakeDialogs dialogs;
        FakeBeeper beeper;
        FakeClock clock;
        AdifCountryTable table;
        // No country file anywhere: nothing is asked, the reason is shown.
        QCOMPARE(mnuAdifExport_Click(sampleLog(), Preferences(), f.set, table, dialogs, beeper,
                                     clock, Title),
                 ExportOutcome::Failed);
        QCOMPARE(dialogs.messageTitles(), QStringList{"Unable to write file."});
        QVERIFY(dialogs.asked.last().text.contains("ADIFCnt.txt"));
        QCOMPARE(dialogs.asked.size(), 1);
        QCOMPARE(beeper.count, 1);

        // A file that cannot be written is not reported as written.
        writeFile(f.set.shared + "/ADIFCnt.txt", CountryFile);
        QDir().mkpath(f.set.install + "/taken.adi");
        dialogs.asked.clear();
        dialogs.answerText(QStringLiteral("100"));
        dialogs.answerText(QStringLiteral("c"));
        dialogs.answerFile(f.set.install + "/taken.adi");
        QCOMPARE(mnuAdifExport_Click(sampleLog(), Preferences(), f.set, table, dialogs, beeper,
                                     clock, Title),
                 ExportOutcome::Failed);
        QCOMPARE(dialogs.messageTitles(), QStringList{"Unable to write file."});
        QCOMPARE(beeper.count, 2);
    }

    void logExpExport()
    {
        Folders f;
        FakeDialogs dialogs;
        FakeBeeper beeper;
        dialogs.answerText(QStringLiteral("100"));
        dialogs.answerText(QStringLiteral("ph"));
        dialogs.answerButton(DialogButton::Ok);
        QCOMPARE(mnuTavrinImport_Click(sampleLog(), f.set, dialogs, beeper), ExportOutcome::Written);
        QCOMPARE(readAll(f.set.install + "/LogExp.txt"), SampleLogExp);
        QCOMPARE(dialogs.asked[0].title, QStringLiteral("Please enter the power value."));
        QCOMPARE(dialogs.asked[0].defaultText, QString());
        QCOMPARE(dialogs.asked[1].title, QStringLiteral("Please enter your contest mode."));
        QCOMPARE(dialogs.messageTitles(), QStringList{"Export Successful!"});
        QVERIFY(dialogs.asked.last().text.startsWith(
            "LogExp.txt has been written to this program's working directory " + f.set.install
            + ".  Import these contacts"));
        QCOMPARE(beeper.count, 1);

        // Cancelled answers give empty quoted fields; the file is replaced.
        dialogs.answerText(std::nullopt);
        dialogs.answerText(std::nullopt);
        dialogs.answerButton(DialogButton::Ok);
        ContactCache one;
        one.append(contact("W1AW", "Hiram", "CT", "NA", "2024/01/02", "18:05:33", "20"));
        QCOMPARE(mnuTavrinImport_Click(one, f.set, dialogs, beeper), ExportOutcome::Written);
        QCOMPARE(readAll(f.set.install + "/LogExp.txt"),
                 QByteArray("\"W1AW\",\"2024/01/02\",\"20\",\"\",\"\",\"18:05:33\",,,,\"USA\","
                            "\"CT\",,,,,\"ZELQ Contest  Hiram\"\r\n"));

        // An empty log leaves an empty file.
        dialogs.answerText(QStringLiteral("5"));
        dialogs.answerText(QStringLiteral("cw"));
        dialogs.answerButton(DialogButton::Ok);
        QCOMPARE(mnuTavrinImport_Click(ContactCache(), f.set, dialogs, beeper), ExportOutcome::Written);
        QCOMPARE(readAll(f.set.install + "/LogExp.txt"), QByteArray());
        QCOMPARE(dialogs.unscripted, 0);
    }

    void logExpWriteFailureIsReported()
    {
        Folders f;
        FakeDialogs dialogs;
        FakeBeeper beeper;
        QDir().mkpath(f.set.install + "/LogExp.txt");
        dialogs.answerText(QStringLiteral("100"));
        dialogs.answerText(QStringLiteral("cw"));
        QCOMPARE(mnuTavrinImport_Click(sampleLog(), f.set, dialogs, beeper), ExportOutcome::Failed);
        QCOMPARE(dialogs.messageTitles(), QStringList{"Unable to write file."});
        QCOMPARE(beeper.count, 1);
    }
};

QTEST_GUILESS_MAIN(AdifTest)
#include "tst_adif.moc"
