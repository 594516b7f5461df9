#pragma once
// Calls to fldigi's XML-RPC server, one at a time in the order asked, each
// over its own short HTTP connection and each bounded by a time limit, so
// a fldigi that hangs or is gone never holds anything up for long.

#include "keying/XmlRpc.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <deque>
#include <functional>

namespace zelq {

class TcpLine;

class FldigiClient : public QObject {
    Q_OBJECT
public:
    using Reply = std::function<void(const XmlRpcResult&)>;

    explicit FldigiClient(QObject* parent = nullptr);
    ~FldigiClient() override;

    void setServer(const QString& host, quint16 port);
    QString host() const { return serverHost; }
    quint16 port() const { return serverPort; }
    void setTimeoutMs(int ms) { timeoutMs = ms; }

    // Queues a call; `reply` gets the result or the reason it failed. A
    // call that only repeats state fldigi gets again later (the call
    // being worked) is `droppable` when fldigi falls behind.
    void call(const QString& method, const QVariantList& params = {}, Reply reply = {},
              bool droppable = false);
    // Drops the calls not yet sent (each gets no reply: the caller that
    // drops them forgets what it waited for).
    void dropQueued();
    bool busy() const { return active != nullptr || !queue.empty(); }
    int queued() const { return int(queue.size()); }

    // More calls waiting than this and fldigi is not keeping up: the
    // oldest droppable one goes.
    static constexpr int MaxQueued = 256;

private:
    struct Pending {
        QString method;
        QByteArray request;
        Reply reply;
        bool droppable = false;
    };
    void startNext();
    void onData();
    void finish(const XmlRpcResult& result);

    QString serverHost = QStringLiteral("127.0.0.1");
    quint16 serverPort = 7362;
    int timeoutMs = 1000;
    std::deque<Pending> queue;
    TcpLine* active = nullptr;
    Pending current;
    QByteArray received;
    QTimer deadline;
};

} // namespace zelq
