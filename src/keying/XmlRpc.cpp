#include "keying/XmlRpc.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <functional>

namespace zelq {

namespace {

void writeValue(QXmlStreamWriter& w, const QVariant& v)
{
    w.writeStartElement(QStringLiteral("value"));
    switch (v.typeId()) {
    case QMetaType::Bool:
        w.writeTextElement(QStringLiteral("boolean"), v.toBool() ? QStringLiteral("1") : QStringLiteral("0"));
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        w.writeTextElement(QStringLiteral("int"), QString::number(v.toLongLong()));
        break;
    case QMetaType::Double:
        w.writeTextElement(QStringLiteral("double"), QString::number(v.toDouble(), 'g', 17));
        break;
    case QMetaType::QVariantList: {
        w.writeStartElement(QStringLiteral("array"));
        w.writeStartElement(QStringLiteral("data"));
        for (const QVariant& item : v.toList())
            writeValue(w, item);
        w.writeEndElement();
        w.writeEndElement();
        break;
    }
    default:
        w.writeTextElement(QStringLiteral("string"), v.toString());
        break;
    }
    w.writeEndElement();
}

// Reads the content of a <value> element the reader stands on; leaves the
// reader on its end element.
bool readValue(QXmlStreamReader& r, QVariant& out)
{
    QString bare; // a value without a type element is a string
    bool typed = false;
    while (r.readNext() != QXmlStreamReader::Invalid) {
        if (r.isEndElement())
            break; // </value>
        if (r.isCharacters()) {
            bare += r.text();
            continue;
        }
        if (!r.isStartElement())
            continue;
        typed = true;
        const QString type = r.name().toString();
        if (type == QLatin1String("array")) {
            QVariantList list;
            while (r.readNextStartElement()) { // <data>
                while (r.readNextStartElement()) { // <value>
                    QVariant item;
                    if (!readValue(r, item))
                        return false;
                    list.append(item);
                }
            }
            out = list;
        } else if (type == QLatin1String("struct")) {
            QVariantMap map;
            while (r.readNextStartElement()) { // <member>
                QString name;
                QVariant item;
                while (r.readNextStartElement()) {
                    if (r.name() == QLatin1String("name"))
                        name = r.readElementText();
                    else if (r.name() == QLatin1String("value")) {
                        if (!readValue(r, item))
                            return false;
                    } else
                        r.skipCurrentElement();
                }
                map.insert(name, item);
            }
            out = map;
        } else {
            const QString text = r.readElementText();
            bool ok = true;
            if (type == QLatin1String("int") || type == QLatin1String("i4") || type == QLatin1String("i8"))
                out = text.trimmed().toLongLong(&ok);
            else if (type == QLatin1String("boolean"))
                out = text.trimmed() == QLatin1String("1");
            else if (type == QLatin1String("double"))
                out = text.trimmed().toDouble(&ok);
            else
                out = text; // string, base64 and dates stay text
            if (!ok)
                return false;
        }
    }
    if (!typed)
        out = bare;
    return !r.hasError();
}

QByteArray document(const std::function<void(QXmlStreamWriter&)>& body)
{
    QByteArray xml;
    QXmlStreamWriter w(&xml);
    w.writeStartDocument();
    body(w);
    w.writeEndDocument();
    return xml;
}

} // namespace

QByteArray encodeMethodCall(const QString& method, const QVariantList& params)
{
    return document([&](QXmlStreamWriter& w) {
        w.writeStartElement(QStringLiteral("methodCall"));
        w.writeTextElement(QStringLiteral("methodName"), method);
        w.writeStartElement(QStringLiteral("params"));
        for (const QVariant& p : params) {
            w.writeStartElement(QStringLiteral("param"));
            writeValue(w, p);
            w.writeEndElement();
        }
        w.writeEndElement();
        w.writeEndElement();
    });
}

QByteArray encodeMethodResponse(const QVariant& value)
{
    return document([&](QXmlStreamWriter& w) {
        w.writeStartElement(QStringLiteral("methodResponse"));
        w.writeStartElement(QStringLiteral("params"));
        w.writeStartElement(QStringLiteral("param"));
        writeValue(w, value);
        w.writeEndElement();
        w.writeEndElement();
        w.writeEndElement();
    });
}

QByteArray encodeFault(int code, const QString& text)
{
    return document([&](QXmlStreamWriter& w) {
        w.writeStartElement(QStringLiteral("methodResponse"));
        w.writeStartElement(QStringLiteral("fault"));
        w.writeStartElement(QStringLiteral("value"));
        w.writeStartElement(QStringLiteral("struct"));
        for (const auto& [name, v] : {std::pair{QStringLiteral("faultCode"), QVariant(code)},
                                      std::pair{QStringLiteral("faultString"), QVariant(text)}}) {
            w.writeStartElement(QStringLiteral("member"));
            w.writeTextElement(QStringLiteral("name"), name);
            writeValue(w, v);
            w.writeEndElement();
        }
        w.writeEndElement();
        w.writeEndElement();
        w.writeEndElement();
        w.writeEndElement();
    });
}

XmlRpcResult decodeMethodResponse(const QByteArray& xml)
{
    XmlRpcResult result;
    QXmlStreamReader r(xml);
    if (!r.readNextStartElement() || r.name() != QLatin1String("methodResponse")) {
        result.error = QStringLiteral("not an XML-RPC response");
        return result;
    }
    if (!r.readNextStartElement()) {
        result.error = QStringLiteral("empty XML-RPC response");
        return result;
    }
    const bool fault = r.name() == QLatin1String("fault");
    // <fault><value> or <params><param><value>; no <param> is a void method.
    if (!fault && !r.readNextStartElement()) {
        result.ok = !r.hasError();
        if (!result.ok)
            result.error = QStringLiteral("unreadable XML-RPC response");
        return result;
    }
    if (!r.readNextStartElement()) {
        result.error = QStringLiteral("unreadable XML-RPC value");
        return result;
    }
    QVariant v;
    if (r.name() != QLatin1String("value") || !readValue(r, v)) {
        result.error = QStringLiteral("unreadable XML-RPC value");
        return result;
    }
    if (fault) {
        const QVariantMap m = v.toMap();
        result.error = m.value(QStringLiteral("faultString")).toString();
        if (result.error.isEmpty())
            result.error = QStringLiteral("fault %1").arg(m.value(QStringLiteral("faultCode")).toInt());
        return result;
    }
    result.ok = true;
    result.value = v;
    return result;
}

XmlRpcCall decodeMethodCall(const QByteArray& xml)
{
    XmlRpcCall call;
    QXmlStreamReader r(xml);
    if (!r.readNextStartElement() || r.name() != QLatin1String("methodCall"))
        return call;
    while (r.readNextStartElement()) {
        if (r.name() == QLatin1String("methodName")) {
            call.method = r.readElementText().trimmed();
        } else if (r.name() == QLatin1String("params")) {
            while (r.readNextStartElement()) { // <param>
                while (r.readNextStartElement()) { // <value>
                    QVariant v;
                    if (!readValue(r, v))
                        return call;
                    call.params.append(v);
                }
            }
        } else {
            r.skipCurrentElement();
        }
    }
    call.ok = !r.hasError() && !call.method.isEmpty();
    return call;
}

QByteArray httpPost(const QString& host, quint16 port, const QByteArray& body)
{
    QByteArray req = "POST /RPC2 HTTP/1.1\r\nHost: " + host.toUtf8() + ':' + QByteArray::number(port)
        + "\r\nUser-Agent: ZELQ Logger\r\nContent-Type: text/xml\r\nConnection: close\r\nContent-Length: "
        + QByteArray::number(body.size()) + "\r\n\r\n";
    return req + body;
}

HttpReply parseHttpReply(const QByteArray& bytes, bool closed)
{
    HttpReply reply;
    const int headEnd = bytes.indexOf("\r\n\r\n");
    if (headEnd < 0) {
        if (closed || bytes.size() > 64 * 1024)
            reply.state = HttpReply::State::Bad;
        return reply;
    }
    const QList<QByteArray> lines = bytes.left(headEnd).split('\n');
    const QList<QByteArray> statusLine = lines.value(0).trimmed().split(' ');
    bool ok = false;
    reply.status = statusLine.value(1).toInt(&ok);
    if (!statusLine.value(0).startsWith("HTTP/") || !ok) {
        reply.state = HttpReply::State::Bad;
        return reply;
    }
    qsizetype length = -1;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const int colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == "content-length") {
            length = line.mid(colon + 1).trimmed().toLongLong(&ok);
            if (!ok || length < 0) {
                reply.state = HttpReply::State::Bad;
                return reply;
            }
        }
    }
    const QByteArray body = bytes.mid(headEnd + 4);
    if (length >= 0 && body.size() >= length) {
        reply.body = body.left(length);
        reply.state = HttpReply::State::Complete;
    } else if (length < 0 && closed) {
        reply.body = body;
        reply.state = HttpReply::State::Complete;
    } else if (closed) {
        reply.state = HttpReply::State::Bad; // cut short
    }
    return reply;
}

} // namespace zelq
