#include "devices/ParallelKeyLine.h"

#include "devices/DeviceAccess.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace zelq {

std::optional<unsigned> parseBaseAddress(const QString& text)
{
    QString t = text.trimmed();
    int base = 10;
    if (t.startsWith(QLatin1String("&H"), Qt::CaseInsensitive)
        || t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        t = t.mid(2);
        base = 16;
    }
    bool ok = false;
    const unsigned value = t.toUInt(&ok, base);
    if (!ok || t.isEmpty() || value > 0xFFFF)
        return std::nullopt;
    return value;
}

std::optional<QString> parportForBase(unsigned base, const ParportPaths& paths)
{
    const QDir proc(paths.procFolder);
    static const QRegularExpression numbered(QStringLiteral("^parport(\\d+)$"));
    const QStringList entries = proc.entryList({QStringLiteral("parport*")}, QDir::Dirs, QDir::Name);
    for (const QString& entry : entries) {
        const QRegularExpressionMatch m = numbered.match(entry);
        if (!m.hasMatch())
            continue;
        QFile f(proc.filePath(entry + QStringLiteral("/base-addr")));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        // "888\t1912": the base first, in decimal.
        const QString first = QString::fromLatin1(f.readAll()).simplified().section(QLatin1Char(' '), 0, 0);
        bool ok = false;
        if (first.toUInt(&ok) == base && ok)
            return paths.devicePrefix + m.captured(1);
    }
    return std::nullopt;
}

ParallelKeyLine::ParallelKeyLine(DeviceRegistry& registry, ParportPaths paths)
    : registry(registry), paths(std::move(paths))
{
}

ParallelKeyLine::~ParallelKeyLine()
{
    close();
}

bool ParallelKeyLine::open(const QString& baseAddress, const QString& owner,
                           const QString& inUseMessage, QString* reason)
{
    close();
    auto failed = [&](const QString& why) {
        if (reason)
            *reason = why;
        close();
        return false;
    };

    const std::optional<unsigned> base = parseBaseAddress(baseAddress);
    if (!base)
        return failed(QStringLiteral("\"%1\" is not a port address.").arg(baseAddress));
    const std::optional<QString> device = parportForBase(*base, paths);
    if (!device)
        return failed(QStringLiteral("No parallel port at address &H%1 (is the parport_pc "
                                     "module loaded?).")
                          .arg(QString::number(*base, 16).toUpper()));
    path = *device;

    DeviceRegistry::Outcome outcome = registry.claim(path, owner, inUseMessage);
    if (!outcome.ok())
        return failed(outcome.refusal);
    claim = std::move(outcome.claim);

    fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return failed(deviceOpenFailure(path, errno, QStringLiteral("lp")));
    if (::ioctl(fd, PPCLAIM) != 0)
        return failed(QStringLiteral("%1: the port cannot be claimed: %2")
                          .arg(path, QString::fromLocal8Bit(strerror(errno))));
    claimed = true;
    setKey(false);
    return true;
}

void ParallelKeyLine::close()
{
    if (fd >= 0) {
        if (claimed) {
            setKey(false);
            ::ioctl(fd, PPRELEASE);
        }
        claimed = false;
        ::close(fd);
        fd = -1;
    }
    claim.release();
}

KeyUpCall ParallelKeyLine::keyUpCall() const
{
    if (!claimed)
        return {};
    return KeyUpCall {fd, PPWCONTROL, ControlUp, true};
}

bool ParallelKeyLine::setKey(bool down)
{
    if (!claimed)
        return false;
    unsigned char control = down ? ControlDown : ControlUp;
    return ::ioctl(fd, PPWCONTROL, &control) == 0;
}

} // namespace zelq
