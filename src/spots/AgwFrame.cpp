#include "spots/AgwFrame.h"

#include <QRegularExpression>

namespace zelq {

namespace {

void putCall(QByteArray& out, int at, const QByteArray& call)
{
    const QByteArray c = call.left(AgwCallSize - 1);
    for (int i = 0; i < c.size(); ++i)
        out[at + i] = c[i];
}

QByteArray takeCall(const QByteArray& header, int at)
{
    QByteArray c = header.mid(at, AgwCallSize);
    const int nul = c.indexOf('\0');
    if (nul >= 0)
        c.truncate(nul);
    return c.trimmed();
}

quint32 readLe32(const QByteArray& b, int at)
{
    return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8 | quint32(quint8(b[at + 2])) << 16
        | quint32(quint8(b[at + 3])) << 24;
}

} // namespace

QByteArray encodeAgwFrame(const AgwFrame& frame)
{
    QByteArray out(AgwHeaderSize, '\0');
    out[0] = char(frame.port);
    out[4] = frame.kind;
    out[6] = char(frame.pid);
    putCall(out, 8, frame.callFrom);
    putCall(out, 18, frame.callTo);
    const quint32 n = quint32(frame.data.size());
    for (int i = 0; i < 4; ++i)
        out[28 + i] = char((n >> (8 * i)) & 0xff);
    return out + frame.data;
}

QList<AgwFrame> AgwFrameReader::feed(const QByteArray& bytes)
{
    QList<AgwFrame> frames;
    if (broken)
        return frames;
    pending += bytes;
    int at = 0;
    while (pending.size() - at >= AgwHeaderSize) {
        const quint32 length = readLe32(pending, at + 28);
        if (length > AgwMaxData) {
            broken = true;
            pending.clear();
            return frames;
        }
        if (pending.size() - at < AgwHeaderSize + qsizetype(length))
            break;
        AgwFrame f;
        f.port = quint8(pending[at]);
        f.kind = pending[at + 4];
        f.pid = quint8(pending[at + 6]);
        f.callFrom = takeCall(pending, at + 8);
        f.callTo = takeCall(pending, at + 18);
        f.data = pending.mid(at + AgwHeaderSize, length);
        frames.append(f);
        at += AgwHeaderSize + int(length);
    }
    pending.remove(0, at);
    return frames;
}

std::optional<MonitorText> parseMonitorText(const QString& text)
{
    static const QRegularExpression header(
        QStringLiteral("^\\s*\\d+:Fm (\\S+) To (\\S+)[^<\\r\\n]*<[^>\\r\\n]*>(\\[[^\\]\\r\\n]*\\])?[^\\r\\n]*\\r?\\n?"));
    const QRegularExpressionMatch m = header.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    MonitorText t;
    t.from = m.captured(1);
    t.to = m.captured(2);
    t.info = text.mid(m.capturedEnd());
    t.info.remove(QChar(0));
    return t;
}

} // namespace zelq
