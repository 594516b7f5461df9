#include "keying/CwSettings.h"

#include "settings/QuotedFile.h"

#include <QDir>
#include <QSettings>
#include <cmath>

namespace zelq {

namespace {

QSettings userSettings()
{
    return QSettings(QStringLiteral("DORVY_Software"), QStringLiteral("ZELQ Logger"));
}

// A double quote would end the value early when the file is read again.
QString storable(const QString& text)
{
    QString t = text;
    return t.remove(QLatin1Char('"'));
}

int wholeNumber(const QString& text)
{
    const std::optional<double> v = parseNumber(text);
    return v && std::isfinite(*v) && std::fabs(*v) < 1e6 ? int(std::lround(*v)) : 0;
}

} // namespace

KeyingMethod keyingMethodOf(int value)
{
    switch (value) {
    case 1: return KeyingMethod::Rts;
    case 2: return KeyingMethod::Dtr;
    case 3: return KeyingMethod::Printer;
    case 4: return KeyingMethod::Rig;
    case 5: return KeyingMethod::WinKey;
    default: return KeyingMethod::None;
    }
}

CwSettings CwSettings::load(const QString& installFolder)
{
    CwSettings s;
    QuotedReader in(QDir(installFolder).filePath(fileName()));
    if (!in.isOpen())
        return s;
    // The file's order: F1..F9, port, speed, F10, F11, spacing, method,
    // address, display flag, F1 pause.
    QString* const texts[] = {&s.messages[0], &s.messages[1], &s.messages[2], &s.messages[3],
                              &s.messages[4], &s.messages[5], &s.messages[6], &s.messages[7],
                              &s.messages[8], &s.port, &s.speed, &s.messages[9], &s.messages[10],
                              &s.wordSpace};
    for (int i = 0; i < 14; ++i) {
        const std::optional<QString> v = in.nextField();
        if (!v)
            return s;
        *texts[i] = *v;
        if (i == 8 && v->isEmpty())
            s.messages[8] = QStringLiteral("VVV DE ");
    }
    std::optional<QString> v = in.nextField();
    if (!v)
        return s;
    s.method = keyingMethodOf(wholeNumber(*v));
    if (!(v = in.nextField()))
        return s;
    s.address = *v;
    if (!(v = in.nextField()))
        return s;
    s.display = wholeNumber(*v) != 0;
    if ((v = in.nextField()))
        s.repeatSeconds = *v;
    return s;
}

bool CwSettings::save(const QString& installFolder, QString* errorText) const
{
    QuotedWriter out;
    for (int i = 0; i < 9; ++i)
        out.text(storable(messages[size_t(i)]));
    out.text(storable(port)).text(storable(speed)).text(storable(messages[9]))
        .text(storable(messages[10])).text(storable(wordSpace));
    out.number(int(method));
    out.text(storable(address));
    out.number(display ? 1 : 0);
    out.text(storable(repeatSeconds));
    return out.save(QDir(installFolder).filePath(fileName()), errorText);
}

int CwSettings::portNumber() const
{
    return wholeNumber(port);
}

int CwSettings::wordSpaceUnits() const
{
    return std::max(-8, wholeNumber(wordSpace));
}

int CwSettings::repeatMs() const
{
    const std::optional<double> v = parseNumber(repeatSeconds);
    if (!v || !(*v > 0) || !(*v < 60))
        return 0;
    return int(std::lround(*v * 1000));
}

QString timingName(CwTiming t)
{
    switch (t) {
    case CwTiming::Sleep: return QStringLiteral("Sleep");
    case CwTiming::Loop: return QStringLiteral("Loop");
    case CwTiming::Timer: break;
    }
    return QStringLiteral("Timer");
}

CwUserTiming CwUserTiming::load()
{
    QSettings s = userSettings();
    s.beginGroup(QStringLiteral("Settings"));
    CwUserTiming t;
    const QString name = s.value(QStringLiteral("UserCWSelection"), QStringLiteral("Timer")).toString();
    if (name == QLatin1String("Sleep"))
        t.timing = CwTiming::Sleep;
    else if (name == QLatin1String("Loop"))
        t.timing = CwTiming::Loop;
    const std::optional<double> loops = parseNumber(s.value(QStringLiteral("UserCWLoopOffset")).toString());
    t.loopCount = loops && *loops > 0 && std::isfinite(*loops) ? *loops : 0;
    return t;
}

void CwUserTiming::save() const
{
    QSettings s = userSettings();
    s.beginGroup(QStringLiteral("Settings"));
    s.setValue(QStringLiteral("UserCWSelection"), timingName(timing));
    s.setValue(QStringLiteral("UserCWLoopOffset"), formatNumber(loopCount));
}

} // namespace zelq
