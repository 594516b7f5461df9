#include "devices/SerialKeyLine.h"

#include <cerrno>
#include <sys/ioctl.h>

namespace zelq {

SerialKeyLine::SerialKeyLine(std::unique_ptr<SerialLine> line, KeyPin pin)
    : line(std::move(line)), pin(pin)
{
}

bool SerialKeyLine::open(int port, const QString& owner, const QString& inUseMessage,
                         QString* reason)
{
    SerialOpenRequest request;
    request.port = port;
    request.owner = owner;
    request.inUseMessage = inUseMessage;
    return finishOpen(request, reason);
}

bool SerialKeyLine::openDevice(const QString& device, const QString& owner, QString* reason)
{
    SerialOpenRequest request;
    request.device = device;
    request.owner = owner;
    return finishOpen(request, reason);
}

bool SerialKeyLine::finishOpen(const SerialOpenRequest& request, QString* reason)
{
    if (!line->open(request)) {
        if (reason)
            *reason = line->openFailure();
        return false;
    }
    line->lowerDtrAndRts(); // refused on a pty; never a failure
    return true;
}

void SerialKeyLine::close()
{
    if (line->isOpen())
        setKey(false);
    line->close();
}

int SerialKeyLine::pinBit() const
{
    return pin == KeyPin::Rts ? TIOCM_RTS : TIOCM_DTR;
}

bool SerialKeyLine::setKey(bool down)
{
    const int fd = line->nativeHandle();
    if (fd < 0)
        return pin == KeyPin::Rts ? line->setRts(down) : line->setDtr(down);
    const int bit = pinBit();
    if (::ioctl(fd, down ? TIOCMBIS : TIOCMBIC, &bit) == 0)
        return true;
    // A pty has no modem lines: refused, but the port is as usable as before.
    return errno == ENOTTY || errno == EINVAL;
}

KeyUpCall SerialKeyLine::keyUpCall() const
{
    const int fd = line->nativeHandle();
    if (fd < 0)
        return {};
    return KeyUpCall {fd, TIOCMBIC, pinBit(), false};
}

} // namespace zelq
