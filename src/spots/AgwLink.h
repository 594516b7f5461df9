#pragma once
// The link to an AGW packet engine (Direwolf, AGWPE) over its TCP/IP
// interface: registers the station's call, turns monitoring on, connects
// to a cluster node and passes text both ways. Engine notices ("*** CONNECTED
// With Station ...", "*** DISCONNECTED RETRYOUT With ...") are shown as
// they come; text from the connected node and monitored frames are cut
// into lines (a frame may end mid-line) and handed on.

#include "spots/AgwFrame.h"
#include "spots/TelnetLines.h"

#include <QAbstractSocket>
#include <QHash>
#include <QObject>
#include <QTimer>

class QTcpSocket;

namespace zelq {

class AgwLink final : public QObject {
    Q_OBJECT
public:
    explicit AgwLink(QObject* parent = nullptr);
    ~AgwLink() override;

    // Connects to the engine and registers `ownCall` on radio port 0.
    // opened() or openFailed() follows.
    void AGWStartPoll(const QString& host, quint16 port, const QString& ownCall);
    // Hands one frame to the engine: 'C' connect to `call`, 'D' data to
    // it, 'd' disconnect from it. False when the engine is not reached.
    bool AGWPutData(const QString& call, const QByteArray& data, char kind);
    // Leaves the engine (a connected station is disconnected first).
    void AGWClose();

    bool isOpen() const;
    bool isRegistered() const { return registered; }
    QString connectedStation() const { return station; }
    QString ownCall() const { return own; }

    int answerTimeoutMs = 5000; // connect and registration answer

signals:
    void opened();
    // The engine could not be reached or refused the call; `reason` is
    // already in the notes.
    void openFailed(const QString& reason);
    // The engine went away after opening.
    void lost(const QString& reason);
    void note(const QString& text);
    void lineReceived(const QString& line);
    void stationConnected(const QString& call);
    void stationDisconnected(const QString& call);

private:
    void AGWGetData(const AgwFrame& frame);
    void onReadyRead();
    void onError(QAbstractSocket::SocketError error);
    void fail(const QString& reason);
    void send(const AgwFrame& frame);
    void closeSocket();
    void takeText(const QString& stream, const QByteArray& data);

    QTcpSocket* socket = nullptr;
    AgwFrameReader reader;
    QHash<QString, TelnetLineAssembler> streams; // per source of text
    QTimer answerTimer;
    QString own;
    QString station;
    bool registered = false;
    bool handled = false;
};

} // namespace zelq
