#include "devices/DeviceRegistry.h"

#include <QDir>
#include <QFileInfo>

namespace zelq {

DeviceClaim::DeviceClaim(DeviceClaim&& other) noexcept
    : registry(std::exchange(other.registry, nullptr)), key(std::move(other.key))
{
}

DeviceClaim& DeviceClaim::operator=(DeviceClaim&& other) noexcept
{
    if (this != &other) {
        release();
        registry = std::exchange(other.registry, nullptr);
        key = std::move(other.key);
    }
    return *this;
}

void DeviceClaim::release()
{
    if (DeviceRegistry* r = std::exchange(registry, nullptr))
        r->release(key);
}

QString DeviceRegistry::canonicalDevice(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

DeviceRegistry::Outcome DeviceRegistry::claim(const QString& path, const QString& owner,
                                              const QString& inUseMessage)
{
    const QString key = canonicalDevice(path);
    QMutexLocker lock(&mutex);
    const auto held = owners.constFind(key);
    if (held != owners.cend()) {
        Outcome refused;
        refused.heldBy = held.value();
        refused.refusal = inUseMessage.isEmpty()
            ? QStringLiteral("%1 is in use by the %2.").arg(path, held.value())
            : inUseMessage;
        return refused;
    }
    owners.insert(key, owner);
    Outcome granted;
    granted.claim = DeviceClaim(this, key);
    return granted;
}

QString DeviceRegistry::holder(const QString& path) const
{
    const QString key = canonicalDevice(path);
    QMutexLocker lock(&mutex);
    return owners.value(key);
}

void DeviceRegistry::release(const QString& key)
{
    QMutexLocker lock(&mutex);
    owners.remove(key);
}

} // namespace zelq
