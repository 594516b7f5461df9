// The spotting window on packet radio: a TNC on a pty (settings, the
// handshake on the port, the repeat filter, typed lines and the command
// character, Close Port) and an AGW engine (simulated): the own call,
// connecting to a node with :C, spots, notices, failures.
#include "AgwSimulator.h"
#include "FakeBeeper.h"
#include "FakeDialogs.h"
#include "PtyPair.h"
#include "TempHome.h"
#include "devices/DeviceRegistry.h"
#include "devices/QtSerialLine.h"
#include "spots/AgwLink.h"
#include "spots/TncPort.h"
#include "ui/SpotWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTimer>
#include <QRadioButton>
#include <QTcpServer>
#include <QtTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using namespace zelq;
using namespace zelq::test;

namespace {

struct Spot {
    QString frequency;
    QString call;
};

// A spotting window of its own, on a temporary installation folder.
struct Station {
    TempHome home;
    DeviceRegistry registry;
    FakeDialogs dialogs;
    FakeBeeper beeper;
    QString call = QStringLiteral("W1AW");
    QList<Spot> spots;
    std::unique_ptr<SpotWindow> window;
    QtSerialLine* line = nullptr;

    Station()
    {
        window = std::make_unique<SpotWindow>(home.installDir() + QStringLiteral("/PackSpot.txt"));
        window->dialogs = &dialogs;
        window->beeper = &beeper;
        window->ownCall = [this] { return call; };
        window->AddSpot = [this](const QString& f, const QString& c, const QString&) { spots.append({f, c}); };
        line = new QtSerialLine(registry, home.installDir(), window.get());
        window->setSerialLine(line);
    }
    template <typename T>
    T* child(const char* name) const
    {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    void choose(const QString& source)
    {
        auto* list = child<QListWidget>("List1");
        list->setCurrentItem(list->findItems(source, Qt::MatchExactly).value(0));
    }
    // COM3 is `device`.
    void mapCom3(const QString& device)
    {
        QByteArray ports;
        for (int i = 1; i <= 10; ++i)
            ports += '"' + (i == 3 ? device.toLatin1() : QByteArray("/dev/ttyS") + QByteArray::number(i - 1)) + "\"\r\n";
        home.writeFile(QStringLiteral("zelq/Ports.txt"), ports);
    }
    QString pane() const { return window->paneText(); }
    bool asked(const QString& title) const
    {
        for (const AskedDialog& d : dialogs.asked)
            if (d.title == title)
                return true;
        return false;
    }
};

QByteArray readAvailable(int fd)
{
    QByteArray out;
    char buf[512];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0)
            return out;
        out.append(buf, n);
    }
}

} // namespace

class PacketWindowTest : public QObject {
    Q_OBJECT
private slots:
    void tncOnAPtyFiltersRepeatsAndSendsLinesAndCommandCharacter();
    void tncThatCannotOpenSaysSoAndClosePortWhenClosedDoesNothing();
    void agwConnectsToANodeAndTakesSpots();
    void agwWithoutOwnCallOpensNothingAndRefusedEngineGuides();
    void direwolfRegistersMonitorsAndReportsRetryOut();
};

