// The CW keyer on the real log window: function keys in CW mode, "!"
// logging the contact while the keyer goes on, Esc during and after
// sending, keyboard CW mode, the speed keys, the close refused while
// sending, and the setup and message windows.
#include "LogWindowRun.h"
#include "devices/RecordingKeyLine.h"
#include "keying/CwControl.h"
#include "keying/Morse.h"
#include "ui/CwSetupWindow.h"
#include "ui/CwStringsWindow.h"
#include "ui/LogWindowCw.h"

#include <QCheckBox>
#include <QRadioButton>

using namespace zelq;
using namespace zelq::test;

namespace {

QString keyedStates(const QList<KeyChange>& changes)
{
    QString s;
    for (const KeyChange& c : changes)
        s += c.down ? QLatin1Char('1') : QLatin1Char('0');
    return s;
}

// Writes "cw.txt" and has the keyer read it, as at start.
void loadCwFile(const TempHome& home, Run& run, const QByteArray& method, const QByteArray& speed)
{
    QByteArray text = "\"CQ ZELQ\"\r\n\"TU $ !\"\r\n";
    for (int i = 3; i <= 8; ++i)
        text += "\"\"\r\n";
    text += "\"\"\r\n\"0\"\r\n\"" + speed + "\"\r\n\"\"\r\n\"\"\r\n\"0\"\r\n" + method + "\r\n\"&H378\"\r\n0\r\n\"0\"\r\n";
    home.writeFile(QDir(home.path()).relativeFilePath(home.installDir() + QStringLiteral("/cw.txt")), text);
    run.window->cwKeyer().control().LoadCWSettings();
}

} // namespace

