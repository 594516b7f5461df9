#include "ClusterSimulator.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace zelq::test {

namespace {

const QByteArray offers[] = {
    QByteArray("\xff\xfb\x01", 3),             // WILL ECHO
    QByteArray("\xff\xfd\x18", 3),             // DO TERMINAL-TYPE
    QByteArray("\xff\xfa\x18\x01\xff\xf0", 6), // SB TERMINAL-TYPE SEND SE
    QByteArray("\xff\xf1", 2),                 // NOP
};

} // namespace

ClusterSimulator::ClusterSimulator(QObject* parent, quint32 seed) : QObject(parent), random(seed)
{
    server = new QTcpServer(this);
    server->listen(QHostAddress::LocalHost, 0);
    boundPort = server->serverPort();
    connect(server, &QTcpServer::newConnection, this, &ClusterSimulator::onConnection);
}

ClusterSimulator::~ClusterSimulator()
{
    if (client)
        client->abort();
}

quint16 ClusterSimulator::port() const
{
    return boundPort;
}

void ClusterSimulator::stopListening()
{
    server->close();
}

bool ClusterSimulator::listenAgain()
{
    return server->isListening() || server->listen(QHostAddress::LocalHost, boundPort);
}

bool ClusterSimulator::connected() const
{
    return client && client->state() == QAbstractSocket::ConnectedState;
}

void ClusterSimulator::onConnection()
{
    while (QTcpSocket* s = server->nextPendingConnection()) {
        if (client) {
            client->abort();
            client->deleteLater();
        }
        client = s;
        ++connectionCount;
        current.clear();
        connect(s, &QTcpSocket::readyRead, this, [this, s] {
            const QByteArray b = s->readAll();
            if (s == client)
                current += b;
            all += b;
        });
        if (negotiate)
            for (const QByteArray& o : offers)
                s->write(o);
        s->write("Hello, this is ZL9SIM DX cluster\r\n");
        // The prompt in pieces that arrive apart: each its own read.
        for (int i = 0; i < promptPieces.size(); ++i)
            QTimer::singleShot(20 * i, s, [s, piece = promptPieces.at(i)] {
                s->write(piece);
                s->flush();
            });
    }
}

void ClusterSimulator::sendRaw(const QByteArray& bytes)
{
    if (client) {
        client->write(bytes);
        client->flush();
    }
}

void ClusterSimulator::sendLines(const QStringList& lines, int maxChunk)
{
    if (!client)
        return;
    const QByteArray text = lines.join(QStringLiteral("\r\n")).toLatin1() + "\r\n";
    qsizetype at = 0;
    while (at < text.size()) {
        const int n = int(random.bounded(1, maxChunk + 1));
        client->write(text.mid(at, n));
        at += n;
        if (negotiate && random.bounded(8) == 0)
            client->write(offers[random.bounded(4)]);
        if (random.bounded(16) == 0) {
            client->flush();
            QCoreApplication::processEvents();
        }
    }
    client->flush();
}

void ClusterSimulator::drop()
{
    if (client) {
        client->flush();
        client->disconnectFromHost();
        client = nullptr;
    }
}

bool ClusterSimulator::waitForConnections(int n, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (connectionCount < n && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return connectionCount >= n;
}

bool ClusterSimulator::waitForReceived(const QByteArray& text, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!current.contains(text) && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return current.contains(text);
}

QString ClusterSimulator::spotLine(const QString& spotter, double khz, const QString& call, const QString& comment,
                                   const QString& utc)
{
    // "DX de " + spotter + ":" padded to column 15, the frequency right-aligned
    // in 16-24, the call from column 27, the comment from 40, the time at 71.
    QString line = (QStringLiteral("DX de ") + spotter + QLatin1Char(':')).leftJustified(15, QLatin1Char(' '));
    line += QString::number(khz, 'f', 1).rightJustified(9, QLatin1Char(' '));
    line += QStringLiteral("  ");
    line += call.leftJustified(13, QLatin1Char(' '));
    line += comment.leftJustified(31, QLatin1Char(' '), true);
    line += utc;
    return line;
}

} // namespace zelq::test
