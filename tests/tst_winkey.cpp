// The WinKeyer: its command bytes and the sorting of what it sends back,
// "WK.txt" and the field rules, and the keyer driven against a simulated
// WinKeyer on a pty: the open and its results, the echo-paced flow that
// never lets more than five characters wait in the keyer, Esc, Backspace,
// the speed pot, a keyer that never echoes a character, unplugging, and a
// function-key message sent through the CW keyer.
#include "FakeBeeper.h"
#include "FakeDialogs.h"
#include "FakeSerialLine.h"
#include "PtyPair.h"
#include "TempHome.h"
#include "WinKeySimulator.h"
#include "devices/DeviceRegistry.h"
#include "devices/PortMap.h"
#include "keying/CwControl.h"
#include "keying/CwMessages.h"
#include "keying/WinKeyProtocol.h"
#include "keying/WinKeyer.h"
#include "log/KeyDispatch.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QtTest>

using namespace zelq;
using namespace zelq::test;

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

// A keyer on port 5 of a fresh installation folder, a simulated WinKeyer
// on the other end.
struct Bench {
    TempHome home;
    PtyPair pty;
    WinKeySimulator sim {pty};
    DeviceRegistry registry;
    FakeDialogs dialogs;
    WinKeyer keyer {registry, home.installDir(), dialogs};

    explicit Bench(double timeScale = 0.02)
    {
        QDir().mkpath(home.installDir());
        PortMap map;
        map.setDevice(5, pty.slavePath());
        map.setDevice(7, QDir(home.installDir()).filePath(QStringLiteral("no-such-device")));
        map.save(home.installDir());
        sim.setTimeScale(timeScale);
    }
    // Opened, and its settings taken by the keyer.
    bool open()
    {
        return keyer.open() == WinKeyer::Success
            && QTest::qWaitFor([this] { return sim.modeRegister() & wk::SerialEcho; }, 1000);
    }
    // The bytes the keyer sent from `from` on.
    QByteArray wire(qsizetype from = 0) const { return sim.received().mid(from); }
};

KeyStroke fKey(int n)
{
    KeyStroke k;
    k.key = Qt::Key_F1 + n - 1;
    return k;
}

} // namespace

