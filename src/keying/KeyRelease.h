#pragma once
// Lifting the key when the program is told to end. SIGTERM, SIGINT and
// SIGHUP run a handler that makes the registered key-up calls (one ioctl
// each on a held descriptor, which is safe in a signal handler), then ends
// the program as the signal would have.

#include "devices/KeyLine.h"

namespace zelq {

// Installs the handlers (once; later calls do nothing).
void liftKeysOnEndSignals();

// Registers the key-up call of an open line; returns its slot, or -1 when
// the line has none or every slot is taken.
int registerKeyUp(const KeyUpCall& call);
void unregisterKeyUp(int slot);

// Registers bytes to send on a connected socket at the end signal: a PTT
// release through a daemon. They go only while the descriptor still
// reaches the peer it reached when registered (a closed descriptor may
// have been reused). Returns the slot, or -1.
int registerSendOnEnd(int socketFd, const char* bytes, int length);
void unregisterSendOnEnd(int slot);

// Makes every registered key-up call now (also what the handler does).
void liftRegisteredKeys();

} // namespace zelq
