#pragma once
// The radios the rig window offers, in list order, and what picking one
// fills in: serial parameters, poll strings and the hex box. Blank fields
// of a row leave the window's value as it is.

#include <QString>
#include <QStringList>
#include <optional>

namespace zelq {

namespace RigTypes {
inline const QString None = QStringLiteral("None");
inline const QString Elecraft = QStringLiteral("Elecraft");
inline const QString Icom = QStringLiteral("Icom");
inline const QString Icom735 = QStringLiteral("Icom 735");
inline const QString Kenwood = QStringLiteral("Kenwood");
inline const QString Kenwood2 = QStringLiteral("Kenwood 2");
inline const QString OmniVI = QStringLiteral("Ten Tec Omni VI");
inline const QString Orion = QStringLiteral("Ten Tec Orion");
inline const QString FrontPanel = QStringLiteral("Ten Tec Fnt Pnl");
inline const QString Pegasus = QStringLiteral("Ten Tec Pegasus");
inline const QString Yaesu = QStringLiteral("Yaesu");
inline const QString Yaesu757 = QStringLiteral("Yaesu 757 GX II");
inline const QString Yaesu890 = QStringLiteral("Yaesu 890");
inline const QString Yaesu920 = QStringLiteral("Yaesu 920");
inline const QString Yaesu990 = QStringLiteral("Yaesu 990");
inline const QString Yaesu1000D = QStringLiteral("Yaesu 1000 D");
inline const QString Yaesu1000 = QStringLiteral("Yaesu 1000");
inline const QString FTdx9000 = QStringLiteral("Yaesu FTdx9000");
inline const QString Other = QStringLiteral("Other");
// Any radio Hamlib knows, through its network daemon.
inline const QString Hamlib = QStringLiteral("Hamlib rigctld");
} // namespace RigTypes

// The twenty names in list order.
const QStringList& rigCatalogue();

struct RigTypeDefaults {
    std::optional<QString> baud;     // "4800"
    std::optional<QString> dataBits; // "8"
    std::optional<QString> stopBits; // "2"
    std::optional<QString> parity;   // "N"
    QString frequencyPoll;
    QString modePoll;
    bool convertToHex = false;
};

// The row of `type`; a name not in the catalogue changes nothing but the
// poll strings (cleared).
RigTypeDefaults rigTypeDefaults(const QString& type);

// The families, compared exactly (the catalogue's spelling).
bool isCivType(const QString& type);          // Icom, Icom 735, Omni VI
bool isKenwoodType(const QString& type);      // Kenwood, Elecraft (FA/MD)
bool isYaesuBinaryType(const QString& type);  // the seven 5-byte Yaesu types
// Types that talk over a serial port (not None, Pegasus or Hamlib).
bool usesSerialPort(const QString& type);
// The Icom note shows for these.
bool showsIcomNote(const QString& type);

} // namespace zelq
