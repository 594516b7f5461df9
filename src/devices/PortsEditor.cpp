#include "devices/PortsEditor.h"

#include "devices/QtSerialLine.h"

namespace zelq {

PortsEditor::PortsEditor(DeviceRegistry& registry, QString installFolder, DeviceFolders folders)
    : registry(registry), installFolder(std::move(installFolder)), folders(std::move(folders)),
      edited(PortMap::load(this->installFolder))
{
}

QString PortsEditor::test(int port)
{
    if (!PortMap::isValidPort(port))
        return QStringLiteral("There is no port %1.").arg(port);
    QtSerialLine line(registry, installFolder);
    SerialOpenRequest request;
    request.device = edited.device(port);
    request.settings = SerialSettings{};
    request.owner = QStringLiteral("Serial Ports test");
    if (!line.open(request))
        return line.openFailure();
    line.close();
    return QStringLiteral("OK");
}

bool PortsEditor::save(QString* errorText)
{
    return edited.save(installFolder, errorText);
}

} // namespace zelq
