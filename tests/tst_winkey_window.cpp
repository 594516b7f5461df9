// " WinKey Setup" against a simulated WinKeyer: the digits-only fields and
// their rules when left (ratio 32 and 67 go to the keyer, 31 and 68 stay
// in the field unsent, a non-number becomes the fallback), the options,
// Open and Close with their status texts, Stop, the test texts, the
// type-ahead field, and Done (or Esc) writing "WK.txt". On the log window:
// a function key goes through the WinKeyer, and its speed pot sets the CW
// speed.
#include "FakeDialogs.h"
#include "LogWindowRun.h"
#include "PtyPair.h"
#include "TempHome.h"
#include "WinKeySimulator.h"
#include "devices/DeviceRegistry.h"
#include "devices/PortMap.h"
#include "keying/CwControl.h"
#include "keying/PhoneControl.h"
#include "keying/CwMessages.h"
#include "keying/WinKeyProtocol.h"
#include "keying/WinKeyer.h"
#include "ui/CwSetupWindow.h"
#include "ui/LogWindowCw.h"
#include "ui/LogWindowPhone.h"
#include "ui/WinKeyWindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace zelq;
using namespace zelq::test;

namespace {

struct Scene {
    TempHome home;
    PtyPair pty;
    WinKeySimulator sim {pty};
    DeviceRegistry registry;
    FakeDialogs dialogs;
    WinKeyer keyer {registry, home.installDir(), dialogs};
    WinKeyWindow window {keyer, dialogs, registry, home.installDir()};

    Scene()
    {
        QDir().mkpath(home.installDir());
        PortMap map;
        map.setDevice(5, pty.slavePath());
        map.save(home.installDir());
        sim.setTimeScale(0.02);
        window.ownCall = [] { return QStringLiteral("K1ZZ"); };
        window.show();
        QApplication::setActiveWindow(&window);
    }
    template <typename T> T* get(const char* name) { return window.findChild<T*>(QLatin1String(name)); }
    QString label(const char* name) { return get<QLabel>(name)->text(); }
    void click(const char* name) { QTest::mouseClick(get<QPushButton>(name), Qt::LeftButton); }
    // Types `text` into a field and leaves it.
    void enter(const char* name, const QString& text)
    {
        QLineEdit* e = get<QLineEdit>(name);
        e->setFocus();
        e->selectAll();
        QTest::keyClicks(e, text);
        get<QLineEdit>("Text1")->setFocus();
    }
    bool open()
    {
        click("cmdOpenWinkey");
        return QTest::qWaitFor([this] { return sim.modeRegister() & wk::SerialEcho; }, 1000);
    }
    QByteArray wire(qsizetype from) const { return sim.received().mid(from); }
};

} // namespace

class TestWinKeyWindow : public QObject {
    Q_OBJECT

private slots:
    void openAndCloseShowTheirStatus()
    {
        Scene s;
        QCOMPARE(s.window.windowTitle(), QStringLiteral(" WinKey Setup"));
        QCOMPARE(s.label("lblOpenStatus"), QStringLiteral("Closed"));
        QCOMPARE(s.label("lblStatusCaption"), QStringLiteral("WinKey Status:"));
        QCOMPARE(s.get<QLineEdit>("txtWKComPort")->text(), QStringLiteral("5"));
        QVERIFY(s.open());
        QCOMPARE(s.label("lblOpenStatus"), QStringLiteral("WK Success!"));
        QCOMPARE(s.label("lblVersion"), QStringLiteral("Version # %1").arg(WinKeySimulator::Version));
        QCOMPARE(QApplication::focusWidget(), s.get<QPushButton>("cmdDone"));
        s.click("cmdOpenWinkey");
        QCOMPARE(s.label("lblOpenStatus"), QStringLiteral("WK Already Open"));
        s.click("cmdCloseWinkey");
        QCOMPARE(s.label("lblOpenStatus"), QStringLiteral("Closed"));
        QCOMPARE(s.label("lblVersion"), QStringLiteral("Version #"));
        QTRY_VERIFY(!s.sim.hostOpen());

        // A keyer that does not answer: the message once, and its result.
        s.sim.setSilent(true);
        s.click("cmdOpenWinkey");
        QCOMPARE(s.label("lblOpenStatus"), QStringLiteral("No Echo Response"));
        QCOMPARE(s.dialogs.messageTitles(), QStringList {WinKeyOpenFailedTitle});
    }

