#pragma once
// The serial devices present on this computer, in the order the ports
// window offers them: the stable /dev/serial/by-id names first (they
// survive replugging), then ttyS, ttyUSB and ttyACM by number. A ttyS the
// kernel lists without a UART behind it is left out.

#include <QString>
#include <QStringList>

namespace zelq {

struct DeviceFolders {
    QString dev = QStringLiteral("/dev");
    QString sysTty = QStringLiteral("/sys/class/tty");
};

QStringList presentSerialDevices(const DeviceFolders& folders = {});

} // namespace zelq
