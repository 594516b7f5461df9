#include "AgwSimulator.h"


#include <QDeadlineTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

namespace zelq::test {

// The simulator reads and writes frames by itself, apart from the
// program's codec, so a fault in that codec shows.
namespace {

constexpr int HeaderSize = 36;

QByteArray callField(const QString& call)
{
    QByteArray c = call.toLatin1().left(9);
    c.resize(10, '\0');
    return c;
}

QByteArray fieldCall(const QByteArray& header, int at)
{
    QByteArray c = header.mid(at, 10);
    const int nul = c.indexOf('\0');
    return nul >= 0 ? c.left(nul) : c;
}

} // namespace

AgwSimulator::AgwSimulator(QObject* parent, quint32 seed) : QObject(parent), random(seed)
{
    server = new QTcpServer(this);
    server->listen(QHostAddress::LocalHost, 0);
    connect(server, &QTcpServer::newConnection, this, &AgwSimulator::onConnection);
}

AgwSimulator::~AgwSimulator() = default;

quint16 AgwSimulator::port() const
{
    return server->serverPort();
}

void AgwSimulator::onConnection()
{
    while (QTcpSocket* s = server->nextPendingConnection()) {
        if (client)
            client->deleteLater();
        client = s;
        inbox.clear();
        registered.clear();
        node.clear();
        monitorOn = false;
        connect(s, &QTcpSocket::readyRead, this, &AgwSimulator::onReadyRead);
    }
}

void AgwSimulator::onReadyRead()
{
    auto* s = qobject_cast<QTcpSocket*>(sender());
    if (!s || s != client)
        return;
    inbox += s->readAll();
    while (inbox.size() >= HeaderSize) {
        const quint32 n = quint32(quint8(inbox[28])) | quint32(quint8(inbox[29])) << 8
            | quint32(quint8(inbox[30])) << 16 | quint32(quint8(inbox[31])) << 24;
        if (inbox.size() < HeaderSize + qsizetype(n))
            break;
        Frame f;
        f.kind = inbox[4];
        f.from = QString::fromLatin1(fieldCall(inbox, 8));
        f.to = QString::fromLatin1(fieldCall(inbox, 18));
        f.data = inbox.mid(HeaderSize, n);
        inbox.remove(0, HeaderSize + n);
        handle(f);
    }
}

void AgwSimulator::handle(const Frame& f)
{
    kindLog.append(f.kind);
    const QString& from = f.from;
    const QString& to = f.to;
    switch (f.kind) {
    case 'X':
        if (acceptRegistration)
            registered = from;
        sendFrame('X', from, QString(), QByteArray(1, acceptRegistration ? char(1) : char(0)));
        break;
    case 'm':
        monitorOn = !monitorOn;
        break;
    case 'C':
        if (connectRetryOut) {
            sendFrame('d', to, from, QStringLiteral("*** DISCONNECTED RETRYOUT With %1\r").arg(to).toLatin1());
        } else {
            node = to;
            sendFrame('C', to, from, QStringLiteral("*** CONNECTED With Station %1\r").arg(to).toLatin1());
        }
        break;
    case 'D':
        data += f.data;
        break;
    case 'd':
        if (!node.isEmpty()) {
            sendFrame('d', node, registered,
                      QStringLiteral("*** DISCONNECTED From Station %1\r").arg(node).toLatin1());
            node.clear();
        }
        break;
    default: break;
    }
    flush();
}

void AgwSimulator::sendFrame(char kind, const QString& from, const QString& to, const QByteArray& bytes, quint8 pid)
{
    QByteArray header(HeaderSize, '\0');
    header[4] = kind;
    header[6] = char(pid);
    header.replace(8, 10, callField(from));
    header.replace(18, 10, callField(to));
    const quint32 n = quint32(bytes.size());
    for (int i = 0; i < 4; ++i)
        header[28 + i] = char((n >> (8 * i)) & 0xff);
    outbox += header + bytes;
}

void AgwSimulator::flush()
{
    if (!client || outbox.isEmpty())
        return;
    // Random pieces: a header can be cut anywhere, frames can be joined.
    while (!outbox.isEmpty()) {
        const int n = std::min<int>(int(outbox.size()), 1 + int(random.bounded(60)));
        client->write(outbox.left(n));
        client->flush();
        outbox.remove(0, n);
    }
}

void AgwSimulator::sendConnected(const QStringList& lines, int frameSize)
{
    QByteArray text;
    for (const QString& l : lines)
        text += l.toLatin1() + '\r';
    for (qsizetype at = 0; at < text.size(); at += frameSize)
        sendFrame('D', node, registered, text.mid(at, frameSize), 0xF0);
    flush();
}

void AgwSimulator::sendMonitored(const QString& from, const QString& to, const QString& info, char kind)
{
    const QString header = kind == 'I'
        ? QStringLiteral(" 1:Fm %1 To %2 <I R1 S2 pid=F0 Len=%3 >[12:34:56]\r").arg(from, to).arg(info.size() + 1)
        : QStringLiteral(" 1:Fm %1 To %2 Via WIDE1-1 <UI pid=F0 Len=%3 >[12:34:56]\r").arg(from, to).arg(info.size() + 1);
    QByteArray bytes = (header + info + QLatin1Char('\r')).toLatin1();
    bytes.append('\0');
    if (monitorOn)
        sendFrame(kind, from, to, bytes, 0xF0);
    flush();
}

void AgwSimulator::nodeDisconnects()
{
    if (node.isEmpty())
        return;
    sendFrame('d', node, registered, QStringLiteral("*** DISCONNECTED From Station %1\r").arg(node).toLatin1());
    node.clear();
    flush();
}

void AgwSimulator::drop()
{
    if (client) {
        client->abort();
        client->deleteLater();
        client = nullptr;
    }
}

bool AgwSimulator::waitFor(const std::function<bool()>& done, int timeoutMs)
{
    return QTest::qWaitFor(done, timeoutMs);
}

} // namespace zelq::test
