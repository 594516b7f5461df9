#include "FreezableProxy.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <vector>

namespace zelq::test {

class ProxyCore : public QObject {
public:
    ProxyCore(const QString& h, quint16 p) : host(h), port(p) {}

    quint16 start()
    {
        server = new QTcpServer(this);
        QObject::connect(server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* client = server->nextPendingConnection()) {
                auto* upstream = new QTcpSocket(this);
                upstream->connectToHost(host, port);
                pairs.push_back({client, upstream, false});
                for (QTcpSocket* s : {client, upstream}) {
                    QObject::connect(s, &QTcpSocket::readyRead, this, [this] { pump(); });
                    QObject::connect(s, &QTcpSocket::disconnected, this, [this] { pump(); });
                }
            }
        });
        server->listen(QHostAddress::LocalHost, 0);
        auto* timer = new QTimer(this);
        QObject::connect(timer, &QTimer::timeout, this, [this] { pump(); });
        timer->start(5);
        return server->serverPort();
    }

    void pump()
    {
        const auto m = mode.load();
        for (Pair& p : pairs) {
            QTcpSocket* client = p.client;
            QTcpSocket* upstream = p.upstream;
            if (!client || !upstream)
                continue;
            if (m != FreezableProxy::Mode::Freeze && upstream->state() == QAbstractSocket::ConnectedState
                && client->bytesAvailable()) {
                const QByteArray request = client->readAll();
                if (m == FreezableProxy::Mode::LoseRepliesAfterInsert
                    && request.contains("insert into tbllog"))
                    p.losing = true;
                upstream->write(request);
            }
            if (m != FreezableProxy::Mode::Freeze && upstream->bytesAvailable()) {
                const QByteArray reply = upstream->readAll();
                if (!p.losing)
                    client->write(reply);
            }
            // A side that went away takes the other with it, once what it
            // sent has been passed on.
            if (m != FreezableProxy::Mode::Freeze
                && (client->state() == QAbstractSocket::UnconnectedState
                    || upstream->state() == QAbstractSocket::UnconnectedState)
                && !client->bytesAvailable() && !upstream->bytesAvailable()) {
                client->disconnectFromHost();
                upstream->disconnectFromHost();
            }
        }
    }

    void dropAll()
    {
        for (Pair& p : pairs) {
            if (p.client)
                p.client->abort();
            if (p.upstream)
                p.upstream->abort();
        }
        pairs.clear();
    }

    std::atomic<FreezableProxy::Mode> mode{FreezableProxy::Mode::Pass};

private:
    QString host;
    quint16 port;
    QTcpServer* server = nullptr;
    struct Pair {
        QPointer<QTcpSocket> client;
        QPointer<QTcpSocket> upstream;
        bool losing = false; // answers from the server are dropped
    };
    std::vector<Pair> pairs;
};

FreezableProxy::FreezableProxy(const QString& host, quint16 port)
{
    thread = new QThread;
    core = new ProxyCore(host, port);
    core->moveToThread(thread);
    thread->start();
    QMetaObject::invokeMethod(core, [this] { listenPort = core->start(); }, Qt::BlockingQueuedConnection);
}

FreezableProxy::~FreezableProxy()
{
    QMetaObject::invokeMethod(core, [this] {
        core->dropAll();
        delete core;
    }, Qt::BlockingQueuedConnection);
    thread->quit();
    thread->wait();
    delete thread;
}

void FreezableProxy::setMode(Mode m)
{
    core->mode = m;
}

void FreezableProxy::dropConnections()
{
    QMetaObject::invokeMethod(core, [this] { core->dropAll(); }, Qt::BlockingQueuedConnection);
}

QString FreezableProxy::relayedAddress(const QString& postgresAddress, quint16 relayPort)
{
    QUrl url(postgresAddress);
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(relayPort);
    return url.toString();
}

} // namespace zelq::test
