// The station setup window, driven offscreen: key rules of its fields,
// country completion, "Done" with good and bad log paths, Cancel and Help,
// the shared preferences file, new logs and the TYRM option.
#include "FakeBeeper.h"
#include "FakeDialogs.h"
#include "TempHome.h"
#include "log/LogSession.h"
#include "log/LogStore.h"
#include "log/PrefixTable.h"
#include "settings/Preferences.h"
#include "settings/SharedPreferences.h"
#include "settings/StationSetup.h"
#include "ui/StationSetupWindow.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

using namespace zelq;
using namespace zelq::test;

namespace {

const QString kConnectFailed = QStringLiteral("File, Network or Install Error.");

// One position: a private home with an empty log in its installation
// folder, scripted dialogs and the window over it.
struct Station {
    TempHome home;
    FakeDialogs dialogs;
    FakeBeeper beeper;
    Preferences prefs;
    SharedPreferences shared;
    LogStore store;
    LogSession session{store, dialogs};
    QString logPath;
    std::unique_ptr<StationSetupWindow> window;

    Station()
    {
        QDir().mkpath(home.installDir());
        logPath = home.installDir() + QStringLiteral("/ZELQLog.MDB");
        QString error;
        if (!LogStore::createLog(logPath, &error))
            qWarning() << "cannot create the test log:" << error;
        prefs.logPath = logPath;
        shared.LoadSharedPreferences(sharedFile());
    }

    QString sharedFile() const { return home.path() + QStringLiteral("/SharedUserPreferences.xml"); }

    StationSetupWindow& open(const PrefixTable& prefixes)
    {
        window = std::make_unique<StationSetupWindow>(prefs, prefixes, shared, session, dialogs,
                                                      beeper, home.installDir());
        window->show();
        if (!QTest::qWaitForWindowActive(window.get()))
            qWarning() << "the setup window did not become active";
        return *window;
    }

