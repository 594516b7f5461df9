#pragma once
// The WinKeyer's host-mode serial protocol (WinKeyer 2 and 3) as bytes:
// builders for each command the program gives, with no I/O, and a sorter
// for what the keyer sends back. The port runs at 1200 baud, 8 data bits,
// no parity, 2 stop bits, DTR on (it powers some keyers) and RTS off.
//
// Host to keyer: a command byte below 0x20, then its parameters; any byte
// from 0x20 up is a character to send. Keyer to host: a byte 110xxxxx is
// a status byte, 10xxxxxx a speed-pot reading, anything else the echo of a
// character as the keyer starts sending it (when the mode register asks
// for serial echo).

#include <QByteArray>
#include <QChar>
#include <QList>
#include <QtGlobal>

namespace zelq::wk {

inline constexpr int Baud = 1200;
inline constexpr char EchoProbe = 'U';
// Speed pot: its readings run from MinPotWpm to MinPotWpm + PotRange.
inline constexpr int MinPotWpm = 10;
inline constexpr int PotRange = 30;

// Mode register bits.
inline constexpr quint8 SerialEcho = 0x04;

// Status byte bits.
inline constexpr quint8 StatusXoff = 0x01;    // its buffer is more than 2/3 full
inline constexpr quint8 StatusBreakIn = 0x02; // the paddles are in use
inline constexpr quint8 StatusBusy = 0x04;    // sending Morse
inline constexpr quint8 StatusKeyDown = 0x08; // tune (key held down)
inline constexpr quint8 StatusWait = 0x10;    // waiting for a timed event

QByteArray openNulls();                  // 13 13 13: resynchronises the command parser
QByteArray echoTest();                   // 00 04 'U': answered with 'U'
QByteArray hostOpen();                   // 00 02: answered with the version byte
QByteArray hostClose();                  // 00 03
QByteArray speed(quint8 wpm);            // 02 n (0: the speed pot's speed)
QByteArray weight(quint8 w);             // 03 n
QByteArray pttLeadTail(quint8 lead, quint8 tail); // 04 lead tail, in 10 ms
QByteArray speedPotSetup(quint8 minWpm, quint8 range); // 05 min range 0
QByteArray ditDahRatio(quint8 ratio);    // 17 n
QByteArray pinConfig(quint8 config);     // 09 n
QByteArray modeRegister(quint8 mode);    // 0E n
QByteArray clearBuffer();                // 0A
QByteArray backspace();                  // 08
QByteArray requestStatus();              // 15

// True for characters the keyer takes as text: a byte from 0x20 to 0x7E.
// Anything below would be read as a command and eat the bytes after it.
bool isSendable(QChar c);

struct Received {
    enum class Kind { Status, SpeedPot, Echo };
    Kind kind;
    quint8 byte;
    // Status bits, the pot's offset (0..63), or the echoed character.
    quint8 value() const
    {
        return kind == Kind::Status ? quint8(byte & 0x1F) : kind == Kind::SpeedPot ? quint8(byte & 0x3F) : byte;
    }
};

QList<Received> sortReceived(const QByteArray& bytes);

} // namespace zelq::wk
