#include "settings/Preferences.h"

#include "settings/QuotedFile.h"

#include <algorithm>
#include <cmath>

namespace zelq {

namespace {

// Numbers keep their old value when the text is not a number, or when it
// does not fit the setting's range.
void readNumber(const QString& text, double& target)
{
    if (const auto v = parseNumber(text))
        target = *v;
}

void readNumber(const QString& text, float& target)
{
    if (const auto v = parseNumber(text); v && std::fabs(*v) <= 1e6)
        target = float(*v);
}

void readInt(const QString& text, int& target, int low, int high)
{
    if (const auto v = parseNumber(text); v && *v >= low && *v <= high)
        target = int(std::lround(*v));
}

void readColour(const QString& text, quint32& target)
{
    if (const auto v = parseNumber(text); v && *v >= 0 && *v <= 0xFFFFFF)
        target = quint32(std::llround(*v));
}

} // namespace

int clampFormSize(double percent)
{
    return int(std::clamp(std::round(percent), 30.0, 100.0));
}

PreferencesLoad loadPreferences(const QString& path, Preferences& prefs)
{
    QuotedReader reader(path);
    if (!reader.isOpen())
        return PreferencesLoad::Missing;
    const QStringList v = reader.allFields();
    if (v.size() < Preferences::LineCount)
        return PreferencesLoad::TooShort;

    Preferences p = prefs;
    p.ownCall = v[0];
    p.ownSpc = v[1];
    readNumber(v[2], p.utcOffset);
    p.mode = v[3];
    readNumber(v[4], p.operatingSeconds);
    p.ownCountry = v[5];
    readNumber(v[6], p.longitude);
    readNumber(v[7], p.latitude);
    double formSize = p.formSize;
    readNumber(v[8], formSize);
    p.formSize = clampFormSize(formSize);
    readColour(v[9], p.workedColour);
    readColour(v[10], p.remainingColour);
    // A hand-edited band outside the seven would be logged as it stands.
    static const QStringList bands{QStringLiteral("160"), QStringLiteral("80"), QStringLiteral("40"),
                                   QStringLiteral("20"), QStringLiteral("15"), QStringLiteral("10"),
                                   QStringLiteral("6")};
    p.band = bands.contains(v[11]) ? v[11] : QStringLiteral("20");
    p.ownContinent = v[12];
    p.firstName = v[13];
    p.logPath = v[14];
    readNumber(v[15], p.transmitter);
    readNumber(v[16], p.refreshMs);
    readInt(v[17], p.voiceNavigation, 0, 255);
    p.rigType = v[18];
    readInt(v[19], p.taskbar, 0, 255);
    if (v.size() > 20 && !v[20].trimmed().isEmpty())
        p.fldigiHost = v[20].trimmed();
    if (v.size() > 21)
        readInt(v[21], p.fldigiPort, 1, 65535);
    prefs = p;
    return PreferencesLoad::Loaded;
}

bool savePreferences(const QString& path, const Preferences& p, QString* errorText)
{
    QuotedWriter w;
    w.text(p.ownCall)
        .text(p.ownSpc)
        .number(p.utcOffset)
        .text(p.mode)
        .number(p.operatingSeconds)
        .text(p.ownCountry)
        .single(p.longitude)
        .single(p.latitude)
        .number(p.formSize)
        .number(p.workedColour)
        .number(p.remainingColour)
        .text(p.band)
        .text(p.ownContinent)
        .text(p.firstName)
        .text(p.logPath)
        .number(p.transmitter)
        .number(p.refreshMs)
        .number(p.voiceNavigation)
        .text(p.rigType)
        .number(p.taskbar)
        .text(p.fldigiHost)
        .number(p.fldigiPort);
    return w.save(path, errorText);
}

} // namespace zelq
