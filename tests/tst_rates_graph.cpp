// Station rates and the QSO-rate graph: the last-hour walk and its edges,
// the operating-time display, the graph's columns on small logs, and the
// graph window as drawn.
#include "log/ContactCache.h"
#include "score/OperatingTime.h"
#include "score/RateStats.h"
#include "ui/GraphWindow.h"
#include "ui/RatePanel.h"

#include "FakeDialogs.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace zelq;

namespace {

const QDateTime Noon(QDate(2026, 2, 14), QTime(12, 0), Qt::UTC);
const QColor Blue(0, 0, 255);
const QColor Red(255, 0, 0);
const QColor Green(0, 255, 0);

Contact contactAt(const QDateTime& t, const QString& band = QStringLiteral("20"),
                  bool minutesOnly = false)
{
    Contact c;
    c.calls = QStringLiteral("W1AW");
    c.flddate = t.toString(QStringLiteral("yyyy/MM/dd"));
    c.fldtime = t.toString(minutesOnly ? QStringLiteral("hh:mm") : QStringLiteral("hh:mm:ss"));
    c.uband = band;
    return c;
}

// One contact per offset (seconds after noon), in the given order.
ContactCache logAt(std::initializer_list<int> offsets, const QString& band = QStringLiteral("20"))
{
    std::vector<Contact> rows;
    for (int s : offsets)
        rows.push_back(contactAt(Noon.addSecs(s), band));
    ContactCache cache;
    cache.assign(std::move(rows));
    return cache;
}

// A contact every `every` seconds for `count` contacts, from noon.
std::vector<Contact> steady(int count, int every, const QString& band, int from = 0)
{
    std::vector<Contact> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back(contactAt(Noon.addSecs(from + i * every), band));
    return rows;
}

// True when a pixel of `colour` lies within `reach` pixels above or below y.
bool colourNear(const QImage& img, int x, int y, const QColor& colour, int reach = 2)
{
    for (int dy = -reach; dy <= reach; ++dy) {
        if (y + dy >= 0 && y + dy < img.height() && img.pixelColor(x, y + dy) == colour)
            return true;
    }
    return false;
}

} // namespace

class RatesGraphTest : public QObject {
    Q_OBJECT

private slots:
    void twentyContactsInTenMinutes()
    {
        // Every 30 s from 10 minutes ago up to 30 s ago; the clock's
        // milliseconds do not matter.
        std::vector<Contact> rows;
        for (int i = 0; i < 20; ++i)
            rows.push_back(contactAt(Noon.addSecs(-600 + 30 * i)));
        ContactCache cache;
        cache.assign(std::move(rows));
        const Rates r = TimeStats(cache, Noon.addMSecs(999));
        QCOMPARE(r.last60, 20);
        QCOMPARE(r.last20x3, 60);

        RatePanel panel;
        panel.show(r);
        QCOMPARE(panel.findChild<QLabel*>(QStringLiteral("lblAQSO60"))->text(), QStringLiteral("20"));
        QCOMPARE(panel.findChild<QLabel*>(QStringLiteral("lblAQSO20"))->text(), QStringLiteral("60"));
    }

    void rateEdges()
    {
        // 1199 s old counts in both, exactly 1200 s only in the hour.
        QCOMPARE(TimeStats(logAt({-1199}), Noon).last20x3, 3);
        QCOMPARE(TimeStats(logAt({-1200}), Noon).last20x3, 0);
        QCOMPARE(TimeStats(logAt({-1200}), Noon).last60, 1);
        QCOMPARE(TimeStats(logAt({-3599}), Noon).last60, 1);

        // Exactly an hour old counts in neither and ends the walk: the
        // younger row before it (out of order) is not reached.
        const Rates edge = TimeStats(logAt({-60, -3600, -30}), Noon);
        QCOMPARE(edge.last60, 1);
        QCOMPARE(edge.last20x3, 3);

        // Logged ahead of the clock: counts in both.
        const Rates ahead = TimeStats(logAt({-4000, 120}), Noon);
        QCOMPARE(ahead.last60, 1);
        QCOMPARE(ahead.last20x3, 3);

        // A time entered as "hh:mm" is the whole minute: 11:40 is 1200 s
        // before noon, out of the last 20 minutes.
        ContactCache late;
        late.assign({contactAt(Noon.addSecs(-1170), QStringLiteral("40"), true)});
        QCOMPARE(TimeStats(late, Noon).last20x3, 0);
        QCOMPARE(TimeStats(late, Noon).last60, 1);
        QCOMPARE(TimeStats(ContactCache(), Noon).last60, 0);
    }