    void fieldsAreCheckedWhenLeft()
    {
        Scene s;
        QVERIFY(s.open());
        auto sentAfter = [&](const char* field, const QString& typed) {
            const qsizetype from = s.sim.received().size();
            s.enter(field, typed);
            QTest::qWait(60);
            return s.wire(from);
        };
        QCOMPARE(sentAfter("txtRatio", QStringLiteral("32")), QByteArray::fromHex("1720"));
        QCOMPARE(sentAfter("txtRatio", QStringLiteral("67")), QByteArray::fromHex("1743"));
        QCOMPARE(sentAfter("txtRatio", QStringLiteral("31")), QByteArray());
        QCOMPARE(s.get<QLineEdit>("txtRatio")->text(), QStringLiteral("31"));
        QCOMPARE(sentAfter("txtRatio", QStringLiteral("68")), QByteArray());
        QCOMPARE(s.sim.ratio(), 67);
        QCOMPARE(sentAfter("txtLeadIn", QStringLiteral("12")), QByteArray::fromHex("040c00"));
        QCOMPARE(sentAfter("txtTail", QStringLiteral("300")), QByteArray::fromHex("040c00"));
        QCOMPARE(s.get<QLineEdit>("txtTail")->text(), QStringLiteral("0"));
        QCOMPARE(sentAfter("txtWKWPM", QStringLiteral("25")), QByteArray::fromHex("0219"));
        QCOMPARE(sentAfter("txtWeight", QStringLiteral("100")), QByteArray());

        // Digits only; a field left empty takes its fallback.
        QCOMPARE(sentAfter("txtWeight", QStringLiteral("4x5")), QByteArray::fromHex("032d"));
        QCOMPARE(s.get<QLineEdit>("txtWeight")->text(), QStringLiteral("45"));
        QLineEdit* ratio = s.get<QLineEdit>("txtRatio");
        const qsizetype from = s.sim.received().size();
        ratio->setFocus();
        ratio->selectAll();
        QTest::keyClick(ratio, Qt::Key_Backspace);
        s.get<QLineEdit>("Text1")->setFocus();
        QTRY_COMPARE(s.wire(from), QByteArray::fromHex("1732"));
        QCOMPARE(s.get<QLineEdit>("txtRatio")->text(), QStringLiteral("50"));

        // Options: stored, and the settings sent again with the echo bit.
        s.get<QRadioButton>("optIambicA")->click();
        QTRY_COMPARE(s.sim.modeRegister(), ModeIambicA | wk::SerialEcho);
        s.get<QRadioButton>("optPTT")->click();
        QTRY_COMPARE(s.sim.pinConfig(), PinPtt);
        QCOMPARE(s.keyer.settings().pinConfig, PinPtt);
    }

