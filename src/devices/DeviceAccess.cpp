#include "devices/DeviceAccess.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace zelq {

QString deviceOpenFailure(const QString& path, int error, const QString& group)
{
    QString text = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(strerror(error)));
    if (error == EACCES || error == EPERM)
        text += QStringLiteral(" (these devices belong to the %1 group: add your user to it "
                               "with \"sudo usermod -aG %1 $USER\" and log in again)")
                    .arg(group);
    return text;
}

bool deniedByPermissions(const QString& path)
{
    return ::access(QFile::encodeName(path).constData(), R_OK | W_OK) != 0 && errno == EACCES;
}

} // namespace zelq
