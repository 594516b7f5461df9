// Contact entry on the real log window (offscreen), typed key by key as an
// operator types: the key filters of the fields, the required fields, the
// Canadian sections and country completion, the duplicate checks and the
// hold after a duplicate, the times a contact is stamped with (live and
// post-contest), Time On/Off, multipliers, a small contest on both engines,
// and a log that cannot be reached at the moment of logging.
#include "FakeBeeper.h"
#include "FakeClock.h"
#include "FakeDialogs.h"
#include "LogConnection.h"
#include "LogWindowRun.h"
#include "PgTestServer.h"
#include "TempHome.h"
#include "log/Bands.h"
#include "log/ContactEntry.h"
#include "log/DuplicateCheck.h"
#include "log/FirstStart.h"
#include "log/SectionTable.h"
#include "ui/AppContext.h"
#include "ui/LogWindow.h"
#include "ui/SetupCommand.h"
#include "ui/StartupSequence.h"
#include "ui/StationSetupWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUuid>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <random>
#include <set>

using namespace zelq;
using namespace zelq::test;

namespace {

bool overwriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::ReadWrite) && f.write(bytes) == bytes.size();
}

Contact otherPositionContact(const QString& call, const QString& band, const QString& time)
{
    return {call, QStringLiteral("BOB"), QStringLiteral("CT"), QStringLiteral("NA"),
            QStringLiteral("2026/02/14"), time, band, QStringLiteral("ANN"), QStringLiteral("2")};
}

// (call, band, S/P/C, name), sorted: what a contest must leave in the log.
using Summary = std::vector<std::tuple<QString, QString, QString, QString>>;

Summary summaryOf(const std::vector<Contact>& rows)
{
    Summary s;
    for (const Contact& c : rows)
        s.emplace_back(c.calls, c.uband, c.spc, c.namerec);
    std::sort(s.begin(), s.end());
    return s;
}

} // namespace

namespace QTest {
template <> char* toString(const Summary& s)
{
    QStringList lines;
    for (const auto& [call, band, spc, name] : s)
        lines << call + QLatin1Char('/') + band + QLatin1Char('/') + spc + QLatin1Char('/') + name;
    return qstrdup(qPrintable(QString::number(s.size()) + QStringLiteral(" rows: ")
                              + lines.join(QLatin1Char(' '))));
}
} // namespace QTest

class ContactEntryTest : public QObject {
    Q_OBJECT
private slots:
    void quotesAndCtrlLettersNeverReachAField()
    {
        TempHome home;
        Run run(home);
        START(run);
        QGuiApplication::clipboard()->setText(QStringLiteral("PASTED"));

        const int beeps = run.beeper.count;
        TYPE(run, QStringLiteral("w1\"a'w"));
        QCOMPARE(run.text("txtCall"), QStringLiteral("W1AW"));
        // Logged off: every character in the call field asks for Time On.
        QCOMPARE(run.status(), TimeOnPrompt);
        QCOMPARE(run.beeper.count - beeps, 4);
        // Ctrl+A, Ctrl+X, Ctrl+V would select, cut and paste in a plain field.
        for (Qt::Key k : {Qt::Key_C, Qt::Key_A, Qt::Key_X, Qt::Key_V, Qt::Key_S, Qt::Key_W}) {
            run.ctrl(k);
            // Ctrl+C, Ctrl+S and Ctrl+W open the CW windows: back to the log window.
            run.window->focusCall();
            QTRY_COMPARE(run.focused(), QStringLiteral("txtCall"));
        }
        TYPE(run, QStringLiteral("/p"));
        QCOMPARE(run.text("txtCall"), QStringLiteral("W1AW/P"));

        TYPE(run, QStringLiteral(" b'o\"b"));
        run.ctrl(Qt::Key_V);
        QCOMPARE(run.text("txtRSTR"), QStringLiteral("BOB"));
        TYPE(run, QStringLiteral(" \"c't"));
        run.ctrl(Qt::Key_V);
        QCOMPARE(run.text("txtCntry"), QStringLiteral("CT"));

        // The post-contest fields take digits and their separator only.
        run.window->mnuPostContest_Click();
        run.focusField("txtPostConDate");
        TYPE(run, QStringLiteral("2'/7\"/x2026"));
        run.ctrl(Qt::Key_V);
        QCOMPARE(run.text("txtPostConDate"), QStringLiteral("2/7/2026"));
        run.focusField("txtPostConTime");
        TYPE(run, QStringLiteral("1'2\":3a4"));
        QCOMPARE(run.text("txtPostConTime"), QStringLiteral("12:34"));
        QCOMPARE(run.rowCount(), 0);
    }

