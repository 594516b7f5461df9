#pragma once
// The bytes that tune a radio and set its mode, one encoder per family,
// with no I/O. Frequencies arrive as single-precision MHz; the counts are
// formed in double precision from that value and rounded half to even
// (14.025 gives 14025000 Hz and 1402500 tens of hertz).

#include <QByteArray>
#include <QString>

namespace zelq {

// What the encoders read of the rig window's state.
struct RigCommandTarget {
    QString type;            // RigType
    QString frequencyPoll;   // the Kenwood/FTdx9000 tag, the CI-V address
    QString modePoll;        // the FTdx9000 mode prefix
    int kenwoodVfo = 10;     // VFO digit of the last IF reply (Kenwood 2)
};

qint64 hertzCount(float mhz);
qint64 tenHertzCount(float mhz);
// Decimal digits left-padded with "0" to `width`; a longer number is kept whole.
QString paddedDecimal(qint64 value, int width);
// The hex digit pairs of `hex` (no separators) as bytes; empty when a pair
// is not hexadecimal.
QByteArray PackedHexToBytes(const QString& hex);

// The frequency command of the family; empty: nothing to send (None,
// Other, Pegasus, Hamlib, or a CI-V address that is not hex).
QByteArray frequencyCommand(const RigCommandTarget& rig, float mhz);
// The mode command; empty when the family has no code for `mode`.
QByteArray modeCommand(const RigCommandTarget& rig, const QString& mode);

// The pauses before the frequency command: the first, then (Elecraft,
// Omni VI) a second one. Zero where nothing is sent.
struct FrequencyPauses {
    int firstMs = 0;
    int secondMs = 0;
};
FrequencyPauses frequencyPauses(const QString& type);
// The pause before a mode command.
constexpr int ModePauseMs = 99;

// The Pegasus exchange file: frequency in MHz, then the mode, CR LF lines.
QByteArray pegasusInText(float mhz, const QString& rigMode);

// rigctld: the mode name for `mode`, empty when Hamlib has none.
QByteArray hamlibModeName(const QString& mode);
// "F 14025000", "M CW -1" (passband -1 keeps the operator's filter).
QByteArray hamlibFrequencyCommand(float mhz);
QByteArray hamlibModeCommand(const QString& mode);

// Frequency text without padding: 14.025, 7, 1296.125.
QString mhzText(float mhz);

} // namespace zelq
