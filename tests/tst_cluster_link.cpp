// The Telnet link to a cluster, end to end against the simulated cluster
// on a loopback port: login, lines cut anywhere, negotiation, keep-alive,
// reconnecting after a drop and never after Close Port, error texts.
#include "ClusterSimulator.h"
#include "spots/ClusterLink.h"
#include "spots/SpotLine.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>

using namespace zelq;
using namespace zelq::test;

namespace {

struct Watch {
    QStringList lines;
    QStringList notes;
    explicit Watch(ClusterLink& link)
    {
        QObject::connect(&link, &ClusterLink::lineReceived, [this](const QString& l) { lines << l; });
        QObject::connect(&link, &ClusterLink::note, [this](const QString& n) { notes << n; });
    }
};

} // namespace

class ClusterLinkTest : public QObject {
    Q_OBJECT
private slots:
    void logsInOnceAndRefusesOptions();
    void tenThousandLinesInRandomChunksArriveOnce();
    void dropReconnectsWithGrowingDelayAndClosePortDoesNot();
    void keepAliveSendsCrAfterSilence();
    void errorsAreReportedWithTheirTexts();
    void silentClusterTimesOut();
};

void ClusterLinkTest::logsInOnceAndRefusesOptions()
{
    ClusterSimulator cluster;
    ClusterLink link;
    Watch w(link);
    link.open(QStringLiteral("127.0.0.1"), cluster.port(), QStringLiteral("W1AW-3"));
    QVERIFY(cluster.waitForReceived("W1AW-3\r\n"));
    // WILL ECHO refused with DONT, DO TTYPE with WONT; the SB is skipped.
    QVERIFY(cluster.received().contains(QByteArray("\xff\xfe\x01", 3)));
    QVERIFY(cluster.received().contains(QByteArray("\xff\xfc\x18", 3)));
    QVERIFY(w.lines.contains(QStringLiteral("Hello, this is ZL9SIM DX cluster")));
    QVERIFY(w.notes.contains(QStringLiteral("Please enter your call: W1AW-3")));
    // A second prompt on the same connection is not answered again.
    cluster.sendRaw("\r\nlogin: ");
    QTest::qWait(150);
    QCOMPARE(cluster.received().count("W1AW-3"), 1);
    for (const QString& l : w.lines)
        QVERIFY2(!l.contains(QChar(0xff)) && !l.contains(QChar(0x18)), qPrintable(l));
    QVERIFY(link.sendLine(QStringLiteral("sh/dx")));
    QVERIFY(cluster.waitForReceived("sh/dx\r\n"));
}

void ClusterLinkTest::tenThousandLinesInRandomChunksArriveOnce()
{
    ClusterSimulator cluster(nullptr, 42);
    ClusterLink link;
    Watch w(link);
    link.open(QStringLiteral("127.0.0.1"), cluster.port(), QStringLiteral("W1AW"));
    QVERIFY(cluster.waitForReceived("W1AW\r\n"));
    w.lines.clear();
    QStringList sent;
    for (int i = 0; i < 10000; ++i)
        sent << ClusterSimulator::spotLine(QStringLiteral("K1TTT"), 14000.0 + i % 350,
                                           QStringLiteral("JA%1X%2").arg(i % 10).arg(i), QStringLiteral("cq"));
    cluster.sendLines(sent, 97);
    QTRY_COMPARE_WITH_TIMEOUT(w.lines.size(), sent.size(), 20000);
    QCOMPARE(w.lines, sent);
    int spots = 0;
    for (const QString& l : w.lines)
        if (const auto f = parseSpotLine(l); f && isNumericText(f->frequency))
            ++spots;
    QCOMPARE(spots, 10000);
}

