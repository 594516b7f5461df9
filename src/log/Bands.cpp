#include "log/Bands.h"

namespace zelq {

const QStringList& bandTexts()
{
    static const QStringList bands{QStringLiteral("160"), QStringLiteral("80"),
                                   QStringLiteral("40"),  QStringLiteral("20"),
                                   QStringLiteral("15"),  QStringLiteral("10"),
                                   QStringLiteral("6")};
    return bands;
}

int bandIndex(const QString& band)
{
    const QStringList& bands = bandTexts();
    for (int i = 0; i < bands.size(); ++i)
        if (band.compare(bands.at(i), Qt::CaseInsensitive) == 0)
            return i + 1;
    return 0;
}

QString bandText(int index)
{
    return index >= 1 && index <= BandCount ? bandTexts().at(index - 1) : QString();
}

bool isSelectableBand(const QString& band)
{
    const int i = bandIndex(band);
    return i >= 1 && i <= 6;
}

} // namespace zelq
