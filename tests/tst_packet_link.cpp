// Packet radio sources: the AGW frame codec and the TNC input rules as
// tables, the AGW link end to end against the simulated engine.
#include "AgwSimulator.h"
#include "FakeSerialLine.h"
#include "spots/AgwFrame.h"
#include "spots/AgwLink.h"
#include "spots/TncInput.h"
#include "spots/TncPort.h"

#include <QTcpServer>
#include <QtTest>

using namespace zelq;
using namespace zelq::test;

namespace {

struct Watch {
    QStringList lines;
    QStringList notes;
    QStringList failures;
    int openedCount = 0;
    explicit Watch(AgwLink& link)
    {
        QObject::connect(&link, &AgwLink::lineReceived, [this](const QString& l) { lines << l; });
        QObject::connect(&link, &AgwLink::note, [this](const QString& n) { notes << n; });
        QObject::connect(&link, &AgwLink::openFailed, [this](const QString& r) { failures << r; });
        QObject::connect(&link, &AgwLink::lost, [this](const QString& r) { failures << r; });
        QObject::connect(&link, &AgwLink::opened, [this] { ++openedCount; });
    }
};

} // namespace

class PacketLinkTest : public QObject {
    Q_OBJECT
private slots:
    void agwHeaderIsLittleEndianWithPaddedCalls();
    void agwReaderJoinsPiecesAndSplitsJoinedFrames();
    void agwReaderStopsOnImpossibleLength();
    void monitorHeaderIsStripped_data();
    void monitorHeaderIsStripped();
    void tncLinesNeedTwoLineEnds_data();
    void tncLinesNeedTwoLineEnds();
    void repeatFilterMatchesWholeRecentLines();
    void commandCharacterFromHex();
    void tncPortPowersItsLineAndComesBackAfterAFailure();
    void registersMonitorsConnectsAndTakesSpotsOnce();
    void retryOutNoticeIsShownAndNothingIsConnected();
    void refusedRegistrationAndRefusedEngineFail();
    void lostEngineIsReported();
};

void PacketLinkTest::agwHeaderIsLittleEndianWithPaddedCalls()
{
    AgwFrame f;
    f.port = 1;
    f.kind = 'D';
    f.pid = 0xF0;
    f.callFrom = "W1AW-12";
    f.callTo = "DXCLUSTER-15"; // longer than a field: cut so a NUL ends it
    f.data = QByteArray(300, 'x');
    const QByteArray b = encodeAgwFrame(f);
    QCOMPARE(b.size(), 36 + 300);
    QCOMPARE(quint8(b[0]), quint8(1));
    QCOMPARE(b[4], 'D');
    QCOMPARE(quint8(b[6]), quint8(0xF0));
    QCOMPARE(b.mid(8, 10), QByteArray("W1AW-12\0\0\0", 10));
    QCOMPARE(b.mid(18, 10), QByteArray("DXCLUSTER\0", 10));
    QCOMPARE(b.mid(28, 4), QByteArray("\x2c\x01\0\0", 4)); // 300
    QCOMPARE(b.mid(32, 4), QByteArray(4, '\0'));

    AgwFrameReader r;
    const QList<AgwFrame> back = r.feed(b);
    QCOMPARE(back.size(), 1);
    QCOMPARE(back[0].callTo, QByteArray("DXCLUSTER"));
    QCOMPARE(back[0].data, f.data);
}

void PacketLinkTest::agwReaderJoinsPiecesAndSplitsJoinedFrames()
{
    QByteArray stream;
    for (int i = 0; i < 50; ++i) {
        AgwFrame f;
        f.kind = i % 2 ? 'D' : 'X';
        f.callFrom = "N0CALL";
        f.data = QByteArray(i, char('a' + i % 26));
        stream += encodeAgwFrame(f);
    }
    for (int piece : {1, 7, 35, 36, 37, 500}) {
        AgwFrameReader r;
        QList<AgwFrame> got;
        for (qsizetype at = 0; at < stream.size(); at += piece)
            got += r.feed(stream.mid(at, piece));
        QCOMPARE(got.size(), 50);
        for (int i = 0; i < 50; ++i)
            QCOMPARE(got[i].data.size(), i);
        QCOMPARE(got[49].kind, 'D');
    }
}

