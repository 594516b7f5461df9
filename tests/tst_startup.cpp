// The program's start on the real windows (offscreen), with the operator's
// answers scripted: first start, a second start that remembers, a failed
// connect, Cancel, the UTC offset question, and the erase question.
#include "FakeBeeper.h"
#include "FakeClock.h"
#include "FakeDialogs.h"
#include "LogWindowRun.h"
#include "TempHome.h"
#include "log/FirstStart.h"
#include "settings/Preferences.h"
#include "ui/AppContext.h"
#include "ui/ClockDisplay.h"
#include "ui/LogWindow.h"
#include "ui/SectionGrid.h"
#include "ui/SetupCommand.h"
#include "ui/StartupSequence.h"
#include "ui/StationSetupWindow.h"
#include "zelq_build_info.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

using namespace zelq;
using namespace zelq::test;

namespace {

// The log window's run, with what the start-up tests need of the setup window.
struct StartupRun : Run {
    explicit StartupRun(const TempHome& home, int zoneSeconds = 0) : Run(home, saturdayEvening, zoneSeconds) {}

    StationSetupWindow* setupWindow() const { return window->setupCommand().window(); }

    template <typename T> T* child(const char* name) const
    {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    template <typename T> T* setupChild(const char* name) const
    {
        return setupWindow() ? setupWindow()->findChild<T*>(QString::fromLatin1(name)) : nullptr;
    }

    void typeInSetup(const char* field, const QString& text) const
    {
        QLineEdit* e = setupChild<QLineEdit>(field);
        QVERIFY(e);
        e->clear();
        QTest::keyClicks(e, text);
    }
    void click(const char* button) const
    {
        QPushButton* b = setupChild<QPushButton>(button);
        QVERIFY(b);
        QTest::mouseClick(b, Qt::LeftButton);
    }
};

} // namespace

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void firstStartThenASecondStartThatRemembers()
    {
        TempHome home;
        {
            StartupRun run(home);
            QCOMPARE(run.window->windowTitle(), QStringLiteral("ZELQ Logger " ZELQ_VERSION));
            run.startup->run();
            QCOMPARE(run.startup->state(), StartupSequence::State::InSetup);
            QVERIFY(run.setupWindow());
            QCOMPARE(run.setupChild<QLineEdit>("Text9")->text(),
                     home.installDir() + QStringLiteral("/ZELQLog.MDB"));
            run.typeInSetup("Text1", QStringLiteral("w1aw"));
            run.typeInSetup("Text5", QStringLiteral("ct"));
            run.typeInSetup("Text8", QStringLiteral("hiram"));
            run.dialogs.answerButton(DialogButton::Yes); // continue the log
            run.click("Command1");
            QTRY_COMPARE(run.startup->state(), StartupSequence::State::Ready);
            QCOMPARE(run.dialogs.messageTitles(), QStringList{QStringLiteral("Open existing log?")});
            QCOMPARE(run.child<QLabel>("lblOwnCall")->text(), QStringLiteral("W1AW"));
            QCOMPARE(run.child<QLabel>("lblOwnName")->text(), QStringLiteral("HIRAM"));
            QCOMPARE(run.child<QLabel>("Label24")->text(), QStringLiteral("20"));
            QCOMPARE(run.window->focusWidget(), run.child<QLineEdit>("txtCall"));
            QCOMPARE(run.child<QLabel>("lblDialog")->text(), StartupPrompt);
            QCOMPARE(run.dialogs.unscripted, 0);
            run.window->close();
        }
        {
            StartupRun again(home);
            again.startup->run();
            QVERIFY(again.setupWindow());
            QCOMPARE(again.setupChild<QLineEdit>("Text1")->text(), QStringLiteral("W1AW"));
            QCOMPARE(again.setupChild<QLineEdit>("Text8")->text(), QStringLiteral("HIRAM"));
            QCOMPARE(again.setupChild<QLineEdit>("Text9")->text(),
                     home.installDir() + QStringLiteral("/ZELQLog.MDB"));
            again.dialogs.answerButton(DialogButton::Yes);
            again.click("Command1");
            QTRY_COMPARE(again.startup->state(), StartupSequence::State::Ready);
        }
    }

    void failedConnectThenACorrectedPath()
    {
        TempHome home;
        StartupRun run(home);
        run.startup->run();
        run.typeInSetup("Text9", home.path() + QStringLiteral("/nowhere/ZELQLog.MDB"));
        run.click("Command1");
        QCOMPARE(run.dialogs.messageTitles(), QStringList{QStringLiteral("File, Network or Install Error.")});
        QVERIFY(run.beeper.count > 0);
        QVERIFY(run.setupWindow()->isVisible());
        QVERIFY(run.setupChild<QPushButton>("Command3")->isVisible());
        QVERIFY(run.setupChild<QPushButton>("Command4")->isVisible());

        run.typeInSetup("Text9", home.installDir() + QStringLiteral("/ZELQLog.MDB"));
        run.dialogs.answerButton(DialogButton::Yes);
        run.click("Command1");
        QTRY_COMPARE(run.startup->state(), StartupSequence::State::Ready);
    }

    void cancelEndsTheProgram()
    {
        TempHome home;
        StartupRun run(home);
        QSignalSpy exits(run.window.get(), &LogWindow::exitRequested);
        run.startup->run();
        run.typeInSetup("Text9", home.path() + QStringLiteral("/nowhere.MDB"));
        run.click("Command1");
        run.click("Command3");
        QTRY_COMPARE(exits.count(), 1);
        QCOMPARE(exits.first().first().toInt(), int(StartupSequence::ExitSetupCancelled));
        QCOMPARE(run.startup->state(), StartupSequence::State::Ended);
    }

