#pragma once
// Frames of the AGW packet engine's TCP/IP interface (AGWPE, Direwolf and
// others): a 36-byte header, then `dataLength` bytes of data.
//
//   0  radio port (0 = the first)     1..3  unused
//   4  kind ('X' register, 'C' connect, 'D' data, 'd' disconnect,
//      'm' monitoring, 'U'/'I'/'S'/'T' monitored frames, ...)
//   5  unused   6  PID   7  unused
//   8  call from, 10 bytes, NUL padded
//  18  call to,   10 bytes, NUL padded
//  28  data length, 32 bits little-endian
//  32  user field, 32 bits (unused)
//
// Pure: values to bytes and bytes to values. Lowercase 'c' is never built
// on purpose: over TCP it asks for a connect with a PID, which a cluster
// node does not expect.

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace zelq {

struct AgwFrame {
    quint8 port = 0;
    char kind = 0;
    quint8 pid = 0;
    QByteArray callFrom;   // without padding
    QByteArray callTo;
    QByteArray data;

    bool operator==(const AgwFrame&) const = default;
};

inline constexpr int AgwHeaderSize = 36;
inline constexpr int AgwCallSize = 10;
// Larger data lengths are no AGW frame: the stream is out of step.
inline constexpr quint32 AgwMaxData = 65536;

// The frame's bytes; calls longer than 9 characters are cut so a NUL
// always ends them.
QByteArray encodeAgwFrame(const AgwFrame& frame);

// Splits a byte stream into frames: bytes are fed as they arrive (a frame
// may come in pieces, several in one read); complete frames come out.
class AgwFrameReader {
public:
    QList<AgwFrame> feed(const QByteArray& bytes);
    void reset() { pending.clear(); broken = false; }
    // A header announced more data than any frame holds; nothing further
    // is read until reset().
    bool outOfStep() const { return broken; }

private:
    QByteArray pending;
    bool broken = false;
};

// A monitored frame's text: " 1:Fm W1AW To DX <UI pid=F0 Len=61 >[12:34:56]"
// and a CR, then the frame's information. Splits it into the header's
// source and destination calls and the information; nullopt when the text
// has no such header.
struct MonitorText {
    QString from;
    QString to;
    QString info;
};
std::optional<MonitorText> parseMonitorText(const QString& text);

} // namespace zelq