void PacketLinkTest::agwReaderStopsOnImpossibleLength()
{
    QByteArray bad(36, '\0');
    bad[4] = 'D';
    bad[31] = char(0x7f); // about two thousand million bytes announced
    AgwFrameReader r;
    QVERIFY(r.feed(bad + QByteArray(100, 'x')).isEmpty());
    QVERIFY(r.outOfStep());
    AgwFrame ok;
    ok.kind = 'X';
    QVERIFY(r.feed(encodeAgwFrame(ok)).isEmpty()); // nothing until reset
    r.reset();
    QCOMPARE(r.feed(encodeAgwFrame(ok)).size(), 1);
}

void PacketLinkTest::monitorHeaderIsStripped_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("info");
    const QString spot = QStringLiteral("DX de K1TTT:     14025.0  W1AW         cq contest                 1234Z");
    QTest::newRow("UI with path") << QStringLiteral(" 1:Fm K1TTT-5 To DX Via WIDE1-1,WIDE2-1 <UI pid=F0 Len=70 >[12:34:56]\r")
            + spot + QStringLiteral("\r\0") << "K1TTT-5" << "DX" << spot + QStringLiteral("\r");
    QTest::newRow("I frame, no time") << QStringLiteral(" 2:Fm NODE To W1AW <I R0 S3 pid=F0 Len=12 >\rhello there\r")
                                      << "NODE" << "W1AW" << "hello there\r";
    QTest::newRow("no header") << QStringLiteral("DX de K1TTT: 14025.0 W1AW\r") << "" << "" << "";
}

void PacketLinkTest::monitorHeaderIsStripped()
{
    QFETCH(QString, text);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, info);
    const std::optional<MonitorText> m = parseMonitorText(text);
    QCOMPARE(m.has_value(), !from.isEmpty());
    if (!m)
        return;
    QCOMPARE(m->from, from);
    QCOMPARE(m->to, to);
    QCOMPARE(m->info, info);
}

void PacketLinkTest::tncLinesNeedTwoLineEnds_data()
{
    QTest::addColumn<QStringList>("pieces");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("pending");
    QTest::newRow("one LF: nothing yet") << QStringList{"cmd:\nDX de K1TTT: 14025.0 W1AW"} << QStringList{}
                                         << "\nDX de K1TTT: 14025.0 W1AW";
    QTest::newRow("text before the first LF is dropped")
        << QStringList{"garbage\nfirst\nsecond"} << QStringList{"first"} << "\nsecond";
    QTest::newRow("frame ends mid-line") << QStringList{"\r\nDX de K1TTT:  ", "   14025.0 W1AW\r", "\nnext"}
                                         << QStringList{"DX de K1TTT:     14025.0 W1AW"} << "\nnext";
    QTest::newRow("CR alone and CR LF both end a line")
        << QStringList{"\ra\rb\r\nc\n"} << QStringList{"a", "b", "c"} << "\n";
    QTest::newRow("CR LF split between reads is one end")
        << QStringList{"\na\r", "\nb\r"} << QStringList{"a", "b"} << "\n";
    QTest::newRow("no LF at all") << QStringList{"cmd:"} << QStringList{} << "cmd:";
}

void PacketLinkTest::tncLinesNeedTwoLineEnds()
{
    QFETCH(QStringList, pieces);
    QFETCH(QStringList, lines);
    QFETCH(QString, pending);
    TncInputBuffer b;
    QStringList got;
    for (const QString& p : pieces)
        got += b.feed(p);
    QCOMPARE(got, lines);
    QCOMPARE(b.pending(), pending);

    TncInputBuffer flood;
    flood.feed(QString(20000, QLatin1Char('x')));
    QVERIFY(flood.pending().size() <= TncInputBuffer::MaxPending);
}

