#pragma once
// An AGW packet engine on a loopback port: answers registration, takes
// connect requests and answers them with the engine's notices (or a retry
// out), passes data both ways as the node's connected data, and sends
// monitored frames with their " 1:Fm A To B <...>" headers. Frames leave
// in random pieces, several joined at times, as a TCP stream does.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QRandomGenerator>
#include <QStringList>
#include <functional>

class QTcpServer;
class QTcpSocket;

namespace zelq::test {

class AgwSimulator final : public QObject {
    Q_OBJECT
public:
    explicit AgwSimulator(QObject* parent = nullptr, quint32 seed = 1);
    ~AgwSimulator() override;

    quint16 port() const;

    // Answer to registration: refused when false.
    bool acceptRegistration = true;
    // A connect request fails with "*** DISCONNECTED RETRYOUT With ..." .
    bool connectRetryOut = false;

    // Connected data from the node (`call` must be the connected one):
    // `lines` CR-ended, cut into frames of up to `frameSize` bytes.
    void sendConnected(const QStringList& lines, int frameSize = 40);
    // One monitored UI frame from `from` to `to` holding `info`.
    void sendMonitored(const QString& from, const QString& to, const QString& info, char kind = 'U');
    // The node ends the connection.
    void nodeDisconnects();
    // The engine goes away.
    void drop();

    QString registeredCall() const { return registered; }
    QString connectedCall() const { return node; }
    bool monitoring() const { return monitorOn; }
    // Frame kinds received, in order ("XmCDd").
    QByteArray kinds() const { return kindLog; }
    // Data of the 'D' frames received.
    QByteArray dataReceived() const { return data; }
    bool waitFor(const std::function<bool()>& done, int timeoutMs = 5000);

private:
    void onConnection();
    void onReadyRead();
    struct Frame {
        char kind = 0;
        QString from;
        QString to;
        QByteArray data;
    };
    void handle(const Frame& f);
    void sendFrame(char kind, const QString& from, const QString& to, const QByteArray& data, quint8 pid = 0);
    void flush();

    QTcpServer* server = nullptr;
    QTcpSocket* client = nullptr;
    QByteArray inbox;
    QByteArray outbox;
    QRandomGenerator random;
    QString registered;
    QString node;
    bool monitorOn = false;
    QByteArray kindLog;
    QByteArray data;
};

} // namespace zelq::test
