#pragma once
// Keying through a parallel port's control register with Linux ppdev. The
// base address the settings give ("&H378") picks the /dev/parportN whose
// /proc/sys/dev/parport/parportN/base-addr starts with it; the port is
// claimed once (PPCLAIM), then key down writes the control byte 3 and key
// up the byte 2 (PPWCONTROL): bit 0 keys, bit 1 stays set.

#include "devices/DeviceRegistry.h"
#include "devices/KeyLine.h"

#include <QString>
#include <optional>

namespace zelq {

// Where the kernel lists parallel ports and where their devices live.
struct ParportPaths {
    QString procFolder = QStringLiteral("/proc/sys/dev/parport");
    QString devicePrefix = QStringLiteral("/dev/parport");
};

// "&H378" (hexadecimal), "0x378" or "888"; nullopt for anything else.
std::optional<unsigned> parseBaseAddress(const QString& text);

// The device of the port at `base`, or nullopt when no port has it.
std::optional<QString> parportForBase(unsigned base, const ParportPaths& paths = {});

class ParallelKeyLine final : public KeyLine {
public:
    static constexpr unsigned char ControlDown = 3;
    static constexpr unsigned char ControlUp = 2;

    explicit ParallelKeyLine(DeviceRegistry& registry, ParportPaths paths = {});
    ~ParallelKeyLine() override;
    ParallelKeyLine(const ParallelKeyLine&) = delete;
    ParallelKeyLine& operator=(const ParallelKeyLine&) = delete;

    // Opens and claims the port at `baseAddress` ("&H378"); false with a
    // readable reason (a permission problem names the lp group).
    bool open(const QString& baseAddress, const QString& owner, const QString& inUseMessage,
              QString* reason);
    void close();
    bool isOpen() const { return claimed; }
    QString device() const { return path; }

    bool setKey(bool down) override;
    KeyUpCall keyUpCall() const override;

private:
    DeviceRegistry& registry;
    ParportPaths paths;
    DeviceClaim claim;
    QString path;
    int fd = -1;
    bool claimed = false;
};

} // namespace zelq
