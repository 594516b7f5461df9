#include "devices/SerialDeviceList.h"

#include <QDir>
#include <QFile>
#include <algorithm>

namespace zelq {

namespace {

// ttyS ports without hardware are listed by the kernel with UART type 0.
bool hasUart(const DeviceFolders& folders, const QString& name)
{
    QFile type(QDir(folders.sysTty).filePath(name + QStringLiteral("/type")));
    if (!type.open(QIODevice::ReadOnly))
        return false;
    return type.readAll().trimmed() != "0";
}

// Names of one family ("ttyUSB2", "ttyUSB10") in the order of their numbers.
void sortByNumber(QStringList& names, qsizetype prefixLength)
{
    std::sort(names.begin(), names.end(), [prefixLength](const QString& a, const QString& b) {
        return a.mid(prefixLength).toUInt() < b.mid(prefixLength).toUInt();
    });
}

} // namespace

QStringList presentSerialDevices(const DeviceFolders& folders)
{
    QStringList found;
    const QDir byId(QDir(folders.dev).filePath(QStringLiteral("serial/by-id")));
    QStringList links = byId.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot);
    std::sort(links.begin(), links.end());
    for (const QString& link : links)
        found << byId.filePath(link);

    const QDir dev(folders.dev);
    for (const char* family : {"ttyS", "ttyUSB", "ttyACM"}) {
        const QString prefix = QString::fromLatin1(family);
        QStringList names = dev.entryList({prefix + QLatin1Char('*')},
                                          QDir::System | QDir::Files | QDir::NoDotAndDotDot);
        names.erase(std::remove_if(names.begin(), names.end(),
                                   [&](const QString& n) {
                                       bool numbered = false;
                                       n.mid(prefix.size()).toUInt(&numbered);
                                       return !numbered
                                           || (prefix == QLatin1String("ttyS") && !hasUart(folders, n));
                                   }),
                    names.end());
        sortByNumber(names, prefix.size());
        for (const QString& n : names)
            found << dev.filePath(n);
    }
    return found;
}

} // namespace zelq
