#pragma once
// The serial line on Qt's serial port: the one place of the program that
// holds a QSerialPort. Every open claims the device in the registry; every
// close (and the first error) releases it. The port is a child of the line,
// so moving the line to another thread (a keyer's) moves the port with it;
// the line is then used from that thread only.

#include "devices/DeviceRegistry.h"
#include "devices/SerialLine.h"

#include <QSerialPort>

namespace zelq {

class QtSerialLine final : public SerialLine {
    Q_OBJECT
public:
    // `installFolder` holds the port map, read at every open so a change
    // made in the ports window counts at once.
    QtSerialLine(DeviceRegistry& registry, QString installFolder, QObject* parent = nullptr);
    ~QtSerialLine() override;

    bool open(const SerialOpenRequest& request) override;
    void close() override;
    bool isOpen() const override { return port.isOpen() && !failing; }
    QString openFailure() const override { return failure; }
    QString devicePath() const override { return path; }

    bool write(const QByteArray& bytes) override;
    QByteArray readAll() override;
    qint64 bytesWaiting() const override;

    bool setRts(bool on) override;
    bool setDtr(bool on) override;
    bool lowerDtrAndRts() override;
    int nativeHandle() const override;

    // Speeds within this share of the request count as the request (a
    // UART's divisor rounds: 56000 on a 16550 runs at 57600).
    static constexpr double BaudTolerance = 0.03;

private:
    bool fail(const QString& reason);
    void onError(QSerialPort::SerialPortError error);
    bool checkSettings(const std::optional<SerialSettings>& settings, Handshake handshake);
    QString describe(const QString& what) const;

    DeviceRegistry& registry;
    QString installFolder;
    QSerialPort port; // a child of this line as well
    DeviceClaim claim;
    QString path;
    QString failure;
    bool failing = false;   // an error was seen; the close is on its way
    quint64 generation = 0; // one per open, so a late close never hits a newer open
};

} // namespace zelq
