#pragma once
// XML-RPC as fldigi speaks it: a methodCall posted over HTTP, a
// methodResponse (or a fault) back. Pure functions over text; the
// transport is FldigiClient's.

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantList>

namespace zelq {

// <methodCall> for `method` with string, int, bool or double parameters.
QByteArray encodeMethodCall(const QString& method, const QVariantList& params = {});

struct XmlRpcResult {
    bool ok = false;
    QVariant value;  // string, int, bool or double; a list for arrays
    QString error;   // the fault string, or why the text could not be read
};

XmlRpcResult decodeMethodResponse(const QByteArray& xml);

// The HTTP request carrying `body` to the server at host:port.
QByteArray httpPost(const QString& host, quint16 port, const QByteArray& body);

// An HTTP reply gathered so far: Incomplete until the whole body (by
// Content-Length, or up to the close) has arrived.
struct HttpReply {
    enum class State { Incomplete, Complete, Bad } state = State::Incomplete;
    int status = 0;
    QByteArray body;
};
HttpReply parseHttpReply(const QByteArray& bytes, bool closed);

// The methodCall a server received: its name and parameters (the fake
// fldigi in the tests reads requests with it).
struct XmlRpcCall {
    bool ok = false;
    QString method;
    QVariantList params;
};
XmlRpcCall decodeMethodCall(const QByteArray& xml);
QByteArray encodeMethodResponse(const QVariant& value);
QByteArray encodeFault(int code, const QString& text);

} // namespace zelq
