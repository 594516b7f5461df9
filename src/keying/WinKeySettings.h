#pragma once
// The WinKeyer's settings as "WK.txt" in the installation folder keeps
// them: the port number (bare), speed, weight, PTT lead-in, PTT tail and
// dit/dah ratio (quoted, as the fields hold them), then the pin
// configuration and the keyer mode (bare; a file without them gives 6 and
// 0). Also the rules a field's value passes before it goes to the keyer.

#include <QString>
#include <optional>

namespace zelq {

// The pin configuration and keyer mode values the window offers.
inline constexpr int PinPtt = 5, PinTone = 6, PinKeyOutP3 = 4, PinKeyOutP5 = 8;
inline constexpr int ModeIambicA = 16, ModeIambicB = 0, ModeUltimatic = 32, ModeBug = 48;

enum class WinKeyField { Speed, Weight, LeadIn, Tail, Ratio };

struct WinKeySettings {
    int port = 5;
    QString speed = QStringLiteral("18");
    QString weight = QStringLiteral("50");
    QString leadIn = QStringLiteral("0");
    QString tail = QStringLiteral("0");
    QString ratio = QStringLiteral("50");
    int pinConfig = PinTone;
    int keyerMode = ModeIambicB;

    static QString fileName() { return QStringLiteral("WK.txt"); }
    // Values past a missing or short file's end keep their defaults.
    static WinKeySettings load(const QString& installFolder);
    bool save(const QString& installFolder, QString* errorText = nullptr) const;

    QString& text(WinKeyField f);
    const QString& text(WinKeyField f) const;
};

// What becomes of a field's text when it is left: a text that is no number,
// or a number that does not fit a byte, becomes the field's fallback; a
// number outside the field's range stays as typed and is not sent.
struct FieldCheck {
    QString text;                 // what the field shows afterwards
    std::optional<quint8> value;  // what goes to the keyer, if anything
};
FieldCheck checkField(WinKeyField f, const QString& text);
QString fallbackText(WinKeyField f);

// The port field: a number that fits a byte, else 0.
int portFromText(const QString& text);

} // namespace zelq
