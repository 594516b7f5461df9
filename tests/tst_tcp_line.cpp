// The TCP line against a loopback server: bytes both ways untouched, and
// every way a connection ends reported once as readable text.
#include "devices/TcpLine.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

using namespace zelq;

namespace {

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort(); // closed again when probe goes
}

} // namespace

class TestTcpLine : public QObject {
    Q_OBJECT

private slots:
    void bytesBothWaysAndCloseByThePeer()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        TcpLine line;
        QSignalSpy connected(&line, &TcpLine::connected);
        QSignalSpy failures(&line, &TcpLine::failed);
        line.connectTo(QStringLiteral("127.0.0.1"), server.serverPort(), 2000);
        QTRY_COMPARE_WITH_TIMEOUT(connected.count(), 1, 2000);
        QVERIFY(line.isConnected());
        QTRY_VERIFY_WITH_TIMEOUT(server.hasPendingConnections(), 2000);
        QTcpSocket* peer = server.nextPendingConnection();

        QByteArray all;
        for (int i = 0; i < 256; ++i)
            all.append(char(i));
        QVERIFY(line.write(all));
        QByteArray atPeer;
        QTRY_VERIFY_WITH_TIMEOUT((atPeer += peer->readAll()).size() >= 256, 2000);
        QCOMPARE(atPeer, all);

        peer->write("DX de W1AW: 14025.0 K1ABC\r\n");
        QByteArray atLine;
        QTRY_VERIFY_WITH_TIMEOUT((atLine += line.readAll()).endsWith("\r\n"), 2000);
        QCOMPARE(atLine, QByteArray("DX de W1AW: 14025.0 K1ABC\r\n"));

        peer->close();
        QTRY_COMPARE_WITH_TIMEOUT(failures.count(), 1, 2000);
        QVERIFY(failures.first().first().toString().contains(QStringLiteral("closed the connection")));
        QTest::qWait(50);
        QCOMPARE(failures.count(), 1);
        QVERIFY(!line.isConnected());
        QVERIFY(!line.write("x"));
    }

    void refusedConnectionIsReportedOnce()
    {
        const quint16 port = freePort();
        TcpLine line;
        QSignalSpy failures(&line, &TcpLine::failed);
        line.connectTo(QStringLiteral("127.0.0.1"), port, 2000);
        QTRY_COMPARE_WITH_TIMEOUT(failures.count(), 1, 2000);
        const QString reason = failures.first().first().toString();
        QVERIFY2(reason.startsWith(QStringLiteral("127.0.0.1:%1: ").arg(port)), qPrintable(reason));
        QVERIFY2(reason.contains(QStringLiteral("refused"), Qt::CaseInsensitive), qPrintable(reason));
        QTest::qWait(2100); // the connect timer must not report again
        QCOMPARE(failures.count(), 1);
    }

    void connectThatNeverAnswersTimesOut()
    {
        // A listening socket whose backlog is full leaves further connects
        // unanswered: the time limit has to end the attempt.
        QTcpServer server;
        server.setMaxPendingConnections(1);
        QVERIFY(server.listen(QHostAddress::LocalHost));
        server.pauseAccepting();
        QList<QTcpSocket*> fillers;
        for (int i = 0; i < 64; ++i) {
            auto* s = new QTcpSocket(this);
            s->connectToHost(QHostAddress::LocalHost, server.serverPort());
            fillers << s;
        }
        QTest::qWait(100);

        TcpLine line;
        QSignalSpy failures(&line, &TcpLine::failed);
        QSignalSpy connected(&line, &TcpLine::connected);
        line.connectTo(QStringLiteral("127.0.0.1"), server.serverPort(), 300);
        QTRY_COMPARE_WITH_TIMEOUT(failures.count() + connected.count(), 1, 3000);
        if (connected.count() == 1)
            QSKIP("the kernel accepted the connection regardless of the backlog");
        QVERIFY2(failures.first().first().toString().contains(QStringLiteral("within 0.3 s")),
                 qPrintable(failures.first().first().toString()));
        qDeleteAll(fillers);
    }

    void closeIsNoFailure()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        TcpLine line;
        QSignalSpy failures(&line, &TcpLine::failed);
        line.connectTo(QStringLiteral("127.0.0.1"), server.serverPort(), 2000);
        QTRY_VERIFY_WITH_TIMEOUT(line.isConnected(), 2000);
        line.close();
        QTest::qWait(50);
        QCOMPARE(failures.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestTcpLine)
#include "tst_tcp_line.moc"
