#pragma once
// A TCP connection to a network device (cluster, AGW engine, rigctld,
// fldigi): connect with a time limit, then a byte stream both ways with no
// line framing. The first error, a refused or timed-out connect included,
// is reported once through failed() as readable text and ends the
// connection; a close by the other end is reported the same way.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>

namespace zelq {

class TcpLine final : public QObject {
    Q_OBJECT
public:
    explicit TcpLine(QObject* parent = nullptr);

    // Starts connecting; connected() or failed() follows, the latter at
    // the latest after `timeoutMs`.
    void connectTo(const QString& host, quint16 port, int timeoutMs = 10000);
    void close();
    bool isConnected() const;
    // The connected socket's descriptor (-1 when none), for a last write
    // from an end-signal handler.
    int descriptor() const { return isConnected() ? int(socket.socketDescriptor()) : -1; }

    bool write(const QByteArray& bytes);
    QByteArray readAll();
    QString peer() const { return QStringLiteral("%1:%2").arg(host).arg(port); }

signals:
    void connected();
    void readyRead();
    void failed(const QString& reason);

private:
    void report(const QString& reason);

    QTcpSocket socket;
    QTimer connectTimer;
    QString host;
    quint16 port = 0;
    bool reported = false;
    quint64 generation = 0; // one per connection, so a late abort never hits a newer one
};

} // namespace zelq
