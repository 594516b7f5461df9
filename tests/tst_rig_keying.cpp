// Keying through the radio over rigctld: the timing estimate, function-key
// text handed to the radio a word at a time, the speed, Esc against a
// daemon that cannot stop the radio's keyer, the voice keyer's PTT, and
// what the operator is told when the link cannot carry commands. Run
// against Hamlib's rigctld with its dummy radio (PTT by CAT), through a
// relay that keeps the command lines as they went.
#include "FakeBeeper.h"
#include "FakeDialogs.h"
#include "FakeSerialLine.h"
#include "LogWindowRun.h"
#include "TempHome.h"
#include "VoiceFixtures.h"
#include "devices/DeviceRegistry.h"
#include "keying/CwControl.h"
#include "keying/CwMessages.h"
#include "keying/KeyRelease.h"
#include "keying/Morse.h"
#include "keying/PhoneControl.h"
#include "keying/RadioMorseTiming.h"
#include "keying/RigKeyer.h"
#include "keying/RigLinkChannel.h"
#include "log/KeyDispatch.h"
#include "rig/RigCatalogue.h"
#include "rig/RigLink.h"
#include "rig/RigctldClient.h"
#include "rig/RigCatalogue.h"
#include "ui/CwSetupWindow.h"
#include "ui/LogWindowCw.h"
#include "ui/PhoneWindow.h"
#include "ui/RigWindow.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QTcpSocket>
#include <QtTest>

using namespace zelq;
using namespace zelq::test;

namespace {

QElapsedTimer sinceStart;

double msNow()
{
    return double(sinceStart.nsecsElapsed()) / 1e6;
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// rigctld with its dummy radio on a free port; `catPtt` lets "T" key it.
struct Daemon {
    QProcess process;
    quint16 port = 0;
    QTcpSocket direct;

    bool start(bool catPtt = true, const QStringList& extra = {})
    {
        const QString exe = QStandardPaths::findExecutable(QStringLiteral("rigctld"));
        if (exe.isEmpty())
            return false;
        port = freePort();
        QStringList args {QStringLiteral("-m"), QStringLiteral("1"), QStringLiteral("-T"),
                          QStringLiteral("127.0.0.1"), QStringLiteral("-t"), QString::number(port)};
        if (catPtt)
            args << QStringLiteral("-P") << QStringLiteral("RIG");
        args << extra;
        process.start(exe, args);
        if (!process.waitForStarted())
            return false;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 5000) {
            direct.connectToHost(QStringLiteral("127.0.0.1"), port);
            if (direct.waitForConnected(200))
                return true;
            direct.abort();
            QTest::qWait(50);
        }
        return false;
    }
    ~Daemon()
    {
        direct.abort();
        process.terminate();
        process.waitForFinished(3000);
    }
    // One line the daemon answers to `command`, asked beside the program.
    QByteArray ask(const QByteArray& command)
    {
        direct.write(command + '\n');
        QByteArray answer;
        while (!answer.contains('\n') && direct.waitForReadyRead(2000))
            answer += direct.readAll();
        return answer.trimmed();
    }
};

// Passes everything between the program and rigctld and keeps the lines
// the program sent, with when they came (ms since the test started).
class RecordingRelay : public QObject {
public:
    struct Line {
        double atMs;
        QByteArray text;
    };
    QTcpServer server;
    QList<Line> lines;

