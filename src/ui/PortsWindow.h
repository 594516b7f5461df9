#pragma once
// "Serial Ports": which device each of COM1..COM10 stands for. Each row
// offers the devices present and takes a typed path; its "Test" opens the
// device at 9600 8N1 and shows "OK" or the reason beside it. Done saves
// the map, Cancel leaves it as it was.

#include "devices/PortsEditor.h"

#include <QDialog>
#include <array>

class QComboBox;
class QLabel;

namespace zelq {

class DeviceRegistry;
class OperatorDialogs;

class PortsWindow final : public QDialog {
    Q_OBJECT
public:
    PortsWindow(DeviceRegistry& registry, const QString& installFolder, OperatorDialogs& dialogs,
                QWidget* parent = nullptr, DeviceFolders folders = {});

    // Tests the device now entered for `port` (1..10).
    void testPort(int port);
    // Saves and closes; a failed save is reported and the window stays.
    void done_Click();

private:
    QString entered(int port) const;

    PortsEditor editor;
    OperatorDialogs& dialogs;
    std::array<QComboBox*, PortMap::PortCount> devices{};
    std::array<QLabel*, PortMap::PortCount> results{};
};

} // namespace zelq