    template <typename T = QLineEdit> T* get(const char* name) const
    {
        T* w = window->findChild<T*>(QLatin1String(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    QLineEdit* edit(const char* name) const { return get<QLineEdit>(name); }
    void click(const char* button) const { QTest::mouseClick(get<QPushButton>(button), Qt::LeftButton); }
    // Radio buttons and check boxes react to clicks on their indicator.
    void tick(const char* name) const
    {
        auto* b = get<QAbstractButton>(name);
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
    }
    // Replaces a field's text by typing, as the operator would.
    void retype(const char* name, const QString& keys) const
    {
        QLineEdit* e = edit(name);
        e->setFocus();
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Backspace);
        QTest::keyClicks(e, keys);
    }
};

QString readText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

class StationSetupTest : public QObject {
    Q_OBJECT
    PrefixTable prefixes;

private slots:
    void initTestCase()
    {
        prefixes = PrefixTable::fromFile(QStringLiteral(ZELQ_TEST_DATA_DIR "/arrlpre2.txt"));
        QVERIFY(prefixes.count() > 1000);
    }

    void opensWithTheSavedStation()
    {
        Station s;
        s.prefs.ownCall = QStringLiteral("W1AW");
        s.prefs.ownSpc = QStringLiteral("CT");
        s.prefs.utcOffset = -3.5;
        s.prefs.mode = QStringLiteral("PH");
        s.prefs.ownCountry = QStringLiteral("United States");
        s.prefs.longitude = 72.7272f;
        s.prefs.latitude = 41.7f;
        s.prefs.ownContinent = QStringLiteral("NA");
        s.prefs.firstName = QStringLiteral("HIRAM");
        s.prefs.transmitter = 2;
        auto& w = s.open(prefixes);

        QCOMPARE(w.objectName(), QStringLiteral("frmStationID"));
        QCOMPARE(w.windowTitle(), QStringLiteral(" Amateur Station I.D."));
        QCOMPARE(s.edit("Text1")->text(), QStringLiteral("W1AW"));
        QCOMPARE(s.edit("Text5")->text(), QStringLiteral("CT"));
        QCOMPARE(s.edit("Text6")->text(), QStringLiteral("-3.5"));
        QCOMPARE(s.edit("Text2")->text(), QStringLiteral("United States"));
        QCOMPARE(s.edit("Text3")->text(), QStringLiteral("72.7272"));
        QCOMPARE(s.edit("Text4")->text(), QStringLiteral("41.7"));
        QCOMPARE(s.edit("Text7")->text(), QStringLiteral("NA"));
        QCOMPARE(s.edit("Text8")->text(), QStringLiteral("HIRAM"));
        QCOMPARE(s.edit("Text10")->text(), QStringLiteral("2"));
        QCOMPARE(s.edit("Text9")->text(), s.logPath);
        QVERIFY(s.get<QRadioButton>("Option2")->isChecked());
        QVERIFY(!s.get<QCheckBox>("chkTYRMRtty")->isEnabled());
        QVERIFY(!s.get<QLabel>("lblConnectTYRM")->isEnabled());
        QVERIFY(!s.get<QPushButton>("Command3")->isVisible());
        QVERIFY(!s.get<QPushButton>("Command4")->isVisible());
        QCOMPARE(QApplication::focusWidget(), s.edit("Text1"));
    }

    void tooShortPathOffersTheDefaultLog()
    {
        for (const QString& saved : {QString(), QStringLiteral("C:"), QStringLiteral("  x ")}) {
            Station s;
            s.prefs.logPath = saved;
            s.open(prefixes);
            QCOMPARE(s.edit("Text9")->text(), s.home.installDir() + QStringLiteral("/ZELQLog.MDB"));
        }
    }

    void identityFieldsAreUpperCaseWithoutQuotes()
    {
        Station s;
        s.open(prefixes);
        for (const char* name : {"Text1", "Text5", "Text7", "Text8"}) {
            s.retype(name, QStringLiteral("w1\"aw/p"));
            QCOMPARE(s.edit(name)->text(), QStringLiteral("W1AW/P"));
        }
        // no key rule on the longitude: the operator types what he likes
        s.retype("Text3", QStringLiteral("x\"y"));
        QCOMPARE(s.edit("Text3")->text(), QStringLiteral("x\"y"));
    }

    void utcOffsetTakesOnlyNumberCharacters()
    {
        Station s;
        s.open(prefixes);
        s.retype("Text6", QStringLiteral("-5a.b5 /x"));
        QCOMPARE(s.edit("Text6")->text(), QStringLiteral("-5.5/"));
        QTest::keyClick(s.edit("Text6"), Qt::Key_Backspace);
        QCOMPARE(s.edit("Text6")->text(), QStringLiteral("-5.5"));
    }

    void leavingFieldsChecksNumbers()
    {
        Station s;
        s.open(prefixes);
        // a number leaves quietly
        s.retype("Text6", QStringLiteral("-5"));
        QTest::keyClick(s.edit("Text6"), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), s.edit("Text7"));
        QCOMPARE(s.beeper.count, 0);

        // anything else beeps and keeps the focus
        s.retype("Text6", QStringLiteral("-"));
        QTest::keyClick(s.edit("Text6"), Qt::Key_Tab);
        QCOMPARE(s.beeper.count, 1);
        QTRY_COMPARE(QApplication::focusWidget(), s.edit("Text6"));
        s.retype("Text6", QStringLiteral("2"));

        // the transmitter number becomes 0 on leaving unless it is a number
        s.retype("Text10", QStringLiteral("x2"));
        QTest::keyClick(s.edit("Text10"), Qt::Key_Tab);
        QCOMPARE(s.edit("Text10")->text(), QStringLiteral("0"));
        s.retype("Text10", QStringLiteral("3"));
        QTest::keyClick(s.edit("Text10"), Qt::Key_Tab);
        QCOMPARE(s.edit("Text10")->text(), QStringLiteral("3"));
    }

    void countryCompletesFromThePrefixTable()
    {
        Station s;
        s.open(prefixes);
        s.retype("Text2", QStringLiteral("mex"));
        QLineEdit* country = s.edit("Text2");
        QCOMPARE(country->text(), QStringLiteral("Mexico"));
        QCOMPARE(country->selectedText(), QStringLiteral("ico"));
        QCOMPARE(country->selectionStart(), 3);
        QCOMPARE(s.edit("Text3")->text(), QStringLiteral("100.23"));
        QCOMPARE(s.edit("Text4")->text(), QStringLiteral("21.32"));
        QCOMPARE(s.edit("Text7")->text(), QStringLiteral("NA"));

        // a key that completes nothing replaces the offered rest
        QTest::keyClicks(country, QStringLiteral("q"));
        QCOMPARE(country->text(), QStringLiteral("Mexq"));
        QVERIFY(!country->hasSelectedText());

        // the search is case-sensitive: "ME" is the start of no country
        s.retype("Text2", QStringLiteral("MEX"));
        QCOMPARE(country->text(), QStringLiteral("MEX"));
    }

    void doneKeepsNumbersAndZeroesTheRest()
    {
        Station s;
        s.prefs.utcOffset = 3;
        s.open(prefixes);
        s.retype("Text6", QStringLiteral("-5"));
        s.click("Command1");
        QCOMPARE(s.window->result(), int(QDialog::Accepted));
        QCOMPARE(s.prefs.utcOffset, -5.0);

        Station t;
        t.prefs.utcOffset = 3;
        t.prefs.transmitter = 4;
        auto& w = t.open(prefixes);
        t.edit("Text6")->setText(QStringLiteral("abc"));
        t.retype("Text3", QStringLiteral("west"));
        t.retype("Text4", QStringLiteral("1e99"));
        t.edit("Text10")->setText(QStringLiteral("two"));
        t.click("Command1");
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(t.edit("Text6")->text(), QStringLiteral("0"));
        QCOMPARE(t.edit("Text3")->text(), QStringLiteral("0"));
        QCOMPARE(t.edit("Text4")->text(), QStringLiteral("0"));
        QCOMPARE(t.edit("Text10")->text(), QStringLiteral("0"));
        QCOMPARE(t.prefs.utcOffset, 0.0);
        QCOMPARE(t.prefs.longitude, 0.0f);
        QCOMPARE(t.prefs.latitude, 0.0f);
        QCOMPARE(t.prefs.transmitter, 0.0);
    }

    void doneCopiesTheStationIntoThePreferences()
    {
        Station s;
        s.prefs.mode = QStringLiteral("cw"); // matches no option button
        auto& w = s.open(prefixes);
        s.retype("Text1", QStringLiteral("k1abc"));
        s.retype("Text5", QStringLiteral("ma"));
        s.retype("Text2", QStringLiteral("Mex"));
        s.retype("Text8", QStringLiteral("ann"));
        s.retype("Text10", QStringLiteral("2"));
        s.edit("Text9")->setText(QStringLiteral("  ") + s.logPath + QStringLiteral(" "));
        QTest::keyClick(s.edit("Text1"), Qt::Key_Return); // Enter in the call field is "Done"
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QVERIFY(!w.isVisible());
        QVERIFY(s.store.isOpen());
        QCOMPARE(s.prefs.ownCall, QStringLiteral("K1ABC"));
        QCOMPARE(s.prefs.ownSpc, QStringLiteral("MA"));
        QCOMPARE(s.prefs.ownCountry, QStringLiteral("Mexico"));
        QCOMPARE(s.prefs.longitude, 100.23f);
        QCOMPARE(s.prefs.latitude, 21.32f);
        QCOMPARE(s.prefs.ownContinent, QStringLiteral("NA"));
        QCOMPARE(s.prefs.firstName, QStringLiteral("ANN"));
        QCOMPARE(s.prefs.transmitter, 2.0);
        QCOMPARE(s.prefs.logPath, s.logPath);
        QCOMPARE(s.prefs.mode, QStringLiteral("cw"));
        QCOMPARE(s.dialogs.asked.size(), 0);
    }

    void enterOutsideTheDoneFieldsDoesNothing()
    {
        Station s;
        auto& w = s.open(prefixes);
        for (const char* name : {"Text2", "Text3", "Text4", "Text10", "Text9"}) {
            s.edit(name)->setFocus();
            QTest::keyClick(s.edit(name), Qt::Key_Return);
        }
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(w.isVisible());
        QVERIFY(!s.store.isOpen());
        QCOMPARE(s.dialogs.asked.size(), 0);

        // Enter presses the button that has the focus
        auto* done = s.get<QPushButton>("Command1");
        done->setFocus();
        QTest::keyClick(done, Qt::Key_Return);
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QVERIFY(s.store.isOpen());
    }

    void failedConnectStaysOpenForAnotherTry()
    {
        Station s;
        s.prefs.ownCall = QStringLiteral("W1AW");
        s.prefs.logPath = s.home.path() + QStringLiteral("/nowhere/ZELQLog.MDB");
        auto& w = s.open(prefixes);
        s.retype("Text1", QStringLiteral("k1abc"));
        s.click("Command1");
        QCOMPARE(s.dialogs.messageTitles(), QStringList{kConnectFailed});
        QCOMPARE(s.beeper.count, 1);
        QVERIFY(w.isVisible());
        QVERIFY(s.get<QPushButton>("Command3")->isVisible());
        QVERIFY(s.get<QPushButton>("Command4")->isVisible());
        QVERIFY(!s.store.isOpen());
        QCOMPARE(s.prefs.ownCall, QStringLiteral("W1AW")); // nothing is taken before a connection

        s.edit("Text9")->setText(s.logPath);
        s.click("Command1");
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QVERIFY(!w.isVisible());
        QVERIFY(s.store.isOpen());
        QCOMPARE(s.prefs.logPath, s.logPath);
        QCOMPARE(s.prefs.ownCall, QStringLiteral("K1ABC"));
        QCOMPARE(s.dialogs.messageTitles().size(), 1);
    }

    void cancelAndHelpAfterAFailure()
    {
        Station s;
        s.prefs.logPath = s.home.path() + QStringLiteral("/nowhere.MDB");
        auto& w = s.open(prefixes);
        QSignalSpy cancelled(&w, &StationSetupWindow::cancelRequested);
        QSignalSpy help(&w, &StationSetupWindow::helpRequested);
        s.click("Command1");

        s.click("Command4");
        QCOMPARE(help.count(), 1);
        QCOMPARE(QApplication::focusWidget(), s.get<QPushButton>("Command1"));
        QVERIFY(w.isVisible());

        QVERIFY(s.store.connect(s.logPath));
        s.click("Command3");
        QCOMPARE(cancelled.count(), 1);
        QVERIFY(!s.store.isOpen());
        QCOMPARE(w.result(), int(QDialog::Rejected));
        QVERIFY(!w.isVisible());
    }

    void closingTheWindowIsNoCancel()
    {
        Station s;
        auto& w = s.open(prefixes);
        QSignalSpy cancelled(&w, &StationSetupWindow::cancelRequested);
        w.close();
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), int(QDialog::Rejected));
        QCOMPARE(cancelled.count(), 0);
    }