    void utcOffsetQuestionAtAHalfHourZone()
    {
        TempHome home;
        StartupRun run(home, -(9 * 3600 + 1800));
        run.dialogs.answerText(QStringLiteral("9.5"));
        run.startup->run();
        QCOMPARE(run.dialogs.asked.first().title, QStringLiteral("Update the Local Time / UTC Offset?"));
        Preferences saved;
        QCOMPARE(loadPreferences(run.context->preferencesPath(), saved), PreferencesLoad::Loaded);
        QCOMPARE(saved.utcOffset, 9.5);
    }

    void noToContinueErasesOnlyAfterTypingYes_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("rowsLeft");
        QTest::newRow("YES") << "yes" << 0;
        QTest::newRow("anything else") << "no" << 1;
    }
    void noToContinueErasesOnlyAfterTypingYes()
    {
        QFETCH(QString, typed);
        QFETCH(int, rowsLeft);
        TempHome home;
        StartupRun run(home);
        {
            LogStore other(QStringLiteral("other_position"));
            QVERIFY(other.connect(home.installDir() + QStringLiteral("/ZELQLog.MDB")));
            Contact c;
            c.calls = QStringLiteral("K1ABC");
            c.uband = QStringLiteral("20");
            c.spc = QStringLiteral("MA");
            QVERIFY(other.insert(c));
        }
        run.startup->run();
        run.dialogs.answerButton(DialogButton::No);
        run.dialogs.answerText(typed);
        run.click("Command1");
        QTRY_COMPARE(run.startup->state(), StartupSequence::State::Ready);
        QCOMPARE(run.context->session.cache().count(), rowsLeft);
        QCOMPARE(run.context->store.rowCount().value_or(-1), double(rowsLeft));
    }

    void missingPreferencesStopTheStartButLeaveTheWindow()
    {
        TempHome home;
        StartupRun run(home);
        QFile::remove(run.context->preferencesPath());
        QSignalSpy stopped(run.startup, &StartupSequence::stopped);
        run.startup->run();
        QCOMPARE(stopped.count(), 1);
        QCOMPARE(run.dialogs.messageTitles(), QStringList{QStringLiteral("Error opeining file")});
        QCOMPARE(run.dialogs.asked.first().text, QStringLiteral("Error opening file"));
        QVERIFY(!run.setupWindow());
        QLineEdit* call = run.child<QLineEdit>("txtCall");
        QVERIFY(call && call->isEnabled());
        QTest::keyClicks(call, QStringLiteral("DL1ABC"));
        QCOMPARE(call->text(), QStringLiteral("DL1ABC"));
        run.window->close();
        QVERIFY(!QFile::exists(run.context->preferencesPath())); // nothing saved over it
    }

    void gridShowsTheRemainingColourAfterTheLoad()
    {
        TempHome home;
        StartupRun run(home);
        Preferences p;
        QCOMPARE(loadPreferences(run.context->preferencesPath(), p), PreferencesLoad::Loaded);
        p.remainingColour = StoredColour::fromRgb(10, 20, 30);
        QVERIFY(savePreferences(run.context->preferencesPath(), p));
        run.startup->run();
        run.dialogs.answerButton(DialogButton::Yes);
        run.click("Command1");
        QTRY_COMPARE(run.startup->state(), StartupSequence::State::Ready);
        auto* grid = run.window->findChild<SectionGrid*>();
        QVERIFY(grid);
        for (int i : {1, 59, 63})
            QCOMPARE(grid->textColour(i), QColor(10, 20, 30));
        QCOMPARE(run.window->findChildren<QLabel*>(QRegularExpression(QStringLiteral("^Label10_\\d+$"))).size(), 63);
        QCOMPARE(run.child<QLabel>("Label10_59")->text(), QStringLiteral("NWT"));
        QCOMPARE(run.child<QLabel>("Label10_59")->toolTip(), QStringLiteral("Northwest Territories"));
    }

    void typingACallShowsItsCountry()
    {
        TempHome home;
        StartupRun run(home);
        run.startup->run();
        run.dialogs.answerButton(DialogButton::Yes);
        run.click("Command1");
        QTRY_COMPARE(run.startup->state(), StartupSequence::State::Ready);
        QTest::keyClicks(run.child<QLineEdit>("txtCall"), QStringLiteral("XE1ABC"));
        QCOMPARE(run.child<QLineEdit>("txtCntry")->text(), QStringLiteral("Mexico"));
        QCOMPARE(run.child<QLabel>("Label19")->text(), QStringLiteral("NA"));
        QVERIFY(run.child<QLabel>("Label3")->isVisibleTo(run.window.get())); // a new NA country
    }

    void clockTextsAreLocaleFree()
    {
        const QDateTime local(QDate(2026, 2, 14), QTime(0, 5, 9));
        ClockTexts t = clockTexts(local, 5);
        QCOMPARE(t.utc, QStringLiteral("05:05:09"));
        QCOMPARE(t.local, QStringLiteral("12:05:09"));
        QCOMPARE(t.ampm, QStringLiteral("AM"));
        t = clockTexts(QDateTime(QDate(2026, 2, 14), QTime(23, 59, 0)), -9.5);
        QCOMPARE(t.utc, QStringLiteral("14:29:00"));
        QCOMPARE(t.local, QStringLiteral("11:59:00"));
        QCOMPARE(t.ampm, QStringLiteral("PM"));
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