    explicit RecordingRelay(quint16 daemonPort)
    {
        server.listen(QHostAddress::LocalHost, 0);
        connect(&server, &QTcpServer::newConnection, this, [this, daemonPort] {
            QTcpSocket* in = server.nextPendingConnection();
            auto* out = new QTcpSocket(in);
            out->connectToHost(QStringLiteral("127.0.0.1"), daemonPort);
            auto* partial = new QByteArray;
            connect(in, &QObject::destroyed, [partial] { delete partial; });
            connect(in, &QTcpSocket::readyRead, this, [this, in, out, partial] {
                const QByteArray bytes = in->readAll();
                *partial += bytes;
                qsizetype end;
                while ((end = partial->indexOf('\n')) >= 0) {
                    lines.append({msNow(), partial->left(end)});
                    partial->remove(0, end + 1);
                }
                if (out->state() != QAbstractSocket::ConnectedState)
                    out->waitForConnected(1000);
                out->write(bytes);
            });
            connect(out, &QTcpSocket::readyRead, in, [in, out] { in->write(out->readAll()); });
            connect(in, &QTcpSocket::disconnected, in, &QObject::deleteLater);
        });
    }
    quint16 port() const { return server.serverPort(); }
    // The set commands, without the connection check and the readings.
    QList<QByteArray> commands() const
    {
        QList<QByteArray> out;
        for (const Line& l : lines)
            if (l.text != "\\chk_vfo" && l.text != "f" && l.text != "m" && l.text != "f currVFO"
                && l.text != "m currVFO")
                out << l.text;
        return out;
    }
    double firstAt(const QByteArray& text) const
    {
        for (const Line& l : lines)
            if (l.text == text)
                return l.atMs;
        return -1;
    }
};

// The rig link as the log window has it, polling rigctld at `port`.
struct Rig {
    FakeSerialLine line;
    FakeDialogs dialogs;
    FakeBeeper beeper;
    RigLink link {line, dialogs, beeper};
    RigLinkChannel channel {[this]() -> RigLink& { return link; }};

    explicit Rig(quint16 port, const QString& type = RigTypes::Hamlib)
    {
        link.settings.rigType = type;
        link.settings.hamlibHost = QStringLiteral("127.0.0.1");
        link.settings.hamlibPort = port;
        link.settings.pollRate = QStringLiteral("F");
    }
    bool start()
    {
        link.Test();
        return QTest::qWaitFor([this] { return link.daemon().isConnected(); }, 5000);
    }
};

// The keyer as the log window drives it, with the radio's keyer as the
// Rig method's sender.
struct Keyer {
    DeviceRegistry registry;
    FakeDialogs dialogs;
    FakeBeeper beeper;
    CwControl cw;
    RigKeyer radio;
    QStringList status;
    QString sent;
    QList<double> sentAt;
    int logged = 0;

    Keyer(const QString& folder, RigCommandChannel& channel, const QString& message, int wpm)
        : cw(registry, folder, dialogs, beeper), radio(channel)
    {
        cw.callText = [] { return QStringLiteral("K1ABC"); };
        cw.mode = [] { return QStringLiteral("CW"); };
        cw.showStatus = [this](const QString& t, StatusColour) { status << t; };
        cw.logContact = [this] { ++logged; };
        CwSettings s;
        s.method = KeyingMethod::Rig;
        s.speed = QString::number(wpm);
        s.messages[1] = message; // F2
        cw.applySettings(s);
        cw.setSender(KeyingMethod::Rig, &radio);
        QObject::connect(&cw, &CwControl::characterSent, [this](QChar c, const QString&) {
            sent += c;
            sentAt << msNow();
        });
    }
    void esc()
    {
        KeyStroke k;
        k.ch = KeyStroke::Escape;
        QVERIFY(cw.characterStep(k));
    }
};

} // namespace

class RigKeyingTest : public QObject {
    Q_OBJECT

    TempHome home;

private slots:
    void initTestCase()
    {
        sinceStart.start();
        QVERIFY(QDir().mkpath(home.installDir()));
    }

