#pragma once
// The spotting window's stored settings, "PackSpot.txt": fourteen items in
// a fixed order (quoted texts, bare numbers, the list/band-map choice as
// #TRUE# or #FALSE#), then our own additions: the login call for a cluster
// (empty: the station's own call), and the AGW packet engine's host
// (quoted) and TCP port (bare).

#include <QString>

namespace zelq {

struct SpotSettings {
    QString baud = QStringLiteral("9600");
    QString parity = QStringLiteral("N");
    QString dataBits = QStringLiteral("8");
    QString stopBits = QStringLiteral("1");
    int comPort = 1;                          // 1..10
    QString power = QStringLiteral("N");      // R raises RTS, D raises DTR
    QString source = QStringLiteral("None");  // None, TNC, Telnet, AGW Packet Engine
    int convertToHex = 0;
    int handshaking = 1;                      // 1 none, 2 XON/XOFF, 3 RTS, 4 RTS with XON/XOFF
    int dxOnly = 0;
    bool showList = true;                     // false: the band map
    QString commandChar = QStringLiteral("03"); // hex digits
    QString telnetPort = QStringLiteral("7300");
    QString telnetHost;
    QString loginCall;                        // call with optional SSID
    QString agwHost = QStringLiteral("127.0.0.1");
    int agwPort = 8000;

    static QString fileName() { return QStringLiteral("PackSpot.txt"); }

    // The call a cluster gets at its login prompt.
    QString loginFor(const QString& ownCall) const
    {
        const QString c = loginCall.trimmed();
        return c.isEmpty() ? ownCall.trimmed() : c;
    }
};

inline const QString SourceNone = QStringLiteral("None");
inline const QString SourceTnc = QStringLiteral("TNC");
inline const QString SourceTelnet = QStringLiteral("Telnet");
inline const QString SourceAgw = QStringLiteral("AGW Packet Engine");

// Reads `path` over `s`: items are taken in order and reading stops at the
// first one missing or unreadable, so the rest keep the values `s` had.
// Returns how many items were read.
int readSpotSettings(const QString& path, SpotSettings& s);

bool saveSpotSettings(const QString& path, const SpotSettings& s, QString* error = nullptr);
// The text written (CR LF lines).
QString spotSettingsText(const SpotSettings& s);

} // namespace zelq
