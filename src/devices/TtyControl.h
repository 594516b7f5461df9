#pragma once
// The few terminal calls Qt's serial port leaves out, on the port's own
// file descriptor.

#include <optional>

namespace zelq {

// The output speed in force on `fd` (custom rates included); nullopt when
// the descriptor is no terminal.
std::optional<int> actualBaudRate(int fd);

// Bytes in the driver's output queue (TIOCOUTQ); 0 when it cannot tell.
int driverOutputQueue(int fd);

// Both modem lines down in one call (TIOCMBIC). False with errno set.
bool clearDtrAndRts(int fd);

// Adds XON/XOFF flow control to what the port already has.
bool addSoftwareFlowControl(int fd);

} // namespace zelq