class TestWinKey : public QObject {
    Q_OBJECT

private slots:
    void commandBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("nulls") << wk::openNulls() << hex("131313");
        QTest::newRow("echo test") << wk::echoTest() << hex("000455");
        QTest::newRow("host open") << wk::hostOpen() << hex("0002");
        QTest::newRow("host close") << wk::hostClose() << hex("0003");
        QTest::newRow("speed") << wk::speed(18) << hex("0212");
        QTest::newRow("weight") << wk::weight(50) << hex("0332");
        QTest::newRow("lead and tail") << wk::pttLeadTail(3, 7) << hex("040307");
        QTest::newRow("speed pot") << wk::speedPotSetup(10, 30) << hex("050a1e00");
        QTest::newRow("ratio") << wk::ditDahRatio(67) << hex("1743");
        QTest::newRow("pins") << wk::pinConfig(6) << hex("0906");
        QTest::newRow("mode") << wk::modeRegister(16 | wk::SerialEcho) << hex("0e14");
        QTest::newRow("clear") << wk::clearBuffer() << hex("0a");
        QTest::newRow("backspace") << wk::backspace() << hex("08");
        QTest::newRow("status") << wk::requestStatus() << hex("15");
    }
    void commandBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, expected);
        QCOMPARE(bytes.toHex(' '), expected.toHex(' '));
    }

    void receivedBytesAreSorted()
    {
        const QList<wk::Received> r = wk::sortReceived(hex("c4 41 9f c0 c5 80"));
        using K = wk::Received::Kind;
        QCOMPARE(r.size(), 6);
        QCOMPARE(r[0].kind, K::Status);
        QCOMPARE(r[0].value() & wk::StatusBusy, wk::StatusBusy);
        QCOMPARE(r[1].kind, K::Echo);
        QCOMPARE(QChar(r[1].value()), QLatin1Char('A'));
        QCOMPARE(r[2].kind, K::SpeedPot);
        QCOMPARE(int(r[2].value()), 31);
        QCOMPARE(int(r[3].value()), 0);
        QCOMPARE(r[4].value() & wk::StatusXoff, wk::StatusXoff);
        QCOMPARE(r[5].kind, K::SpeedPot);
        QVERIFY(!wk::isSendable(QChar(0x0A)) && !wk::isSendable(QChar(0x7F)) && wk::isSendable(QLatin1Char(' ')));
    }

    void settingsFile()
    {
        TempHome home;
        const QString folder = home.installDir();
        QDir().mkpath(folder);
        const WinKeySettings none = WinKeySettings::load(folder);
        QCOMPARE(none.port, 5);
        QCOMPARE(none.speed, QStringLiteral("18"));
        QCOMPARE(none.pinConfig, PinTone);

        // A file of six lines: the pin configuration and mode keep their defaults.
        home.writeFile(QStringLiteral("zelq/WK.txt"), "3\r\n\"25\"\r\n\"45\"\r\n\"2\"\r\n\"4\"\r\n\"60\"\r\n");
        WinKeySettings six = WinKeySettings::load(folder);
        QCOMPARE(six.port, 3);
        QCOMPARE(six.speed, QStringLiteral("25"));
        QCOMPARE(six.tail, QStringLiteral("4"));
        QCOMPARE(six.ratio, QStringLiteral("60"));
        QCOMPARE(six.pinConfig, 6);
        QCOMPARE(six.keyerMode, 0);

        six.pinConfig = PinPtt;
        six.keyerMode = ModeUltimatic;
        six.weight = QStringLiteral("4\"5"); // a quote would end the value early
        QVERIFY(six.save(folder));
        QFile f(QDir(folder).filePath(QStringLiteral("WK.txt")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("3\r\n\"25\"\r\n\"45\"\r\n\"2\"\r\n\"4\"\r\n\"60\"\r\n5\r\n32\r\n"));
        const WinKeySettings back = WinKeySettings::load(folder);
        QCOMPARE(back.keyerMode, ModeUltimatic);
        QCOMPARE(back.pinConfig, PinPtt);
    }

    void fieldRules_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("sent"); // -1: nothing
        auto row = [](const char* name, WinKeyField f, const char* typed, const char* shown, int sent) {
            QTest::newRow(name) << int(f) << QString::fromLatin1(typed) << QString::fromLatin1(shown) << sent;
        };
        row("ratio 32 sent", WinKeyField::Ratio, "32", "32", 32);
        row("ratio 67 sent", WinKeyField::Ratio, "67", "67", 67);
        row("ratio 31 kept, not sent", WinKeyField::Ratio, "31", "31", -1);
        row("ratio 68 kept, not sent", WinKeyField::Ratio, "68", "68", -1);
        row("ratio not a number", WinKeyField::Ratio, "x", "50", 50);
        row("speed 99", WinKeyField::Speed, "99", "99", 99);
        row("speed 100 not sent", WinKeyField::Speed, "100", "100", -1);
        row("speed empty", WinKeyField::Speed, "", "18", 18);
        row("weight not a number", WinKeyField::Weight, "5a", "50", 50);
        row("lead-in 255", WinKeyField::LeadIn, "255", "255", 255);
        row("lead-in past a byte", WinKeyField::LeadIn, "300", "0", 0);
        row("tail negative", WinKeyField::Tail, "-1", "0", 0);
    }
    void fieldRules()
    {
        QFETCH(int, field);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, sent);
        const FieldCheck c = checkField(WinKeyField(field), typed);
        QCOMPARE(c.text, shown);
        QCOMPARE(c.value ? int(*c.value) : -1, sent);
    }

    void openSetsUpTheKeyer()
    {
        Bench b;
        QCOMPARE(b.keyer.open(), int(WinKeyer::Success));
        QCOMPARE(b.keyer.WinKeyVersion(), int(WinKeySimulator::Version));
        QVERIFY(b.sim.hostOpen());
        QVERIFY(b.wire().startsWith(hex("131313 000455 0002")));
        QTRY_COMPARE(b.sim.modeRegister(), ModeIambicB | wk::SerialEcho);
        QCOMPARE(b.sim.wpm(), 18);
        QCOMPARE(b.sim.pinConfig(), PinTone);
        QCOMPARE(b.sim.ratio(), 50);
        QVERIFY(b.dialogs.asked.isEmpty());

        // Opening again: "WK Already Open", and no settings go out again.
        const qsizetype before = b.sim.received().size();
        QSignalSpy opened(&b.keyer, &WinKeyer::opened);
        QCOMPARE(b.keyer.open(), int(WinKeyer::AlreadyOpen));
        QCOMPARE(opened.at(0).at(0).toInt(), int(WinKeyer::AlreadyOpen));
        QCOMPARE(WinKeyer::resultText(8), QStringLiteral("WK Already Open"));
        QTest::qWait(50);
        QCOMPARE(b.sim.received().size(), before);

        // A keyer setting chosen while open goes out at once, echo bit kept.
        b.keyer.setKeyerMode(ModeBug);
        QTRY_COMPARE(b.sim.modeRegister(), ModeBug | wk::SerialEcho);

        b.keyer.close();
        QTRY_VERIFY(!b.sim.hostOpen());
        QCOMPARE(b.keyer.WinKeyVersion(), 0);
    }

    void failedOpens_data()
    {
        QTest::addColumn<QString>("trouble");
        QTest::addColumn<int>("code");
        QTest::newRow("no answer") << "silent" << int(WinKeyer::NoEchoResponse);
        QTest::newRow("wrong echo") << "wrong" << int(WinKeyer::EchoMismatch);
        QTest::newRow("no device") << "unmapped" << int(WinKeyer::ComOpenFailed);
    }
    void failedOpens()
    {
        QFETCH(QString, trouble);
        QFETCH(int, code);
        Bench b;
        b.sim.setSilent(trouble == QLatin1String("silent"));
        b.sim.setEchoWrong(trouble == QLatin1String("wrong"));
        if (trouble == QLatin1String("unmapped"))
            b.keyer.setPort(7); // a device that is not there
        QElapsedTimer t;
        t.start();
        QCOMPARE(b.keyer.open(), code);
        QVERIFY2(t.elapsed() < 2 * WinKeyer::AnswerTimeoutMs + 300, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(b.keyer.WinKeyVersion(), 0);
        QCOMPARE(b.dialogs.messageTitles(), QStringList {WinKeyOpenFailedTitle});
        QVERIFY(b.dialogs.asked[0].text.startsWith(
            QStringLiteral("Unable to establish connection with WinKey on com port %1.  Please check")
                .arg(trouble == QLatin1String("unmapped") ? 7 : 5)));
        // The port was let go: another part may take it.
        QVERIFY(b.registry.holder(b.pty.slavePath()).isEmpty());
    }

    void aFailedOpenIsToldOncePerAttempt()
    {
        Bench b;
        b.sim.setSilent(true);
        QSignalSpy empty(&b.keyer, &WinKeyer::bufferEmpty);
        for (const char* c : {"T", "E", "S", "T"})
            b.keyer.send(QLatin1String(c)); // keys typed in keyboard CW mode
        QCOMPARE(b.dialogs.asked.size(), 1);
        QVERIFY(!b.keyer.isSending());
        QCOMPARE(b.keyer.buffer(), QString());
        QTest::qWait(WinKeyer::RetryHoldMs + 50);
        b.sim.setSilent(false);
        b.keyer.send(QStringLiteral("E"));
        QCOMPARE(b.dialogs.asked.size(), 1);
        QTRY_COMPARE(b.sim.textSent(), QByteArray("E"));
        QTRY_COMPARE(empty.size(), 1);
    }

    void charactersTrickleOutNeverMoreThanFiveAhead()
    {
        Bench b;
        QSignalSpy sent(&b.keyer, &WinKeyer::characterSent);
        QSignalSpy empty(&b.keyer, &WinKeyer::bufferEmpty);
        const QString text = QStringLiteral("CQ TEST DE W1AW W1AW TEST 5NN 599 73 TU");
        int most = 0;
        connect(&b.keyer, &WinKeyer::characterSent, this, [&] { most = std::max(most, b.keyer.WinKeyStatus()); });
        b.keyer.send(text);
        QVERIFY(b.keyer.isSending());
        QVERIFY(b.keyer.WinKeyStatus() <= WinKeyer::MaxOutstanding);
        QTRY_COMPARE_WITH_TIMEOUT(empty.size(), 1, 10000);
        QCOMPARE(QString::fromLatin1(b.sim.textSent()), text);
        QVERIFY2(b.sim.maxQueued() <= WinKeyer::MaxOutstanding, qPrintable(QString::number(b.sim.maxQueued())));
        QVERIFY(most <= WinKeyer::MaxOutstanding);
        QCOMPARE(sent.size(), text.size());
        QCOMPARE(sent.last().at(0).value<QChar>(), QLatin1Char('U'));
        QCOMPARE(sent.last().at(1).toString(), QString());
        QCOMPARE(sent.at(0).at(1).toString(), text.mid(1));
        QVERIFY(!b.keyer.isSending());
        QCOMPARE(b.keyer.WinKeyStatus(), 0);
    }

    void aBusyKeyerHoldsCharactersBack()
    {
        Bench b(1.0); // real time: 18 WPM
        QVERIFY(b.open());
        const qsizetype start = b.sim.received().size();
        b.keyer.send(QStringLiteral("PARIS PARIS PARIS"));
        QTest::qWait(300);
        // "P" is being sent, the keyer is busy: four more wait in it, the
        // rest here.
        QVERIFY(b.sim.isBusy());
        QCOMPARE(b.keyer.WinKeyStatus(), WinKeyer::MaxOutstanding);
        QCOMPARE(b.wire(start), QByteArray("PARIS"));
        QCOMPARE(b.keyer.buffer(), QStringLiteral("ARIS PARIS PARIS"));
        QTRY_COMPARE_WITH_TIMEOUT(b.wire(start), QByteArray("PARIS "), 2000);
        b.keyer.clearBuffer();
    }

    void escClearsTheKeyersBufferAtOnce()
    {
        Bench b(1.0);
        QVERIFY(b.open());
        QSignalSpy empty(&b.keyer, &WinKeyer::bufferEmpty);
        b.keyer.send(QStringLiteral("TEST TEST TEST"));
        QTRY_VERIFY(b.sim.isBusy());
        const qsizetype start = b.sim.received().size();
        b.keyer.clearBuffer();
        QCOMPARE(b.keyer.buffer(), QString());
        QTRY_COMPARE_WITH_TIMEOUT(b.wire(start), hex("0a"), 100);
        QVERIFY(!b.sim.isBusy());
        QTRY_COMPARE(empty.size(), 1);
        QVERIFY(!b.keyer.isSending());
        QTest::qWait(200);
        QCOMPARE(b.wire(start), hex("0a"));
        QCOMPARE(b.sim.textSent(), QByteArray("T"));
    }

    void backspaceTakesBackTheLastCharacter()
    {
        Bench b(1.0);
        QVERIFY(b.open());
        b.keyer.send(QStringLiteral("TESTS"));
        b.keyer.send(QStringLiteral("XY"));
        // Still here: taken back without a word to the keyer.
        QVERIFY(b.keyer.removeLast());
        QCOMPARE(b.keyer.buffer(), QStringLiteral("TESTSX"));
        QVERIFY(b.keyer.removeLast());
        QTRY_VERIFY(b.sim.isBusy());
        const qsizetype start = b.sim.received().size();
        // Already in the keyer: code 8 takes it back there.
        QVERIFY(b.keyer.removeLast());
        QTRY_COMPARE(b.wire(start), hex("08"));
        QTRY_COMPARE(b.sim.backspaces(), 1);
        QCOMPARE(b.keyer.buffer(), QStringLiteral("EST"));
        QTRY_COMPARE_WITH_TIMEOUT(b.sim.textSent(), QByteArray("TEST"), 5000);
    }

    void controlCharactersNeverReachTheKeyer()
    {
        Bench b;
        QSignalSpy empty(&b.keyer, &WinKeyer::bufferEmpty);
        b.keyer.send(QStringLiteral("a\x02") + QChar(0x0A) + QStringLiteral("b") + QChar(0x100));
        QTRY_COMPARE(empty.size(), 1);
        QCOMPARE(b.sim.textReceived(), QByteArray("AB"));
        QCOMPARE(b.sim.wpm(), 18);
        QCOMPARE(b.sim.clears(), 0);
    }

    void characterNeverEchoedDoesNotStick()
    {
        Bench b;
        b.sim.setUnechoed(QStringLiteral("%"));
        QSignalSpy empty(&b.keyer, &WinKeyer::bufferEmpty);
        b.keyer.send(QStringLiteral("A%B%"));
        QTRY_COMPARE(empty.size(), 1);
        QCOMPARE(b.keyer.WinKeyStatus(), 0);
        QCOMPARE(b.sim.textSent(), QByteArray("AB"));
        // The next message goes out as usual.
        b.keyer.send(QStringLiteral("EE"));
        QTRY_COMPARE(empty.size(), 2);
        QCOMPARE(b.sim.textSent(), QByteArray("ABEE"));
    }

    void aKeyerThatFallsQuietIsAskedForItsStatus()
    {
        TempHome home;
        DeviceRegistry registry;
        FakeDialogs dialogs;
        FakeSerialLine line;
        WinKeyer keyer(registry, home.installDir(), dialogs);
        keyer.setLineOverride(&line);
        // The answers to the echo test and the host open, while it waits.
        QTimer::singleShot(20, &line, [&] { line.receive("U"); });
        QTimer::singleShot(60, &line, [&] { line.receive(QByteArray(1, 31)); });
        QCOMPARE(keyer.open(), int(WinKeyer::Success));
        QCOMPARE(keyer.WinKeyVersion(), 31);
        QSignalSpy empty(&keyer, &WinKeyer::bufferEmpty);
        keyer.send(QStringLiteral("A"));
        line.receive(hex("c4") + "A"); // busy, then the echo; the idle byte is lost
        line.written.clear();
        QCOMPARE(keyer.WinKeyStatus(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(line.written, wk::requestStatus(), WinKeyer::QuietMs + 500);
        line.receive(hex("c0"));
        QTRY_COMPARE(empty.size(), 1);
        QCOMPARE(keyer.WinKeyStatus(), 0);
        QVERIFY(!keyer.isSending());
    }

    void speedFollowsThePotAndTheSpeedKeys()
    {
        Bench b;
        QVERIFY(b.open());
        QSignalSpy pot(&b.keyer, &WinKeyer::speedFromPot);
        b.sim.turnPot(15);
        QTRY_COMPARE(pot.size(), 1);
        QCOMPARE(pot.at(0).at(0).toInt(), wk::MinPotWpm + 15);

        b.keyer.setWpm(30);
        QTRY_COMPARE(b.sim.wpm(), 30);
        QCOMPARE(b.keyer.settings().speed, QStringLiteral("30"));
        const qsizetype start = b.sim.received().size();
        b.keyer.setWpm(4);
        b.keyer.setWpm(100);
        QTest::qWait(50);
        QCOMPARE(b.wire(start), QByteArray());
    }

    void unplugIsToldOnceAndTheNextSendOpensAgain()
    {
        Bench b;
        QVERIFY(b.open());
        QSignalSpy closed(&b.keyer, &WinKeyer::closed);
        QSignalSpy empty(&b.keyer, &WinKeyer::bufferEmpty);
        b.keyer.send(QStringLiteral("TEST TEST TEST TEST"));
        b.sim.unplug();
        QTRY_COMPARE(closed.size(), 1);
        QVERIFY(!closed.at(0).at(0).toString().isEmpty());
        QCOMPARE(b.keyer.WinKeyVersion(), 0);
        QTRY_COMPARE(empty.size(), 1);
        QVERIFY(!b.keyer.isSending());
        QTest::qWait(100);
        QCOMPARE(closed.size(), 1);
        QVERIFY(b.dialogs.asked.isEmpty());

        // Plugged in again (a new device behind port 5): the next send opens it.
        PtyPair again;
        WinKeySimulator sim2(again);
        sim2.setTimeScale(0.02);
        PortMap map;
        map.setDevice(5, again.slavePath());
        map.save(b.home.installDir());
        b.keyer.send(QStringLiteral("EE"));
        QCOMPARE(b.keyer.WinKeyVersion(), int(WinKeySimulator::Version));
        QTRY_COMPARE(sim2.textSent(), QByteArray("EE"));
        QVERIFY(b.dialogs.asked.isEmpty());
    }

    void aMessageThroughTheCwKeyerReachesTheKeyerInOrder()
    {
        Bench b;
        CwSettings s;
        s.method = KeyingMethod::WinKey;
        s.messages[1] = QStringLiteral("$ 5NN #");
        s.speed = QStringLiteral("28");
        QVERIFY(s.save(b.home.installDir()));
        FakeBeeper beeper;
        CwControl cw(b.registry, b.home.installDir(), b.dialogs, beeper);
        cw.callText = [] { return QStringLiteral("W1AW"); };
        cw.mode = [] { return QStringLiteral("CW"); };
        cw.LoadCWSettings();
        cw.setSender(KeyingMethod::WinKey, &b.keyer);
        QSignalSpy ended(&cw, &CwControl::sendingEnded);
        QVERIFY(cw.keyDownStep(fKey(2)));
        QTRY_COMPARE(ended.size(), 1);
        QVERIFY(b.dialogs.asked.isEmpty());
        QCOMPARE(b.sim.wpm(), 28);
        // Only the text goes after the setup, in order, never five ahead.
        const QByteArray wire = b.sim.received();
        const qsizetype at = wire.indexOf("W1AW");
        QVERIFY(at > 0);
        QCOMPARE(wire.mid(at), QByteArray("W1AW 5NN "));
        QCOMPARE(b.sim.textSent(), QByteArray("W1AW 5NN "));
        QVERIFY(b.sim.maxQueued() <= WinKeyer::MaxOutstanding);

        // Esc while it sends: the keyer's buffer is cleared at once.
        b.sim.setTimeScale(1.0);
        QVERIFY(cw.keyDownStep(fKey(2)));
        QTRY_VERIFY(b.sim.isBusy());
        KeyStroke esc;
        esc.key = Qt::Key_Escape;
        esc.ch = KeyStroke::Escape;
        const qsizetype before = b.sim.received().size();
        QVERIFY(cw.characterStep(esc));
        QTRY_COMPARE_WITH_TIMEOUT(b.wire(before), hex("0a"), 100);
        QTRY_COMPARE(ended.size(), 2);
    }

    void aFakeLineThatRefusesGivesComOpenFailed()
    {
        TempHome home;
        DeviceRegistry registry;
        FakeDialogs dialogs;
        FakeSerialLine line;
        line.refuseOpenWith = QStringLiteral("/dev/ttyUSB0 is in use by rig interface.");
        WinKeyer keyer(registry, home.installDir(), dialogs);
        keyer.setLineOverride(&line);
        int before = 0;
        keyer.beforeOpen = [&] { ++before; };
        QCOMPARE(keyer.open(), int(WinKeyer::ComOpenFailed));
        QCOMPARE(before, 1);
        QCOMPARE(line.opens.at(0).settings->baud, 1200);
        QCOMPARE(line.opens.at(0).settings->stopBits, 2);
        QVERIFY(dialogs.asked.at(0).text.endsWith(line.refuseOpenWith));
        // Settings are never written to a closed port.
        QCOMPARE(line.written, QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestWinKey)
#include "tst_winkey.moc"
