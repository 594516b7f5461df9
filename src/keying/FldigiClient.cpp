#include "keying/FldigiClient.h"

#include "devices/TcpLine.h"

#include <algorithm>

namespace zelq {

FldigiClient::FldigiClient(QObject* parent) : QObject(parent)
{
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, this, [this] {
        XmlRpcResult r;
        r.error = QStringLiteral("fldigi did not answer within %1 ms").arg(timeoutMs);
        finish(r);
    });
}

FldigiClient::~FldigiClient()
{
    if (active)
        active->disconnect(this);
}

void FldigiClient::setServer(const QString& host, quint16 port)
{
    serverHost = host;
    serverPort = port;
}

void FldigiClient::call(const QString& method, const QVariantList& params, Reply reply, bool droppable)
{
    // Too far behind: the oldest droppable call goes (a reply awaited is
    // never lost, or its asker would wait for ever).
    if (int(queue.size()) >= MaxQueued) {
        const auto old = std::find_if(queue.begin(), queue.end(), [](const Pending& p) { return p.droppable; });
        if (old != queue.end())
            queue.erase(old);
    }
    queue.push_back({method, encodeMethodCall(method, params), std::move(reply), droppable});
    if (!active)
        startNext();
}

void FldigiClient::dropQueued()
{
    queue.clear();
}

void FldigiClient::startNext()
{
    if (active || queue.empty())
        return;
    current = std::move(queue.front());
    queue.pop_front();
    received.clear();
    active = new TcpLine(this);
    TcpLine* line = active;
    connect(line, &TcpLine::connected, this, [this, line] {
        if (line == active)
            line->write(httpPost(serverHost, serverPort, current.request));
    });
    connect(line, &TcpLine::readyRead, this, [this, line] {
        if (line == active)
            onData();
    });
    connect(line, &TcpLine::failed, this, [this, line](const QString& reason) {
        if (line != active)
            return;
        // fldigi closes the connection after its answer: an answer read
        // up to the close is complete.
        const HttpReply reply = parseHttpReply(received + (line->isConnected() ? line->readAll() : QByteArray()), true);
        XmlRpcResult r;
        if (reply.state == HttpReply::State::Complete && reply.status == 200)
            r = decodeMethodResponse(reply.body);
        else
            r.error = reason;
        finish(r);
    });
    deadline.start(timeoutMs);
    line->connectTo(serverHost, serverPort, timeoutMs);
}

void FldigiClient::onData()
{
    received += active->readAll();
    const HttpReply reply = parseHttpReply(received, false);
    if (reply.state == HttpReply::State::Incomplete)
        return;
    XmlRpcResult r;
    if (reply.state == HttpReply::State::Bad)
        r.error = QStringLiteral("unreadable HTTP reply");
    else if (reply.status != 200)
        r.error = QStringLiteral("HTTP status %1").arg(reply.status);
    else
        r = decodeMethodResponse(reply.body);
    finish(r);
}

void FldigiClient::finish(const XmlRpcResult& result)
{
    deadline.stop();
    if (active) {
        active->disconnect(this);
        active->close();
        active->deleteLater();
        active = nullptr;
    }
    Reply reply = std::move(current.reply);
    current = {};
    // The reply may queue further calls, or end this client.
    QPointer<FldigiClient> self(this);
    if (reply)
        reply(result);
    if (self)
        startNext();
}

} // namespace zelq
