#include "spots/ClusterLink.h"

#include <QTcpSocket>

#include <algorithm>

namespace zelq {

QString clusterErrorText(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError: return QStringLiteral("Connection is forcefully rejected.");
    case QAbstractSocket::HostNotFoundError: return QStringLiteral("Authoritative answer: Host not found.");
    case QAbstractSocket::SocketTimeoutError:
        return QStringLiteral("Connection is aborted due to timeout or other failure.");
    case QAbstractSocket::NetworkError:
        return QStringLiteral("The network cannot be reached from this host at this time.");
    case QAbstractSocket::SocketResourceError: return QStringLiteral("No buffer space is available.");
    default: return QStringLiteral("Error number %1").arg(int(error));
    }
}

ClusterLink::ClusterLink(QObject* parent) : QObject(parent)
{
    for (QTimer* t : {&connectTimer, &retryTimer, &stableTimer})
        t->setSingleShot(true);
    connect(&connectTimer, &QTimer::timeout, this, &ClusterLink::onTimeout);
    connect(&keepAlive, &QTimer::timeout, this, [this] { sendRaw(QByteArrayLiteral("\r")); });
    connect(&retryTimer, &QTimer::timeout, this, [this] {
        emit note(QStringLiteral("Attempting connection to: %1:%2").arg(host).arg(port));
        startConnect();
    });
    connect(&stableTimer, &QTimer::timeout, this, [this] { retryMs = firstRetryMs; });
}

ClusterLink::~ClusterLink()
{
    wanted = false;
    closeSocket();
}

void ClusterLink::open(const QString& h, quint16 p, const QString& loginCall)
{
    close();
    host = h.trimmed();
    port = p;
    login = loginCall.trimmed();
    wanted = true;
    everConnected = false;
    retryMs = firstRetryMs;
    startConnect();
}

void ClusterLink::close()
{
    wanted = false;
    retryTimer.stop();
    closeSocket();
}

bool ClusterLink::isConnected() const
{
    return socket && socket->state() == QAbstractSocket::ConnectedState;
}

bool ClusterLink::sendLine(const QString& text)
{
    if (!isConnected())
        return false;
    // A call typed by hand is the login when the prompt was not recognised.
    loginDone = true;
    sendRaw(text.toLatin1() + QByteArrayLiteral("\r\n"));
    return true;
}

void ClusterLink::sendRaw(const QByteArray& bytes)
{
    if (!isConnected())
        return;
    socket->write(bytes);
    keepAlive.start(keepAliveMs);
}

void ClusterLink::closeSocket()
{
    connectTimer.stop();
    keepAlive.stop();
    stableTimer.stop();
    if (!socket)
        return;
    handled = true;
    QTcpSocket* s = socket;
    socket = nullptr;
    s->disconnect(this);
    s->abort();
    s->deleteLater();
}

void ClusterLink::startConnect()
{
    closeSocket();
    if (!wanted)
        return;
    lines.reset();
    handled = false;
    anyData = false;
    loginDone = false;
    socket = new QTcpSocket(this);
    connect(socket, &QTcpSocket::connected, this, &ClusterLink::onConnected);
    connect(socket, &QTcpSocket::readyRead, this, &ClusterLink::onReadyRead);
    connect(socket, &QTcpSocket::errorOccurred, this, &ClusterLink::onError);
    connect(socket, &QTcpSocket::disconnected, this, [this] {
        if (!handled)
            onError(QAbstractSocket::RemoteHostClosedError);
    });
    connectTimer.start(connectTimeoutMs);
    socket->connectToHost(host, port);
}

void ClusterLink::onConnected()
{
    everConnected = true;
    connectTimer.start(connectTimeoutMs); // now for the first byte
    keepAlive.start(keepAliveMs);
    stableTimer.start(stableMs);
    emit note(QStringLiteral("** Connected to %1:%2 **").arg(host).arg(port));
    emit connected();
}

void ClusterLink::onReadyRead()
{
    if (!socket)
        return;
    const QByteArray bytes = socket->readAll();
    if (bytes.isEmpty())
        return;
    anyData = true;
    connectTimer.stop();
    keepAlive.start(keepAliveMs);
    const TelnetLineAssembler::Output out = lines.feed(bytes);
    if (!out.reply.isEmpty())
        sendRaw(out.reply);
    for (const QString& line : out.lines) {
        emit lineReceived(line);
        if (!socket)
            return; // closed by a receiver
    }
    if (!out.loginPrompt.isEmpty() && !loginDone) {
        loginDone = true;
        if (!login.isEmpty()) {
            emit note(out.loginPrompt.trimmed() + QLatin1Char(' ') + login);
            sendRaw(login.toLatin1() + QByteArrayLiteral("\r\n"));
        }
    }
}

void ClusterLink::onTimeout()
{
    if (!socket)
        return;
    if (isConnected() && anyData)
        return;
    onError(QAbstractSocket::SocketTimeoutError);
}

void ClusterLink::onError(QAbstractSocket::SocketError error)
{
    if (handled || !socket)
        return;
    handled = true;
    if (error == QAbstractSocket::RemoteHostClosedError)
        dropped(QStringLiteral("** Connection closed by the cluster **"));
    else
        dropped(QStringLiteral("ERROR: ") + clusterErrorText(error));
}

void ClusterLink::dropped(const QString& reason)
{
    // Lines already received are handed on before the link goes.
    if (socket && socket->bytesAvailable() > 0)
        onReadyRead();
    closeSocket();
    emit note(reason);
    if (!wanted)
        return;
    if (!everConnected) {
        wanted = false;
        emit openFailed();
        return;
    }
    emit note(QStringLiteral("** Reconnecting in %1 s **").arg((retryMs + 999) / 1000));
    retryTimer.start(retryMs);
    retryMs = std::min(retryMs * 2, maxRetryMs);
}

} // namespace zelq