    void donePublishesTheIdentityToTheSharedFile()
    {
        Station s;
        s.prefs.ownCall = QStringLiteral("W1AW");
        s.prefs.ownSpc = QStringLiteral("CT");
        s.prefs.utcOffset = -5;
        s.prefs.ownCountry = QStringLiteral("United States");
        s.prefs.longitude = 72.5f;
        s.prefs.latitude = 41.75f;
        s.prefs.ownContinent = QStringLiteral("NA");
        s.prefs.firstName = QStringLiteral("HIRAM");
        s.open(prefixes);
        s.click("Command1");
        const QString expected =
            SharedPreferences::declaration()
            + QStringLiteral("\r\n<OWN_CALL>W1AW</OWN_CALL>\r\n<OWN_SPC>CT</OWN_SPC>"
                             "\r\n<OWN_UTC>-5</OWN_UTC>\r\n<OWN_COUNTRY>United States</OWN_COUNTRY>"
                             "\r\n<OWN_LONGITUDE>72.5</OWN_LONGITUDE>\r\n<OWN_LATITUDE>41.75</OWN_LATITUDE>"
                             "\r\n<OWN_CONTINENT>NA</OWN_CONTINENT>\r\n<OWN_FIRST_NAME>HIRAM</OWN_FIRST_NAME>");
        QCOMPARE(s.shared.document(), expected);
        QCOMPARE(readText(s.sharedFile()), expected + QStringLiteral("\r\n"));
    }