    void timingEstimate()
    {
        // Signs with the gap after them; a blank finishes the 7-unit word space.
        QCOMPARE(radioUnits(QLatin1Char('E')), 4);
        QCOMPARE(radioUnits(QLatin1Char('0')), 22);
        QCOMPARE(radioUnits(QLatin1Char(' ')), 4);
        QCOMPARE(radioUnits(QLatin1Char('@')), 0);

        RadioPiece p = nextRadioPiece(QStringLiteral("  CQ DE"));
        QCOMPARE(p.blanks, QStringLiteral("  "));
        QCOMPARE(p.word, QStringLiteral("CQ"));
        QCOMPARE(p.length(), 4);
        p = nextRadioPiece(QStringLiteral("W1AW"));
        QCOMPARE(p.blanks, QString());
        QCOMPARE(p.word, QStringLiteral("W1AW"));
        p = nextRadioPiece(QStringLiteral("   "));
        QCOMPARE(p.blanks, QStringLiteral("   "));
        QVERIFY(p.word.isEmpty());

        // 20 WPM: 60 ms a unit. One blank keyed before the word (4 units):
        // the text's own blank is through with it, then T (6) and E (4).
        const RadioPiece te {QStringLiteral(" "), QStringLiteral("TE")};
        QList<double> ends = radioCharacterEnds(te, 1, 1000, 20);
        QCOMPARE(ends, (QList<double> {1240, 1600, 1840}));
        // A sign the radio does not know takes no time.
        ends = radioCharacterEnds({QString(), QStringLiteral("E@")}, 0, 0, 20);
        QCOMPARE(ends, (QList<double> {240, 240}));
        // Blanks alone: nothing goes to the radio, nothing to wait for.
        const RadioPiece blanks {QStringLiteral("  "), QString()};
        QCOMPARE(radioLeadingBlanks(blanks, false, true), 0);
        QCOMPARE(radioCharacterEnds(blanks, 0, 50, 20), (QList<double> {50, 50}));

        // The command: the text as it is, the daemon's blank left out; with
        // the VFO named that blank is the word space.
        const RadioPiece cq {QString(), QStringLiteral("CQ")};
        QCOMPARE(radioCommand(cq, false, false), QByteArray("bCQ"));
        QCOMPARE(radioLeadingBlanks(cq, false, false), 0);
        QCOMPARE(radioCommand(cq, false, true), QByteArray("b CQ")); // the text's end was a blank
        QCOMPARE(radioLeadingBlanks(cq, false, true), 1);
        QCOMPARE(radioCommand(te, false, false), QByteArray("b TE"));
        QCOMPARE(radioCommand(cq, true, false), QByteArray("b CQ"));
        QCOMPARE(radioLeadingBlanks(cq, true, false), 1);
        const RadioPiece twoBlanks {QStringLiteral("  "), QStringLiteral("K")};
        QCOMPARE(radioCommand(twoBlanks, true, false), QByteArray("b K"));
        QCOMPARE(radioLeadingBlanks(twoBlanks, true, false), 1);
        QCOMPARE(radioCommand(twoBlanks, false, false), QByteArray("b  K"));
        QCOMPARE(radioLeadingBlanks(twoBlanks, false, false), 2);

        QCOMPARE(radioText(QStringLiteral("cq de\r\nw1aw\t5nn")), QStringLiteral("CQ DE  W1AW 5NN"));
    }

    void messageGoesToTheRadioWordByWord()
    {
        Daemon d;
        if (!d.start())
            QSKIP("rigctld (libhamlib-utils) is not installed or did not start");
        RecordingRelay relay(d.port);
        Rig rig(relay.port());
        QVERIFY(rig.start());
        Keyer k(home.installDir(), rig.channel, QStringLiteral("cq test de $ k!"), 40);
        QSignalSpy ended(&k.cw, &CwControl::sendingEnded);

        const double start = msNow();
        k.cw.FKeyCW(KeyF1 + 1);
        QCOMPARE(k.logged, 1); // "!": logged before the text goes
        QVERIFY(k.cw.CWSending());
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 10000);
        const double took = msNow() - start;
        QVERIFY(!k.cw.CWSending());

        QCOMPARE(relay.commands(), (QList<QByteArray> {"L KEYSPD 40", "bCQ", "b TEST", "b DE", "b K1ABC", "b K"}));
        QCOMPARE(k.sent, QStringLiteral("CQ TEST DE K1ABC K"));
        QCOMPARE(d.ask("l KEYSPD"), QByteArray("40"));

