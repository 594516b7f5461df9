#pragma once
// The whole log for general-purpose logging programs: an ADIF file (each
// field a tag "<Name:length>" followed by its value) and "LogExp.txt", the
// comma-separated import file of the Tavrin general logger.

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

namespace zelq {

class ContactCache;
struct Contact;
struct Preferences;

inline const QString AdifCountryFileName = QStringLiteral("ADIFCnt.txt");
inline const QString LogExpFileName = QStringLiteral("LogExp.txt");

// Country names and their ADIF country numbers, read from "ADIFCnt.txt"
// (one row a line: "name",number). The file is read once per run; an
// operator who drops in a newer file sees it at the next start.
class AdifCountryTable {
public:
    static constexpr int MaxRows = 1000;

    // Reads the file from the first of `folders` that holds it, else from
    // the shipped data folder, unless a previous call has already read it.
    // False, with the reason, when no file is found or it cannot be read;
    // the table then stays unread and the next call tries again.
    bool ensureLoaded(const QStringList& folders, const QString& shippedDataFolder,
                      QString* errorText = nullptr);

    // Replaces the table with the rows of `path`. Empty lines are skipped;
    // a line without a name and a whole number in -32768..32767, or more
    // than MaxRows rows, makes the file unreadable and leaves the table as
    // it was.
    bool loadFile(const QString& path, QString* errorText = nullptr);

    bool isLoaded() const { return loaded; }
    int size() const { return rows; }

    // The number of the first row whose name equals the trimmed country,
    // ignoring case; 0 when none does or the country is empty.
    int number(const QString& country) const;

private:
    QHash<QString, int> byName; // case-folded name -> number of its first row
    int rows = 0;
    bool loaded = false;
};

// Country and state of a contact as both exports write them: a two-letter
// S/P/C is a US state when the call begins with A, K, N or W, else a
// Canadian province; a longer one is a country name (the three-letter
// provinces and territories included). HI and AK count as Hawaii and Alaska.
struct CountryState {
    QString country;
    QString state;
};
CountryState exportCountryState(const Contact& c);

// "hhmm" from a stored time ("9:05:00" gives "0905", "18:05:33" gives
// "1805"); empty when the time holds no four-digit time of day.
QString adifTimeText(const QString& fldtime);

// "CW", "SSB" for the mode setting PH, "RTTY" for RY.
QString adifModeText(const QString& modeSetting);

// The whole ADIF file, lines ending in CR LF. `power` and `comment` are the
// operator's answers (empty: left out of every record); `windowTitle` is the
// log window's title and `exportedAt` the local time of the export.
QString adifText(const ContactCache& cache, const Preferences& prefs,
                 const AdifCountryTable& countries, const QString& power,
                 const QString& comment, const QString& windowTitle,
                 const QDateTime& exportedAt);

// The whole "LogExp.txt": one line of 16 comma-separated fields per contact;
// `mode` is written in capitals. An empty log gives an empty text.
QString logExpText(const ContactCache& cache, const QString& power, const QString& mode);

} // namespace zelq
