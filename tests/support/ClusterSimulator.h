#pragma once
// A DX cluster on a loopback port: it offers Telnet options, asks for a
// login (the prompt itself may come in two pieces), then sends lines in
// the format of real clusters cut into random chunks with negotiation
// bytes mixed in, and can drop the connection as a cluster restarting
// does.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QRandomGenerator>
#include <QStringList>

class QTcpServer;
class QTcpSocket;

namespace zelq::test {

class ClusterSimulator final : public QObject {
    Q_OBJECT
public:
    explicit ClusterSimulator(QObject* parent = nullptr, quint32 seed = 1);
    ~ClusterSimulator() override;

    quint16 port() const;
    // Stops listening (connects are refused) or listens again on the
    // same port.
    void stopListening();
    bool listenAgain();

    // The prompt sent on each new connection, in pieces written apart.
    QList<QByteArray> promptPieces{QByteArrayLiteral("Please enter your "), QByteArrayLiteral("call: ")};
    // Telnet options offered before the greeting.
    bool negotiate = true;

    // Lines (CR LF added) to the current connection, cut into random
    // chunks of 1..`maxChunk` bytes, with IAC sequences between some.
    void sendLines(const QStringList& lines, int maxChunk = 40);
    void sendRaw(const QByteArray& bytes);
    // Closes the current connection from the cluster's side.
    void drop();

    int connections() const { return connectionCount; }
    bool connected() const;
    // What the client sent on the current connection / on all of them.
    QByteArray received() const { return current; }
    QByteArray receivedAll() const { return all; }
    bool waitForConnections(int n, int timeoutMs = 5000);
    bool waitForReceived(const QByteArray& text, int timeoutMs = 5000);

    // A cluster line of the fixed-column format.
    static QString spotLine(const QString& spotter, double khz, const QString& call, const QString& comment,
                            const QString& utc = QStringLiteral("1234Z"));

private:
    void onConnection();

    QTcpServer* server = nullptr;
    QTcpSocket* client = nullptr;
    quint16 boundPort = 0;
    int connectionCount = 0;
    QByteArray current;
    QByteArray all;
    QRandomGenerator random;
};

} // namespace zelq::test
