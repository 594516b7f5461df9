#include "score/RateStats.h"

#include "log/Bands.h"
#include "log/ContactCache.h"

#include <QTimeZone>
#include <algorithm>
#include <array>
#include <cmath>

namespace zelq {

std::optional<QDateTime> loggedTime(const Contact& c)
{
    const QDate date = QDate::fromString(c.flddate.trimmed(), QStringLiteral("yyyy/MM/dd"));
    const QString timeText = c.fldtime.trimmed();
    QTime time = QTime::fromString(timeText, QStringLiteral("hh:mm:ss"));
    if (!time.isValid())
        time = QTime::fromString(timeText, QStringLiteral("hh:mm"));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, QTimeZone::utc());
}

Rates TimeStats(const ContactCache& cache, const QDateTime& utcNow)
{
    // Whole seconds: the clock's milliseconds must not push a contact
    // logged exactly 20 or 60 minutes ago across the edge.
    const QDateTime now = utcNow.toUTC().addMSecs(-utcNow.time().msec());
    int in20 = 0;
    int in60 = 0;
    for (int i = cache.count(); i >= 1; --i) {
        const auto t = loggedTime(cache.row(i));
        if (!t)
            continue; // an edited row with a broken date must not freeze the rates
        const qint64 age = t->secsTo(now);
        if (age < 1200)
            ++in20;
        if (age >= 3600)
            break;
        ++in60;
    }
    return {in60, 3 * in20};
}

Rgb bandColour(int bandIndex)
{
    static constexpr std::array<Rgb, BandCount + 1> colours = {
        0,          // none of the seven
        0xFFFFFFFF, // 160 white
        0xFF0000FF, // 80 blue
        0xFFFF0000, // 40 red
        0xFF00FF00, // 20 green
        0xFF80FFFF, // 15 light cyan
        0xFFFF00FF, // 10 magenta
        0xFFFFFF00, // 6 yellow
    };
    return bandIndex >= 0 && bandIndex <= BandCount ? colours[size_t(bandIndex)] : 0;
}

namespace {

struct TimedRow {
    QDateTime time;
    Rgb colour;
};

QString rateText(double v)
{
    return QString::number(v, 'f', 1);
}

} // namespace

std::optional<GraphColumns> computeGraph(const ContactCache& cache)
{
    if (cache.count() < GraphMinimumContacts)
        return std::nullopt;

    constexpr int N = GraphColumns::Count;
    // A gap is looked ahead up to 15 columns, so the working arrays reach
    // past the last column; those extra columns stay 0.
    constexpr int Lookahead = 15;
    std::vector<float> raw(N + Lookahead + 1, 0.0f);
    std::vector<float> smooth(N + Lookahead + 1, 0.0f);
    std::vector<Rgb> colour(N + 1, 0);

    GraphColumns g;
    g.timeLabels = QStringList(15, QStringLiteral("00:00"));
    g.dateLabels = QStringList(15, QStringLiteral("MM/DD"));
    g.yLabels = QStringList(17, QStringLiteral("0"));

    // Rows whose date or time cannot be read have no place on the time axis.
    std::vector<TimedRow> rows;
    rows.reserve(size_t(cache.count()));
    for (const Contact& c : cache.all()) {
        if (const auto t = loggedTime(c))
            rows.push_back({*t, bandColour(bandIndex(c.uband))});
    }

    const auto finish = [&] {
        g.raw.assign(raw.begin(), raw.begin() + N + 1);
        g.smoothed.assign(smooth.begin(), smooth.begin() + N + 1);
        g.band = colour;
        return g;
    };
    if (rows.empty())
        return finish();

    const QDateTime start = rows.front().time;
    const qint64 span = start.secsTo(rows.back().time);
    for (int k = 0; k <= 14; ++k) {
        const QDateTime at = start.addSecs(qint64(std::llround(double(k) * double(span) / 14.0)));
        g.timeLabels[k] = at.toString(QStringLiteral("hh:mm"));
        g.dateLabels[k] = at.toString(QStringLiteral("MM/dd"));
    }
    if (span <= 0)
        return finish(); // all in one second (or out of order): nothing to plot

    const double secondsPerColumn = double(span) / N;
    raw[1] = 6;
    smooth[1] = 6;

    for (size_t i = 0; i < rows.size(); ++i) {
        const QDateTime& t = rows[i].time;
        // Contacts in the ten minutes up to this one, itself included.
        int n = 0;
        for (size_t j = i + 1; j-- > 0;) {
            if (rows[j].time.secsTo(t) >= 600)
                break;
            ++n;
        }
        const qint64 offset = start.secsTo(t);
        if (offset < 0 || offset > span)
            continue; // logged out of order, outside the plotted span
        // A contact within half a column of the first rounds to column 0,
        // which is not on the graph: it belongs to column 1.
        const int c = std::clamp(int(std::lround(double(offset) / secondsPerColumn)), 1, N);
        raw[c] = float(6 * n);
        if (rows[i].colour != 0)
            colour[c] = rows[i].colour;
    }

    // Gaps of up to 15 columns become a straight ramp from the value before
    // the gap to the next value.
    for (int x = 2; x <= N; ++x) {
        if (raw[x] != 0) {
            smooth[x] = raw[x];
            continue;
        }
        int y = 0;
        for (int k = x + 1; k <= x + Lookahead; ++k) {
            if (raw[k] > 0) {
                y = k;
                break;
            }
        }
        if (y == 0)
            continue;
        const float before = raw[x - 1];
        const float after = raw[y];
        for (int m = x; m < y; ++m) {
            raw[m] = before + float(m - x) * (after - before) / float(y - x);
            smooth[m] = raw[m];
        }
    }

    // Mean of the non-zero rates over the last seven columns.
    for (int x = 7; x <= N; ++x) {
        float sum = 0;
        int used = 0;
        for (int k = x - 6; k <= x; ++k) {
            if (raw[k] > 0) {
                sum += raw[k];
                ++used;
            }
        }
        if (used > 0)
            smooth[x] = sum / float(used);
    }

    g.minimum = 100000.0f;
    g.maximum = -1.0f;
    for (int x = 1; x <= N; ++x) {
        g.minimum = std::min(g.minimum, smooth[x]);
        g.maximum = std::max(g.maximum, smooth[x]);
    }
    for (int k = 0; k <= 16; ++k)
        g.yLabels[k] = rateText(double(g.minimum) + k * double(g.maximum - g.minimum) / 16.0);

    // Columns between contacts take the band of the contact before them,
    // until the curve drops to 0.
    Rgb carried = 0;
    for (int x = 1; x <= N; ++x) {
        if (smooth[x] > 0) {
            if (colour[x] != 0)
                carried = colour[x];
            else
                colour[x] = carried;
        } else {
            carried = 0;
        }
    }

    g.plotted = true;
    return finish();
}

} // namespace zelq
