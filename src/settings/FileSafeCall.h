#pragma once

#include <QString>

namespace zelq {

// The leading run of capital letters and digits of a call sign, fit for a
// file name: "K1ABC/3" gives "K1ABC". "YourCall" when there is none.
QString FileSafeCall(const QString& call);

} // namespace zelq