    void anUnreadableRowDoesNotFreezeTheRates()
    {
        ContactCache cache = logAt({-100, -50});
        Contact broken = contactAt(Noon);
        broken.flddate = QStringLiteral("2026/13/45");
        cache.append(broken);
        const Rates r = TimeStats(cache, Noon);
        QCOMPARE(r.last60, 2);
        QCOMPARE(r.last20x3, 6);
    }

    void operatingTimeOfOneHundredHours()
    {
        QCOMPARE(operatingTimeText(100 * 3600.0), QStringLiteral("00:00:00"));
        QCOMPARE(operatingTimeText(123 * 3600.0 + 4 * 60 + 5), QStringLiteral("23:04:05"));
        QCOMPARE(operatingTimeText(99 * 3600.0 + 59 * 60 + 59.9), QStringLiteral("99:59:59"));
        QCOMPARE(operatingTimeText(0), QStringLiteral("00:00:00"));
    }

    void sixContactsAreTooFewSevenGraph()
    {
        test::FakeDialogs dialogs;
        const ContactCache six = logAt({0, 60, 120, 180, 240, 300});
        QVERIFY(!computeGraph(six));
        QVERIFY(!GraphWindow::openGraph(six, dialogs));
        QCOMPARE(dialogs.messageTitles(), QStringList{QStringLiteral("Not Enough Contacts to Graph.")});
        QVERIFY(dialogs.asked.front().text.startsWith(
            QStringLiteral("The graph will not display with less than 7 contacts.  ")));

        const ContactCache seven = logAt({0, 60, 120, 180, 240, 300, 360});
        QVERIFY(computeGraph(seven));
        // The window opens modally; close it as soon as it is up.
        bool opened = false;
        QTimer::singleShot(0, [&] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                opened = w->objectName() == QLatin1String("GraphQSO");
                w->close();
            }
        });
        QVERIFY(GraphWindow::openGraph(seven, dialogs));
        QVERIFY(opened);
        QCOMPARE(dialogs.asked.size(), 1);
    }

    void columnsOfASmallLog()
    {
        // A span of 1500 s: one second per column.
        const auto g = computeGraph(logAt({0, 100, 200, 300, 400, 500, 1500}));
        QVERIFY(g && g->plotted);
        QCOMPARE(g->raw.size(), size_t(1501));
        // 6 × the contacts of the ten minutes up to each one.
        QCOMPARE(g->raw[1], 6.0f);
        QCOMPARE(g->smoothed[1], 6.0f);
        QCOMPARE(g->raw[200], 18.0f);
        QCOMPARE(g->raw[500], 36.0f);
        QCOMPARE(g->raw[1500], 6.0f);
        // A gap over 15 columns stays 0, then ramps up over the last 15.
        QCOMPARE(g->raw[84], 0.0f);
        QCOMPARE(g->raw[85], 0.0f);
        QCOMPARE(g->raw[99], 11.2f);
        // Smoothing: the mean of the non-zero rates of the last 7 columns.
        QCOMPARE(g->smoothed[100], 9.6f);
        QCOMPARE(g->smoothed[503], 32.4f);
        QCOMPARE(g->smoothed[507], 0.0f);
        // Scale over the smoothed rates, zeros included.
        QCOMPARE(g->minimum, 0.0f);
        QCOMPARE(g->maximum, 36.0f);
        QCOMPARE(g->yLabels.size(), 17);
        QCOMPARE(g->yLabels[0], QStringLiteral("0.0"));
        QCOMPARE(g->yLabels[4], QStringLiteral("9.0"));
        QCOMPARE(g->yLabels[16], QStringLiteral("36.0"));
        // The time axis in 14 equal steps.
        QCOMPARE(g->timeLabels.size(), 15);
        QCOMPARE(g->timeLabels[0], QStringLiteral("12:00"));
        QCOMPARE(g->timeLabels[7], QStringLiteral("12:12"));
        QCOMPARE(g->timeLabels[14], QStringLiteral("12:25"));
        QCOMPARE(g->dateLabels[14], QStringLiteral("02/14"));
        // Band colour carried into the smoothing tail; a ramp after a
        // zero-rate stretch has none of its own.
        const Rgb green = bandColour(bandIndex(QStringLiteral("20")));
        QCOMPARE(g->band[100], green);
        QCOMPARE(g->band[103], green);
        QCOMPARE(g->band[90], Rgb(0));
        QCOMPARE(g->band[107], Rgb(0));
    }

    void awkwardLogsStillGraph()
    {
        // A second contact in the first second rounds to column 0: it
        // belongs to column 1.
        auto g = computeGraph(logAt({0, 0, 300, 600, 900, 1200, 1500}));
        QVERIFY(g && g->plotted);
        QCOMPARE(g->raw[1], 12.0f);

        // Rows out of order or with an unreadable date are left off the
        // axis rather than ending the graph.
        ContactCache mixed = logAt({0, 300, -900, 600, 900, 1200, 1500});
        Contact broken = contactAt(Noon);
        broken.fldtime = QStringLiteral("25:99");
        mixed.append(broken);
        g = computeGraph(mixed);
        QVERIFY(g && g->plotted);
        QCOMPARE(g->timeLabels[14], QStringLiteral("12:25"));
        QCOMPARE(g->raw[300], 12.0f);

        // All in one second: axis texts but no curve, and the window opens.
        g = computeGraph(logAt({0, 0, 0, 0, 0, 0, 0}));
        QVERIFY(g && !g->plotted);
        QCOMPARE(g->timeLabels[14], QStringLiteral("12:00"));
        test::FakeDialogs dialogs;
        GraphWindow w(logAt({0, 0, 0, 0, 0, 0, 0}), dialogs);
        QVERIFY(!w.grab().isNull());
        QCOMPARE(dialogs.asked.size(), 0);

        // A flat curve (no zero column anywhere) has no range to scale by.
        ContactCache flat;
        flat.assign(steady(1501, 1, QStringLiteral("40")));
        g = computeGraph(flat);
        QVERIFY(g && g->plotted);
        GraphWindow fw(flat, dialogs);
        const QPointF p = fw.curvePoint(750);
        QVERIFY(std::isfinite(p.y()));
        QVERIFY(p.y() <= GraphWindow::plotArea().bottom);
    }

    void oneBandContestHasOneStripColour()
    {
        ContactCache cache;
        cache.assign(steady(181, 60, QStringLiteral("40"))); // three hours on 40 m
        const auto g = computeGraph(cache);
        QVERIFY(g);
        const Rgb red = bandColour(bandIndex(QStringLiteral("40")));
        for (int x = 1; x <= GraphColumns::Count; ++x)
            QCOMPARE(g->band[size_t(x)], red);

        test::FakeDialogs dialogs;
        GraphWindow w(cache, dialogs);
        const QImage img = w.grab().toImage();
        const auto area = GraphWindow::plotArea();
        const int stripY = (area.stripTop + area.stripBottom) / 2;
        for (int x = area.left + 1; x < area.right; x += 37)
            QCOMPARE(img.pixelColor(x, stripY), Red);
    }

    void theWindowAsDrawn()
    {
        // First half on 40 m, second half on 20 m.
        std::vector<Contact> rows = steady(90, 60, QStringLiteral("40"));
        for (Contact& c : steady(90, 60, QStringLiteral("20"), 90 * 60))
            rows.push_back(c);
        ContactCache cache;
        cache.assign(std::move(rows));
        test::FakeDialogs dialogs;
        GraphWindow w(cache, dialogs);
        QCOMPARE(w.objectName(), QStringLiteral("GraphQSO"));
        QVERIFY(w.windowTitle().startsWith(QStringLiteral(" Activity Graph - QSOs per Hour Rate")));

        const auto area = GraphWindow::plotArea();
        const int stripY = (area.stripTop + area.stripBottom) / 2;
        QImage img = w.grab().toImage();
        QCOMPARE(img.pixelColor(area.left + 100, stripY), Red);
        QCOMPARE(img.pixelColor(area.right - 100, stripY), Green);
        for (int column : {300, 750, 1200}) {
            const QPoint p = w.curvePoint(column).toPoint();
            QVERIFY2(colourNear(img, p.x(), p.y(), Blue), qPrintable(QString::number(column)));
        }
        // The steady rate of 10 contacts in ten minutes tops the scale.
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("lblY_16"))->text(), QStringLiteral("60.0"));
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("lblTime_0"))->text(), QStringLiteral("12:00"));
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("lblBnd_4"))->palette().color(QPalette::WindowText),
                 QColor(128, 255, 255));

        // Background toggle: black first, then white, then black again; the
        // curve stays blue on both.
        auto* button = w.findChild<QPushButton*>(QStringLiteral("Command1"));
        auto* yLabel = w.findChild<QLabel*>(QStringLiteral("lblY_0"));
        const QPoint empty(area.left + 50, area.top + 5); // above the curve
        QCOMPARE(button->text(), QStringLiteral("Black Background"));
        QCOMPARE(img.pixelColor(empty), QColor(Qt::black));
        QCOMPARE(img.pixelColor(area.left, (area.top + area.bottom) / 2), QColor(Qt::white)); // Line4

        button->click();
        QCOMPARE(button->text(), QStringLiteral("White Background"));
        QVERIFY(!w.blackBackground());
        QCOMPARE(yLabel->palette().color(QPalette::WindowText), QColor(Qt::black));
        img = w.grab().toImage();
        QCOMPARE(img.pixelColor(empty), QColor(Qt::white));
        QCOMPARE(img.pixelColor(area.left, (area.top + area.bottom) / 2), QColor(Qt::black));
        const QPoint p = w.curvePoint(750).toPoint();
        QVERIFY(colourNear(img, p.x(), p.y(), Blue));
        QCOMPARE(img.pixelColor(area.left + 100, stripY), Red);

        button->click();
        QCOMPARE(button->text(), QStringLiteral("Black Background"));
        QCOMPARE(yLabel->palette().color(QPalette::WindowText), QColor(Qt::white));
    }

    // 160 m is drawn in white: on the white background its legend entry and
    // its stretch of the strip must still show.
    void whiteBandShowsOnTheWhiteBackground()
    {
        std::vector<Contact> rows = steady(60, 60, QStringLiteral("160"));
        for (Contact& c : steady(60, 60, QStringLiteral("40"), 60 * 60))
            rows.push_back(c);
        ContactCache cache;
        cache.assign(std::move(rows));
        test::FakeDialogs dialogs;
        GraphWindow w(cache, dialogs);
        w.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        QVERIFY(!w.blackBackground());

        const auto darkPixels = [](const QImage& img, const QRect& r) {
            int n = 0;
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    n += img.pixelColor(x, y).lightness() < 96;
            return n;
        };
        // the legend: "160" outlined, so there is dark ink in its label
        auto* legend = w.findChild<QLabel*>(QStringLiteral("lblBnd_0"));
        QCOMPARE(legend->text(), QStringLiteral("160"));
        const QImage label = legend->grab().toImage();
        QVERIFY(darkPixels(label, label.rect()) > 20);

        // the strip: the first half is 160 m, outlined along its length and
        // closed at both ends; the second half is 40 m, red
        const auto area = GraphWindow::plotArea();
        const QImage img = w.grab().toImage();
        const int stripY = (area.stripTop + area.stripBottom) / 2;
        const int middle = (area.left + area.right) / 2;
        QCOMPARE(img.pixelColor(area.right - 100, stripY), Red);
        int x = area.left + 1;
        QCOMPARE(img.pixelColor(x, stripY), QColor(Qt::black)); // left end
        for (x = area.left + 10; x < middle - 20; x += 23) {
            QCOMPARE(img.pixelColor(x, stripY), QColor(Qt::white));
            QCOMPARE(img.pixelColor(x, area.stripTop + 2), QColor(Qt::black));
            QCOMPARE(img.pixelColor(x, area.stripBottom - 3), QColor(Qt::black));
        }
        // the right end: a dark edge between the white run and the red
        int firstRed = middle - 40;
        while (firstRed < area.right && img.pixelColor(firstRed, stripY) != Red)
            ++firstRed;
        QVERIFY(firstRed < area.right);
        QVERIFY(darkPixels(img, QRect(firstRed - 3, stripY, 3, 1)) > 0);

        // on black the white band needs no outline: the strip is white within
        w.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        const QImage black = w.grab().toImage();
        QCOMPARE(black.pixelColor(area.left + 50, area.stripTop + 2), QColor(Qt::white));
    }
};

QTEST_MAIN(RatesGraphTest)
#include "tst_rates_graph.moc"