    void browseFillsThePath()
    {
        Station s;
        s.open(prefixes);
        s.dialogs.answerFile(QString()); // cancelled
        s.click("Command2");
        QCOMPARE(s.beeper.count, 1);
        QCOMPARE(s.edit("Text9")->text(), s.logPath);

        const QString other = s.home.path() + QStringLiteral("/other.MDB");
        s.dialogs.answerFile(other);
        s.click("Command2");
        QCOMPARE(s.edit("Text9")->text(), other);
        QCOMPARE(QApplication::focusWidget(), s.get<QPushButton>("Command1"));
        QCOMPARE(s.dialogs.asked.size(), 2);
        QCOMPARE(s.dialogs.asked[0].defaultText, s.home.installDir());
    }

    void newLogFileMakesALogThatConnects()
    {
        Station s;
        const QString fresh = s.home.installDir() + QStringLiteral("/contest.MDB");
        s.prefs.logPath = fresh;
        auto& w = s.open(prefixes);
        s.click("cmdNewLog");
        QVERIFY(QFile::exists(fresh));
        QCOMPARE(s.dialogs.messageTitles(), QStringList{QStringLiteral("New Log File")});
        QCOMPARE(s.dialogs.asked[0].text, QStringLiteral("The new, empty log %1 has been created.").arg(fresh));

        // an existing log is never overwritten: another name is asked for
        const QString second = s.home.path() + QStringLiteral("/second.MDB");
        s.dialogs.answerFile(second);
        s.click("cmdNewLog");
        QCOMPARE(s.dialogs.asked[1].kind, AskedDialog::Kind::SaveFile);
        QCOMPARE(s.dialogs.asked[1].defaultText, s.home.installDir());
        QVERIFY(QFile::exists(second));
        QCOMPARE(s.edit("Text9")->text(), second);

        // a name that exists is reported, and the path stays as it was
        s.dialogs.answerFile(fresh);
        s.click("cmdNewLog");
        QCOMPARE(s.dialogs.asked.last().title, QStringLiteral("New Log File"));
        QVERIFY(s.dialogs.asked.last().text.startsWith(QStringLiteral("Unable to create the log file.")));
        QCOMPARE(s.edit("Text9")->text(), second);

        // no path and no name chosen: nothing is made, nothing reported
        const int asked = int(s.dialogs.asked.size());
        s.edit("Text9")->clear();
        s.click("cmdNewLog");
        QCOMPARE(s.dialogs.asked.size(), asked + 1);
        QCOMPARE(s.edit("Text9")->text(), QString());

        s.edit("Text9")->setText(second);
        s.click("Command1");
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QVERIFY(s.store.isOpen());
    }

