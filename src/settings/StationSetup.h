#pragma once
// The rules of the station setup window, free of widgets: what a typed key
// does in each field, the country completion, the checks made by "Done",
// and the copy between the window's fields and the preferences.

#include <QChar>
#include <QString>
#include <functional>
#include <optional>

namespace zelq {

struct Preferences;
class SharedPreferences;

// The window's values as its fields show them.
struct StationFields {
    QString call;        // Text1
    QString spc;         // Text5
    QString country;     // Text2
    QString longitude;   // Text3
    QString latitude;    // Text4
    QString utcOffset;   // Text6
    QString continent;   // Text7
    QString firstName;   // Text8
    QString transmitter; // Text10
    QString logPath;     // Text9
    QString mode;        // "CW", "PH", "RY" (or whatever the preferences held)
    bool tyrm = false;   // "Connect to fldigi?"
    QString fldigiHost;  // fldigi's XML-RPC server
    QString fldigiPort;
};

// How a field treats a typed printable character.
enum class KeyRule {
    UpperNoQuote, // call, S/P/C, continent, first name: upper case, no double quote
    UtcOffset,    // only "-" up to "9" in character order, and backspace
};

// The character the field receives, or nullopt when the key is refused.
std::optional<QChar> filterTypedKey(KeyRule rule, QChar typed);

// A country of the prefix table that begins with a candidate.
struct CountryMatch {
    QString name;
    QString continent;
    float longitude = 0;
    float latitude = 0;
};

// Finds the country that completes `beforeCaret` + `typed`, searching the
// prefix table from its last row to its first, case-sensitive.
using CountryFinder =
    std::function<std::optional<CountryMatch>(const QString& beforeCaret, QChar typed)>;

struct CountryKeyResult {
    bool completed = false; // the key was consumed by a completion
    QChar typed;            // the key as the field takes it when not completed
    // With a completion: the field's new text, the completed rest selected,
    // and the position and continent fields' new texts.
    QString text;
    int selStart = 0;
    int selLength = 0;
    QString longitude;
    QString latitude;
    QString continent;
};

// A printable key typed into the country field with `beforeCaret` left of
// the caret (the selection's start when text is selected). At the field's
// start the key is upper-cased first.
CountryKeyResult countryKey(const QString& beforeCaret, QChar typed, const CountryFinder& find);

// Whether a field holds a number (C locale, blanks around allowed).
bool isNumericText(const QString& text);

// The log path offered on opening: the saved one, or the default log in
// the installation folder when the saved one is too short to be a path.
QString offeredLogPath(const QString& savedPath, const QString& installFolder);

enum class ModeOption { None, CW, SSB, RTTY };

// The option button of a mode ("CW", "PH", "RY"; case matters).
ModeOption modeOption(const QString& mode);

// The mode chosen with the option buttons; with none set, `current`.
QString modeFromOptions(bool cw, bool ssb, bool rtty, const QString& current);

// The fields as the window opens: from the preferences, numbers as plain
// number text, and the TYRM option as it was last saved.
StationFields fieldsFromPreferences(const Preferences& prefs, const QString& installFolder);

// "Done": a UTC offset, longitude, latitude or transmitter # that is not a
// number becomes "0".
void normaliseForDone(StationFields& fields);

// Leaving the transmitter field: anything but a number becomes "0".
QString transmitterOnLeaving(const QString& text);

// The fields into the preferences (the log path trimmed; numbers that do
// not read as numbers become 0).
void copyToPreferences(const StationFields& fields, Preferences& prefs);

// The station's identity in the shared preferences file (OWN_CALL …
// OWN_FIRST_NAME), saved once at the end. False with the reason when a
// value cannot be set or the file cannot be written.
bool publishSharedIdentity(SharedPreferences& shared, const StationFields& fields,
                           QString* errorText = nullptr);

// The per-user "Connect to fldigi?" choice.
bool loadTyrmOption();
void saveTyrmOption(bool connect);

} // namespace zelq