void ClusterLinkTest::dropReconnectsWithGrowingDelayAndClosePortDoesNot()
{
    ClusterSimulator cluster;
    ClusterLink link;
    link.firstRetryMs = 100;
    link.maxRetryMs = 250;
    Watch w(link);
    link.open(QStringLiteral("127.0.0.1"), cluster.port(), QStringLiteral("W1AW"));
    QVERIFY(cluster.waitForReceived("W1AW\r\n"));
    cluster.sendLines({QStringLiteral("last words")});
    cluster.drop();
    QVERIFY(cluster.waitForConnections(2));
    QVERIFY(cluster.waitForReceived("W1AW\r\n")); // logged in again by itself
    QVERIFY(w.lines.contains(QStringLiteral("last words")));
    QVERIFY(w.notes.contains(QStringLiteral("** Connection closed by the cluster **")));
    QVERIFY(w.notes.contains(QStringLiteral("** Reconnecting in 1 s **")));
    QCOMPARE(link.nextRetryMs(), 200);

    // The cluster is down for a while: refused attempts go on, spaced out.
    cluster.stopListening();
    cluster.drop();
    QTRY_VERIFY(w.notes.contains(QStringLiteral("ERROR: Connection is forcefully rejected.")));
    QTRY_COMPARE(link.nextRetryMs(), 250);
    QVERIFY(link.isOpen());
    QVERIFY(cluster.listenAgain());
    QVERIFY(cluster.waitForConnections(3, 3000));
    QTRY_VERIFY(link.isConnected());

    // Close Port: the link stays down.
    link.close();
    QTest::qWait(600);
    QCOMPARE(cluster.connections(), 3);
    QVERIFY(!link.isConnected());
    QVERIFY(!link.sendLine(QStringLiteral("x")));
}

void ClusterLinkTest::keepAliveSendsCrAfterSilence()
{
    ClusterSimulator cluster;
    ClusterLink link;
    link.keepAliveMs = 200;
    link.open(QStringLiteral("127.0.0.1"), cluster.port(), QStringLiteral("W1AW"));
    QVERIFY(cluster.waitForReceived("W1AW\r\n"));
    const qsizetype before = cluster.received().size();
    QTest::qWait(100);
    QCOMPARE(cluster.received().size(), before);
    QTRY_VERIFY_WITH_TIMEOUT(cluster.received().endsWith("W1AW\r\n\r"), 2000);
    QTRY_VERIFY_WITH_TIMEOUT(cluster.received().endsWith("W1AW\r\n\r\r"), 2000);
}

void ClusterLinkTest::errorsAreReportedWithTheirTexts()
{
    QCOMPARE(clusterErrorText(QAbstractSocket::ConnectionRefusedError), QStringLiteral("Connection is forcefully rejected."));
    QCOMPARE(clusterErrorText(QAbstractSocket::HostNotFoundError), QStringLiteral("Authoritative answer: Host not found."));
    QCOMPARE(clusterErrorText(QAbstractSocket::SocketTimeoutError),
             QStringLiteral("Connection is aborted due to timeout or other failure."));
    QCOMPARE(clusterErrorText(QAbstractSocket::NetworkError),
             QStringLiteral("The network cannot be reached from this host at this time."));
    QCOMPARE(clusterErrorText(QAbstractSocket::SocketResourceError), QStringLiteral("No buffer space is available."));
    QCOMPARE(clusterErrorText(QAbstractSocket::ProxyConnectionRefusedError), QStringLiteral("Error number 14"));

    // A refused first connect is reported and not retried.
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 closedPort = probe.serverPort();
    probe.close();
    ClusterLink link;
    link.firstRetryMs = 50;
    Watch w(link);
    QSignalSpy failed(&link, &ClusterLink::openFailed);
    link.open(QStringLiteral("127.0.0.1"), closedPort, QStringLiteral("W1AW"));
    QTRY_COMPARE(failed.size(), 1);
    QCOMPARE(w.notes, QStringList{QStringLiteral("ERROR: Connection is forcefully rejected.")});
    QVERIFY(!link.isOpen());
}

void ClusterLinkTest::silentClusterTimesOut()
{
    // A server that accepts and then says nothing.
    QTcpServer mute;
    QVERIFY(mute.listen(QHostAddress::LocalHost, 0));
    ClusterLink link;
    link.connectTimeoutMs = 200;
    link.firstRetryMs = 60000;
    Watch w(link);
    link.open(QStringLiteral("127.0.0.1"), mute.serverPort(), QStringLiteral("W1AW"));
    QTRY_VERIFY(w.notes.contains(QStringLiteral("ERROR: Connection is aborted due to timeout or other failure.")));
    QVERIFY(link.isOpen()); // it had connected: a retry is due
    QVERIFY(w.notes.contains(QStringLiteral("** Reconnecting in 60 s **")));
    link.close();
}

QTEST_GUILESS_MAIN(ClusterLinkTest)
#include "tst_cluster_link.moc"
