#include "rig/RigSettings.h"

#include "settings/QuotedFile.h"

#include <QDir>

namespace zelq {

QString RigSettings::builtPortSettings() const
{
    return QStringLiteral("%1,%2,%3,%4").arg(baud.trimmed(), parity, dataBits, stopBits);
}

int RigSettings::pollIntervalMs() const
{
    if (pollRate == QLatin1String("F"))
        return 50;
    if (pollRate == QLatin1String("M"))
        return 250;
    if (pollRate == QLatin1String("S"))
        return 1000;
    if (pollRate == QLatin1String("R"))
        return 5000;
    return 0;
}

QString RigSettings::pegasusFile() const
{
    const QString folder = pegasusFolder.isEmpty()
        ? QDir::home().filePath(QStringLiteral("Pegasus"))
        : pegasusFolder;
    return QDir(folder).filePath(QStringLiteral("PEGASUS.OUT"));
}

namespace {

std::optional<int> wholeNumber(const QString& text)
{
    const std::optional<double> v = parseNumber(text);
    if (!v || *v < -2147483648.0 || *v > 2147483647.0)
        return std::nullopt;
    return int(*v);
}

} // namespace

int readRigSettings(const QString& path, RigSettings& s)
{
    QuotedReader reader(path);
    if (!reader.isOpen())
        return 0;
    int count = 0;
    auto text = [&](QString& target) {
        std::optional<QString> f = reader.nextField();
        if (!f)
            return false;
        target = *f;
        ++count;
        return true;
    };
    auto number = [&](int& target) {
        std::optional<QString> f = reader.nextField();
        if (!f)
            return false;
        std::optional<int> n = wholeNumber(*f);
        if (!n)
            return false;
        target = *n;
        ++count;
        return true;
    };
    QString baud;
    if (!text(baud))
        return count;
    s.baud = baud.trimmed();
    text(s.parity) && text(s.dataBits) && text(s.stopBits) && text(s.modePoll)
        && text(s.frequencyPoll) && text(s.portSettings) && number(s.port) && text(s.power)
        && text(s.pollRate) && text(s.rigType) && number(s.convertToHex)
        && number(s.useFrequency) && number(s.modeSource) && text(s.hamlibHost)
        && number(s.hamlibPort) && text(s.pegasusFolder);
    return count;
}

namespace {

QuotedWriter rigSettingsWriter(const RigSettings& s)
{
    QuotedWriter w;
    w.text(s.baud.trimmed().leftJustified(5, QLatin1Char(' ')))
        .text(s.parity)
        .text(s.dataBits)
        .text(s.stopBits)
        .text(s.modePoll)
        .text(s.frequencyPoll)
        .text(s.portSettings)
        .number(s.port)
        .text(s.power)
        .text(s.pollRate)
        .text(s.rigType)
        .number(s.convertToHex)
        .number(s.useFrequency)
        .number(s.modeSource)
        .text(s.hamlibHost)
        .number(s.hamlibPort)
        .text(s.pegasusFolder);
    return w;
}

} // namespace

QString rigSettingsText(const RigSettings& s)
{
    return rigSettingsWriter(s).content();
}

bool saveRigSettings(const QString& path, const RigSettings& s, QString* error)
{
    return rigSettingsWriter(s).save(path, error);
}

} // namespace zelq