void PacketWindowTest::tncOnAPtyFiltersRepeatsAndSendsLinesAndCommandCharacter()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    ::fcntl(pty.master(), F_SETFL, ::fcntl(pty.master(), F_GETFL) | O_NONBLOCK);
    Station s;
    s.mapCom3(pty.slavePath());
    s.child<QLineEdit>("txtHex")->setText(QStringLiteral("1B"));
    s.choose(SourceTnc);
    QCOMPARE(s.child<QLineEdit>("txtHex")->text(), QStringLiteral("03"));
    s.child<QRadioButton>("optComm_2")->setChecked(true);
    s.child<QRadioButton>("optBaud48")->setChecked(true);
    s.child<QRadioButton>("Option4")->setChecked(true); // RTS OnOff
    s.child<QRadioButton>("optPowerRTS")->setChecked(true);
    s.child<QPushButton>("Command1")->click();
    QVERIFY2(s.pane().contains("** TNC Serial Port Open **"), qPrintable(s.pane()));
    QVERIFY(s.child<QLabel>("Label4")->isVisibleTo(s.window.get()));

    // RTS OnOff: RTS/CTS and XON/XOFF both on the port's descriptor.
    termios t{};
    QVERIFY(::tcgetattr(s.line->nativeHandle(), &t) == 0);
    QVERIFY(t.c_cflag & CRTSCTS);
    QVERIFY(t.c_iflag & IXON);
    QVERIFY(t.c_iflag & IXOFF);
    QCOMPARE(cfgetospeed(&t), speed_t(B4800));

    const QByteArray spot1 = "DX de K1TTT:     14025.0  W1AW         cq contest                 1234Z";
    const QByteArray spot2 = "DX de K1TTT:      7012.5  DL1ABC       up 2                       1235Z";
    auto send = [&](const QByteArray& b) { QVERIFY(::write(pty.master(), b.constData(), b.size()) == b.size()); };
    // The prompt before the first line end is dropped; a spot split across
    // two frames is taken once; the repeat of a line still in view is not.
    send("cmd:\r\n" + spot1.left(30));
    QTest::qWait(400);
    QVERIFY(s.spots.isEmpty());
    send(spot1.mid(30) + "\r\n" + "W1AW-1>ID: beacon\r\n" + spot1 + "\r\n" + spot2 + "\r\n");
    QTRY_COMPARE(s.spots.size(), 2);
    QCOMPARE(s.spots[0].call, QStringLiteral("W1AW"));
    QCOMPARE(s.spots[1].frequency, QStringLiteral("7012.5"));
    QVERIFY(s.pane().contains("W1AW-1>ID: beacon"));
    QVERIFY(!s.pane().contains("cmd:"));
    QCOMPARE(s.pane().count(QString::fromLatin1(spot1)), 1);

    // Typed line with CR; Esc and Ctrl+C send the command character.
    auto* sent = s.child<QLineEdit>("txtSent");
    QTest::keyClicks(sent, "c dxnode");
    QTest::keyClick(sent, Qt::Key_Return);
    QTest::keyClick(sent, Qt::Key_Escape);
    QTest::keyClick(sent, Qt::Key_C, Qt::ControlModifier);
    QByteArray out;
    QTRY_VERIFY((out += readAvailable(pty.master())).size() >= 11);
    QCOMPARE(out, QByteArray("c dxnode\r\x03\x03"));
    QVERIFY(sent->text().isEmpty());

    s.child<QPushButton>("Command2")->click();
    QVERIFY(s.pane().endsWith("** Port Closed **"));
    QVERIFY(!s.line->isOpen());
    QVERIFY(s.registry.holder(pty.slavePath()).isEmpty());
}

void PacketWindowTest::tncThatCannotOpenSaysSoAndClosePortWhenClosedDoesNothing()
{
    Station s;
    s.mapCom3(s.home.path() + QStringLiteral("/no-such-tty"));
    s.choose(SourceTnc);
    s.child<QRadioButton>("optComm_2")->setChecked(true);
    s.child<QPushButton>("Command1")->click();
    QVERIFY(s.pane().contains("** Unable to open TNC Serial Port **"));
    QVERIFY(s.asked(QStringLiteral("Invalid Comm Settings.")));
    QVERIFY(!s.child<QLabel>("Label4")->isVisibleTo(s.window.get()));
    QVERIFY(!s.window->timer()->isActive());

    const QString before = s.pane();
    s.child<QPushButton>("Command2")->click();
    QCOMPARE(s.pane(), before);
}

void PacketWindowTest::agwConnectsToANodeAndTakesSpots()
{
    AgwSimulator engine(nullptr, 3);
    Station s;
    s.choose(SourceAgw);
    s.child<QLineEdit>("txtAgwPort")->setText(QString::number(engine.port()));
    s.child<QPushButton>("Command1")->click();
    QTRY_VERIFY(s.pane().contains("** Successfully connected to AGW Packet Engine **"));
    QCOMPARE(engine.registeredCall(), QStringLiteral("W1AW"));

    auto* sent = s.child<QLineEdit>("txtSent");
    QTest::keyClick(sent, Qt::Key_Escape); // types ":"
    QTest::keyClicks(sent, "c");
    QTest::keyClick(sent, Qt::Key_Return);
    QVERIFY(s.asked(QStringLiteral("Call sign Required")));
    QTest::keyClicks(sent, ":c k1ttt-5");
    QTest::keyClick(sent, Qt::Key_Return);
    QTRY_COMPARE(s.window->windowTitle(), QStringLiteral("DX Spotting Setup - Connected to K1TTT-5"));
    QVERIFY(s.pane().contains("*** CONNECTED With Station K1TTT-5"));
    QCOMPARE(s.beeper.count, 1);

    engine.sendConnected({"Hello W1AW, this is K1TTT-5 cluster",
                          "DX de K1TTT:     14025.0  W1AW         cq contest                 1234Z"}, 9);
    engine.sendMonitored("DX0BCN", "DX", "DX de DX0BCN:     7005.0  JA1ABC       up 1");
    QTRY_COMPARE(s.spots.size(), 2);
    QCOMPARE(s.spots[1].call, QStringLiteral("JA1ABC"));
    QVERIFY(s.pane().contains("Hello W1AW, this is K1TTT-5 cluster"));

    QTest::keyClicks(sent, "sh/dx");
    QTest::keyClick(sent, Qt::Key_Return);
    QTRY_COMPARE(engine.dataReceived(), QByteArray("sh/dx\r"));

    engine.nodeDisconnects();
    QTRY_VERIFY(s.pane().contains("** Disconnected from K1TTT-5 **"));
    QCOMPARE(s.window->windowTitle(), QStringLiteral("DX Spotting Setup"));
    QCOMPARE(s.beeper.count, 3);

    QTest::keyClicks(sent, ":C K1TTT-5");
    QTest::keyClick(sent, Qt::Key_Return);
    QTRY_COMPARE(s.window->agwLink().connectedStation(), QStringLiteral("K1TTT-5"));
    s.child<QPushButton>("Command2")->click();
    QTRY_VERIFY(engine.kinds().endsWith('d'));
    QVERIFY(!engine.kinds().contains('c'));
    QCOMPARE(s.window->windowTitle(), QStringLiteral("DX Spotting Setup"));
}