    void pastedTextNeverBringsQuotes()
    {
        TempHome home;
        Run run(home);
        START(run);
        QGuiApplication::clipboard()->setText(QStringLiteral("w1'a\"w"));
        for (const char* name : {"txtCall", "txtRSTR", "txtCntry"}) {
            run.focusField(name);
            QTest::keyClick(run.edit(name), Qt::Key_Insert, Qt::ShiftModifier);
            const QString t = run.text(name);
            QVERIFY2(!t.contains(QLatin1Char('\'')) && !t.contains(QLatin1Char('"')),
                     qPrintable(QLatin1String(name) + QStringLiteral(": ") + t));
        }
    }

    void requiredFieldsKeepTheEntry_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("call");
        QTest::newRow("name empty") << "w1aw  ct\r" << "Need Name!" << "txtRSTR" << "W1AW";
        QTest::newRow("name empty and call short") << "w1  ct\r" << "Need Call Sign!" << "txtCall" << "W1";
        QTest::newRow("S/P/C empty") << "w1aw bob \r" << "Invald Section!" << "txtCntry" << "W1AW";
        QTest::newRow("S/P/C of one character") << "w1aw bob c\r" << "Invald Section!" << "txtCntry" << "W1AW";
        QTest::newRow("S/P/C not a section") << "w1aw bob dc\r" << "Invald Section!" << "txtCntry" << "W1AW";
    }
    void requiredFieldsKeepTheEntry()
    {
        QFETCH(QString, keys);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        QFETCH(QString, call);
        TempHome home;
        Run run(home);
        START(run);
        run.button("cmdLogOn")->click();
        TYPE(run, keys);
        QCOMPARE(run.status(), message);
        QCOMPARE(run.focused(), focus);
        QVERIFY(run.beeper.count > 0);
        QCOMPARE(run.text("txtCall"), call);
        QCOMPARE(run.rowCount(), 0);
        QCOMPARE(run.cacheCount(), 0);
    }

    void leavingTheCallFillsACanadianSection_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("spc");
        QTest::addColumn<QString>("selected");
        QTest::newRow("VE3") << "ve3abc" << "ON" << "ON";
        QTest::newRow("VE8, three letters") << "VE8XY" << "NWT" << "NW";
        QTest::newRow("VY2") << "vy2zz" << "PE" << "PE";
        QTest::newRow("VO1") << "VO1ABC" << "NL" << "NL";
        QTest::newRow("VA3 is not in the table") << "va3abc" << "" << "";
        QTest::newRow("two characters") << "ve" << "" << "";
    }
    void leavingTheCallFillsACanadianSection()
    {
        QFETCH(QString, call);
        QFETCH(QString, spc);
        QFETCH(QString, selected);
        TempHome home;
        Run run(home);
        START(run);
        TYPE(run, call + QLatin1Char(' '));
        QCOMPARE(run.focused(), QStringLiteral("txtRSTR"));
        QCOMPARE(run.text("txtCntry"), spc);
        QCOMPARE(run.edit("txtCntry")->selectedText(), selected);
        // Typed over, the filled section goes away at the first key.
        if (!spc.isEmpty()) {
            TYPE(run, QStringLiteral("bob qc"));
            QCOMPARE(run.text("txtCntry"), QStringLiteral("QC"));
        }
    }

    void countryNameCompletesAndSpaceAcceptsIt()
    {
        TempHome home;
        Run run(home);
        START(run);
        TYPE(run, QStringLiteral("dl1abc hans "));
        QCOMPARE(run.label("Label19")->text(), QStringLiteral("EU"));
        TYPE(run, QStringLiteral("mex"));
        QCOMPARE(run.text("txtCntry"), QStringLiteral("MEXico"));
        QCOMPARE(run.edit("txtCntry")->selectedText(), QStringLiteral("ico"));
        QCOMPARE(run.label("Label19")->text(), QStringLiteral("NA"));
        QVERIFY(run.newShown());
        TYPE(run, QStringLiteral(" "));
        QCOMPARE(run.focused(), QStringLiteral("txtCall"));
        QCOMPARE(run.text("txtCntry"), QStringLiteral("MEXico"));
    }

    void sameCallOnTheSameBandIsADupe_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::newRow("Enter in the call field") << "w1aw\r";
        QTest::newRow("leaving the call field") << "w1aw ";
    }
    void sameCallOnTheSameBandIsADupe()
    {
        QFETCH(QString, keys);
        TempHome home;
        Run run(home);
        START(run);
        TYPE(run, QStringLiteral("W1AW bob ct\r"));
        QCOMPARE(run.rowCount(), 1);
        QCOMPARE(run.status(), QString());
        run.clock.advanceMs(90 * 1000);

        TYPE(run, keys);
        QCOMPARE(run.status(), QStringLiteral("Dupe: W1AW BOB CT 02/14 18:00 ON 20"));
        QCOMPARE(run.statusColour(), red);
        QCOMPARE(run.text("txtCall"), QString());
        QCOMPARE(run.text("txtRSTR"), QString());
        QCOMPARE(run.text("txtCntry"), QString());
        QCOMPARE(run.label("Label19")->text(), QString());
        QCOMPARE(run.partialLine(), QString());
        QCOMPARE(run.focused(), QStringLiteral("txtCall"));
        QCOMPARE(run.rowCount(), 1);
        QCOMPARE(run.cacheCount(), 1);

        // Esc after the hold clears the message and its colour.
        run.clock.advanceMs(3000);
        TYPE(run, QStringLiteral("\x1b"));
        QCOMPARE(run.status(), QString());
        QCOMPARE(run.statusColour(), normalStatus);
    }

    void otherBandIsNoDupeAndFillsNameAndSection()
    {
        TempHome home;
        Run run(home);
        START(run);
        TYPE(run, QStringLiteral("w1aw bob ct\r"));
        run.window->mnuBandChoose(QStringLiteral("40"));
        run.clock.advanceMs(60 * 1000);
        TYPE(run, QStringLiteral("w1aw "));
        QVERIFY2(!run.status().startsWith(QLatin1String("Dupe")), qPrintable(run.status()));
        QCOMPARE(run.text("txtRSTR"), QStringLiteral("BOB"));
        QCOMPARE(run.edit("txtRSTR")->selectedText(), QStringLiteral("BOB"));
        QCOMPARE(run.text("txtCntry"), QStringLiteral("CT"));
        TYPE(run, QStringLiteral(" \r"));
        const auto w1aw = run.rows(QStringLiteral("W1AW"));
        QCOMPARE(int(w1aw.size()), 2);
        QCOMPARE(summaryOf(w1aw), (Summary{{"W1AW", "20", "CT", "BOB"}, {"W1AW", "40", "CT", "BOB"}}));

        // What the operator typed is not replaced by the earlier contact.
        run.window->mnuBandChoose(QStringLiteral("15"));
        run.focusField("txtRSTR");
        TYPE(run, QStringLiteral("robert"));
        run.focusField("txtCall");
        TYPE(run, QStringLiteral("w1aw "));
        QCOMPARE(run.text("txtRSTR"), QStringLiteral("ROBERT"));
        QCOMPARE(run.text("txtCntry"), QStringLiteral("CT"));
    }

    void callsOfPrefixesWithoutATwoLetterRowStillFillFromAnotherBand()
    {
        // "VO" alone is in no row of the prefix table; "VO1" is Canada.
        TempHome home;
        Run run(home);
        START(run);
        TYPE(run, QStringLiteral("vo1abc bob nl\r"));
        run.window->mnuBandChoose(QStringLiteral("40"));
        TYPE(run, QStringLiteral("vo1abc "));
        QCOMPARE(run.text("txtCntry"), QStringLiteral("NL"));
        QCOMPARE(run.label("Label19")->text(), QStringLiteral("NA"));
        TYPE(run, QStringLiteral(" \r"));
        QCOMPARE(summaryOf(run.rows(QStringLiteral("VO1ABC"))),
                 (Summary{{"VO1ABC", "20", "NL", "BOB"}, {"VO1ABC", "40", "NL", "BOB"}}));
    }

    void dupeLoggedByAnotherPositionIsFound_data() { addEngineRows(); }
    void dupeLoggedByAnotherPositionIsFound()
    {
        ENGINE_LOG(log);
        TempHome home;
        Run run(home);
        START(run, log.address());
        LogStore other(QStringLiteral("second_position"));
        QVERIFY2(other.connect(run.logPath), qPrintable(other.errorString()));
        // Stored in lower case there: the query ignores case.
        QVERIFY(other.insert(otherPositionContact(QStringLiteral("w1aw"), QStringLiteral("20"),
                                                  QStringLiteral("17:59:58"))));

        TYPE(run, QStringLiteral("w1aw"));
        QCOMPARE(run.partialLine(), QString()); // this position has not reloaded
        QCOMPARE(run.cacheCount(), 0);
        TYPE(run, QStringLiteral(" "));
        QCOMPARE(run.status(), QStringLiteral("Dupe: w1aw BOB CT 02/14 17:59 ON 20"));
        QCOMPARE(run.statusColour(), red);
        QCOMPARE(run.rowCount(), 1);
    }

    void partialLineListsTheBandsCallsNewestFirst()
    {
        TempHome home;
        Run run(home);
        START(run);
        TYPE(run, QStringLiteral("w1aw bob ct\rk1aw jim ma\rw1ab sue ny\r"));
        run.window->mnuBandChoose(QStringLiteral("40"));
        TYPE(run, QStringLiteral("w1ax ann me\r"));
        run.window->mnuBandChoose(QStringLiteral("20"));
        run.clock.advanceMs(5000);

        TYPE(run, QStringLiteral("w"));
        QCOMPARE(run.partialLine(), QStringLiteral("W1AB W1AW "));
        QCOMPARE(run.label("lblDupe")->palette().color(QPalette::Window), normalStatus);
        TYPE(run, QStringLiteral("1a"));
        QCOMPARE(run.partialLine(), QStringLiteral("W1AB W1AW "));
        QCOMPARE(run.status(), QStringLiteral(" "));
        TYPE(run, QStringLiteral("w"));
        QCOMPARE(run.partialLine(), QStringLiteral("W1AW "));
        QCOMPARE(run.status(), PossibleDuplicateMessage);
        TYPE(run, QStringLiteral("\b"));
        QCOMPARE(run.partialLine(), QString());
        QCOMPARE(run.label("lblDupe")->palette().color(QPalette::Window),
                 run.window->palette().color(QPalette::Button));
        TYPE(run, QStringLiteral("z"));
        QCOMPARE(run.partialLine(), QString());
        QCOMPARE(run.status(), QStringLiteral(" "));
        TYPE(run, QStringLiteral("\x1bk"));
        QCOMPARE(run.partialLine(), QStringLiteral("K1AW "));
    }

    void partialLineStopsPastAHundredCharacters()
    {
        TempHome home;
        Run run(home);
        START(run);
        LogStore other(QStringLiteral("second_position"));
        QVERIFY(other.connect(run.logPath));
        QStringList calls;
        for (int i = 0; i < 30; ++i) {
            calls << QStringLiteral("W1A") + QChar(u'A' + i / 26) + QChar(u'A' + i % 26);
            QVERIFY(other.insert(otherPositionContact(
                calls.back(), QStringLiteral("20"), QTime(17, 0).addSecs(i).toString(QStringLiteral("hh:mm:ss")))));
        }
        QVERIFY(run.context->session.WorkList());
        TYPE(run, QStringLiteral("w"));
        const QString line = run.partialLine();
        QVERIFY2(line.size() > 100 && line.size() <= 106, qPrintable(line));
        const QStringList listed = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QCOMPARE(listed.size(), 17);
        QCOMPARE(listed.first(), calls[16]);
        QCOMPARE(listed.last(), calls[0]);
    }

    void partialDisplayOffShowsNoList()
    {
        TempHome home;
        Run run(home);
        START(run);
        TYPE(run, QStringLiteral("w1aw bob ct\r"));
        run.clock.advanceMs(5000);
        QTest::mouseClick(run.button("cmdDup"), Qt::LeftButton);
        QCOMPARE(run.button("cmdDup")->text(), QStringLiteral("Off"));
        QCOMPARE(run.focused(), QStringLiteral("txtCall"));
        for (QChar c : QStringLiteral("w1aw")) {
            TYPE(run, QString(c));
            QCOMPARE(run.partialLine(), QString());
            QVERIFY(run.status() != PossibleDuplicateMessage);
        }
        TYPE(run, QStringLiteral("\x1b"));
        QTest::mouseClick(run.button("cmdDup"), Qt::LeftButton);
        QCOMPARE(run.button("cmdDup")->text(), QStringLiteral("On"));
        TYPE(run, QStringLiteral("w1aw"));
        QCOMPARE(run.status(), PossibleDuplicateMessage);
    }

    void secondAndThirdCharacterNotNumericBeeps_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<bool>("warned");
        QTest::newRow("K X X") << "kxx" << true;
        QTest::newRow("K 1 X") << "k1x" << false;
        QTest::newRow("K X 1") << "kx1" << false;
        QTest::newRow("K / X") << "k/x" << false;
    }
    void secondAndThirdCharacterNotNumericBeeps()
    {
        QFETCH(QString, call);
        QFETCH(bool, warned);
        TempHome home;
        Run run(home);
        START(run);
        run.button("cmdLogOn")->click();
        TYPE(run, call.left(2));
        const int before = run.beeper.count;
        TYPE(run, call.mid(2));
        QCOMPARE(run.beeper.count - before, warned ? 1 : 0);
        QCOMPARE(run.status(), warned ? NotNumericMessage : QStringLiteral(" "));
        QCOMPARE(run.text("txtCall"), call.toUpper());
    }

    void aDupeTypedAtFullSpeedLogsNothing_data() { addEngineRows(); }
    void aDupeTypedAtFullSpeedLogsNothing()
    {
        ENGINE_LOG(log);
        TempHome home;
        Run run(home);
        START(run, log.address());
        TYPE(run, QStringLiteral("w1aw bob ct\r"));
        QCOMPARE(run.rowCount(), 1);

        // The whole contact typed again without a pause: Space finds the
        // dupe, and the rest of the refused contact must go nowhere.
        run.clock.advanceMs(10000);
        TYPE(run, QStringLiteral("w1aw bob ct\r"));
        const QString dupe = run.status();
        QVERIFY2(dupe.startsWith(QLatin1String("Dupe: W1AW BOB CT")), qPrintable(dupe));
        QCOMPARE(run.statusColour(), red);
        for (const char* f : {"txtCall", "txtRSTR", "txtCntry"})
            QCOMPARE(run.text(f), QString());
        QCOMPARE(run.focused(), QStringLiteral("txtCall"));

        // The window goes on running meanwhile: the clock display moves on.
        run.clock.setUtc(saturdayEvening.addSecs(3600));
        QTRY_COMPARE_WITH_TIMEOUT(run.label("lblutctime")->text(), QStringLiteral("19:00:00"), 1500);
        run.clock.advanceMs(3000);
        QCoreApplication::processEvents();
        QCOMPARE(run.text("txtCall"), QString());
        QCOMPARE(run.rowCount(), 1);
        QCOMPARE(run.cacheCount(), 1);
        QCOMPARE(run.status(), dupe);

        // Once the hold is over, keys go in at once.
        TYPE(run, QStringLiteral("k2"));
        QCOMPARE(run.text("txtCall"), QStringLiteral("K2"));
    }

    void keysDuringTheHoldAreDroppedAndEscEndsIt()
    {
        TempHome home;
        Run run(home);
        START(run);
        TYPE(run, QStringLiteral("w1aw bob ct\r"));
        TYPE(run, QStringLiteral("w1aw\r"));
        QVERIFY(run.status().startsWith(QLatin1String("Dupe: W1AW")));

        run.clock.advanceMs(1000);
        TYPE(run, QStringLiteral("k1abc jim"));
        for (const char* f : {"txtCall", "txtRSTR", "txtCntry"})
            QCOMPARE(run.text(f), QString());
        QVERIFY(run.window->contactEntry().holding());

        // Esc ends the hold at once and clears as Esc does.
        TYPE(run, QStringLiteral("\x1b"));
        QVERIFY(!run.window->contactEntry().holding());
        QCOMPARE(run.status(), QString());
        QCOMPARE(run.statusColour(), normalStatus);
        TYPE(run, QStringLiteral("k1abc jim"));
        QCOMPARE(run.text("txtCall"), QStringLiteral("K1ABC"));
        QCOMPARE(run.text("txtRSTR"), QStringLiteral("JIM"));

        // Three seconds after the dupe the hold ends by itself.
        TYPE(run, QStringLiteral("\x1bw1aw\r"));
        QVERIFY(run.status().startsWith(QLatin1String("Dupe: ")));
        run.clock.advanceMs(2999);
        TYPE(run, QStringLiteral("k"));
        QCOMPARE(run.text("txtCall"), QString());
        run.clock.advanceMs(1);
        TYPE(run, QStringLiteral("k"));
        QCOMPARE(run.text("txtCall"), QStringLiteral("K"));
    }

    void contactTimesAndTimeOffUseTheExactOffset_data()
    {
        QTest::addColumn<QDateTime>("utc");
        QTest::addColumn<int>("zoneSeconds");
        QTest::addColumn<QString>("offset");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        // Local 20:30:15 on 7 February, five hours behind UTC.
        QTest::newRow("offset 5 into the next day")
            << QDateTime(QDate(2026, 2, 8), QTime(1, 30, 15), Qt::UTC) << -5 * 3600 << "5"
            << "2026/02/08" << "01:30:15";
        QTest::newRow("offset -3.5")
            << QDateTime(QDate(2026, 2, 7), QTime(12, 0), Qt::UTC) << 12600 << "-3.5"
            << "2026/02/07" << "12:00:00";
        QTest::newRow("offset -3.5 into the day before")
            << QDateTime(QDate(2026, 2, 6), QTime(22, 40, 5), Qt::UTC) << 12600 << "-3.5"
            << "2026/02/06" << "22:40:05";
    }
    void contactTimesAndTimeOffUseTheExactOffset()
    {
        QFETCH(QDateTime, utc);
        QFETCH(int, zoneSeconds);
        QFETCH(QString, offset);
        QFETCH(QString, date);
        QFETCH(QString, time);
        TempHome home;
        Run run(home, utc, zoneSeconds);
        START(run, QString(), offset);
        QCOMPARE(run.context->prefs.utcOffset, offset.toDouble());
        QCOMPARE(run.button("cmdLogOn")->text(), QStringLiteral("&Log \"Time On\""));

        TYPE(run, QStringLiteral("k1abc bob ct\r"));
        QCOMPARE(run.button("cmdLogOn")->text(), QStringLiteral("&Log \"Time Off\""));
        QVERIFY(run.window->contactEntry().loggedOn());
        const auto rows = run.rows(QStringLiteral("K1ABC"));
        QCOMPARE(int(rows.size()), 1);
        QCOMPARE(rows[0].flddate, date);
        QCOMPARE(rows[0].fldtime, time);

        run.clock.advanceMs(60 * 1000);
        run.button("cmdLogOn")->click();
        QCOMPARE(run.button("cmdLogOn")->text(), QStringLiteral("&Log \"Time On\""));
        const QDateTime off = QDateTime(QDate::fromString(date, QStringLiteral("yyyy/MM/dd")),
                                        QTime::fromString(time, QStringLiteral("hh:mm:ss")), Qt::UTC)
                                  .addSecs(60);
        QCOMPARE(run.status(), QStringLiteral("Logged Off at ")
                                   + QLocale::system().toString(off.date(), QLocale::ShortFormat)
                                   + off.toString(QStringLiteral(" hh:mm:ss")));
        QCOMPARE(run.focused(), QStringLiteral("txtCall"));
    }

    void postContestDateAndTime_data()
    {
        QTest::addColumn<QString>("dateKeys");
        QTest::addColumn<QString>("timeKeys");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::newRow("month first, hmm") << "2/7/2026" << "123" << "" << "2026/02/07" << "01:23";
        QTest::newRow("year first, hh:mm") << "2026/2/7" << "23:59" << "" << "2026/02/07" << "23:59";
        QTest::newRow("two-digit year, hhmm") << "2/7/26" << "0005" << "" << "2026/02/07" << "00:05";
        QTest::newRow("time 25:00") << "2/7/2026" << "25:00" << "Invalid time format!" << "" << "";
        QTest::newRow("time 2500") << "2/7/2026" << "2500" << "Invalid time format!" << "" << "";
        QTest::newRow("time 12") << "2/7/2026" << "12" << "Invalid time format!" << "" << "";
        QTest::newRow("no such day") << "2/30/2026" << "123" << "Invalid date format!" << "" << "";
        QTest::newRow("no such month") << "13/1/2026" << "123" << "Invalid date format!" << "" << "";
        QTest::newRow("not a date") << "2026" << "123" << "Invalid date format!" << "" << "";
    }
    void postContestDateAndTime()
    {
        QFETCH(QString, dateKeys);
        QFETCH(QString, timeKeys);
        QFETCH(QString, message);
        QFETCH(QString, date);
        QFETCH(QString, time);
        TempHome home;
        // Local 21:00 on 14 February is 02:00 UTC on the 15th.
        Run run(home, QDateTime(QDate(2026, 2, 15), QTime(2, 0), Qt::UTC), -5 * 3600);
        START(run, QString(), QStringLiteral("5"));
        run.window->mnuPostContest_Click();
        QVERIFY(run.window->menu().mnuPostContest->isChecked());
        QVERIFY(run.edit("txtPostConDate")->isVisibleTo(run.window.get()));

        TYPE(run, QStringLiteral("k1abc bob ct "));
        QCOMPARE(run.focused(), QStringLiteral("txtPostConDate"));
        QTRY_COMPARE(run.text("txtPostConDate"), QStringLiteral("2026/02/14")); // today, local
        QCOMPARE(run.edit("txtPostConDate")->selectedText(), QStringLiteral("2026/02/14"));
        TYPE(run, dateKeys + QLatin1Char(' ') + timeKeys + QLatin1Char('\r'));

        if (!message.isEmpty()) {
            QCOMPARE(run.status(), message);
            QVERIFY(run.beeper.count > 0);
            QCOMPARE(run.rowCount(), 0);
            QCOMPARE(run.text("txtCall"), QStringLiteral("K1ABC"));
            return;
        }
        auto rows = run.rows(QStringLiteral("K1ABC"));
        QCOMPARE(int(rows.size()), 1);
        QCOMPARE(rows[0].flddate, date);
        QCOMPARE(rows[0].fldtime, time);
        QCOMPARE(run.text("txtPostConDate"), date);
        QCOMPARE(run.text("txtPostConTime"), time);
        QCOMPARE(run.focused(), QStringLiteral("txtCall"));

        // The next contact of the paper log keeps the date and time.
        TYPE(run, QStringLiteral("k2abc jim ma "));
        QCOMPARE(run.focused(), QStringLiteral("txtPostConDate"));
        QTRY_COMPARE(run.edit("txtPostConDate")->selectedText(), date);
        TYPE(run, QStringLiteral(" \r"));
        rows = run.rows(QStringLiteral("K2ABC"));
        QCOMPARE(int(rows.size()), 1);
        QCOMPARE(rows[0].flddate, date);
        QCOMPARE(rows[0].fldtime, time);
    }

    void hawaiiIsStoredAsHIAndMexicoCountsOncePerBand()
    {
        TempHome home;
        Run run(home);
        START(run);
        TYPE(run, QStringLiteral("k1abc bob hawaii"));
        QCOMPARE(run.text("txtCntry"), QStringLiteral("Hawaii"));
        QVERIFY(!run.newShown());
        TYPE(run, QStringLiteral("\r"));
        auto rows = run.rows(QStringLiteral("K1ABC"));
        QCOMPARE(int(rows.size()), 1);
        QCOMPARE(rows[0].spc, QStringLiteral("HI"));
        const MultiplierRecords& m = run.context->session.multipliers();
        QVERIFY(m.sections.worked(SectionTable::indexOf(u"HI"), bandIndex(QStringLiteral("20"))));
        QCOMPARE(m.countries.total(), 0);

        TYPE(run, QStringLiteral("xe1abc jose "));
        QCOMPARE(run.text("txtCntry"), QStringLiteral("Mexico"));
        QCOMPARE(run.label("Label19")->text(), QStringLiteral("NA"));
        QVERIFY(run.newShown());
        TYPE(run, QStringLiteral("\r"));
        QCOMPARE(m.countries.countries(bandIndex(QStringLiteral("20"))), QStringList{QStringLiteral("Mexico")});

        TYPE(run, QStringLiteral("xe2xyz juan "));
        QVERIFY(!run.newShown());
        TYPE(run, QStringLiteral("\r"));
        QCOMPARE(run.rows(QStringLiteral("XE2XYZ")).size(), size_t(1));
        QCOMPARE(m.countries.total(), 1);

        run.window->mnuBandChoose(QStringLiteral("15"));
        TYPE(run, QStringLiteral("xe3abc ana "));
        QVERIFY(run.newShown());
        TYPE(run, QStringLiteral("\r"));
        QCOMPARE(m.countries.countries(bandIndex(QStringLiteral("15"))), QStringList{QStringLiteral("Mexico")});
        QCOMPARE(m.countries.total(), 2);
    }

    void aContestTypedAtTheKeyboard_data() { addEngineRows(); }
    void aContestTypedAtTheKeyboard()
    {
        ENGINE_LOG(log);
        TempHome home;
        Run run(home);
        START(run, log.address());
        QElapsedTimer elapsed;
        elapsed.start();

        // Stations with their own name and S/P/C: sections, Canada, and a few
        // North-American countries.
        struct Station { QString call, name, spc; };
        std::mt19937 rng(20260214);
        const auto pick = [&](size_t n) { return int(rng() % n); };
        static const char* const usPrefixes[] = {"K", "W", "N", "KB", "WA", "AA", "KC", "WB"};
        static const char* const names[] = {"BOB", "JIM", "ANN", "SUE", "TOM", "PAT", "ED", "AL", "JOE", "MARY"};
        static const std::pair<const char*, const char*> others[] = {
            {"VE3", "ON"}, {"VE7", "BC"}, {"VA2", "QC"}, {"VE8", "NWT"}, {"XE1", "Mexico"},
            {"CO2", "Cuba"}, {"VP9", "Bermuda"}, {"C6A", "Bahamas"}};
        std::vector<Station> stations;
        std::set<QString> used;
        while (stations.size() < 120) {
            Station s;
            QString spc;
            if (pick(5) > 0) {
                s.call = QString::fromLatin1(usPrefixes[pick(std::size(usPrefixes))]) + QChar(u'0' + pick(10));
                spc = SectionTable::abbreviation(1 + pick(50)); // the US sections
            } else {
                const auto& o = others[pick(std::size(others))];
                s.call = QString::fromLatin1(o.first);
                spc = QString::fromLatin1(o.second);
            }
            for (int n = 2 + pick(2); n > 0; --n)
                s.call += QChar(u'A' + pick(26));
            s.name = QString::fromLatin1(names[pick(std::size(names))]);
            s.spc = spc;
            if (used.insert(s.call).second)
                stations.push_back(s);
        }

        Summary expected;
        std::set<std::pair<QString, QString>> worked; // (call, band)
        std::set<QString> workedAnyBand;
        int dupes = 0, filled = 0;
        for (const char* band : {"20", "40", "80", "20", "15", "10"}) {
            run.window->mnuBandChoose(QString::fromLatin1(band));
            for (int i = 0; i < 50; ++i) {
                run.clock.advanceMs(5000);
                // One call in ten is one already worked on this band.
                const bool dupe = i > 5 && pick(10) == 0;
                const Station* chosen = nullptr;
                while (!chosen) {
                    const Station& s = stations[size_t(pick(stations.size()))];
                    if ((worked.count({s.call, QString::fromLatin1(band)}) > 0) == dupe)
                        chosen = &s;
                }
                const Station& s = *chosen;
                // Sometimes typed in lower case, as an operator in a hurry does.
                const QString call = pick(3) == 0 ? s.call.toLower() : s.call;
                if (dupe) {
                    TYPE(run, call + QLatin1Char(' '));
                    QVERIFY2(run.status().startsWith(QStringLiteral("Dupe: ") + s.call),
                             qPrintable(s.call + QStringLiteral(": ") + run.status()));
                    QCOMPARE(run.text("txtCall"), QString());
                    ++dupes;
                    continue;
                }
                if (workedAnyBand.count(s.call) && pick(2) == 0) {
                    // Name and S/P/C come from the contact on another band.
                    TYPE(run, call + QStringLiteral("  \r"));
                    ++filled;
                } else {
                    TYPE(run, call + QLatin1Char(' ') + s.name.toLower() + QLatin1Char(' ')
                                  + s.spc.toLower() + QLatin1Char('\r'));
                }
                QVERIFY2(run.text("txtCall").isEmpty(),
                         qPrintable(s.call + QStringLiteral(" not logged: ") + run.status()));
                worked.insert({s.call, QString::fromLatin1(band)});
                workedAnyBand.insert(s.call);
                expected.emplace_back(s.call, QString::fromLatin1(band), s.spc, s.name);
            }
        }
        std::sort(expected.begin(), expected.end());
        QVERIFY2(dupes >= 10 && filled >= 10, qPrintable(QStringLiteral("%1 dupes, %2 filled").arg(dupes).arg(filled)));

        LogStore reader(QStringLiteral("reader"));
        QVERIFY(reader.connect(run.logPath));
        const auto all = reader.selectAll();
        QVERIFY(all);
        QCOMPARE(summaryOf(*all), expected);
        QCOMPARE(run.cacheCount(), int(expected.size()));
        QVERIFY2(elapsed.elapsed() < 30000, qPrintable(QString::number(elapsed.elapsed())));
        qInfo("%d contacts, %d dupes refused, %d filled from other bands, %lld ms",
              int(expected.size()), dupes, filled, elapsed.elapsed());
    }

    void contactNotLoggedWhileTheLogIsUnreachable_data() { addEngineRows(); }
    void contactNotLoggedWhileTheLogIsUnreachable()
    {
        ENGINE_LOG(log);
        TempHome home;
        Run run(home);
        START(run, log.address());
        TYPE(run, QStringLiteral("k1abc bob ct\r"));
        QCOMPARE(run.rowCount(), 1);
        TYPE(run, QStringLiteral("w2xyz jim ny"));

        std::unique_ptr<LogConnection> admin;
        QByteArray intact;
        if (log.pg) {
            admin = std::make_unique<LogConnection>(log.address(), QStringLiteral("QPSQL"));
            QVERIFY2(admin->exec(QStringLiteral("ALTER TABLE tbllog RENAME TO tbllog_away")),
                     qPrintable(admin->error()));
        } else {
            QFile f(run.logPath);
            QVERIFY(f.open(QIODevice::ReadOnly));
            intact = f.readAll();
            f.close();
            QVERIFY(overwriteFile(run.logPath, QByteArray(100, 'x')));
        }
        const int beeps = run.beeper.count;
        TYPE(run, QStringLiteral("\r"));
        QCOMPARE(run.status(), NotLoggedMessage);
        QCOMPARE(run.statusColour(), red);
        QVERIFY(run.beeper.count > beeps);
        QCOMPARE(run.text("txtCall"), QStringLiteral("W2XYZ"));
        QCOMPARE(run.text("txtRSTR"), QStringLiteral("JIM"));
        QCOMPARE(run.text("txtCntry"), QStringLiteral("NY"));
        QCOMPARE(run.cacheCount(), 1);

        if (admin)
            QVERIFY(admin->exec(QStringLiteral("ALTER TABLE tbllog_away RENAME TO tbllog")));
        else
            QVERIFY(overwriteFile(run.logPath, intact.left(100)));
        QCOMPARE(run.rowCount(), 1);

        TYPE(run, QStringLiteral("\r"));
        QCOMPARE(run.status(), QString());
        QCOMPARE(run.text("txtCall"), QString());
        QCOMPARE(run.rows(QStringLiteral("W2XYZ")).size(), size_t(1));
        QCOMPARE(run.rowCount(), 2);
        QCOMPARE(run.cacheCount(), 2);
    }
};

QTEST_MAIN(ContactEntryTest)
#include "tst_contact_entry.moc"
