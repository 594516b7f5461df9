#include "spots/AgwLink.h"

#include "spots/ClusterLink.h"

#include <QTcpSocket>

namespace zelq {

namespace {

QString noticeText(const QByteArray& data)
{
    QString t = QString::fromLatin1(data);
    t.remove(QChar(0));
    return t.trimmed();
}

} // namespace

AgwLink::AgwLink(QObject* parent) : QObject(parent)
{
    answerTimer.setSingleShot(true);
    connect(&answerTimer, &QTimer::timeout, this, [this] {
        if (!registered)
            fail(QStringLiteral("ERROR: ") + clusterErrorText(QAbstractSocket::SocketTimeoutError));
    });
}

AgwLink::~AgwLink()
{
    closeSocket();
}

bool AgwLink::isOpen() const
{
    return socket && socket->state() == QAbstractSocket::ConnectedState;
}

void AgwLink::AGWStartPoll(const QString& host, quint16 port, const QString& ownCall)
{
    AGWClose();
    own = ownCall.trimmed().toUpper();
    handled = false;
    reader.reset();
    streams.clear();
    socket = new QTcpSocket(this);
    connect(socket, &QTcpSocket::connected, this, [this] {
        AgwFrame x;
        x.kind = 'X';
        x.callFrom = own.toLatin1();
        send(x);
    });
    connect(socket, &QTcpSocket::readyRead, this, &AgwLink::onReadyRead);
    connect(socket, &QTcpSocket::errorOccurred, this, &AgwLink::onError);
    connect(socket, &QTcpSocket::disconnected, this, [this] {
        if (!handled)
            onError(QAbstractSocket::RemoteHostClosedError);
    });
    answerTimer.start(answerTimeoutMs);
    socket->connectToHost(host.trimmed(), port);
}

bool AgwLink::AGWPutData(const QString& call, const QByteArray& data, char kind)
{
    if (!isOpen() || !registered)
        return false;
    AgwFrame f;
    f.kind = kind;
    f.pid = kind == 'D' ? 0xF0 : 0;
    f.callFrom = own.toLatin1();
    f.callTo = call.trimmed().toUpper().toLatin1();
    f.data = data;
    send(f);
    return true;
}

void AgwLink::AGWClose()
{
    if (isOpen() && registered && !station.isEmpty())
        AGWPutData(station, {}, 'd');
    if (socket && isOpen())
        socket->flush();
    station.clear();
    closeSocket();
}

void AgwLink::closeSocket()
{
    answerTimer.stop();
    registered = false;
    if (!socket)
        return;
    handled = true;
    QTcpSocket* s = socket;
    socket = nullptr;
    s->disconnect(this);
    if (s->state() == QAbstractSocket::ConnectedState)
        s->disconnectFromHost(); // lets the last frames go out
    else
        s->abort();
    s->deleteLater();
}

void AgwLink::send(const AgwFrame& frame)
{
    if (socket)
        socket->write(encodeAgwFrame(frame));
}

void AgwLink::onReadyRead()
{
    if (!socket)
        return;
    const QList<AgwFrame> frames = reader.feed(socket->readAll());
    for (const AgwFrame& f : frames) {
        AGWGetData(f);
        if (!socket)
            return; // closed by a receiver
    }
    if (reader.outOfStep())
        fail(QStringLiteral("ERROR: The AGW packet engine sent a frame that cannot be read."));
}

void AgwLink::AGWGetData(const AgwFrame& f)
{
    const QString from = QString::fromLatin1(f.callFrom).toUpper();
    switch (f.kind) {
    case 'X':
        if (registered)
            return;
        answerTimer.stop();
        if (!f.data.isEmpty() && f.data[0] == char(1)) {
            registered = true;
            // Monitoring on: spots sent as beacons or to other users count too.
            AgwFrame m;
            m.kind = 'm';
            send(m);
            emit opened();
        } else {
            fail(QStringLiteral("** The AGW packet engine refused to register %1 **").arg(own));
        }
        return;
    case 'C':
        emit note(noticeText(f.data));
        if (station.isEmpty()) {
            station = from;
            emit stationConnected(station);
        }
        return;
    case 'd': {
        emit note(noticeText(f.data));
        streams.remove(QStringLiteral("D:") + from);
        if (!station.isEmpty() && from.compare(station, Qt::CaseInsensitive) == 0) {
            const QString was = station;
            station.clear();
            emit stationDisconnected(was);
        }
        return;
    }
    case 'D':
        takeText(QStringLiteral("D:") + from, f.data);
        return;
    case 'U':
    case 'I': {
        const std::optional<MonitorText> m = parseMonitorText(QString::fromLatin1(f.data));
        if (!m)
            return;
        // Frames to this station arrive as connected data as well.
        if (f.kind == 'I' && m->to.compare(own, Qt::CaseInsensitive) == 0)
            return;
        takeText(QStringLiteral("M:") + m->from.toUpper(), m->info.toLatin1());
        return;
    }
    default:
        return; // T (own frames), S, R, G, y and others carry no spots
    }
}

void AgwLink::takeText(const QString& stream, const QByteArray& data)
{
    QByteArray bytes = data;
    bytes.replace('\0', QByteArray());
    const TelnetLineAssembler::Output out = streams[stream].feed(bytes);
    for (const QString& line : out.lines) {
        if (line.trimmed().isEmpty())
            continue;
        emit lineReceived(line);
        if (!socket)
            return;
    }
}

void AgwLink::onError(QAbstractSocket::SocketError error)
{
    if (handled || !socket)
        return;
    if (error == QAbstractSocket::RemoteHostClosedError)
        fail(QStringLiteral("** Connection closed by the AGW packet engine **"));
    else
        fail(QStringLiteral("ERROR: ") + clusterErrorText(error));
}

void AgwLink::fail(const QString& reason)
{
    const bool wasOpen = registered;
    station.clear();
    closeSocket();
    emit note(reason);
    if (wasOpen)
        emit lost(reason);
    else
        emit openFailed(reason);
}

} // namespace zelq
