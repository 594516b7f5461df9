#include "devices/PortMap.h"

#include "settings/QuotedFile.h"

#include <QDir>

namespace zelq {

QString PortMap::defaultDevice(int port)
{
    return isValidPort(port) ? QStringLiteral("/dev/ttyS%1").arg(port - 1) : QString();
}

QString PortMap::resolveDevice(const QString& entry, const QString& installFolder)
{
    if (entry.startsWith(QLatin1Char('/')))
        return QDir::cleanPath(entry);
    if (!entry.contains(QLatin1Char('/')))
        return QStringLiteral("/dev/") + entry;
    return QDir::cleanPath(QDir(installFolder).absoluteFilePath(entry));
}

PortMap::PortMap()
{
    for (int p = 1; p <= PortCount; ++p)
        devices[size_t(p - 1)] = defaultDevice(p);
}

PortMap PortMap::load(const QString& installFolder)
{
    PortMap map;
    QuotedReader reader(QDir(installFolder).filePath(fileName()));
    if (!reader.isOpen())
        return map;
    for (int p = 1; p <= PortCount; ++p) {
        const std::optional<QString> field = reader.nextField();
        if (!field)
            break;
        map.setDevice(p, *field);
    }
    return map;
}

bool PortMap::save(const QString& installFolder, QString* errorText) const
{
    QuotedWriter out;
    for (const QString& d : devices)
        out.text(d);
    return out.save(QDir(installFolder).filePath(fileName()), errorText);
}

QString PortMap::device(int port) const
{
    return isValidPort(port) ? devices[size_t(port - 1)] : QString();
}

void PortMap::setDevice(int port, const QString& path)
{
    if (!isValidPort(port))
        return;
    const QString trimmed = path.trimmed();
    devices[size_t(port - 1)] = trimmed.isEmpty() ? defaultDevice(port) : trimmed;
}

} // namespace zelq
