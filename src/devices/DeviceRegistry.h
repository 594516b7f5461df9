#pragma once
// One registry owns the devices of the program: a part that wants a serial
// or parallel port claims it first, by its canonical path (a link and its
// target are one device), and a device another part holds is refused with
// the claimer's own message. A claim ends when its handle goes or is
// released, which is what closing the port does.

#include <QHash>
#include <QMutex>
#include <QString>

namespace zelq {

class DeviceRegistry;

// Move-only handle of one held device.
class DeviceClaim {
public:
    DeviceClaim() = default;
    ~DeviceClaim() { release(); }
    DeviceClaim(DeviceClaim&& other) noexcept;
    DeviceClaim& operator=(DeviceClaim&& other) noexcept;
    DeviceClaim(const DeviceClaim&) = delete;
    DeviceClaim& operator=(const DeviceClaim&) = delete;

    bool isHeld() const { return registry != nullptr; }
    // The canonical path of the held device.
    QString device() const { return key; }
    void release();

private:
    friend class DeviceRegistry;
    DeviceClaim(DeviceRegistry* r, QString k) : registry(r), key(std::move(k)) {}

    DeviceRegistry* registry = nullptr;
    QString key;
};

class DeviceRegistry {
public:
    struct Outcome {
        DeviceClaim claim;  // held on success
        QString refusal;    // otherwise: the claimer's message
        QString heldBy;     // otherwise: who holds the device
        bool ok() const { return claim.isHeld(); }
    };

    DeviceRegistry() = default;
    DeviceRegistry(const DeviceRegistry&) = delete;
    DeviceRegistry& operator=(const DeviceRegistry&) = delete;

    // Claims `path` for `owner` ("rig interface", "CW keying"). When another
    // part holds it, the outcome carries `inUseMessage`, or a plain
    // "<path> is in use by <holder>." when that is empty.
    Outcome claim(const QString& path, const QString& owner, const QString& inUseMessage = {});

    // Who holds the device of `path`; empty when it is free.
    QString holder(const QString& path) const;

    // Links resolved; a path that does not exist is made absolute and clean.
    static QString canonicalDevice(const QString& path);

private:
    friend class DeviceClaim;
    void release(const QString& key);

    mutable QMutex mutex;
    QHash<QString, QString> owners; // canonical path -> owner
};

} // namespace zelq