void PacketWindowTest::agwWithoutOwnCallOpensNothingAndRefusedEngineGuides()
{
    Station s;
    s.call = QStringLiteral("  ");
    s.choose(SourceAgw);
    s.child<QPushButton>("Command1")->click();
    QVERIFY(s.asked(QStringLiteral("Call Sign Required!")));
    QCOMPARE(s.beeper.count, 1);
    QVERIFY(!s.window->agwLink().isOpen());
    QVERIFY(!s.child<QLabel>("Label4")->isVisibleTo(s.window.get()));

    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();
    s.call = QStringLiteral("W1AW");
    s.child<QLineEdit>("txtAgwPort")->setText(QString::number(port));
    s.child<QPushButton>("Command1")->click();
    QTRY_VERIFY(s.asked(QStringLiteral("Unable to connect to the AGW Packet Engine.")));
    QVERIFY(s.pane().contains("ERROR: Connection is forcefully rejected."));
    QVERIFY(s.pane().contains("- Click Open from this program."));
    QVERIFY(!s.child<QLabel>("Label4")->isVisibleTo(s.window.get()));
    QVERIFY(!s.window->timer()->isActive());
}

void PacketWindowTest::direwolfRegistersMonitorsAndReportsRetryOut()
{
    const QString direwolf = QStandardPaths::findExecutable(QStringLiteral("direwolf"));
    if (direwolf.isEmpty()) {
        if (qEnvironmentVariableIsSet("CI"))
            QFAIL("direwolf is not installed");
        QSKIP("direwolf is not installed");
    }
    quint16 port = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        port = probe.serverPort();
    }
    Station s;
    // No sound card: audio is silence on stdin, nothing is sent anywhere;
    // one retry after a second gives the retry-out notice soon.
    const QString config = s.home.writeFile(QStringLiteral("direwolf.conf"),
        QStringLiteral("ADEVICE stdin null\nARATE 8000\nCHANNEL 0\nMYCALL W1AW\nAGWPORT %1\nKISSPORT 0\n"
                       "FRACK 1\nRETRY 1\n").arg(port).toLatin1());
    QProcess engine;
    engine.setProcessChannelMode(QProcess::MergedChannels);
    engine.start(direwolf, {QStringLiteral("-c"), config, QStringLiteral("-t"), QStringLiteral("0")});
    QVERIFY(engine.waitForStarted());
    QTimer silence;
    QObject::connect(&silence, &QTimer::timeout, [&] { engine.write(QByteArray(1600, '\0')); });
    silence.start(100);
    auto stop = qScopeGuard([&] {
        silence.stop();
        engine.closeWriteChannel();
        engine.terminate();
        if (!engine.waitForFinished(3000))
            engine.kill();
    });
    QTcpSocket probe;
    QTRY_VERIFY_WITH_TIMEOUT((probe.abort(), probe.connectToHost(QStringLiteral("127.0.0.1"), port),
                              probe.waitForConnected(200)), 10000);
    probe.abort();

    s.choose(SourceAgw);
    s.child<QLineEdit>("txtAgwPort")->setText(QString::number(port));
    s.child<QPushButton>("Command1")->click();
    QTRY_VERIFY2(s.pane().contains("** Successfully connected to AGW Packet Engine **"), qPrintable(s.pane()));

    auto* sent = s.child<QLineEdit>("txtSent");
    QTest::keyClicks(sent, ":C N0NODE");
    QTest::keyClick(sent, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(s.pane().contains("*** DISCONNECTED RETRYOUT With N0NODE"), 15000);
    QVERIFY(s.window->agwLink().connectedStation().isEmpty());
    QCOMPARE(s.window->windowTitle(), QStringLiteral("DX Spotting Setup"));
    QVERIFY2(s.window->agwLink().isOpen(), qPrintable(QString::fromLocal8Bit(engine.readAll())));
    s.child<QPushButton>("Command2")->click();
}

QTEST_MAIN(PacketWindowTest)
#include "tst_packet_window.moc"
