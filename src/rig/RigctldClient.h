#pragma once
// Hamlib's rigctld as a radio: a TCP connection with one request out at a
// time. On connect it asks \chk_vfo (when the daemon answers 1, every
// request names the current VFO); a reading is "f" (one line of hertz)
// then "m" (two lines: mode and passband). "RPRT -n" is the daemon's
// error. A request unanswered for a second reopens the connection, so a
// late answer can never be taken for the next request's. Set commands
// ("F 14025000", "M CW -1") wait in a queue and go before the next reading;
// each is answered by one "RPRT n" line.

#include "devices/TcpLine.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <optional>

namespace zelq {

class RigctldClient final : public QObject {
    Q_OBJECT
public:
    explicit RigctldClient(QObject* parent = nullptr);

    void connectTo(const QString& host, quint16 port);
    void close();
    bool isConnected() const { return ready; }
    // The daemon wants the VFO named in every command (\chk_vfo said 1).
    bool namesVfo() const { return vfoMode; }
    QString address() const { return QStringLiteral("%1:%2").arg(host).arg(port); }

    // Starts a reading unless one is under way or there is no connection.
    void requestReading();
    // Queues a set command (without its line end); false when there is no
    // connection. With VFO mode on, the current VFO is named in it.
    bool sendCommand(const QByteArray& command);
    // The line a set command goes as (the VFO named when the daemon wants it).
    QByteArray commandLine(const QByteArray& command) const;
    int descriptor() const { return ready ? line.descriptor() : -1; }
    // No request out and no command waiting.
    bool isIdle() const { return step == Step::Idle && commands.isEmpty(); }

    // The last finished reading since the previous take: frequency in MHz,
    // the mode in the log's terms ("CW" or "PH") and the raw replies.
    struct Reading {
        float frequency = 0;
        QString mode;
        QByteArray raw;
    };
    std::optional<Reading> takeReading();

    static constexpr int ReplyTimeoutMs = 1000;

signals:
    void connected();
    // The daemon could not be reached or went away; the text names it.
    void failed(const QString& reason);
    // A set command was answered: `reply` is its "RPRT n" line.
    void commandAnswered(const QByteArray& command, bool accepted, const QByteArray& reply);

private:
    enum class Step { Idle, CheckVfo, Frequency, Mode, Command };
    void send(Step step, const QByteArray& command);
    void onReadable();
    void onTimeout();
    // Lines of a complete answer; nullopt while it is still coming.
    std::optional<QList<QByteArray>> takeAnswer(int lines);
    void finishStep(const QList<QByteArray>& lines);
    // The next queued command, when nothing is out.
    void sendQueued();

    TcpLine line;
    QTimer replyTimer;
    QString host;
    quint16 port = 0;
    bool ready = false;
    bool vfoMode = false;
    Step step = Step::Idle;
    QByteArray buffer;
    Reading building;
    QByteArray raw;
    std::optional<Reading> finished;
    QList<QByteArray> commands;
    QByteArray commandOut;
};

// "CW" for CW and CWR, "PH" for any other Hamlib mode name.
QString modeFromHamlib(const QByteArray& mode);

} // namespace zelq
