#pragma once
// The position's port map: serial port numbers 1..10 (COM1..COM10) name
// device paths. "Ports.txt" in the installation folder holds ten quoted
// lines, COM1 first; a port without a line keeps its default /dev/ttyS(n-1).

#include <QString>
#include <array>

namespace zelq {

class PortMap {
public:
    static constexpr int PortCount = 10;

    static QString fileName() { return QStringLiteral("Ports.txt"); }
    static QString defaultDevice(int port);
    static bool isValidPort(int port) { return port >= 1 && port <= PortCount; }

    // The device file an entry names: a bare name ("ttyUSB0") lives in
    // /dev, a relative path is taken from the installation folder.
    static QString resolveDevice(const QString& entry, const QString& installFolder);

    PortMap();

    // Reads the map of `installFolder`; a missing or short file gives the
    // defaults for the lines it lacks, a blank line the default of its port.
    static PortMap load(const QString& installFolder);
    // Rewrites the whole file; false and a reason when that fails.
    bool save(const QString& installFolder, QString* errorText = nullptr) const;

    // The device of port 1..10; empty for any other number.
    QString device(int port) const;
    // A blank path stands for the port's default.
    void setDevice(int port, const QString& path);

    bool operator==(const PortMap&) const = default;

private:
    std::array<QString, PortCount> devices;
};

} // namespace zelq
