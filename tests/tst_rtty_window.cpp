// The link to fldigi on the real log window: the setup's Done connects and
// says so, fields clicked in fldigi land in the entry fields, the call
// typed and the function keys reach fldigi, keyboard RTTY keeps letters
// out of the fields, and nothing goes to fldigi in CW.
#include "FakeFldigi.h"
#include "LogWindowRun.h"
#include "keying/RttyLink.h"
#include "settings/StationSetup.h"
#include "ui/LogWindowRtty.h"

using namespace zelq;
using namespace zelq::test;

class TestRttyWindow : public QObject {
    Q_OBJECT

private slots:
    void theLogWindowWorksWithFldigi()
    {
        TempHome home;
        FakeFldigi fake;
        Run run(home);
        START(run);
        RttyLink& link = run.window->rttyLink().link();
        link.pollMs = 20;
        link.retryMs = 100;

        // Setup closes in CW with the box ticked: no link.
        saveTyrmOption(true);
        run.context->prefs.fldigiPort = fake.port();
        run.window->rttyLink().afterSetup();
        QTest::qWait(150);
        QCOMPARE(fake.calls.size(), 0);

        const int shown = int(run.dialogs.messageTitles().size());
        run.context->prefs.mode = QStringLiteral("RY");
        run.window->rttyLink().afterSetup();
        QTRY_COMPARE(run.dialogs.messageTitles().size(), shown + 1);
        QCOMPARE(run.dialogs.messageTitles().last(), QStringLiteral("Connected with fldigi!"));
        QVERIFY(run.dialogs.asked.last().text.startsWith(QStringLiteral("Connected with fldigi!\n\nFor best display")));
        QCOMPARE(link.item(QStringLiteral("txtBMyCall")), run.context->prefs.ownCall);

        fake.call = QStringLiteral("k1abc");
        fake.name = QStringLiteral("john");
        fake.state = QStringLiteral("ct");
        QTRY_COMPARE(run.text("txtCall"), QStringLiteral("K1ABC"));
        QTRY_COMPARE(run.text("txtRSTR"), QStringLiteral("JOHN"));
        QTRY_COMPARE(run.text("txtCntry"), QStringLiteral("CT"));

        // Esc clears the entry; W1 typed goes to fldigi as it is typed.
        run.focusField("txtCall");
        TYPE(run, QStringLiteral("\x1b"));
        QTRY_COMPARE(fake.setCalls().value(fake.setCalls().size() - 1, QStringLiteral("-")), QString());
        const int sets = int(fake.setCalls().size());
        TYPE(run, QStringLiteral("w1"));
        QTRY_COMPARE(fake.setCalls().mid(sets), (QStringList{QStringLiteral("W"), QStringLiteral("W1")}));
        QTest::qWait(200);
        QCOMPARE(run.text("txtCall"), QStringLiteral("W1"));

        // F10 runs macro 9; F12 switches keyboard RTTY: letters go to
        // fldigi, not to the call field.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F10);
        QTRY_COMPARE(fake.macrosRun, QList<int>{9});
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F12);
        QCOMPARE(run.status(), RttyLink::KeyboardOnText);
        QCOMPARE(run.statusColour(), QColor(255, 255, 192));
        TYPE(run, QStringLiteral("tu"));
        QTRY_COMPARE(fake.txText, QStringLiteral("TU"));
        QCOMPARE(run.text("txtCall"), QStringLiteral("W1"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F12);
        QCOMPARE(run.status(), QString());
        QCOMPARE(run.statusColour(), normalStatus);
        TYPE(run, QStringLiteral("a"));
        QCOMPARE(run.text("txtCall"), QStringLiteral("W1A"));

        // In CW nothing goes to fldigi.
        run.context->prefs.mode = QStringLiteral("CW");
        QTest::qWait(100);
        const int before = int(fake.calls.size());
        TYPE(run, QStringLiteral("w"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
        QTest::qWait(200);
        QCOMPARE(int(fake.calls.size()), before);
        run.context->prefs.mode = QStringLiteral("RY");

        // fldigi gone: the setup's Done says so.
        fake.stop();
        run.window->rttyLink().afterSetup();
        QTRY_COMPARE(run.dialogs.messageTitles().size(), shown + 2);
        QCOMPARE(run.dialogs.messageTitles().last(), QStringLiteral("Unable to find fldigi."));
        QCOMPARE(run.dialogs.asked.last().text, QStringLiteral("Please start fldigi and click Setup to try again!"));
        QCOMPARE(link.TYRMLinked, 0);
    }
};

QTEST_MAIN(TestRttyWindow)
#include "tst_rtty_window.moc"
