#include "keying/WinKeySettings.h"

#include "settings/QuotedFile.h"

#include <QDir>

namespace zelq {

namespace {

struct Range {
    int low;
    int high;
};

// The lead-in and tail take any byte; the others have a range of their own.
std::optional<Range> rangeOf(WinKeyField f)
{
    switch (f) {
    case WinKeyField::Speed:
    case WinKeyField::Weight: return Range {0, 99};
    case WinKeyField::Ratio: return Range {32, 67}; // one either side of what the keyer takes: it clamps
    case WinKeyField::LeadIn:
    case WinKeyField::Tail: break;
    }
    return std::nullopt;
}

std::optional<int> byteOf(const QString& text)
{
    const std::optional<int> v = parseWholeNumber(text);
    if (!v || *v < 0 || *v > 255)
        return std::nullopt;
    return v;
}

QString storable(const QString& text)
{
    QString t = text.trimmed();
    return t.remove(QLatin1Char('"')); // a quote would end the value early
}

int bareByte(const QString& text, int fallback)
{
    return byteOf(text).value_or(fallback);
}

} // namespace

QString fallbackText(WinKeyField f)
{
    switch (f) {
    case WinKeyField::Speed: return QStringLiteral("18");
    case WinKeyField::Weight:
    case WinKeyField::Ratio: return QStringLiteral("50");
    case WinKeyField::LeadIn:
    case WinKeyField::Tail: break;
    }
    return QStringLiteral("0");
}

FieldCheck checkField(WinKeyField f, const QString& text)
{
    const FieldCheck fallback {fallbackText(f), quint8(parseWholeNumber(fallbackText(f)).value_or(0))};
    const std::optional<double> number = parseNumber(text);
    if (!number)
        return fallback;
    if (const std::optional<Range> r = rangeOf(f); r && (*number < r->low || *number > r->high))
        return {text, std::nullopt};
    const std::optional<int> b = byteOf(text);
    if (!b)
        return fallback;
    return {text, quint8(*b)};
}

int portFromText(const QString& text)
{
    return byteOf(text).value_or(0);
}

QString& WinKeySettings::text(WinKeyField f)
{
    return const_cast<QString&>(std::as_const(*this).text(f));
}

const QString& WinKeySettings::text(WinKeyField f) const
{
    switch (f) {
    case WinKeyField::Speed: return speed;
    case WinKeyField::Weight: return weight;
    case WinKeyField::LeadIn: return leadIn;
    case WinKeyField::Tail: return tail;
    case WinKeyField::Ratio: break;
    }
    return ratio;
}

WinKeySettings WinKeySettings::load(const QString& installFolder)
{
    WinKeySettings s;
    QuotedReader in(QDir(installFolder).filePath(fileName()));
    if (!in.isOpen())
        return s;
    std::optional<QString> v = in.nextField();
    if (!v)
        return s;
    s.port = portFromText(*v);
    for (QString* t : {&s.speed, &s.weight, &s.leadIn, &s.tail, &s.ratio}) {
        if (!(v = in.nextField()))
            return s;
        *t = v->trimmed();
    }
    if ((v = in.nextField()))
        s.pinConfig = bareByte(*v, s.pinConfig);
    if ((v = in.nextField()))
        s.keyerMode = bareByte(*v, s.keyerMode);
    return s;
}

bool WinKeySettings::save(const QString& installFolder, QString* errorText) const
{
    QuotedWriter out;
    out.number(port);
    for (const QString* t : {&speed, &weight, &leadIn, &tail, &ratio})
        out.text(storable(*t));
    out.number(pinConfig).number(keyerMode);
    return out.save(QDir(installFolder).filePath(fileName()), errorText);
}

} // namespace zelq
