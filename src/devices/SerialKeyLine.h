#pragma once
// Keying through the RTS or DTR line of a serial port. The port carries no
// data: it opens without data parameters and both lines go down at once
// right after the open (opening a tty raises them).

#include "devices/KeyLine.h"
#include "devices/SerialLine.h"

#include <memory>

namespace zelq {

enum class KeyPin { Rts, Dtr };

class SerialKeyLine final : public KeyLine {
public:
    SerialKeyLine(std::unique_ptr<SerialLine> line, KeyPin pin);

    // Opens `port` (1..10) for `owner`; false with a reason. `inUseMessage`
    // is the owner's own words when another part holds the port.
    bool open(int port, const QString& owner, const QString& inUseMessage, QString* reason);
    // The same on a device path instead of a port number.
    bool openDevice(const QString& device, const QString& owner, QString* reason);
    void close();
    bool isOpen() const { return line->isOpen(); }
    SerialLine& serial() { return *line; }

    // The line is set with one ioctl on the port's descriptor when it has
    // one: safe from the keying thread while the port object stays with
    // the window's thread.
    bool setKey(bool down) override;
    KeyUpCall keyUpCall() const override;

private:
    bool finishOpen(const SerialOpenRequest& request, QString* reason);

    int pinBit() const;

    std::unique_ptr<SerialLine> line;
    KeyPin pin;
};

} // namespace zelq
