#include "keying/PhoneSettings.h"

#include "settings/QuotedFile.h"

#include <QDir>
#include <cmath>

namespace zelq {

namespace {

QString storable(const QString& text)
{
    QString t = text.trimmed();
    return t.remove(QLatin1Char('"')); // a quote would end the value early
}

} // namespace

PhoneSettings PhoneSettings::load(const QString& installFolder)
{
    PhoneSettings s;
    QuotedReader in(QDir(installFolder).filePath(fileName()));
    if (!in.isOpen())
        return s;
    std::optional<QString> v;
    for (QString& file : s.files) {
        if (!(v = in.nextField()))
            return s;
        file = v->trimmed();
    }
    if (!(v = in.nextField()))
        return s;
    s.port = *v;
    if (!(v = in.nextField()))
        return s;
    const std::optional<double> line = parseNumber(*v);
    if (line && (*line == 0 || *line == 1 || *line == 2 || *line == 3))
        s.line = PttLine(int(*line));
    if (!(v = in.nextField()))
        return s;
    s.repeatSeconds = *v;
    if (!(v = in.nextField()))
        return s;
    s.address = *v;
    if ((v = in.nextField()))
        s.outputDevice = *v;
    return s;
}

bool PhoneSettings::save(const QString& installFolder, QString* errorText) const
{
    QuotedWriter out;
    for (const QString& file : files)
        out.text(storable(file));
    out.text(storable(port)).number(int(line)).text(storable(repeatSeconds)).text(storable(address));
    out.text(storable(outputDevice));
    return out.save(QDir(installFolder).filePath(fileName()), errorText);
}

int PhoneSettings::portNumber() const
{
    const std::optional<double> v = parseNumber(port);
    return v && *v >= 1 && *v < 1e6 ? int(*v) : 0;
}

int PhoneSettings::repeatMs() const
{
    const std::optional<double> v = parseNumber(repeatSeconds);
    if (!v || !(*v > 0) || !(*v < 60))
        return 0;
    return int(std::lround(*v * 1000));
}

} // namespace zelq
