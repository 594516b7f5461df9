#include "FakeFldigi.h"

#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace zelq::test {

namespace {

QString unescape(QString t)
{
    t.replace(QLatin1String("&lt;"), QLatin1String("<"));
    t.replace(QLatin1String("&gt;"), QLatin1String(">"));
    t.replace(QLatin1String("&quot;"), QLatin1String("\""));
    t.replace(QLatin1String("&apos;"), QLatin1String("'"));
    t.replace(QLatin1String("&#10;"), QLatin1String("\n"));
    t.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return t;
}

QString escape(QString t)
{
    t.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    t.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    t.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    return t;
}

QByteArray response(const QString& valueXml)
{
    return "<?xml version=\"1.0\"?>\r\n<methodResponse><params><param>\r\n\t<value>" + valueXml.toUtf8()
        + "</value>\r\n</param></params></methodResponse>\r\n";
}

// fldigi's own guess of the country from a call, enough for the logger's
// tests: it is never to reach the S/P/C field.
QString countryOf(const QString& call)
{
    const QString c = call.toUpper();
    if (c.isEmpty())
        return {};
    if (c.startsWith(QLatin1String("VE")) || c.startsWith(QLatin1String("VA")))
        return QStringLiteral("Canada");
    if (QStringLiteral("WKNA").contains(c.front()))
        return QStringLiteral("United States");
    return QStringLiteral("Unknown");
}

} // namespace

FakeFldigi::FakeFldigi(QObject* parent) : QObject(parent)
{
    start();
}

FakeFldigi::~FakeFldigi() = default;

bool FakeFldigi::start()
{
    delete server;
    server = new QTcpServer(this);
    if (!server->listen(QHostAddress::LocalHost, listenPort))
        return false;
    listenPort = server->serverPort();
    connect(server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* s = server->nextPendingConnection()) {
            connect(s, &QTcpSocket::readyRead, this, [this, s] { onData(s); });
            connect(s, &QTcpSocket::disconnected, this, [this, s] {
                buffers.remove(s);
                s->deleteLater();
            });
        }
    });
    return true;
}

void FakeFldigi::stop()
{
    if (!server)
        return;
    for (QTcpSocket* s : server->findChildren<QTcpSocket*>())
        s->abort();
    delete server;
    server = nullptr;
}

void FakeFldigi::onData(QTcpSocket* s)
{
    QByteArray& buf = buffers[s];
    buf += s->readAll();
    if (hung)
        return;
    const int headEnd = buf.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return;
    static const QRegularExpression lengthRe(QStringLiteral("(?i)content-length:\\s*(\\d+)"));
    const auto m = lengthRe.match(QString::fromLatin1(buf.left(headEnd)));
    const int length = m.hasMatch() ? m.captured(1).toInt() : 0;
    if (buf.size() < headEnd + 4 + length)
        return;
    const QString body = QString::fromUtf8(buf.mid(headEnd + 4, length));
    buf.clear();

    static const QRegularExpression methodRe(QStringLiteral("<methodName>(.*?)</methodName>"));
    static const QRegularExpression paramRe(QStringLiteral(
        "<param>\\s*<value>(?:<(string|int|i4|boolean|double)>(.*?)</\\1>|([^<]*))</value>"),
        QRegularExpression::DotMatchesEverythingOption);
    const QString method = methodRe.match(body).captured(1).trimmed();
    QVariantList params;
    for (auto it = paramRe.globalMatch(body); it.hasNext();) {
        const auto p = it.next();
        const QString type = p.captured(1);
        const QString text = unescape(type.isEmpty() ? p.captured(3) : p.captured(2));
        if (type == QLatin1String("int") || type == QLatin1String("i4"))
            params << text.toInt();
        else
            params << text;
    }
    calls.append({method, params.isEmpty() ? QString() : params.first().toString()});
    const QByteArray xml = answer(method, params);
    s->write("HTTP/1.1 200 OK\r\nServer: XMLRPC++ 0.8\r\nContent-Type: text/xml\r\nContent-length: "
             + QByteArray::number(xml.size()) + "\r\n\r\n" + xml);
    s->flush();
    s->disconnectFromHost();
    emit received(method);
}

QByteArray FakeFldigi::answer(const QString& method, const QVariantList& params)
{
    const QString p0 = params.isEmpty() ? QString() : params.first().toString();
    const auto text = [](const QString& v) { return response(escape(v)); };
    if (method == QLatin1String("fldigi.version"))
        return text(QStringLiteral("4.1.23"));
    if (method == QLatin1String("log.get_call"))
        return text(call);
    if (method == QLatin1String("log.get_name"))
        return text(name);
    if (method == QLatin1String("log.get_state"))
        return text(state);
    if (method == QLatin1String("log.get_province"))
        return text(province);
    if (method == QLatin1String("log.get_exchange"))
        return text(exchange);
    if (method == QLatin1String("log.get_country"))
        return text(country);
    if (method == QLatin1String("main.get_trx_state"))
        return text(trxState);
    if (method == QLatin1String("log.set_call")) {
        // fldigi applies the call later, on its own thread's turn, in
        // upper case.
        QTimer::singleShot(applyDelayMs, this, [this, p0] {
            call = p0.toUpper();
            country = countryOf(p0);
        });
        return response(QString());
    }
    if (method == QLatin1String("main.run_macro")) {
        macrosRun << params.value(0).toInt();
        return response(QString());
    }
    if (method == QLatin1String("text.add_tx")) {
        txText += p0;
        return response(QString());
    }
    if (method == QLatin1String("main.tx")) {
        trxState = QStringLiteral("TX");
        return response(QString());
    }
    if (method == QLatin1String("main.rx")) {
        trxState = QStringLiteral("RX");
        return response(QString());
    }
    const QByteArray fault = "<?xml version=\"1.0\"?>\r\n<methodResponse><fault>\r\n\t<value><struct>"
                             "<member><name>faultCode</name><value><i4>-1</i4></value></member>"
                             "<member><name>faultString</name><value>No such method: "
        + method.toUtf8() + "</value></member></struct></value>\r\n</fault></methodResponse>\r\n";
    return fault;
}

QStringList FakeFldigi::methods() const
{
    QStringList out;
    for (const Call& c : calls)
        out << c.method;
    return out;
}

QStringList FakeFldigi::setCalls() const
{
    QStringList out;
    for (const Call& c : calls)
        if (c.method == QLatin1String("log.set_call"))
            out << c.param;
    return out;
}

int FakeFldigi::countOf(const QString& method) const
{
    int n = 0;
    for (const Call& c : calls)
        n += c.method == method;
    return n;
}

} // namespace zelq::test