    void rttyEnablesTyrmAndDoneSavesIt()
    {
        Station s;
        s.prefs.mode = QStringLiteral("CW");
        auto& w = s.open(prefixes);
        auto* tyrm = s.get<QCheckBox>("chkTYRMRtty");
        QVERIFY(s.get<QRadioButton>("Option1")->isChecked());
        s.tick("Option3");
        QVERIFY(tyrm->isEnabled());
        QVERIFY(s.get<QLabel>("lblConnectTYRM")->isEnabled());
        s.tick("chkTYRMRtty");
        QVERIFY(tyrm->isChecked());
        QCOMPARE(s.get<QLabel>("lblConnectTYRM")->text(), QStringLiteral("Connect to fldigi?"));
        QCOMPARE(s.edit("txtFldigiHost")->text(), QStringLiteral("127.0.0.1"));
        QCOMPARE(s.edit("txtFldigiPort")->text(), QStringLiteral("7362"));
        s.tick("Option2");
        QVERIFY(!tyrm->isEnabled());
        QVERIFY(!s.edit("txtFldigiHost")->isEnabled());
        s.tick("Option3");
        s.edit("txtFldigiHost")->setText(QStringLiteral(" shack-pc "));
        s.edit("txtFldigiPort")->setText(QStringLiteral("7363"));
        s.click("Command1");
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(s.prefs.mode, QStringLiteral("RY"));
        QCOMPARE(s.prefs.fldigiHost, QStringLiteral("shack-pc"));
        QCOMPARE(s.prefs.fldigiPort, 7363);

        QSettings settings(QStringLiteral("DORVY_Software"), QStringLiteral("ZELQ Logger"));
        QCOMPARE(settings.value(QStringLiteral("Settings/UserTYRMOption")).toString(), QStringLiteral("1"));

        // the next opening shows it ticked; unticking saves "0"
        s.open(prefixes);
        QVERIFY(s.get<QCheckBox>("chkTYRMRtty")->isChecked());
        QVERIFY(s.get<QCheckBox>("chkTYRMRtty")->isEnabled());
        s.tick("chkTYRMRtty");
        s.click("Command1");
        settings.sync();
        QCOMPARE(settings.value(QStringLiteral("Settings/UserTYRMOption")).toString(), QStringLiteral("0"));
    }
};

QTEST_MAIN(StationSetupTest)
#include "tst_station_setup.moc"