        // At 40 WPM a unit is 30 ms: "CQ" 30 units, " TEST" 28, " DE" 18,
        // " K1ABC" 70, " K" 16: 162 units, 4860 ms.
        // Never early; late only by what a busy machine holds timers off.
        QVERIFY2(took > 4800 && took < 7500, qPrintable(QString::number(took)));
        // Each word goes shortly before the radio ends the last one: "b TEST"
        // after the C of CQ was keyed, "b K" after the B of K1ABC.
        QVERIFY(relay.firstAt("b TEST") > k.sentAt[0]);
        QVERIFY(relay.firstAt("b TEST") < k.sentAt[1]);
        QVERIFY(relay.firstAt("b K") > k.sentAt[14]);
        QVERIFY(relay.firstAt("b K") < k.sentAt[15]);
        QCOMPARE(k.radio.note(), QString());
    }

    void typedTextAndNamedVfo()
    {
        {
            Daemon d;
            if (!d.start())
                QSKIP("rigctld (libhamlib-utils) is not installed or did not start");
            RecordingRelay relay(d.port);
            Rig rig(relay.port());
            QVERIFY(rig.start());
            Keyer k(home.installDir(), rig.channel, QString(), 40);
            QSignalSpy ended(&k.cw, &CwControl::sendingEnded);
            // Typed text goes as it comes, and the radio keys it as typed.
            for (QChar c : QStringLiteral("CQ K")) {
                k.cw.LoopThroughCWBuffer(QString(c));
                QTest::qWait(60);
            }
            QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 5000);
            QCOMPARE(k.sent, QStringLiteral("CQ K"));
            QCOMPARE(relay.commands(), (QList<QByteArray> {"L KEYSPD 40", "bC", "bQ", "b K"}));
        }
        // A daemon that wants the VFO named keeps the blank after it: each
        // word goes alone and that blank spaces the words.
        Daemon d;
        QVERIFY(d.start(true, {QStringLiteral("-o")}));
        RecordingRelay relay(d.port);
        Rig rig(relay.port());
        QVERIFY(rig.start());
        Keyer k(home.installDir(), rig.channel, QStringLiteral("CQ  DE"), 40);
        QSignalSpy ended(&k.cw, &CwControl::sendingEnded);
        k.cw.FKeyCW(KeyF1 + 1);
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 5000);
        QCOMPARE(k.sent, QStringLiteral("CQ  DE"));
        QCOMPARE(relay.commands(),
                 (QList<QByteArray> {"L currVFO KEYSPD 40", "b currVFO CQ", "b currVFO DE"}));
    }

    void speedKeysGoToTheRadio()
    {
        Daemon d;
        if (!d.start())
            QSKIP("rigctld (libhamlib-utils) is not installed or did not start");
        RecordingRelay relay(d.port);
        Rig rig(relay.port());
        QVERIFY(rig.start());
        Keyer k(home.installDir(), rig.channel, QStringLiteral("E"), 25);
        k.radio.checkLink(); // the method chosen: the radio gets the speed
        QTRY_COMPARE(d.ask("l KEYSPD"), QByteArray("25"));
        k.cw.stepSpeed(+5);
        k.cw.stepSpeed(-1);
        k.cw.stepSpeed(0); // no change: nothing goes
        QTRY_COMPARE(d.ask("l KEYSPD"), QByteArray("29"));
        QTRY_COMPARE(relay.commands(), (QList<QByteArray> {"L KEYSPD 25", "L KEYSPD 30", "L KEYSPD 29"}));
    }

    void escEndsWithTheWordTheRadioHas()
    {
        Daemon d;
        if (!d.start())
            QSKIP("rigctld (libhamlib-utils) is not installed or did not start");
        RecordingRelay relay(d.port);
        Rig rig(relay.port());
        QVERIFY(rig.start());
        Keyer k(home.installDir(), rig.channel, QStringLiteral("TEST TEST TEST TEST"), 30);
        QSignalSpy notes(&k.radio, &RigKeyer::noteChanged);
        QSignalSpy ended(&k.cw, &CwControl::sendingEnded);

        k.cw.FKeyCW(KeyF1 + 1);
        QTRY_VERIFY(!k.sent.isEmpty());
        k.esc();
        QTRY_COMPARE(ended.size(), 1);
        // Only the first word had gone: the radio keys it, nothing more.
        QCOMPARE(k.sent, QStringLiteral("TEST"));
        QCOMPARE(relay.commands(), (QList<QByteArray> {"L KEYSPD 30", "bTEST", "\\stop_morse"}));
        QCOMPARE(k.radio.note(), RigStopRefusedText);
        QCOMPARE(notes.size(), 1);

        // A second Esc: the same answer, said no more.
        k.sent.clear();
        k.cw.FKeyCW(KeyF1 + 1);
        QTRY_VERIFY(!k.sent.isEmpty());
        k.esc();
        QTRY_COMPARE(ended.size(), 2);
        QCOMPARE(k.sent, QStringLiteral("TEST"));
        QCOMPARE(notes.size(), 1);

        // Esc before anything went ends at once, and the entry's own Esc
        // (clear) works again afterwards.
        KeyStroke escape;
        escape.ch = KeyStroke::Escape;
        QVERIFY(!k.cw.characterStep(escape));
    }

    void newMessageDropsOnlyWhatTheRadioHasNot()
    {
        Daemon d;
        if (!d.start())
            QSKIP("rigctld (libhamlib-utils) is not installed or did not start");
        RecordingRelay relay(d.port);
        Rig rig(relay.port());
        QVERIFY(rig.start());
        Keyer k(home.installDir(), rig.channel, QStringLiteral("CQ CQ CQ"), 40);
        QSignalSpy ended(&k.cw, &CwControl::sendingEnded);
        k.cw.FKeyCW(KeyF1 + 1);
        QTRY_VERIFY(relay.commands().contains("bCQ"));
        // Keyboard text: Backspace takes back what the radio does not have.
        k.cw.LoopThroughCWBuffer(QStringLiteral(" DE"));
        QVERIFY(k.radio.removeLast());
        QVERIFY(k.cw.CWBuffer().endsWith(QLatin1String(" D")));
        k.cw.FKeyCW(KeyF1 + 1); // the rest of the first message goes
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 10000);
        QCOMPARE(k.sent, QStringLiteral("CQCQ CQ CQ"));
        QCOMPARE(relay.commands().mid(1), (QList<QByteArray> {"bCQ", "bCQ", "b CQ", "b CQ"}));
    }

    void pttByTheRadio()
    {
        Daemon d;
        if (!d.start())
            QSKIP("rigctld (libhamlib-utils) is not installed or did not start");
        RecordingRelay relay(d.port);
        Rig rig(relay.port());
        QVERIFY(rig.start());
        const QString wave = home.installDir() + QStringLiteral("/f1.wav");
        QFile f(wave);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(toneWave(200));
        f.close();

        DeviceRegistry registry;
        FakeDialogs dialogs;
        FakeBeeper beeper;
        FakePlayer player;
        PhoneControl phone(registry, home.installDir(), dialogs, beeper, player);
        phone.mode = [] { return QStringLiteral("PH"); };
        phone.setRigChannel(&rig.channel);
        PhoneSettings s;
        s.files[0] = wave;
        s.port = QStringLiteral("3"); // no serial port is opened for the radio's PTT
        s.line = PttLine::Rig;
        phone.applySettings(s);
        QCOMPARE(phone.rigNote(), QString());
        QVERIFY(!phone.pttOpen());
        // Kept as its number on the PTT line's line of "wave2.txt".
        QVERIFY(phone.save());
        QCOMPARE(PhoneSettings::load(home.installDir()).line, PttLine::Rig);
        QFile saved(home.installDir() + QStringLiteral("/wave2.txt"));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll().split('\n').value(10), QByteArray("3\r"));

        // Keyed for the message, released at its end.
        phone.FKeyPhone(KeyF1);
        QVERIFY(phone.pttKeyed());
        QTRY_COMPARE(relay.commands(), (QList<QByteArray> {"T 1"}));
        // Asked on a connection of its own: the daemon may not have acted yet.
        QTRY_COMPARE(d.ask("t"), QByteArray("1"));
        player.end();
        QTRY_COMPARE(relay.commands(), (QList<QByteArray> {"T 1", "T 0"}));
        QTRY_COMPARE(d.ask("t"), QByteArray("0"));

        // Esc releases it.
        phone.FKeyPhone(KeyF1);
        QTRY_COMPARE(d.ask("t"), QByteArray("1"));
        KeyStroke escape;
        escape.ch = KeyStroke::Escape;
        QVERIFY(phone.characterStep(escape));
        QTRY_COMPARE(d.ask("t"), QByteArray("0"));

        // An end signal: its handler writes the release on the connection.
        phone.FKeyPhone(KeyF1);
        QTRY_COMPARE(d.ask("t"), QByteArray("1"));
        liftRegisteredKeys(); // what the SIGTERM handler does
        QTRY_COMPARE(d.ask("t"), QByteArray("0"));
        player.end();
        QTRY_COMPARE(relay.commands().count("T 0"), 4);

        // Program end: the link closes only after "T 0" was answered.
        phone.FKeyPhone(KeyF1);
        QTRY_COMPARE(d.ask("t"), QByteArray("1"));
        rig.link.unload();
        QVERIFY(!phone.pttKeyed());
        QVERIFY(!player.isPlaying());
        QCOMPARE(d.ask("t"), QByteArray("0"));
        QCOMPARE(relay.commands().count("T 0"), 5);
        // With the link gone the note says so; nothing hangs.
        phone.FKeyPhone(KeyF1);
        QCOMPARE(phone.rigNote(), RigNoAnswerText);
        phone.characterStep(escape);
    }

    void pttRefusedByTheDaemonIsShown()
    {
        Daemon d;
        if (!d.start(false)) // PTT not by CAT: "T 1" is refused
            QSKIP("rigctld (libhamlib-utils) is not installed or did not start");
        Rig rig(d.port);
        QVERIFY(rig.start());
        DeviceRegistry registry;
        FakeDialogs dialogs;
        FakeBeeper beeper;
        FakePlayer player;
        const QString wave = home.installDir() + QStringLiteral("/f2.wav");
        QFile f(wave);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(toneWave(100));
        f.close();
        PhoneControl phone(registry, home.installDir(), dialogs, beeper, player);
        phone.setRigChannel(&rig.channel);
        QSignalSpy notes(&phone, &PhoneControl::rigNoteChanged);
        PhoneSettings s;
        s.files[0] = wave;
        s.line = PttLine::Rig;
        phone.applySettings(s);
        phone.FKeyPhone(KeyF1);
        QTRY_VERIFY(phone.rigNote().startsWith(QLatin1String("rigctld refused \"T 1\": RPRT -")));
        QVERIFY(dialogs.asked.isEmpty());
        player.end();
        QVERIFY(!phone.pttKeyed());
        // Another line: the note goes.
        s.line = PttLine::Rts;
        phone.applySettings(s);
        QCOMPARE(phone.rigNote(), QString());
        QVERIFY(!notes.isEmpty());
    }

    void otherRigTypeSendsNothing()
    {
        Daemon d;
        if (!d.start())
            QSKIP("rigctld (libhamlib-utils) is not installed or did not start");
        RecordingRelay relay(d.port);
        Rig rig(relay.port(), RigTypes::None);
        Keyer k(home.installDir(), rig.channel, QStringLiteral("CQ"), 30);
        k.cw.FKeyCW(KeyF1 + 1);
        QVERIFY(!k.cw.CWSending());
        QCOMPARE(k.cw.CWBuffer(), QString());
        QCOMPARE(k.radio.note(), RigNotRigctldText);
        QVERIFY(k.dialogs.asked.isEmpty());
        QTest::qWait(200);
        QVERIFY(relay.lines.isEmpty());

        DeviceRegistry registry;
        FakeDialogs dialogs;
        FakeBeeper beeper;
        FakePlayer player;
        PhoneControl phone(registry, home.installDir(), dialogs, beeper, player);
        phone.setRigChannel(&rig.channel);
        // The voice keyer's window: the choice, and the note as plain text.
        PhoneWindow w(phone, dialogs, beeper, home.installDir());
        auto* option = w.findChild<QRadioButton*>(QStringLiteral("Option4"));
        QVERIFY(option);
        QCOMPARE(option->text(), QStringLiteral("Rig (rigctld)"));
        QCOMPARE(option->accessibleName(), QStringLiteral("Rig (rigctld)"));
        auto* note = w.findChild<QLabel*>(QStringLiteral("lblRigNote"));
        QVERIFY(note);
        QVERIFY(!note->isVisibleTo(&w));
        option->click();
        QCOMPARE(phone.settings().line, PttLine::Rig);
        QCOMPARE(phone.rigNote(), RigNotRigctldText);
        QCOMPARE(note->text(), RigNotRigctldText);
        QCOMPARE(note->textFormat(), Qt::PlainText);
        QVERIFY(note->isVisibleTo(&w));
        w.findChild<QRadioButton*>(QStringLiteral("Option2"))->click();
        QVERIFY(!note->isVisibleTo(&w));
    }

    void rigctldNotRunningSaysSoWithoutWaiting()
    {
        Rig rig(freePort());
        rig.link.Test(); // the connection fails in the background
        QTRY_VERIFY(!rig.link.linkProblem().isEmpty());
        Keyer k(home.installDir(), rig.channel, QStringLiteral("CQ CQ"), 30);
        QSignalSpy notes(&k.radio, &RigKeyer::noteChanged);
        QElapsedTimer t;
        t.start();
        k.cw.FKeyCW(KeyF1 + 1);
        k.cw.FKeyCW(KeyF1 + 1);
        QVERIFY(t.elapsed() < 1000); // no wait for the daemon's reply time-out
        QVERIFY(!k.cw.CWSending());
        QCOMPARE(k.radio.note(), RigNoAnswerText);
        QCOMPARE(notes.size(), 1); // said once, not per key
        QVERIFY(k.dialogs.asked.isEmpty());
        rig.link.EndTest();
    }

    void logWindowKeysTheRadio()
    {
        Daemon d;
        if (!d.start())
            QSKIP("rigctld (libhamlib-utils) is not installed or did not start");
        TempHome runHome;
        Run run(runHome);
        START(run);
        run.dialogs.asked.clear(); // start-up's own questions

        // The method chosen while the rig type is "None": the setup window
        // and the status line say why nothing will go.
        CwSetupWindow& setup = run.window->cwKeyer().setupWindow();
        setup.findChild<QRadioButton*>(QStringLiteral("Option6"))->click();
        auto* note = setup.findChild<QLabel*>(QStringLiteral("lblMethodNote"));
        QCOMPARE(note->text(), RigNotRigctldText);
        QCOMPARE(run.status(), RigNotRigctldText);
        run.focusField("txtCall");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F9);
        QVERIFY(!run.window->cwKeyer().control().CWSending());
        QVERIFY(run.dialogs.asked.isEmpty());

        // rigctld polled by the rig window: the note goes, F2 keys the radio.
        RigWindow& rig = run.window->rigWindow();
        rig.findChild<QListWidget*>(QStringLiteral("List1"))->setCurrentRow(int(rigCatalogue().indexOf(RigTypes::Hamlib)));
        auto* portBox = rig.findChild<QLineEdit*>(QStringLiteral("txtHamlibPort"));
        portBox->clear();
        QTest::keyClicks(portBox, QString::number(d.port));
        rig.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        QTRY_COMPARE(note->text(), QString());
        QVERIFY(note->isHidden());
        QTRY_COMPARE(d.ask("l KEYSPD"), QByteArray::number(int(speedOf(run.window->cwKeyer().control().settings().speed))));
        CwControl& cw = run.window->cwKeyer().control();
        CwSettings s = cw.settings();
        s.messages[1] = QStringLiteral("VVV DE");
        cw.applySettings(s);
        run.focusField("txtCall");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
        QVERIFY(cw.CWSending());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QTRY_COMPARE_WITH_TIMEOUT(note->text(), RigStopRefusedText, 3000);
        QTRY_VERIFY_WITH_TIMEOUT(!cw.CWSending(), 5000);
        QVERIFY(run.dialogs.asked.isEmpty());
    }

    void linkLostMidMessageEnds()
    {
        auto d = std::make_unique<Daemon>();
        if (!d->start())
            QSKIP("rigctld (libhamlib-utils) is not installed or did not start");
        Rig rig(d->port);
        QVERIFY(rig.start());
        Keyer k(home.installDir(), rig.channel, QStringLiteral("CQ CQ CQ CQ CQ CQ"), 20);
        QSignalSpy ended(&k.cw, &CwControl::sendingEnded);
        k.cw.FKeyCW(KeyF1 + 1);
        QTRY_VERIFY(!k.sent.isEmpty());
        d.reset(); // the daemon ends
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 5000);
        QCOMPARE(k.radio.note(), RigNoAnswerText);
        QVERIFY(k.sent.size() < 17);
        rig.link.EndTest();
    }
};

QTEST_MAIN(RigKeyingTest)
#include "tst_rig_keying.moc"
