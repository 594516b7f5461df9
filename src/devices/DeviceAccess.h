#pragma once
// Why a device could not be opened, in words an operator can act on: a
// permission problem names the group that owns that kind of device.

#include <QString>

namespace zelq {

// "<path>: <system error>", and for EACCES/EPERM how to get access through
// `group` ("dialout" for serial ports, "lp" for parallel ports).
QString deviceOpenFailure(const QString& path, int error, const QString& group);

// True when this user may not read and write `path` (EACCES), as opposed
// to the device being absent or busy.
bool deniedByPermissions(const QString& path);

} // namespace zelq
