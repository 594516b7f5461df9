// The Cabrillo summary file: header lines, fixed-column QSO lines with
// long fields pushed right, category lines, every row written, and the
// summary window's per-user values, shared preferences and Write.
#include "FakeBeeper.h"
#include "FakeDialogs.h"
#include "TempHome.h"
#include "export/Cabrillo.h"
#include "log/ContactCache.h"
#include "log/MultiplierRecords.h"
#include "settings/Preferences.h"
#include "settings/SharedPreferences.h"
#include "ui/CabrilloWindow.h"
#include "zelq_build_info.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QtTest>
#include <memory>

using namespace zelq;
using namespace zelq::test;

namespace {

QString sp(int n) { return QString(n, QLatin1Char(' ')); }

Contact contact(const QString& call, const QString& band, const QString& spc = QStringLiteral("CT"))
{
    Contact c;
    c.calls = call;
    c.namerec = QStringLiteral("HIRAM");
    c.spc = spc;
    c.cont = QStringLiteral("NA");
    c.flddate = QStringLiteral("2026/12/07");
    c.fldtime = QStringLiteral("18:05:30");
    c.uband = band;
    c.namesent = QStringLiteral("JOE");
    c.trn = QStringLiteral("1");
    return c;
}

Preferences station()
{
    Preferences p;
    p.ownCall = QStringLiteral("K1ABC");
    p.ownSpc = QStringLiteral("CT");
    p.mode = QStringLiteral("CW");
    return p;
}

QStringList fileLines(const QString& text)
{
    QStringList lines = text.split(QStringLiteral("\r\n"));
    lines.removeLast(); // after the final CR LF
    return lines;
}

std::unique_ptr<QSettings> userSettings()
{
    auto s = std::make_unique<QSettings>(QStringLiteral("DORVY_Software"),
                                         QStringLiteral("ZELQ Logger"));
    s->beginGroup(QStringLiteral("Settings"));
    return s;
}

} // namespace

class TestCabrillo : public QObject {
    Q_OBJECT
private slots:
    void emptyLogWritesHeaderAndEndWithScoreZero();
    void smallLogIsWrittenByteForByte();
    void frequencyFieldByBandKeepsModeAtColumn12_data();
    void frequencyFieldByBandKeepsModeAtColumn12();
    void longFieldsAreWrittenWholeAndPushTheRestRight();
    void shortTimesAndOddDatesStillFillTheirColumns();
    void categoryLineCombinesOperatorAndPower_data();
    void categoryLineCombinesOperatorAndPower();
    void contestNameFollowsModeCaseSensitively();
    void everyRowIsWrittenInOrderUnfiltered();

    void windowOpensWithStoredAddressAndPublishesIt();
    void windowWriteSavesFileReportsAndRemembersAddress();
    void windowWriteCancelledDoesNothing();
    void windowWriteFailureIsReported();
    void sectionAndOperatorFieldsTypeCapitals();
};

void TestCabrillo::emptyLogWritesHeaderAndEndWithScoreZero()
{
    ContactCache cache;
    MultiplierRecords records;
    Preferences p = station();
    p.ownCall = QStringLiteral("  K1ABC ");
    p.mode = QStringLiteral("PH");
    CabrilloHeader h;
    // 66 characters then a blank and more: cut to 67, then trimmed.
    h.createdBy = QStringLiteral("ZELQ Logger ") + QString(54, QLatin1Char('x'))
                  + QStringLiteral(" tail");
    h.operators = QStringLiteral("   "); // blank: the own call stands in

    const QString expected = QStringLiteral("START-OF-LOG: 2.0\r\n"
                                            "CREATED-BY: ZELQ Logger ")
                             + QString(54, QLatin1Char('x'))
                             + QStringLiteral("\r\n"
                                              "CONTEST: ZELQ-SSB\r\n"
                                              "CALLSIGN: K1ABC\r\n"
                                              "CATEGORY: SINGLE-OP ALL\r\n"
                                              "CATEGORY-ASSISTED: NON-ASSISTED\r\n"
                                              "CLAIMED-SCORE:  0 \r\n"
                                              "OPERATORS: K1ABC\r\n"
                                              "NAME: \r\n"
                                              "ADDRESS: \r\n"
                                              "ADDRESS: \r\n"
                                              "ADDRESS: (e-mail) \r\n"
                                              "SOAPBOX: \r\n"
                                              "END-OF-LOG:\r\n");
    QCOMPARE(cabrilloText(h, cache, p, records), expected);
}