    void doneAndEscWriteTheFile()
    {
        Scene s;
        s.enter("txtWKComPort", QStringLiteral("3"));
        s.enter("txtWKWPM", QStringLiteral("22"));
        s.enter("txtLeadIn", QStringLiteral("5"));
        s.get<QRadioButton>("optUltimatic")->click();
        QSignalSpy done(&s.window, &WinKeyWindow::done);
        s.click("cmdDone");
        QVERIFY(!s.window.isVisible());
        QCOMPARE(done.size(), 1);
        QFile f(QDir(s.home.installDir()).filePath(QStringLiteral("WK.txt")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("3\r\n\"22\"\r\n\"50\"\r\n\"5\"\r\n\"0\"\r\n\"50\"\r\n6\r\n32\r\n"));
        f.close();
        QVERIFY(s.dialogs.asked.isEmpty()); // nothing opened the device

        s.window.show();
        QApplication::setActiveWindow(&s.window);
        s.enter("txtTail", QStringLiteral("9"));
        QTest::keyClick(s.get<QLineEdit>("txtTail"), Qt::Key_Escape);
        QVERIFY(!s.window.isVisible());
        QCOMPARE(done.size(), 2);
        QCOMPARE(WinKeySettings::load(s.home.installDir()).tail, QStringLiteral("9"));
    }

    void testButtonsAndTypeAheadSend()
    {
        Scene s;
        s.click("Command3");
        QTRY_COMPARE_WITH_TIMEOUT(s.sim.textSent(), QByteArray("VVV TEST DE K1ZZ"), 5000);
        s.click("Command1");
        const QByteArray abc = "ABCDEFGHIJKLMNOPQRSTUVWXYZ ";
        QTRY_COMPARE_WITH_TIMEOUT(s.sim.textSent(), "VVV TEST DE K1ZZ" + abc + abc + abc, 10000);

        QTest::keyClicks(s.get<QLineEdit>("Text1"), QStringLiteral("cq"));
        QCOMPARE(s.get<QLineEdit>("Text1")->text(), QStringLiteral("CQ"));
        QTRY_VERIFY(s.sim.textSent().endsWith("CQ"));
    }

    void stopClearsTheKeyer()
    {
        Scene s;
        s.sim.setTimeScale(1.0);
        QVERIFY(s.open());
        s.click("Command1");
        QTRY_VERIFY(s.sim.isBusy());
        s.click("cmdStop");
        QCOMPARE(s.keyer.buffer(), QString());
        QTRY_COMPARE(s.sim.clears(), 1);
        QVERIFY(!s.sim.isBusy());
        QCOMPARE(QApplication::focusWidget(), s.get<QPushButton>("cmdDone"));
    }

    void theLogWindowKeysThroughTheWinKeyerAndFollowsItsPot()
    {
        TempHome home;
        Run run(home);
        START(run);
        const qsizetype asked = run.dialogs.asked.size();
        PtyPair pty;
        WinKeySimulator sim(pty);
        sim.setTimeScale(0.02);
        PortMap map;
        map.setDevice(5, pty.slavePath());
        map.save(home.installDir());
        CwSettings cwFile;
        cwFile.method = KeyingMethod::WinKey;
        cwFile.messages[1] = QStringLiteral("$ 5NN #");
        cwFile.speed = QStringLiteral("24");
        QVERIFY(cwFile.save(home.installDir()));
        LogWindowCw& cw = run.window->cwKeyer();
        cw.control().LoadCWSettings();

        TYPE(run, QStringLiteral("w1aw"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
        QTRY_COMPARE(sim.textSent(), QByteArray("W1AW 5NN "));
        QCOMPARE(sim.wpm(), 24);
        QCOMPARE(run.text("txtCall"), QStringLiteral("W1AW"));
        QCOMPARE(run.dialogs.asked.size(), asked);

        sim.turnPot(20);
        QTRY_COMPARE(cw.control().settings().speed, QString::number(wk::MinPotWpm + 20));
        QTRY_COMPARE(sim.wpm(), wk::MinPotWpm + 20);
        QCOMPARE(cw.winKey().settings().speed, QString::number(wk::MinPotWpm + 20));

        // "Configure Winkey" shows the window with the keyer's state.
        emit cw.setupWindow().configureWinKey();
        QVERIFY(cw.winKeyWindow().isVisible());
        QCOMPARE(cw.winKeyWindow().findChild<QLabel*>(QStringLiteral("lblOpenStatus"))->text(),
                 QStringLiteral("WK Success!"));
        QCOMPARE(cw.winKeyWindow().findChild<QLineEdit*>(QStringLiteral("txtWKWPM"))->text(),
                 QString::number(wk::MinPotWpm + 20));
    }

    void theWinKeyerAndTheVoicePttTakeASharedPortFromEachOther()
    {
        TempHome home;
        Run run(home);
        START(run);
        PtyPair pty;
        WinKeySimulator sim(pty);
        sim.setTimeScale(0.02);
        PortMap map;
        map.setDevice(5, pty.slavePath());
        map.save(home.installDir());
        PhoneControl& phone = run.window->voiceKeyer().control();
        PhoneSettings ptt = phone.settings();
        ptt.port = QStringLiteral("5");
        phone.applySettings(ptt);
        QVERIFY(phone.pttOpen());
        CwSettings cwFile;
        cwFile.method = KeyingMethod::WinKey;
        cwFile.messages[0] = QStringLiteral("CQ");
        QVERIFY(cwFile.save(home.installDir()));
        LogWindowCw& cw = run.window->cwKeyer();
        cw.control().LoadCWSettings();
        const qsizetype asked = run.dialogs.asked.size();

        // The WinKeyer opens on the port the PTT held: no refusal.
        cw.control().FKeyCW(KeyF1);
        QTRY_COMPARE(sim.textSent(), QByteArray("CQ"));
        QVERIFY(cw.winKey().isOpen());
        QVERIFY(!phone.pttOpen());
        QCOMPARE(run.dialogs.asked.size(), asked);

        // Opening the PTT again takes the port back.
        phone.PhoneSetup();
        QVERIFY(phone.pttOpen());
        QVERIFY(!cw.winKey().isOpen());
        QCOMPARE(run.dialogs.asked.size(), asked);
    }
};

QTEST_MAIN(TestWinKeyWindow)
#include "tst_winkey_window.moc"
