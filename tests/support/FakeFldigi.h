#pragma once
// fldigi's XML-RPC server on a loopback port, as the logger sees it: the
// log fields (a set applied a little later, the country filled from the
// call), macros, the transmit buffer and the transmit/receive state; it
// can stop (connects refused), come back on the same port, or hang (take
// connections and never answer).

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QVariantList>

class QTcpServer;
class QTcpSocket;

namespace zelq::test {

class FakeFldigi final : public QObject {
    Q_OBJECT
public:
    explicit FakeFldigi(QObject* parent = nullptr);
    ~FakeFldigi() override;

    quint16 port() const { return listenPort; }
    void stop();
    bool start(); // again on the same port
    bool hung = false;

    // fldigi's log fields as its operator sees them.
    QString call, name, state, province, exchange, country;
    QString trxState = QStringLiteral("RX");
    QString txText;         // the transmit buffer
    QList<int> macrosRun;
    // How long fldigi takes to apply log.set_call.
    int applyDelayMs = 40;

    // Every call received: its method, and its first parameter as text.
    struct Call {
        QString method;
        QString param;
    };
    QList<Call> calls;
    QStringList methods() const;
    QStringList setCalls() const; // the values of every log.set_call, in order
    int countOf(const QString& method) const;

signals:
    void received(const QString& method);

private:
    void onData(QTcpSocket* s);
    QByteArray answer(const QString& method, const QVariantList& params);

    QTcpServer* server = nullptr;
    quint16 listenPort = 0;
    QHash<QTcpSocket*, QByteArray> buffers;
};

} // namespace zelq::test
