#include "devices/QtSerialLine.h"

#include "devices/DeviceAccess.h"
#include "devices/PortMap.h"
#include "devices/TtyControl.h"

#include <cerrno>
#include <cstring>
#include <cmath>

namespace zelq {

namespace {

QSerialPort::Parity qtParity(Parity p)
{
    switch (p) {
    case Parity::Odd: return QSerialPort::OddParity;
    case Parity::Even: return QSerialPort::EvenParity;
    case Parity::None: break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::FlowControl qtFlow(Handshake h)
{
    switch (h) {
    case Handshake::XonXoff: return QSerialPort::SoftwareControl;
    case Handshake::RtsCts:
    case Handshake::RtsCtsXonXoff: return QSerialPort::HardwareControl;
    case Handshake::None: break;
    }
    return QSerialPort::NoFlowControl;
}

} // namespace

QtSerialLine::QtSerialLine(DeviceRegistry& registry, QString installFolder, QObject* parent)
    : SerialLine(parent), registry(registry), installFolder(std::move(installFolder)), port(this)
{
    connect(&port, &QSerialPort::errorOccurred, this, &QtSerialLine::onError);
    connect(&port, &QSerialPort::readyRead, this, &SerialLine::readyRead);
}

QtSerialLine::~QtSerialLine()
{
    close();
}

bool QtSerialLine::fail(const QString& reason)
{
    failure = reason;
    if (port.isOpen())
        port.close();
    claim.release();
    return false;
}

QString QtSerialLine::describe(const QString& what) const
{
    // Qt also calls a port locked by another program a permission error;
    // only a real lack of rights gets the advice about the group.
    if (port.error() == QSerialPort::PermissionError && deniedByPermissions(path))
        return deviceOpenFailure(path, EACCES, QStringLiteral("dialout"));
    return QStringLiteral("%1: %2").arg(path, what);
}

bool QtSerialLine::open(const SerialOpenRequest& request)
{
    close();
    failure.clear();
    ++generation;

    if (request.device.isEmpty() && !PortMap::isValidPort(request.port)) {
        path.clear();
        return fail(QStringLiteral("There is no port %1; ports are numbered 1 to %2.")
                        .arg(request.port)
                        .arg(PortMap::PortCount));
    }
    const QString chosen = request.device.isEmpty()
        ? PortMap::load(installFolder).device(request.port)
        : request.device;
    path = PortMap::resolveDevice(chosen, installFolder);

    DeviceRegistry::Outcome outcome = registry.claim(path, request.owner, request.inUseMessage);
    if (!outcome.ok())
        return fail(outcome.refusal);
    claim = std::move(outcome.claim);

    std::optional<SerialSettings> settings = request.settings;
    if (!request.settingsText.isEmpty()) {
        settings = parseSerialSettings(request.settingsText);
        if (!settings)
            return fail(QStringLiteral("%1: \"%2\" are no serial settings (baud,parity,data bits,stop bits)")
                            .arg(path, request.settingsText));
    }

    port.setPortName(path);
    if (settings) {
        const SerialSettings& s = *settings;
        port.setBaudRate(s.baud);
        port.setDataBits(s.dataBits == 7 ? QSerialPort::Data7 : QSerialPort::Data8);
        port.setParity(qtParity(s.parity));
        port.setStopBits(s.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    }
    port.setFlowControl(qtFlow(request.handshake));

    if (!port.open(QIODevice::ReadWrite)) {
        if (port.error() == QSerialPort::UnsupportedOperationError && settings)
            return fail(describe(QStringLiteral("the driver refused the settings %1 (%2)")
                                     .arg(serialSettingsText(*settings), port.errorString())));
        return fail(describe(port.errorString()));
    }
    port.clearError();
    if (!checkSettings(settings, request.handshake))
        return false;
    failing = false;
    return true;
}

// Qt applies the settings while opening; a driver that refuses a custom
// speed can leave the port at another one without saying so, so the speed
// in force is read back.
bool QtSerialLine::checkSettings(const std::optional<SerialSettings>& settings, Handshake handshake)
{
    const int fd = int(port.handle());
    if (settings) {
        const int wanted = settings->baud;
        const std::optional<int> actual = actualBaudRate(fd);
        if (actual && std::abs(*actual - wanted) > wanted * BaudTolerance) {
            return fail(describe(QStringLiteral("the driver refused %1 baud (the port runs at %2)")
                                     .arg(wanted)
                                     .arg(*actual)));
        }
    }
    if (handshake == Handshake::RtsCtsXonXoff && !addSoftwareFlowControl(fd))
        return fail(describe(QStringLiteral("XON/XOFF handshaking refused: %1")
                                 .arg(QString::fromLocal8Bit(strerror(errno)))));
    return true;
}

void QtSerialLine::close()
{
    ++generation;
    failing = false;
    if (port.isOpen())
        port.close();
    claim.release();
}

void QtSerialLine::onError(QSerialPort::SerialPortError error)
{
    // Errors while opening are open()'s to report, in Qt's words; errors
    // after the first one repeat it.
    if (!port.isOpen() || failing)
        return;
    switch (error) {
    case QSerialPort::NoError:
        return;
    case QSerialPort::UnsupportedOperationError: // DTR/RTS on a pty or under RTS/CTS
    case QSerialPort::TimeoutError:
        port.clearError();
        return;
    default:
        break;
    }
    failing = true;
    const QString reason = describe(port.errorString());
    // Closed from the event loop: the error arrives from inside the port's
    // own notifier, which must not be torn down under it.
    const quint64 current = generation;
    QMetaObject::invokeMethod(
        this,
        [this, current, reason] {
            if (current != generation)
                return;
            close();
            emit failed(reason);
        },
        Qt::QueuedConnection);
}

bool QtSerialLine::write(const QByteArray& bytes)
{
    if (!isOpen())
        return false;
    return port.write(bytes) == bytes.size();
}

QByteArray QtSerialLine::readAll()
{
    return port.isOpen() ? port.readAll() : QByteArray();
}

qint64 QtSerialLine::bytesWaiting() const
{
    if (!port.isOpen())
        return 0;
    return port.bytesToWrite() + driverOutputQueue(int(port.handle()));
}

bool QtSerialLine::setRts(bool on)
{
    return isOpen() && port.setRequestToSend(on);
}

bool QtSerialLine::setDtr(bool on)
{
    return isOpen() && port.setDataTerminalReady(on);
}

int QtSerialLine::nativeHandle() const
{
    return port.isOpen() ? int(port.handle()) : -1;
}

bool QtSerialLine::lowerDtrAndRts()
{
    return isOpen() && clearDtrAndRts(int(port.handle()));
}

} // namespace zelq