void PacketLinkTest::repeatFilterMatchesWholeRecentLines()
{
    const QString spot = QStringLiteral("DX de K1TTT:     14025.0  W1AW         cq");
    QVERIFY(shownRecently(spot + "\n", spot));
    QVERIFY(shownRecently("x\n" + spot + "\nmore\n", spot));
    QVERIFY(!shownRecently(spot + "\n" + QString(800, 'y') + "\n", spot)); // too far back
    QVERIFY(!shownRecently("xx " + spot + "\n", spot));                  // only the tail of a line
    QVERIFY(!shownRecently(spot + " more\n", spot));
    QVERIFY(!shownRecently(QString(), spot));
}

void PacketLinkTest::commandCharacterFromHex()
{
    QCOMPARE(commandCharacter("03"), std::optional<char>(char(3)));
    QCOMPARE(commandCharacter(" 1b "), std::optional<char>(char(27)));
    QCOMPARE(commandCharacter("C"), std::optional<char>(char(12)));
    QCOMPARE(commandCharacter(""), std::nullopt);
    QCOMPARE(commandCharacter("3G"), std::nullopt);
    QCOMPARE(commandCharacter("103"), std::nullopt);
}

void PacketLinkTest::tncPortPowersItsLineAndComesBackAfterAFailure()
{
    FakeSerialLine line;
    TncPort tnc(line);
    tnc.retryMs = 50;
    QStringList notes;
    QObject::connect(&tnc, &TncPort::note, [&](const QString& n) { notes << n; });
    SpotSettings s;
    s.baud = "1200";
    s.parity = "E";
    s.dataBits = "7";
    s.stopBits = "2";
    s.comPort = 4;
    s.handshaking = 4;
    s.power = "D";
    QVERIFY(tnc.OpenTncPort(s));
    QCOMPARE(line.opens.last().settingsText, QString("1200,E,7,2"));
    QCOMPARE(line.opens.last().port, 4);
    QCOMPARE(line.opens.last().handshake, Handshake::RtsCtsXonXoff);
    QVERIFY(line.dtr);
    QVERIFY(!line.rts); // lowered on open, only the chosen line is raised

    line.receive("junk\rDX de K1TTT: 14025.0 W1AW");
    QVERIFY(tnc.ReadTncInput().isEmpty());
    line.fail("device gone");
    QVERIFY(notes.last().contains("device gone"));
    line.refuseOpenWith = "No such file or directory";
    QTest::qWait(120);
    QVERIFY(line.opens.size() >= 2); // tried again, still refused
    line.refuseOpenWith.clear();
    QTRY_VERIFY(tnc.isOpen());
    QCOMPARE(notes.last(), QString("** TNC Serial Port Open **"));
    QVERIFY(line.dtr);
    // The half line from before the failure is gone with it.
    line.receive("\rnew line\r");
    QCOMPARE(tnc.ReadTncInput(), QStringList{"new line"});

    tnc.close();
    const qsizetype opens = line.opens.size();
    line.fail("again");
    QTest::qWait(120);
    QCOMPARE(line.opens.size(), opens); // closed by the operator: no retry
    QVERIFY(!tnc.sendLine("x"));
    QVERIFY(!tnc.sendCommandCharacter("03"));
}