void TestCabrillo::smallLogIsWrittenByteForByte()
{
    ContactCache cache;
    MultiplierRecords records;
    Contact a = contact(QStringLiteral("W1AW"), QStringLiteral("20"));
    Contact b = contact(QStringLiteral("VE3XYZ"), QStringLiteral("40"), QStringLiteral("NH"));
    b.namerec = QStringLiteral("BOB");
    b.fldtime = QStringLiteral("18:07");
    b.trn = QStringLiteral("2");
    for (const Contact& c : {a, b}) {
        cache.append(c);
        records.addContact(c);
    }
    CabrilloHeader h;
    h.createdBy = QStringLiteral("ZELQ Logger 1.2.3");
    h.power = CabrilloPower::Low;
    h.name = QStringLiteral("Joe Smith");
    h.addressLine1 = QStringLiteral("1 Main St");
    h.addressLine2 = QStringLiteral("Newington CT 06111");
    h.email = QStringLiteral("joe@example.com");
    h.soapbox = QStringLiteral("Fun!");

    // Two contacts × (CT on 20 + NH on 40) = 4.
    const QString expected =
        QStringLiteral("START-OF-LOG: 2.0\r\n"
                       "CREATED-BY: ZELQ Logger 1.2.3\r\n"
                       "CONTEST: ZELQ-CW\r\n"
                       "CALLSIGN: K1ABC\r\n"
                       "CATEGORY: SINGLE-OP ALL LOW\r\n"
                       "CATEGORY-ASSISTED: NON-ASSISTED\r\n"
                       "CLAIMED-SCORE:  4 \r\n"
                       "OPERATORS: K1ABC\r\n"
                       "NAME: Joe Smith\r\n"
                       "ADDRESS: 1 Main St\r\n"
                       "ADDRESS: Newington CT 06111\r\n"
                       "ADDRESS: (e-mail) joe@example.com\r\n"
                       "SOAPBOX: Fun!\r\n")
        + "QSO: 14000 CW 2026-12-07 1805 K1ABC" + sp(11) + "JOE" + sp(8) + "CT" + sp(2) + "W1AW"
        + sp(12) + "HIRAM" + sp(6) + "CT" + sp(2) + "1\r\n"
        + "QSO:  7000 CW 2026-12-07 1807 K1ABC" + sp(11) + "JOE" + sp(8) + "CT" + sp(2) + "VE3XYZ"
        + sp(10) + "BOB" + sp(8) + "NH" + sp(2) + "2\r\n"
        + "END-OF-LOG:\r\n";
    const QString actual = cabrilloText(h, cache, station(), records);
    QCOMPARE(actual.split(QStringLiteral("\r\n")), expected.split(QStringLiteral("\r\n")));
    QCOMPARE(actual, expected);
}

void TestCabrillo::frequencyFieldByBandKeepsModeAtColumn12_data()
{
    QTest::addColumn<QString>("band");
    QTest::addColumn<QString>("columns6to11"); // six characters up to the mode
    QTest::newRow("160") << "160" << "  1800";
    QTest::newRow("80") << "80" << "  3500";
    QTest::newRow("15") << "15" << " 21000";
    QTest::newRow("10") << "10" << " 28000";
    QTest::newRow("6 m is two characters") << "6" << " 50   ";
    QTest::newRow("unknown band") << "2" << "      ";
    QTest::newRow("band text is matched exactly") << "20m" << "      ";
    QTest::newRow("padded band text") << " 6" << "      ";
}

