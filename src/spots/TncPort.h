#pragma once
// A packet TNC on a serial port: opened with the spotting window's serial
// settings, handshaking and connection power, read on the window's timer
// and cut into lines, written a line or the command-mode character at a
// time. A port that fails while open is tried again every 2 s until it
// returns or the operator closes it.

#include "devices/SerialLine.h"
#include "spots/SpotSettings.h"
#include "spots/TncInput.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

namespace zelq {

class TncPort final : public QObject {
    Q_OBJECT
public:
    // `line` stays the caller's; it may go before this port does.
    explicit TncPort(SerialLine& line, QObject* parent = nullptr);
    ~TncPort() override;

    // The serial text "9600,N,8,1" of the settings.
    static QString settingsText(const SpotSettings& s);
    static Handshake handshakeOf(int handshaking);

    // Opens the port; false with `failure` telling why.
    bool OpenTncPort(const SpotSettings& s, QString* failure = nullptr);
    void close();
    bool isOpen() const { return line && line->isOpen(); }
    bool wanted() const { return open; }
    QString devicePath() const { return line ? line->devicePath() : QString(); }

    // Everything received since the last call, as complete lines.
    QStringList ReadTncInput();
    // The text and CR; false when the port is not open.
    bool sendLine(const QString& text);
    // The single character of a hex command-mode text ("03": Ctrl-C).
    bool sendCommandCharacter(const QString& hex);

    int retryMs = 2000;

signals:
    void note(const QString& text);

private:
    bool openLine(QString* failure);
    void onFailed(const QString& reason);

    QPointer<SerialLine> line;
    SerialOpenRequest request;
    QString power;
    TncInputBuffer input;
    QTimer retry;
    bool open = false;
};

} // namespace zelq