class TestCwWindow : public QObject {
    Q_OBJECT

private slots:
    void functionKeysEscAndKeyboardCwOnTheLogWindow()
    {
        TempHome home;
        RecordingKeyLine line; // outlives the window that keys it
        Run run(home);
        START(run);
        loadCwFile(home, run, "2", "60");
        CwControl& cw = run.window->cwKeyer().control();
        cw.setLineOverride(&line);
        QCOMPARE(cw.settings().messages[8], QStringLiteral("VVV DE "));

        // "!" logs the contact when the keyer reaches it; the keyer goes on.
        TYPE(run, QStringLiteral("w1aw bob ct"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
        QTRY_COMPARE(run.cacheCount(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(!cw.CWSending(), 5000);
        QCOMPARE(keyedStates(line.changes()), elementsOfText(QStringLiteral("TU W1AW "), 0));
        QCOMPARE(run.rows(QStringLiteral("W1AW")).size(), size_t(1));

        // Esc while sending stops the message and leaves the fields; Esc
        // when idle clears them.
        line.clear();
        TYPE(run, QStringLiteral("k1abc"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
        QTRY_VERIFY(!line.changes().isEmpty());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCOMPARE(run.text("txtCall"), QStringLiteral("K1ABC"));
        QTRY_VERIFY(!cw.CWSending());
        QCOMPARE(keyedStates(line.changes()), elementsOf(QLatin1Char('C')));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCOMPARE(run.text("txtCall"), QString());

        // The speed keys.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QCOMPARE(run.status(), QStringLiteral("61 WPM"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(run.status(), QStringLiteral("60 WPM"));

        // Keyboard CW: typed characters go to the keyer, not to the field.
        line.clear();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F12);
        QCOMPARE(run.status(), KeyboardCwOnText);
        QCOMPARE(run.statusColour(), QColor(255, 255, 192));
        TYPE(run, QStringLiteral("ee"));
        QCOMPARE(run.text("txtCall"), QString());
        QTRY_VERIFY(!cw.CWSending());
        QCOMPARE(keyedStates(line.changes()), QStringLiteral("10001000"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F12);
        QCOMPARE(run.status(), QString());
        QCOMPARE(run.statusColour(), normalStatus);
        TYPE(run, QStringLiteral("n1mm"));
        QCOMPARE(run.text("txtCall"), QStringLiteral("N1MM"));

        // The window does not close while the keyer sends.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
        QVERIFY(cw.CWSending());
        QVERIFY(!run.window->close());
        QVERIFY(run.window->isVisible());
        QTRY_VERIFY(!cw.CWSending());
        cw.setLineOverride(nullptr);
    }

    void setupWindowAndMessageList()
    {
        TempHome home;
        RecordingKeyLine line; // outlives the window that keys it
        Run run(home);
        START(run);
        loadCwFile(home, run, "0", "13");
        CwControl& cw = run.window->cwKeyer().control();
        cw.setLineOverride(&line);

        // With no keying method the function keys do nothing in CW mode.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
        QVERIFY(!cw.CWSending());

        run.ctrl(Qt::Key_C);
        CwSetupWindow& frmCW = run.window->cwKeyer().setupWindow();
        QVERIFY(frmCW.isVisible());
        QCOMPARE(frmCW.windowTitle(), QStringLiteral("CW String Selections"));
        QCOMPARE(run.text("txtCall"), QString()); // no "c" typed
        for (QWidget* w : frmCW.findChildren<QWidget*>())
            if (w->focusPolicy() != Qt::NoFocus && !w->inherits("QGroupBox"))
                QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));

        auto* text3 = frmCW.findChild<QLineEdit*>(QStringLiteral("Text3"));
        text3->setFocus();
        QTest::keyClicks(text3, QStringLiteral("tu \"$\" ee"));
        QCOMPARE(text3->text(), QStringLiteral("TU $ EE")); // upper case, no double quote
        frmCW.findChild<QRadioButton*>(QStringLiteral("Option1"))->setChecked(true);

        // Speed and spacing steps, and their bounds.
        auto* text11 = frmCW.findChild<QLineEdit*>(QStringLiteral("Text11"));
        frmCW.findChild<QPushButton*>(QStringLiteral("Command2"))->click();
        QCOMPARE(text11->text(), QStringLiteral("14"));
        QCOMPARE(cw.engine().wpm(), 14.0);
        auto* txtSpace = frmCW.findChild<QLineEdit*>(QStringLiteral("txtSpace"));
        txtSpace->clear();
        QTest::keyClicks(txtSpace, QStringLiteral("-9"));
        QCOMPARE(txtSpace->text(), QStringLiteral("-8"));
        frmCW.findChild<QPushButton*>(QStringLiteral("Command5"))->click(); // Less
        QCOMPARE(txtSpace->text(), QStringLiteral("-8"));
        frmCW.findChild<QPushButton*>(QStringLiteral("Command6"))->click(); // More
        QCOMPARE(cw.settings().wordSpaceUnits(), -7);

        // Test with RTS and no port: asks for the port, sends nothing.
        run.dialogs.asked.clear();
        frmCW.findChild<QPushButton*>(QStringLiteral("Command4"))->click();
        QCOMPARE(run.dialogs.messageTitles(), QStringList {QStringLiteral("A com port is required.")});
        QCOMPARE(run.dialogs.asked[0].text, QStringLiteral("Please enter a com port for CW rig interface."));
        QVERIFY(!cw.CWSending());

        // Esc in a field closes the window as Done does.
        QTest::keyClick(text3, Qt::Key_Escape);
        QVERIFY(!frmCW.isVisible());
        CwStringsWindow& strings = run.window->cwKeyer().stringsWindow();
        QVERIFY(strings.isMinimized());
        QFile saved(home.installDir() + QStringLiteral("/cw.txt"));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = saved.readAll().split('\n');
        QCOMPARE(lines[2], QByteArray("\"TU $ EE\"\r"));
        QCOMPARE(lines[13], QByteArray("\"-7\"\r"));
        QCOMPARE(lines[14], QByteArray("1\r"));

        // The message list sends a message when its row is clicked, and
        // takes the log window's keys.
        QTest::qWait(20);
        run.ctrl(Qt::Key_W);
        QVERIFY(strings.isVisible() && !strings.isMinimized());
        auto* row3 = strings.findChild<QLabel*>(QStringLiteral("lblCWString_2"));
        QCOMPARE(row3->text(), QStringLiteral("TU $ EE"));
        QCOMPARE(strings.findChild<QLabel*>(QStringLiteral("lblCWString_11"))->text(), QStringLiteral("Keyboard"));
        for (QWidget* w : strings.findChildren<QWidget*>())
            QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
        run.edit("txtCall")->setText(QStringLiteral("K1ABC"));
        QTest::mouseClick(row3, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!cw.CWSending(), 20000);
        QCOMPARE(keyedStates(line.changes()), elementsOfText(QStringLiteral("TU K1ABC EE"), -7));
        line.clear();
        QTest::keyClick(&strings, Qt::Key_F3);
        QVERIFY(cw.CWSending());
        QTRY_VERIFY_WITH_TIMEOUT(!cw.CWSending(), 20000);
        cw.setLineOverride(nullptr);
    }
};

QTEST_MAIN(TestCwWindow)
#include "tst_cw_window.moc"
