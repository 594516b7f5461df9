#pragma once
// What the "Serial Ports" window does, without the window: the ten ports
// of the map as they are being edited, the devices to offer, a test open of
// one port, and saving.

#include "devices/PortMap.h"
#include "devices/SerialDeviceList.h"

#include <QString>
#include <QStringList>

namespace zelq {

class DeviceRegistry;

class PortsEditor {
public:
    PortsEditor(DeviceRegistry& registry, QString installFolder, DeviceFolders folders = {});

    // The device of port 1..10 as edited so far.
    QString device(int port) const { return edited.device(port); }
    // Takes typed or picked text; a blank entry stands for the default.
    void setDevice(int port, const QString& path) { edited.setDevice(port, path); }
    // Devices present, for the choice lists.
    QStringList choices() const { return presentSerialDevices(folders); }

    // Opens the device now entered for `port` at 9600 8N1 and closes it
    // again: "OK", or why it cannot be used.
    QString test(int port);

    // Writes the map; false and a reason when that fails.
    bool save(QString* errorText);

private:
    DeviceRegistry& registry;
    QString installFolder;
    DeviceFolders folders;
    PortMap edited;
};

} // namespace zelq
