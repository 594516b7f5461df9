// The preferences file, the UTC offset check, the appearance commands and
// the first start of a fresh installation folder.
#include "FakeClock.h"
#include "FakeDialogs.h"
#include "TempHome.h"
#include "log/FirstStart.h"
#include "log/LogStore.h"
#include "settings/AppearanceCommands.h"
#include "settings/Preferences.h"
#include "settings/QuotedFile.h"
#include "settings/UtcOffsetCheck.h"

#include <QtTest>

using namespace zelq;
using namespace zelq::test;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class PreferencesTest : public QObject {
    Q_OBJECT
private slots:
    void savedPreferencesReadBackWhole()
    {
        TempHome home;
        Preferences p;
        p.ownCall = QStringLiteral("W1AW");
        p.ownSpc = QStringLiteral("CT");
        p.utcOffset = -9.5;
        p.mode = QStringLiteral("PH");
        p.operatingSeconds = 3725;
        p.ownCountry = QStringLiteral("USA");
        p.longitude = 72.7272f;
        p.latitude = 41.7148f;
        p.formSize = 90;
        p.workedColour = StoredColour::fromRgb(0, 128, 0);
        p.remainingColour = StoredColour::fromRgb(255, 0, 0);
        p.band = QStringLiteral("40");
        p.ownContinent = QStringLiteral("NA");
        p.firstName = QStringLiteral("HIRAM");
        p.logPath = QStringLiteral("/srv/DORVY Software/ZELQLog.MDB");
        p.transmitter = 2;
        p.refreshMs = 6000;
        p.voiceNavigation = 2;
        p.rigType = QStringLiteral("None");
        p.taskbar = 1;
        p.fldigiHost = QStringLiteral("shack-pc");
        p.fldigiPort = 7363;
        const QString path = home.path() + QStringLiteral("/ZELQpfNt.txt");
        QVERIFY(savePreferences(path, p));

        const QByteArray bytes = readAll(path);
        QVERIFY(bytes.startsWith("\"W1AW\"\r\n\"CT\"\r\n-9.5\r\n\"PH\"\r\n3725\r\n\"USA\"\r\n72.7272\r\n41.7148\r\n90\r\n"));
        QVERIFY(bytes.endsWith("1\r\n\"shack-pc\"\r\n7363\r\n"));
        QCOMPARE(bytes.count("\r\n"), 22);

        Preferences q;
        QCOMPARE(loadPreferences(path, q), PreferencesLoad::Loaded);
        QCOMPARE(q.ownCall, p.ownCall);
        QCOMPARE(q.utcOffset, -9.5);
        QCOMPARE(q.longitude, p.longitude);
        QCOMPARE(q.latitude, p.latitude);
        QCOMPARE(q.workedColour, p.workedColour);
        QCOMPARE(q.logPath, p.logPath);
        QCOMPARE(q.transmitter, 2.0);
        QCOMPARE(q.refreshMs, 6000.0);
        QCOMPARE(q.voiceNavigation, 2);
        QCOMPARE(q.taskbar, 1);
        QCOMPARE(q.fldigiHost, QStringLiteral("shack-pc"));
        QCOMPARE(q.fldigiPort, 7363);
    }

    void badFilesChangeNothingAndBadNumbersKeepTheirDefaults()
    {
        TempHome home;
        Preferences p;
        p.band = QStringLiteral("15");
        QCOMPARE(loadPreferences(home.path() + QStringLiteral("/missing.txt"), p), PreferencesLoad::Missing);
        const QString shortFile = home.writeFile(QStringLiteral("short.txt"), "\"W1AW\"\r\n\"CT\"\r\n5\r\n");
        QCOMPARE(loadPreferences(shortFile, p), PreferencesLoad::TooShort);
        QCOMPARE(p.band, QStringLiteral("15"));
        QCOMPARE(p.ownCall, QString());

        QByteArray lines = "\"K1ABC\"\r\n\"MA\"\r\nabc\r\n\"CW\"\r\nlots\r\n\"USA\"\r\n71x\r\n42\r\n150\r\n"
                           "-1\r\n255\r\n\"20\"\r\n\"NA\"\r\n\"BOB\"\r\n\"\"\r\n\"2\"\r\n60000\r\n7000\r\n\"None\"\r\n0\r\n";
        const QString odd = home.writeFile(QStringLiteral("odd.txt"), lines);
        Preferences q;
        q.utcOffset = 5;
        QCOMPARE(loadPreferences(odd, q), PreferencesLoad::Loaded);
        QCOMPARE(q.ownCall, QStringLiteral("K1ABC"));
        QCOMPARE(q.utcOffset, 5.0);                   // abc keeps the default
        QCOMPARE(q.longitude, 0.0f);                  // 71x too
        QCOMPARE(q.latitude, 42.0f);
        QCOMPARE(q.formSize, 100);                    // 150 is limited to 100
        QCOMPARE(q.workedColour, Preferences().workedColour); // -1 is no colour
        QCOMPARE(q.transmitter, 2.0);                 // a quoted number still reads
        QCOMPARE(q.voiceNavigation, 0);               // 7000 does not fit
    }

    void aBandOutsideTheSevenIsReadAsTwenty_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("band");
        QTest::newRow("letter O for zero") << "2O" << "20";
        QTest::newRow("empty") << "" << "20";
        QTest::newRow("unit typed") << "40m" << "20";
        QTest::newRow("blank after") << "15 " << "20";
        QTest::newRow("160") << "160" << "160";
        QTest::newRow("6") << "6" << "6";
    }
    void aBandOutsideTheSevenIsReadAsTwenty()
    {
        QFETCH(QString, stored);
        QFETCH(QString, band);
        TempHome home;
        const QByteArray lines = "\"K1ABC\"\r\n\"MA\"\r\n5\r\n\"CW\"\r\n0\r\n\"USA\"\r\n71\r\n42\r\n100\r\n"
                                 "0\r\n255\r\n\"" + stored.toLatin1()
            + "\"\r\n\"NA\"\r\n\"BOB\"\r\n\"\"\r\n2\r\n60000\r\n0\r\n\"None\"\r\n0\r\n";
        Preferences p;
        QCOMPARE(loadPreferences(home.writeFile(QStringLiteral("prefs.txt"), lines), p), PreferencesLoad::Loaded);
        QCOMPARE(p.band, band);
        QCOMPARE(p.firstName, QStringLiteral("BOB"));
    }

    void utcOffsetRecommendation_data()
    {
        QTest::addColumn<int>("zoneSeconds"); // local = UTC + zone
        QTest::addColumn<double>("current");
        QTest::addColumn<double>("recommended");
        QTest::addColumn<bool>("asked");
        QTest::newRow("matches, nothing asked") << -5 * 3600 << 5.0 << 5.0 << false;
        QTest::newRow("half-hour zone west") << -(9 * 3600 + 1800) << 0.0 << 9.5 << true;
        QTest::newRow("half-hour zone east") << 5 * 3600 + 1800 << 0.0 << -5.5 << true;
        QTest::newRow("quarter-hour zone") << 5 * 3600 + 2700 << -5.0 << -5.75 << true;
    }
    void utcOffsetRecommendation()
    {
        QFETCH(int, zoneSeconds);
        QFETCH(double, current);
        QFETCH(double, recommended);
        QFETCH(bool, asked);
        FakeClock clock(QDateTime(QDate(2026, 2, 14), QTime(3, 30), Qt::UTC), zoneSeconds);
        QCOMPARE(recommendedUtcOffset(clock.localNow(), clock.utcNow()), recommended);

        FakeDialogs dialogs;
        dialogs.answerText(formatNumber(recommended));
        double offset = current;
        QCOMPARE(CheckUtcOffset(offset, clock, dialogs), asked);
        QCOMPARE(dialogs.asked.size(), asked ? 1 : 0);
        QCOMPARE(offset, recommended);
        if (asked) {
            const AskedDialog& q = dialogs.asked.first();
            QCOMPARE(q.title, QStringLiteral("Update the Local Time / UTC Offset?"));
            QCOMPARE(q.defaultText, formatNumber(recommended));
            QVERIFY(q.text.contains(QStringLiteral("Recommended Offset Setting: ") + formatNumber(recommended)));
            QVERIFY(q.text.contains(QStringLiteral("Current System Time: 03:30")));
        }
    }

    void utcOffsetKeptOnCancelOrNonsense()
    {
        FakeClock clock(QDateTime(QDate(2026, 2, 14), QTime(3, 30), Qt::UTC), -5 * 3600);
        for (const std::optional<QString>& answer :
             {std::optional<QString>(), std::optional<QString>(QStringLiteral("abc")),
              std::optional<QString>(QString())}) {
            FakeDialogs dialogs;
            dialogs.answerText(answer);
            double offset = -5;
            QVERIFY(!CheckUtcOffset(offset, clock, dialogs));
            QCOMPARE(offset, -5.0);
        }
    }

    void formSizeIsLimitedAndNeedsANumber()
    {
        FakeDialogs dialogs;
        Preferences p;
        dialogs.answerText(QStringLiteral("150"));
        QVERIFY(mnuFormSize_Click(p, dialogs));
        QCOMPARE(p.formSize, 100);
        dialogs.answerText(QStringLiteral("10"));
        QVERIFY(mnuFormSize_Click(p, dialogs));
        QCOMPARE(p.formSize, 30);
        QCOMPARE(dialogs.messageTitles().last(),
                 QStringLiteral("For this setting to take effect please restart this program."));
        dialogs.answerText(QStringLiteral("big"));
        QVERIFY(!mnuFormSize_Click(p, dialogs));
        QCOMPARE(p.formSize, 30);
        QCOMPARE(dialogs.messageTitles().last(), QStringLiteral("Numeric Values Required"));
    }

    void taskbarOptionOnlyAtFullSize()
    {
        FakeDialogs dialogs;
        Preferences p;
        p.formSize = 90;
        QVERIFY(!mnuTaskbar_Click(p, dialogs));
        QCOMPARE(p.taskbar, 0);
        QCOMPARE(dialogs.messageTitles().last(),
                 QStringLiteral("Please set your form size to 100% to use this option."));
        p.formSize = 100;
        QVERIFY(mnuTaskbar_Click(p, dialogs));
        QCOMPARE(p.taskbar, 1);
        QVERIFY(mnuTaskbar_Click(p, dialogs));
        QCOMPARE(p.taskbar, 0);
    }

    void firstStartMakesPreferencesAndAnEmptyLogOnce()
    {
        TempHome home;
        const QString install = home.installDir();
        FirstStartResult r = prepareInstallFolder(install, QStringLiteral(ZELQ_TEST_DATA_DIR));
        QVERIFY2(r.ok, qPrintable(r.error));
        QVERIFY(r.firstStart);
        Preferences p;
        QCOMPARE(loadPreferences(install + QStringLiteral("/ZELQpfNt.txt"), p), PreferencesLoad::Loaded);
        LogStore store;
        QVERIFY2(store.connect(install + QStringLiteral("/ZELQLog.MDB")), qPrintable(store.errorString()));
        QCOMPARE(store.rowCount().value_or(-1), 0.0);
        store.close();

        // a deleted log is not made again on the next start
        QVERIFY(QFile::remove(install + QStringLiteral("/ZELQLog.MDB")));
        r = prepareInstallFolder(install, QStringLiteral(ZELQ_TEST_DATA_DIR));
        QVERIFY(!r.firstStart);
        QVERIFY(!QFile::exists(install + QStringLiteral("/ZELQLog.MDB")));
    }
};

QTEST_GUILESS_MAIN(PreferencesTest)
#include "tst_preferences.moc"