void PacketLinkTest::registersMonitorsConnectsAndTakesSpotsOnce()
{
    AgwSimulator engine(nullptr, 7);
    AgwLink link;
    Watch w(link);
    link.AGWStartPoll("127.0.0.1", engine.port(), " w1aw ");
    QTRY_COMPARE(w.openedCount, 1);
    QCOMPARE(engine.registeredCall(), QString("W1AW"));
    QTRY_VERIFY(engine.monitoring());

    QSignalSpy connected(&link, &AgwLink::stationConnected);
    QVERIFY(link.AGWPutData("k1ttt-5", {}, 'C'));
    QTRY_COMPARE(connected.size(), 1);
    QCOMPARE(link.connectedStation(), QString("K1TTT-5"));
    QVERIFY(w.notes.contains("*** CONNECTED With Station K1TTT-5"));
    QVERIFY(!engine.kinds().contains('c'));

    // Spots cut into 17-byte frames: each line comes out once, whole.
    QStringList spots;
    for (int i = 0; i < 40; ++i)
        spots << QStringLiteral("DX de K1TTT:     %1.0  W%2AW         cq contest                 1234Z")
                     .arg(14000 + i).arg(i % 10);
    engine.sendConnected(spots, 17);
    QTRY_COMPARE(w.lines.size(), 40);
    QCOMPARE(w.lines, spots);

    // Monitored: a beacon spot counts; an I frame to this station is the
    // connected data again and is not taken twice.
    engine.sendMonitored("DX0BCN", "DX", "DX de DX0BCN:    7005.0  JA1ABC       up 1");
    engine.sendMonitored("K1TTT-5", "W1AW", spots.first(), 'I');
    QTRY_COMPARE(w.lines.size(), 41);
    QTest::qWait(100);
    QCOMPARE(w.lines.size(), 41);
    QCOMPARE(w.lines.last(), QString("DX de DX0BCN:    7005.0  JA1ABC       up 1"));

    QVERIFY(link.AGWPutData(link.connectedStation(), "sh/dx\r", 'D'));
    QTRY_COMPARE(engine.dataReceived(), QByteArray("sh/dx\r"));

    QSignalSpy gone(&link, &AgwLink::stationDisconnected);
    link.AGWClose();
    QVERIFY(link.connectedStation().isEmpty());
    QTRY_VERIFY(engine.kinds().endsWith('d'));
    QVERIFY(!link.AGWPutData("K1TTT", "x", 'D')); // closed
}

void PacketLinkTest::retryOutNoticeIsShownAndNothingIsConnected()
{
    AgwSimulator engine;
    engine.connectRetryOut = true;
    AgwLink link;
    Watch w(link);
    link.AGWStartPoll("127.0.0.1", engine.port(), "W1AW");
    QTRY_COMPARE(w.openedCount, 1);
    link.AGWPutData("NODE", {}, 'C');
    QTRY_VERIFY(w.notes.contains("*** DISCONNECTED RETRYOUT With NODE"));
    QVERIFY(link.connectedStation().isEmpty());
    QVERIFY(link.isRegistered());
}

void PacketLinkTest::refusedRegistrationAndRefusedEngineFail()
{
    AgwSimulator engine;
    engine.acceptRegistration = false;
    AgwLink link;
    Watch w(link);
    link.AGWStartPoll("127.0.0.1", engine.port(), "W1AW");
    QTRY_COMPARE(w.failures.size(), 1);
    QCOMPARE(w.failures[0], QString("** The AGW packet engine refused to register W1AW **"));
    QVERIFY(!link.isOpen());

    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();
    link.AGWStartPoll("127.0.0.1", port, "W1AW");
    QTRY_COMPARE(w.failures.size(), 2);
    QCOMPARE(w.failures[1], QString("ERROR: Connection is forcefully rejected."));
    QCOMPARE(w.openedCount, 0);
}

void PacketLinkTest::lostEngineIsReported()
{
    AgwSimulator engine;
    AgwLink link;
    Watch w(link);
    QSignalSpy lost(&link, &AgwLink::lost);
    link.AGWStartPoll("127.0.0.1", engine.port(), "W1AW");
    QTRY_COMPARE(w.openedCount, 1);
    link.AGWPutData("NODE", {}, 'C');
    QTRY_COMPARE(link.connectedStation(), QString("NODE"));
    engine.drop();
    QTRY_COMPARE(lost.size(), 1);
    QVERIFY(link.connectedStation().isEmpty());
    QVERIFY(!link.isOpen());
}

QTEST_GUILESS_MAIN(PacketLinkTest)
#include "tst_packet_link.moc"
