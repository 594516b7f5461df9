#pragma once
// The operating-time display: hours, minutes and seconds as "hh:mm:ss",
// each part two digits (hours past 99 keep their last two digits).

#include <QString>

namespace zelq {

QString operatingTimeText(double seconds);

} // namespace zelq