void TestCabrillo::frequencyFieldByBandKeepsModeAtColumn12()
{
    QFETCH(QString, band);
    QFETCH(QString, columns6to11);
    const QString line = cabrilloQsoLine(contact(QStringLiteral("W1AW"), band),
                                         QStringLiteral("K1ABC"), QStringLiteral("CT"),
                                         QStringLiteral("RY"));
    QCOMPARE(line.left(5), QStringLiteral("QSO: "));
    QCOMPARE(line.mid(4, 6), columns6to11);
    QCOMPARE(line.mid(11, 4), QStringLiteral("RY 2"));
    QCOMPARE(line.indexOf(QLatin1String("W1AW")), 61);
}

void TestCabrillo::longFieldsAreWrittenWholeAndPushTheRestRight()
{
    // A field that exactly fills its space leaves the next one in place.
    Contact c = contact(QStringLiteral("VP2E/W1ABCD"), QStringLiteral("20"));
    c.namesent = QStringLiteral("BARTHOLOMEW"); // cut to 10, fills columns 47-56
    c.namerec = QStringLiteral("MAXIMILIANUS");
    c.spc = QStringLiteral("MDCX");
    c.trn = QStringLiteral("12");
    QString line = cabrilloQsoLine(c, QStringLiteral("K1ABC/3"), QStringLiteral("CT"),
                                   QStringLiteral("CW"));
    QCOMPARE(line, QStringLiteral("QSO: 14000 CW 2026-12-07 1805 K1ABC/3") + sp(9) + "BARTHOLOME"
                       + " CT  VP2E/W1ABCD" + sp(5) + "MAXIMILIAN MDC 12");

    // Long calls are written whole; each overflow keeps one blank and
    // shifts everything after it.
    c.calls = QStringLiteral("VP2E/W1ABCDEFGHIJK"); // 18 characters from column 63
    c.namesent = QStringLiteral("JOE");
    line = cabrilloQsoLine(c, QStringLiteral("VE3/K1ABCDEFGHIJ/P"), QStringLiteral("ONTX"),
                           QStringLiteral("CW"));
    QCOMPARE(line, QStringLiteral("QSO: 14000 CW 2026-12-07 1805 VE3/K1ABCDEFGHIJ/P JOE")
                       + sp(5) + "ONTX VP2E/W1ABCDEFGHIJK MAXIMILIAN MDC 12");
    QCOMPARE(line.indexOf(QLatin1String("JOE")), 49);  // column 50, not 47
    QCOMPARE(line.indexOf(QLatin1String("ONTX")), 57); // back on its column
}

void TestCabrillo::shortTimesAndOddDatesStillFillTheirColumns()
{
    Contact c = contact(QStringLiteral("W1AW"), QStringLiteral("20"));
    c.fldtime = QStringLiteral("00:00");
    c.flddate = QStringLiteral("2027/1/2");
    QString line = cabrilloQsoLine(c, QStringLiteral("K1ABC"), QStringLiteral("CT"),
                                   QStringLiteral("CW"));
    QCOMPARE(line.mid(14, 15), QStringLiteral("2027-01-02 0000"));
    QCOMPARE(line.indexOf(QLatin1String("K1ABC")), 30);

    // A date that is not one is written as stored, not dropped.
    c.flddate = QStringLiteral("bad");
    c.fldtime.clear();
    line = cabrilloQsoLine(c, QStringLiteral("K1ABC"), QStringLiteral("CT"), QStringLiteral("CW"));
    QCOMPARE(line.mid(14, 3), QStringLiteral("bad"));
    QCOMPARE(line.indexOf(QLatin1String("K1ABC")), 30);

    // No transmitter number: the line still reaches its last column.
    c.trn.clear();
    QCOMPARE(cabrilloQsoLine(c, QStringLiteral("K1ABC"), QStringLiteral("CT"),
                             QStringLiteral("CW")).size(), 92);
}

