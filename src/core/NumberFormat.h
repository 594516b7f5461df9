#pragma once
// Whole numbers in the display patterns the log window uses: "###",
// "##,###", "###,##0", "###,###,###,##0". A "#" shows a digit only where it
// is significant, a "0" forces one, a "," asks for thousands separators.
// The separator is always ",": output never depends on the system locale.

#include <QString>

namespace zelq {

// Rounds half away from zero, then formats. formatPattern(0, "###") is "",
// formatPattern(0, "###,##0") is "0", formatPattern(12345, "##,###") is "12,345".
QString formatPattern(double value, QStringView pattern);

} // namespace zelq
