// The code practice window driven with keys as an operator drives it:
// generating groups, typing the text to send in capitals, Send and Stop,
// Esc refused while a character is keyed, the keyboard field with
// Backspace, the speed buttons, and the window opened modally from the CW
// setup window of the log window and gone once closed.
#include "LogWindowRun.h"
#include "devices/RecordingKeyLine.h"
#include "keying/CwControl.h"
#include "keying/Morse.h"
#include "ui/CodePracticeWindow.h"
#include "ui/CwSetupWindow.h"
#include "ui/LogWindowCw.h"

#include <QPlainTextEdit>
#include <QPointer>
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

template <typename T>
T* child(QWidget* w, const char* name)
{
    T* c = w->findChild<T*>(QLatin1String(name));
    if (!c)
        qWarning() << "no" << name;
    return c;
}

// A button pressed from the keyboard: the focus to it, then Space.
void press(QWidget* window, const char* name)
{
    auto* b = window->findChild<QPushButton*>(QLatin1String(name));
    QVERIFY2(b, name);
    b->setFocus();
    QTest::keyClick(b, Qt::Key_Space);
}

} // namespace

class TestCodePracticeWindow : public QObject {
    Q_OBJECT

private slots:
    void generateSendStopTypeAndClose()
    {
        TempHome home;
        DeviceRegistry registry;
        FakeDialogs dialogs;
        FakeBeeper beeper;
        RecordingKeyLine line;
        CwControl cw(registry, home.installDir(), dialogs, beeper);
        cw.setLineOverride(&line);
        CwSettings s;
        s.method = KeyingMethod::Dtr;
        s.speed = QStringLiteral("40");
        cw.applySettings(s);

        QPointer<CodePracticeWindow> w = new CodePracticeWindow(cw);
        w->setWindowModality(Qt::ApplicationModal);
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w));
        QCOMPARE(w->objectName(), QStringLiteral("frmCodePractice"));
        QCOMPARE(w->windowTitle(), QStringLiteral("On the Air Code Practice"));
        auto* text1 = child<QPlainTextEdit>(w, "Text1");
        auto* text2 = child<QPlainTextEdit>(w, "Text2");
        auto* text3 = child<QLineEdit>(w, "Text3");
        auto* text5 = child<QLineEdit>(w, "Text5");
        auto* label8 = child<QLabel>(w, "Label8");
        QVERIFY(text1 && text2 && text3 && text5 && label8);
        QCOMPARE(label8->text(), QStringLiteral("40"));
        QCOMPARE(text3->text(), QStringLiteral("10"));
        QCOMPARE(child<QLineEdit>(w, "Text4")->text(), QStringLiteral("5"));
        QVERIFY(child<QRadioButton>(w, "Option1")->isChecked());
        QCOMPARE(child<QPushButton>(w, "Command4")->text(), QStringLiteral("S&top"));
        QCOMPARE(child<QLabel>(w, "lblTextToSend")->text(), QStringLiteral(" Text to Send"));
        QVERIFY(child<QLabel>(w, "lblHelp")->text().startsWith(QStringLiteral("You can transmit morse code")));

        // Generate with letters in the groups field: ten groups of letters.
        text3->setFocus();
        text3->selectAll();
        QTest::keyClicks(text3, QStringLiteral("xy"));
        press(w, "Command2");
        QCOMPARE(text3->text(), QStringLiteral("10"));
        QVERIFY2(QRegularExpression(QStringLiteral("^([A-Z]{5} ){10}$")).match(text1->toPlainText()).hasMatch(),
                 qPrintable(text1->toPlainText()));

        // Typed letters become capitals; Send, then Stop while the first
        // character is keyed.
        press(w, "Command6");
        QCOMPARE(text1->toPlainText(), QString());
        text1->setFocus();
        QTest::keyClicks(text1, QStringLiteral("test"));
        QCOMPARE(text1->toPlainText(), QStringLiteral("TEST"));
        press(w, "Command3");
        QCOMPARE(QApplication::focusWidget(), text1);
        QTRY_VERIFY(!line.changes().isEmpty());
        press(w, "Command4");
        QTRY_VERIFY(!cw.CWSending());
        QCOMPARE(keyedStates(line.changes()), elementsOf(QLatin1Char('T')));
        QCOMPARE(text2->toPlainText(), QStringLiteral("T"));

        // Esc while a character is keyed: the rest is dropped, the window stays.
        line.clear();
        press(w, "Command3");
        QTRY_VERIFY(!line.changes().isEmpty());
        QTest::keyClick(text1, Qt::Key_Escape);
        QVERIFY(w && w->isVisible());
        QTRY_VERIFY(!cw.CWSending());
        QCOMPARE(text2->toPlainText(), QStringLiteral("TT"));

        // The keyboard field: sent and echoed, never kept; Backspace takes
        // back what is not yet sent.
        press(w, "Command5"); // clears the echo
        QCOMPARE(text2->toPlainText(), QString());
        line.clear();
        text5->setFocus();
        QTest::keyClicks(text5, QStringLiteral("tex"));
        QCOMPARE(text5->text(), QString());
        QCOMPARE(text2->toPlainText(), QStringLiteral("TEX"));
        QTest::keyClick(text5, Qt::Key_Backspace);
        QCOMPARE(text2->toPlainText(), QStringLiteral("TE"));
        QTRY_VERIFY(!cw.CWSending());
        QCOMPARE(keyedStates(line.changes()), elementsOfText(QStringLiteral("TE"), 0));

        // Faster and slower.
        press(w, "Command7");
        QCOMPARE(label8->text(), QStringLiteral("41"));
        press(w, "Command8");
        press(w, "Command8");
        QCOMPARE(label8->text(), QStringLiteral("39"));
        QCOMPARE(cw.settings().speed, QStringLiteral("39"));

        // Idle, Esc closes and the window goes.
        QTest::keyClick(text5, Qt::Key_Escape);
        QTRY_VERIFY(w.isNull());
        cw.setLineOverride(nullptr);
    }

    void openedFromTheCwSetupWindow()
    {
        TempHome home;
        Run run(home);
        START(run);
        run.ctrl(Qt::Key_C);
        CwSetupWindow& frmCW = run.window->cwKeyer().setupWindow();
        QVERIFY(frmCW.isVisible());
        frmCW.findChild<QPushButton*>(QStringLiteral("cmdCodePractice"))->click();
        QPointer<QWidget> practice = QApplication::activeModalWidget();
        QVERIFY(practice);
        QCOMPARE(practice->objectName(), QStringLiteral("frmCodePractice"));
        QVERIFY(practice->isVisible());
        QCOMPARE(practice->windowModality(), Qt::ApplicationModal);
        QCOMPARE(practice->findChild<QLabel*>(QStringLiteral("Label8"))->text(), QStringLiteral("13"));
        practice->close();
        QTRY_VERIFY(practice.isNull());
    }
};

QTEST_MAIN(TestCodePracticeWindow)

#include "tst_code_practice_window.moc"