void TestCabrillo::categoryLineCombinesOperatorAndPower_data()
{
    QTest::addColumn<bool>("multiOp");
    QTest::addColumn<int>("power");
    QTest::addColumn<QString>("expected");
    QTest::newRow("single, no power") << false << int(CabrilloPower::None) << "SINGLE-OP ALL";
    QTest::newRow("single high") << false << int(CabrilloPower::High) << "SINGLE-OP ALL HIGH";
    QTest::newRow("single low") << false << int(CabrilloPower::Low) << "SINGLE-OP ALL LOW";
    QTest::newRow("single qrp") << false << int(CabrilloPower::Qrp) << "SINGLE-OP ALL QRP";
    QTest::newRow("multi, no power") << true << int(CabrilloPower::None) << "MULTI-TWO ALL";
    QTest::newRow("multi high") << true << int(CabrilloPower::High) << "MULTI-TWO ALL HIGH";
    QTest::newRow("multi qrp") << true << int(CabrilloPower::Qrp) << "MULTI-TWO ALL QRP";
}

void TestCabrillo::categoryLineCombinesOperatorAndPower()
{
    QFETCH(bool, multiOp);
    QFETCH(int, power);
    QFETCH(QString, expected);
    CabrilloHeader h;
    h.multiOp = multiOp;
    h.power = CabrilloPower(power);
    const QStringList lines = fileLines(cabrilloText(h, ContactCache{}, station(), {}));
    QCOMPARE(lines.at(4), QStringLiteral("CATEGORY: ") + expected);
}

void TestCabrillo::contestNameFollowsModeCaseSensitively()
{
    const auto contestLine = [](const QString& mode) {
        Preferences p = station();
        p.mode = mode;
        return fileLines(cabrilloText({}, ContactCache{}, p, {})).at(2);
    };
    QCOMPARE(contestLine(QStringLiteral("PH")), QStringLiteral("CONTEST: ZELQ-SSB"));
    QCOMPARE(contestLine(QStringLiteral("RY")), QStringLiteral("CONTEST: ZELQ-RTTY"));
    QCOMPARE(contestLine(QStringLiteral("CW")), QStringLiteral("CONTEST: ZELQ-CW"));
    QCOMPARE(contestLine(QStringLiteral("ph")), QStringLiteral("CONTEST: ZELQ-CW"));
}

void TestCabrillo::everyRowIsWrittenInOrderUnfiltered()
{
    ContactCache cache;
    const QStringList bands = {"20", "20", "6", "160", "xx", "20"};
    for (int i = 0; i < bands.size(); ++i) {
        Contact c = contact(i == 1 ? QStringLiteral("W1AW0") : QStringLiteral("W1AW"), bands[i]);
        c.trn = QString::number(i % 3); // several positions
        cache.append(c);
    }
    cache.append(cache.row(1)); // an exact duplicate stays
    const QStringList lines = fileLines(cabrilloText({}, cache, station(), {}));
    QCOMPARE(lines.size(), 13 + cache.count() + 1);
    for (int r = 1; r <= cache.count(); ++r)
        QCOMPARE(lines.at(12 + r), cabrilloQsoLine(cache.row(r), QStringLiteral("K1ABC"),
                                                   QStringLiteral("CT"), QStringLiteral("CW")));
    QCOMPARE(lines.at(13), lines.at(19));
    QCOMPARE(lines.last(), QStringLiteral("END-OF-LOG:"));
}

// The window over a private home.
struct SummaryFixture {
    TempHome home;
    FakeDialogs dialogs;
    FakeBeeper beeper;
    Preferences prefs = station();
    SharedPreferences shared;
    ContactCache cache;
    MultiplierRecords records;
    QString programFolder;

