#pragma once
// The Telnet link to a DX cluster: connects, logs in with the station's
// call when the cluster asks, hands on every received line, keeps the link
// up through long quiet spells and reconnects by itself when the cluster
// drops it. Only the operator's Close Port ends it for good.

#include "spots/TelnetLines.h"

#include <QAbstractSocket>
#include <QObject>
#include <QString>
#include <QTimer>

class QTcpSocket;

namespace zelq {

// The text a socket error is reported with: "Connection is forcefully
// rejected." and the like, "Error number " and the code for the others.
QString clusterErrorText(QAbstractSocket::SocketError error);

class ClusterLink final : public QObject {
    Q_OBJECT
public:
    explicit ClusterLink(QObject* parent = nullptr);
    ~ClusterLink() override;

    // Starts connecting to `host`:`port`; `loginCall` answers the
    // cluster's login prompt.
    void open(const QString& host, quint16 port, const QString& loginCall);
    // The operator's Close Port: the link ends and is not taken up again.
    void close();

    bool isConnected() const;
    // Whether the link is wanted (opened and not closed, retrying included).
    bool isOpen() const { return wanted; }
    // Sends `text` and CR LF; false when not connected.
    bool sendLine(const QString& text);

    // Times, shortened by tests.
    int connectTimeoutMs = 30000;  // connect, and from connect to the first byte
    int keepAliveMs = 9 * 60000;   // quiet time before a lone CR
    int firstRetryMs = 5000;       // the first reconnect, doubling ...
    int maxRetryMs = 120000;       // ... up to this
    int stableMs = 60000;          // a connection up this long resets the doubling

    // The delay before the next reconnect.
    int nextRetryMs() const { return retryMs; }

signals:
    void lineReceived(const QString& line);
    // Status for the traffic pane, without line ends.
    void note(const QString& text);
    void connected();
    // The first connect failed: nothing is retried.
    void openFailed();

private:
    void startConnect();
    void onConnected();
    void onReadyRead();
    void onError(QAbstractSocket::SocketError error);
    void onTimeout();
    void dropped(const QString& reason);
    void closeSocket();
    void sendRaw(const QByteArray& bytes);

    QTcpSocket* socket = nullptr;
    TelnetLineAssembler lines;
    QTimer connectTimer;   // connect, then the first byte
    QTimer keepAlive;
    QTimer retryTimer;
    QTimer stableTimer;
    QString host;
    quint16 port = 0;
    QString login;
    bool wanted = false;
    bool everConnected = false; // since Open Port: a failure later is a drop
    bool handled = false;       // the current connection's end was dealt with
    bool anyData = false;
    bool loginDone = false;
    int retryMs = 5000;
};

} // namespace zelq
