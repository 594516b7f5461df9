#pragma once
// Poll strings of the binary radios are written as hex pairs with one
// space between ("FE FE 64 E0 03 FD"); replies are looked at as the hex
// text of their bytes ("FEFE...").

#include <QByteArray>
#include <QString>
#include <optional>

namespace zelq {

// The pairs at characters 1, 4, 7, ... as bytes, at most `maxBytes` of
// them (all when negative). nullopt when a pair is not hexadecimal.
std::optional<QByteArray> HexTextToBytes(const QString& text, int maxBytes = -1);

// "FEFEE0": two upper-case digits per byte, nothing between.
QString hexDigits(const QByteArray& bytes);

// "FE FE E0 ": each byte as two digits and a space, as the rig window
// shows an unprocessed reply.
QString hexDisplay(const QByteArray& bytes);

} // namespace zelq