    SummaryFixture()
    {
        QDir().mkpath(home.installDir());
        programFolder = home.path() + QStringLiteral("/program");
        QDir().mkpath(programFolder);
        shared.LoadSharedPreferences(sharedFile());
        const Contact c = contact(QStringLiteral("W1AW"), QStringLiteral("20"));
        cache.append(c);
        records.addContact(c);
    }
    QString sharedFile() const { return home.path() + QStringLiteral("/Shared.xml"); }

    std::unique_ptr<CabrilloWindow> open()
    {
        return std::make_unique<CabrilloWindow>(cache, records, prefs, shared, dialogs, beeper,
                                                home.installDir(), programFolder);
    }
};

template <typename T> T* child(QWidget& w, const char* name)
{
    T* found = w.findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

void TestCabrillo::windowOpensWithStoredAddressAndPublishesIt()
{
    SummaryFixture f;
    {
        const auto s = userSettings();
        s->setValue("UserAddressName", " Joe Smith ");
        s->setValue("UserAddressLine1", "1 Main St");
        s->setValue("UserEMail", "joe@example.com  ");
    }
    auto w = f.open();
    QCOMPARE(w->objectName(), QStringLiteral("Form2"));
    QCOMPARE(child<QLineEdit>(*w, "Text1")->text(), QStringLiteral("CT"));
    QCOMPARE(child<QLineEdit>(*w, "Text5")->text(), QStringLiteral(" Joe Smith "));
    QCOMPARE(child<QLineEdit>(*w, "Text7")->text(), QString()); // absent: empty
    QCOMPARE(child<QLineEdit>(*w, "Text8")->text(), QStringLiteral("joe@example.com  "));

    // Trimmed values, written to the file once opened.
    QFile file(f.sharedFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString xml = QString::fromUtf8(file.readAll());
    QVERIFY(xml.contains(QLatin1String("<OWN_ADDRESS_NAME>Joe Smith</OWN_ADDRESS_NAME>")));
    QVERIFY(xml.contains(QLatin1String("<OWN_ADDRESS_LINE1>1 Main St</OWN_ADDRESS_LINE1>")));
    QVERIFY(xml.contains(QLatin1String("<OWN_ADDRESS_LINE2></OWN_ADDRESS_LINE2>")));
    QVERIFY(xml.contains(QLatin1String("<OWN_EMAIL>joe@example.com</OWN_EMAIL>")));
}

void TestCabrillo::windowWriteSavesFileReportsAndRemembersAddress()
{
    SummaryFixture f;
    f.prefs.ownCall = QStringLiteral(" K1ABC/3 ");
    auto w = f.open();
    child<QRadioButton>(*w, "Option3")->setChecked(true);
    child<QRadioButton>(*w, "Option20")->setChecked(true);
    child<QLineEdit>(*w, "Text2")->setText(QStringLiteral("K1ABC W1XYZ"));
    child<QLineEdit>(*w, "Text5")->setText(QStringLiteral("  Joe Smith  "));
    child<QLineEdit>(*w, "Text6")->setText(QStringLiteral("1 Main St"));
    child<QLineEdit>(*w, "Text11")->setText(QStringLiteral("Great fun"));

    // An older file of the same name is replaced whole.
    const QString target = f.home.writeFile(QStringLiteral("out/K1ABC.log"), QByteArray(5000, 'z'));
    f.dialogs.answerFile(target);
    child<QPushButton>(*w, "Command4")->click();

    QCOMPARE(f.dialogs.asked.size(), 3);
    QCOMPARE(f.dialogs.asked[0].kind, AskedDialog::Kind::SaveFile);
    QCOMPARE(f.dialogs.asked[0].defaultText, f.programFolder + QStringLiteral("/K1ABC.log"));
    QCOMPARE(f.dialogs.messageTitles(),
             (QStringList{"File Written Successfully.", "  Thanks!"}));
    QCOMPARE(f.dialogs.asked[1].text,
             QStringLiteral("The file was successfully written to the directory:\n\n") + target
                 + QStringLiteral(".\n\nAttach this file to an e-mail addressed for contest "
                                  "submission.  If you wish to print this file, you can open it "
                                  "with a text editor to print."));
    QCOMPARE(f.beeper.count, 2);

    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    QCOMPARE(written, cabrilloText(w->header(), f.cache, f.prefs, f.records).toUtf8());
    const QStringList lines = fileLines(QString::fromUtf8(written));
    QCOMPARE(lines.at(1), QString("CREATED-BY: ZELQ Logger " ZELQ_VERSION));
    QCOMPARE(lines.at(3), QStringLiteral("CALLSIGN: K1ABC/3"));
    QCOMPARE(lines.at(4), QStringLiteral("CATEGORY: MULTI-TWO ALL QRP"));
    QCOMPARE(lines.at(7), QStringLiteral("OPERATORS: K1ABC W1XYZ"));
    QCOMPARE(lines.at(12), QStringLiteral("SOAPBOX: Great fun"));
    QVERIFY(lines.at(13).startsWith(QLatin1String("QSO: 14000 CW 2026-12-07 1805 K1ABC/3 ")));
    QCOMPARE(lines.size(), 15);

    const auto s = userSettings();
    QCOMPARE(s->value("UserAddressName").toString(), QStringLiteral("Joe Smith"));
    QCOMPARE(s->value("UserAddressLine1").toString(), QStringLiteral("1 Main St"));
    QCOMPARE(s->value("UserAddressLine2").toString(), QString());
}

void TestCabrillo::windowWriteCancelledDoesNothing()
{
    SummaryFixture f;
    auto w = f.open();
    child<QLineEdit>(*w, "Text5")->setText(QStringLiteral("Typed"));
    f.dialogs.answerFile(QString());
    QVERIFY(!w->writeFile());
    QCOMPARE(f.dialogs.asked.size(), 1);
    QCOMPARE(f.beeper.count, 0);
    QVERIFY(!userSettings()->contains("UserAddressName"));
    QCOMPARE(QDir(f.programFolder).entryList(QDir::Files), QStringList());
}

void TestCabrillo::windowWriteFailureIsReported()
{
    SummaryFixture f;
    auto w = f.open();
    // A folder where the file belongs cannot be replaced.
    const QString target = f.home.path() + QStringLiteral("/taken.log");
    QVERIFY(QDir().mkpath(target));
    f.dialogs.answerFile(target);
    QVERIFY(!w->writeFile());
    QCOMPARE(f.dialogs.messageTitles(), QStringList{"Unable to write file."});
    QVERIFY(!f.dialogs.asked.last().text.isEmpty());
    QCOMPARE(f.beeper.count, 1);
    QVERIFY(QFileInfo(target).isDir());

    // A relative name lands in the installation folder.
    f.dialogs.answerFile(QStringLiteral("rel.log"));
    QVERIFY(w->writeFile());
    QVERIFY(QFile::exists(f.home.installDir() + QStringLiteral("/rel.log")));
}

void TestCabrillo::sectionAndOperatorFieldsTypeCapitals()
{
    SummaryFixture f;
    auto w = f.open();
    w->show();
    auto* text1 = child<QLineEdit>(*w, "Text1");
    auto* text2 = child<QLineEdit>(*w, "Text2");
    auto* text5 = child<QLineEdit>(*w, "Text5");
    text1->clear();
    QTest::keyClicks(text1, QStringLiteral("enY"));
    QTest::keyClicks(text2, QStringLiteral("k1abc, w1aw/3"));
    QTest::keyClicks(text5, QStringLiteral("Joe"));
    QCOMPARE(text1->text(), QStringLiteral("ENY"));
    QCOMPARE(text2->text(), QStringLiteral("K1ABC, W1AW/3"));
    QCOMPARE(text5->text(), QStringLiteral("Joe"));
}

QTEST_MAIN(TestCabrillo)
#include "tst_cabrillo.moc"
