#pragma once
// The data parameters of a serial port as the settings files write them:
// baud, parity, data bits and stop bits joined by commas ("4800,N,8,2").

#include <QString>
#include <optional>

namespace zelq {

enum class Parity { None, Odd, Even };

// Flow control of a port: none, XON/XOFF, RTS/CTS, or both at once.
enum class Handshake { None, XonXoff, RtsCts, RtsCtsXonXoff };

struct SerialSettings {
    int baud = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    int stopBits = 1;

    bool operator==(const SerialSettings&) const = default;
};

// "4800,N,8,2"; blanks around fields are ignored and the parity letter may
// be lower case. Parity O/N/E, 7 or 8 data bits, 1 or 2 stop bits, a baud
// from 50 to 4,000,000. nullopt for anything else.
std::optional<SerialSettings> parseSerialSettings(const QString& text);

// The same text back: "4800,N,8,2".
QString serialSettingsText(const SerialSettings& s);

// The speeds the settings windows offer; those the kernel has no constant
// for (14400, 28800, 56000) are set as custom rates.
inline constexpr int OfferedBaudRates[] = {1200, 2400, 4800, 9600, 14400,
                                           19200, 28800, 38400, 56000};

} // namespace zelq
