#pragma once
// The function-key messages: which field a key code sends, and the
// wildcards filled in when the key is pressed.

#include <QString>

namespace zelq {

// Windows key codes of the function keys, as the messages are numbered.
inline constexpr int KeyF1 = 112;
inline constexpr int KeyF9 = 120;
inline constexpr int KeyF10 = 121;
inline constexpr int KeyF11 = 122;
inline constexpr int KeyF12 = 123;
inline constexpr int KeyF10Message = 124; // F10 is sent as this code

// The message slot (0..10: F1..F9, F10, F11) of a key code, or -1 for codes
// that have none (121, 123 and anything outside 112..124).
int messageSlot(int keyCode);

// The key code of function key n (1..12) as the dispatcher passes it on:
// F10 becomes 124.
int functionKeyCode(int n);

// Fills in the wildcards, left to right in three passes: "$" the call
// (blanks around it removed), then "#" nothing (no serial numbers are
// exchanged), then "*" the report. `report` is the held sent report: "599"
// or empty becomes "5NN" when a "*" is filled in.
QString expandWildcards(const QString& message, const QString& call, QString& report);

} // namespace zelq
