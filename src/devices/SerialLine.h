#pragma once
// A serial port as the device parts use it: opened by port number through
// the port map, bytes or one-byte-per-character text in and out, the RTS
// and DTR lines, and the count of bytes still on their way out.
//
// The first error of an open port closes it and is reported once through
// failed(); a refused DTR/RTS set is no error (ptys and RTS under RTS/CTS
// handshaking refuse them).

#include "devices/SerialSettings.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <optional>

namespace zelq {

struct SerialOpenRequest {
    int port = 1;            // COM1..COM10, resolved through the port map
    QString device;          // when set, this path instead of the map's
    // Data parameters as the settings files write them ("4800,N,8,2");
    // a text that does not read as settings fails the open.
    QString settingsText;
    // The same already read; used when settingsText is empty. Neither
    // leaves the driver's defaults (key and PTT lines carry no data).
    std::optional<SerialSettings> settings;
    Handshake handshake = Handshake::None;
    QString owner;           // the part that holds the port: "rig interface"
    QString inUseMessage;    // the reason given when another part holds it
};

class SerialLine : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Opens the port; false leaves it closed, with openFailure() telling why.
    virtual bool open(const SerialOpenRequest& request) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual QString openFailure() const = 0;
    // The path of the open (or last tried) device.
    virtual QString devicePath() const = 0;

    virtual bool write(const QByteArray& bytes) = 0;
    // One byte per character; a character above 255 goes as "?".
    bool writeText(const QString& text) { return write(text.toLatin1()); }
    // Everything received so far.
    virtual QByteArray readAll() = 0;
    QString readAllText() { return QString::fromLatin1(readAll()); }
    // Bytes written but not yet sent by the driver.
    virtual qint64 bytesWaiting() const = 0;

    virtual bool setRts(bool on) = 0;
    virtual bool setDtr(bool on) = 0;
    // Both lines down in one step.
    virtual bool lowerDtrAndRts() = 0;
    // The open port's descriptor, for line changes made off the port's
    // thread (the keying thread, a signal handler); -1 when there is none.
    virtual int nativeHandle() const { return -1; }

signals:
    void readyRead();
    // The port failed and is closed; `reason` is readable text.
    void failed(const QString& reason);
};

} // namespace zelq
