#include "devices/TcpLine.h"

namespace zelq {

TcpLine::TcpLine(QObject* parent) : QObject(parent), socket(this), connectTimer(this)
{
    connectTimer.setSingleShot(true);
    connect(&connectTimer, &QTimer::timeout, this, [this] {
        report(QStringLiteral("No connection to %1 within %2 s.")
                   .arg(peer())
                   .arg(connectTimer.interval() / 1000.0));
    });
    connect(&socket, &QTcpSocket::connected, this, [this] {
        connectTimer.stop();
        emit connected();
    });
    connect(&socket, &QTcpSocket::readyRead, this, &TcpLine::readyRead);
    connect(&socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        if (error == QAbstractSocket::RemoteHostClosedError)
            report(QStringLiteral("%1 closed the connection.").arg(peer()));
        else
            report(QStringLiteral("%1: %2").arg(peer(), socket.errorString()));
    });
}

void TcpLine::connectTo(const QString& h, quint16 p, int timeoutMs)
{
    close();
    host = h;
    port = p;
    reported = false;
    ++generation;
    connectTimer.start(timeoutMs);
    socket.connectToHost(host, port);
}

void TcpLine::close()
{
    connectTimer.stop();
    reported = true; // a close asked for is no failure
    ++generation;
    socket.abort();
}

bool TcpLine::isConnected() const
{
    return socket.state() == QAbstractSocket::ConnectedState;
}

bool TcpLine::write(const QByteArray& bytes)
{
    return isConnected() && socket.write(bytes) == bytes.size();
}

QByteArray TcpLine::readAll()
{
    return socket.readAll();
}

void TcpLine::report(const QString& reason)
{
    if (reported)
        return;
    reported = true;
    connectTimer.stop();
    // Aborted from the event loop: the error may come from inside the socket.
    const quint64 current = generation;
    QMetaObject::invokeMethod(
        this,
        [this, reason, current] {
            if (current != generation)
                return;
            socket.abort();
            emit failed(reason);
        },
        Qt::QueuedConnection);
}

} // namespace zelq
