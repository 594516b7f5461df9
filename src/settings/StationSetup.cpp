#include "settings/StationSetup.h"

#include "settings/Preferences.h"
#include "settings/QuotedFile.h"
#include "settings/SharedPreferences.h"

#include <QSettings>
#include <cmath>
#include <limits>

namespace zelq {

namespace {

const QLatin1String TyrmKey("UserTYRMOption");

QSettings userSettings()
{
    return QSettings(QStringLiteral("DORVY_Software"), QStringLiteral("ZELQ Logger"));
}

// Positions are kept in single precision: a number beyond its range is no
// position.
bool isPositionText(const QString& text)
{
    const auto v = parseNumber(text);
    return v && std::fabs(*v) <= double(std::numeric_limits<float>::max());
}

} // namespace

std::optional<QChar> filterTypedKey(KeyRule rule, QChar typed)
{
    switch (rule) {
    case KeyRule::UpperNoQuote:
        if (typed == QLatin1Char('"'))
            return std::nullopt; // it would end the quoted value in the preferences file
        return typed.toUpper();
    case KeyRule::UtcOffset:
        if ((typed >= QLatin1Char('-') && typed <= QLatin1Char('9')) || typed == QLatin1Char('\b'))
            return typed;
        return std::nullopt;
    }
    return typed;
}

CountryKeyResult countryKey(const QString& beforeCaret, QChar typed, const CountryFinder& find)
{
    CountryKeyResult r;
    r.typed = beforeCaret.isEmpty() ? typed.toUpper() : typed;
    const auto match = find ? find(beforeCaret, r.typed) : std::nullopt;
    if (!match)
        return r;
    const QString candidate = beforeCaret + r.typed;
    r.completed = true;
    r.text = candidate + match->name.mid(candidate.size());
    r.selStart = int(candidate.size());
    r.selLength = int(r.text.size() - candidate.size());
    r.longitude = formatSingle(match->longitude);
    r.latitude = formatSingle(match->latitude);
    r.continent = match->continent;
    return r;
}

bool isNumericText(const QString& text)
{
    return parseNumber(text).has_value();
}

QString offeredLogPath(const QString& savedPath, const QString& installFolder)
{
    if (savedPath.trimmed().size() < 3)
        return installFolder + QStringLiteral("/ZELQLog.MDB");
    return savedPath;
}

ModeOption modeOption(const QString& mode)
{
    if (mode == QLatin1String("CW"))
        return ModeOption::CW;
    if (mode == QLatin1String("PH"))
        return ModeOption::SSB;
    if (mode == QLatin1String("RY"))
        return ModeOption::RTTY;
    return ModeOption::None;
}

QString modeFromOptions(bool cw, bool ssb, bool rtty, const QString& current)
{
    QString mode = current;
    if (cw)
        mode = QStringLiteral("CW");
    if (ssb)
        mode = QStringLiteral("PH");
    if (rtty)
        mode = QStringLiteral("RY");
    return mode;
}

StationFields fieldsFromPreferences(const Preferences& prefs, const QString& installFolder)
{
    StationFields f;
    f.call = prefs.ownCall;
    f.spc = prefs.ownSpc;
    f.country = prefs.ownCountry;
    f.longitude = formatSingle(prefs.longitude);
    f.latitude = formatSingle(prefs.latitude);
    f.utcOffset = formatNumber(prefs.utcOffset);
    f.continent = prefs.ownContinent;
    f.firstName = prefs.firstName;
    f.transmitter = formatNumber(prefs.transmitter);
    f.logPath = offeredLogPath(prefs.logPath, installFolder);
    f.mode = prefs.mode;
    f.tyrm = loadTyrmOption();
    f.fldigiHost = prefs.fldigiHost;
    f.fldigiPort = QString::number(prefs.fldigiPort);
    return f;
}

void normaliseForDone(StationFields& f)
{
    const QString zero = QStringLiteral("0");
    if (!isNumericText(f.utcOffset))
        f.utcOffset = zero;
    if (!isPositionText(f.longitude))
        f.longitude = zero;
    if (!isPositionText(f.latitude))
        f.latitude = zero;
    f.transmitter = transmitterOnLeaving(f.transmitter);
}

QString transmitterOnLeaving(const QString& text)
{
    return isNumericText(text) ? text : QStringLiteral("0");
}

void copyToPreferences(const StationFields& f, Preferences& prefs)
{
    const auto number = [](const QString& text) { return parseNumber(text).value_or(0); };
    const auto position = [&](const QString& text) {
        return isPositionText(text) ? float(number(text)) : 0.0f;
    };
    prefs.ownCall = f.call;
    prefs.ownSpc = f.spc;
    prefs.utcOffset = number(f.utcOffset);
    prefs.ownCountry = f.country;
    prefs.longitude = position(f.longitude);
    prefs.latitude = position(f.latitude);
    prefs.ownContinent = f.continent;
    prefs.firstName = f.firstName;
    prefs.transmitter = number(f.transmitter);
    prefs.mode = f.mode;
    prefs.logPath = f.logPath.trimmed();
    // A blank host or a port that is no port keeps the setting it had.
    if (!f.fldigiHost.trimmed().isEmpty())
        prefs.fldigiHost = f.fldigiHost.trimmed();
    bool ok = false;
    const int port = f.fldigiPort.trimmed().toInt(&ok);
    if (ok && port >= 1 && port <= 65535)
        prefs.fldigiPort = port;
}

bool publishSharedIdentity(SharedPreferences& shared, const StationFields& f, QString* errorText)
{
    const std::pair<const char*, const QString*> values[] = {
        {"OWN_CALL", &f.call},          {"OWN_SPC", &f.spc},
        {"OWN_UTC", &f.utcOffset},      {"OWN_COUNTRY", &f.country},
        {"OWN_LONGITUDE", &f.longitude}, {"OWN_LATITUDE", &f.latitude},
        {"OWN_CONTINENT", &f.continent},
    };
    bool ok = true;
    for (const auto& [tag, value] : values)
        ok = shared.SetSharedPreference(QLatin1String(tag), *value, false, errorText) && ok;
    // The file is written once, with every value in it.
    return shared.SetSharedPreference(QStringLiteral("OWN_FIRST_NAME"), f.firstName, true, errorText)
        && ok;
}

bool loadTyrmOption()
{
    QSettings s = userSettings();
    s.beginGroup(QStringLiteral("Settings"));
    return s.value(TyrmKey, QStringLiteral("0")).toString().trimmed() == QLatin1String("1");
}

void saveTyrmOption(bool connect)
{
    QSettings s = userSettings();
    s.beginGroup(QStringLiteral("Settings"));
    s.setValue(TyrmKey, connect ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace zelq
