#pragma once
// The station's preferences: the 20-line preferences file "ZELQpfNt.txt"
// in the installation folder, rewritten whole after every change.

#include <QString>
#include <QStringList>

namespace zelq {

inline const QString PreferencesFileName = QStringLiteral("ZELQpfNt.txt");

// A colour as the preferences file stores it: red + 256 × green +
// 65536 × blue.
struct StoredColour {
    static quint32 fromRgb(int red, int green, int blue)
    {
        return quint32(red & 0xFF) | quint32(green & 0xFF) << 8 | quint32(blue & 0xFF) << 16;
    }
    static int red(quint32 v) { return int(v & 0xFF); }
    static int green(quint32 v) { return int(v >> 8 & 0xFF); }
    static int blue(quint32 v) { return int(v >> 16 & 0xFF); }
};

struct Preferences {
    QString ownCall;                 // 1
    QString ownSpc;                  // 2
    double utcOffset = 0;            // 3  hours added to local time to get UTC
    QString mode = QStringLiteral("CW"); // 4  "CW", "PH" or "RY"
    double operatingSeconds = 0;     // 5
    QString ownCountry;              // 6
    float longitude = 0;             // 7  degrees, positive west
    float latitude = 0;              // 8  degrees, positive north
    int formSize = 100;              // 9  percent of the screen, 30..100
    quint32 workedColour = StoredColour::fromRgb(0, 0, 255);     // 10
    quint32 remainingColour = StoredColour::fromRgb(255, 0, 0);  // 11
    QString band = QStringLiteral("20"); // 12
    QString ownContinent;            // 13
    QString firstName;               // 14
    QString logPath;                 // 15
    double transmitter = 0;          // 16
    double refreshMs = 60000;        // 17 6000..60000
    int voiceNavigation = 0;         // 18 0 off, 1 call field, 2 all fields
    QString rigType = QStringLiteral("None"); // 19
    int taskbar = 0;                 // 20 0 or 1
    // Lines our build adds after the twenty; a file without them gives
    // these defaults.
    QString fldigiHost = QStringLiteral("127.0.0.1"); // 21 fldigi's XML-RPC server
    int fldigiPort = 7362;           // 22

    static constexpr int LineCount = 20;
    static constexpr int WrittenLineCount = 22; // with the lines added after the twenty
};

enum class PreferencesLoad { Loaded, Missing, TooShort };

// Reads the file into `prefs`. A value that is not a number where a number
// belongs keeps the value `prefs` had. With Missing or TooShort nothing is
// changed.
PreferencesLoad loadPreferences(const QString& path, Preferences& prefs);

// Writes all 20 values and the lines added after them. False, with the reason, when the file cannot be written.
bool savePreferences(const QString& path, const Preferences& prefs, QString* errorText = nullptr);

// Form size as the operator may set it: 30..100.
int clampFormSize(double percent);

} // namespace zelq
