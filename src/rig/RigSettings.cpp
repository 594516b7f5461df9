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

int readRigSettings(const QString& path, RigSettings& s)
{
    QuotedReader reader(path);
    if (!reader.isOpen())
        return 0;
    SettingsFields f(reader);
    QString baud;
    if (!f.text(baud))
        return f.count();
    s.baud = baud.trimmed();
    f.text(s.parity) && f.text(s.dataBits) && f.text(s.stopBits) && f.text(s.modePoll)
        && f.text(s.frequencyPoll) && f.text(s.portSettings) && f.number(s.port) && f.text(s.power)
        && f.text(s.pollRate) && f.text(s.rigType) && f.number(s.convertToHex)
        && f.number(s.useFrequency) && f.number(s.modeSource) && f.text(s.hamlibHost)
        && f.number(s.hamlibPort) && f.text(s.pegasusFolder);
    return f.count();
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
