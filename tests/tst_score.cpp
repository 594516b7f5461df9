// Score and multipliers: what counts once per band, the number formats of
// the score displays, the current band's count taken from the records
// (never from the grid's colours), the section breakdown, the band step,
// and the score panel and grid that show them.
#include "log/ContactCache.h"
#include "log/MultiplierRecords.h"
#include "log/SectionTable.h"
#include "score/ScoreRules.h"
#include "ui/ScorePanel.h"
#include "ui/SectionGrid.h"

#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QtTest>

using namespace zelq;

namespace {

Contact contact(const QString& spc, const QString& band, const QString& cont = QStringLiteral("NA"))
{
    Contact c;
    c.calls = QStringLiteral("W1AW");
    c.spc = spc;
    c.cont = cont;
    c.uband = band;
    return c;
}

ContactCache cacheOf(std::vector<Contact> rows)
{
    ContactCache cache;
    cache.assign(std::move(rows));
    return cache;
}

// The records as a load rebuilds them from every row.
MultiplierRecords rebuilt(const ContactCache& cache)
{
    MultiplierRecords r;
    for (const Contact& c : cache.all())
        r.addContact(c);
    return r;
}

int sectionOf(const char* abbreviation)
{
    return SectionTable::indexOf(QString::fromLatin1(abbreviation));
}

const QColor worked(0, 0, 255);
const QColor remaining(255, 0, 0);

} // namespace

class ScoreTest : public QObject {
    Q_OBJECT

private slots:
    void emptyLogScoresNothing()
    {
        const ContactCache cache;
        const MultiplierRecords records;
        const auto t = Labeldisplay(cache, records, QStringLiteral("20"));
        QVERIFY(t);
        QCOMPARE(t->totCon, QStringLiteral("0"));
        QCOMPARE(t->sectogo, QStringLiteral("0"));
        QCOMPARE(t->totScore, QStringLiteral("0"));
        QCOMPARE(t->label4, std::optional<QString>(QStringLiteral("0")));

        SectionGrid grid;
        grid.paintAll(worked);
        grid.ShowBandMultipliers(records.sections, QStringLiteral("20"), worked, remaining);
        for (int i = 1; i <= SectionTable::Count; ++i)
            QCOMPARE(grid.textColour(i), remaining);
    }

    void aSectionCountsOncePerBand()
    {
        const ContactCache cache = cacheOf({contact("TX", "160"), contact("TX", "80"),
                                            contact("tx", "80"), contact("Tx", "80")});
        const MultiplierRecords records = rebuilt(cache);
        QCOMPARE(SectionMultCount(records.sections), 2);
        QCOMPARE(totalMultipliers(records), std::optional<int>(2));
        QCOMPARE(claimedScore(cache, records), std::optional<qint64>(8));
        QCOMPARE(bandMultipliers(records, QStringLiteral("80")), std::optional<int>(1));
        QCOMPARE(bandMultipliers(records, QStringLiteral("40")), std::optional<int>(0));
    }

    void aCountryCountsOncePerBandWhateverItsCase()
    {
        const ContactCache cache = cacheOf({contact("Mexico", "20"), contact("MEXICO", "20"),
                                            contact("Mexico", "15")});
        const MultiplierRecords records = rebuilt(cache);
        QCOMPARE(records.countries.countries(4), QStringList{QStringLiteral("Mexico")});
        QCOMPARE(totalMultipliers(records), std::optional<int>(2));
        QCOMPARE(bandMultipliers(records, QStringLiteral("20")), std::optional<int>(1));
        QCOMPARE(bandMultipliers(records, QStringLiteral("15")), std::optional<int>(1));
        const auto t = Labeldisplay(cache, records, QStringLiteral("20"));
        QCOMPARE(t->sectogo, QStringLiteral("2"));
        QCOMPARE(t->totScore, QStringLiteral("6"));
    }

    void contactsThatAreNoMultiplierRaiseTheScoreByTheTotal()
    {
        std::vector<Contact> rows{contact("TX", "20"), contact("Mexico", "20")};
        const ContactCache before = cacheOf(rows);
        rows.push_back(contact("Germany", "20", QStringLiteral("EU")));
        rows.push_back(contact("X", "20"));          // too short
        rows.push_back(contact("ZZ", "20"));         // no such section
        rows.push_back(contact("", "20"));
        const ContactCache after = cacheOf(rows);
        QCOMPARE(totalMultipliers(rebuilt(after)), totalMultipliers(rebuilt(before)));
        QCOMPARE(*claimedScore(after, rebuilt(after)), *claimedScore(before, rebuilt(before)) + 4 * 2);
    }

    void bandCountComesFromTheRecordsNotTheColours()
    {
        // Equal worked and remaining colours make every grid label look
        // worked; the count must still be the band's one section.
        const ContactCache cache = cacheOf({contact("ON", "40"), contact("NH", "80")});
        const MultiplierRecords records = rebuilt(cache);
        SectionGrid grid;
        grid.ShowBandMultipliers(records.sections, QStringLiteral("40"), worked, worked);
        ScorePanel panel;
        panel.Labeldisplay(cache, records, QStringLiteral("40"));
        QCOMPARE(panel.findChild<QLabel*>(QStringLiteral("Label4"))->text(), QStringLiteral("1"));
    }

    void aBandOutsideTheSevenLeavesTheBandCountAsShown()
    {
        const ContactCache cache = cacheOf({contact("ON", "40")});
        const MultiplierRecords records = rebuilt(cache);
        QVERIFY(!Labeldisplay(cache, records, QStringLiteral("2"))->label4);
        QCOMPARE(bandMultipliers(records, QString()), std::nullopt);

        ScorePanel panel;
        auto* label4 = panel.findChild<QLabel*>(QStringLiteral("Label4"));
        panel.Labeldisplay(cache, records, QStringLiteral("40"));
        panel.Labeldisplay(cache, records, QStringLiteral("2"));
        QCOMPARE(label4->text(), QStringLiteral("1"));
        // 6 m is one of the seven: its count is shown even though it is 0.
        panel.Labeldisplay(cache, records, QStringLiteral("6"));
        QCOMPARE(label4->text(), QStringLiteral("0"));
    }

    void numberFormats()
    {
        std::vector<Contact> rows(1234, contact("ME", "10"));
        ContactCache cache = cacheOf(rows);
        auto t = Labeldisplay(cache, rebuilt(cache), QStringLiteral("10"));
        QCOMPARE(t->totCon, QStringLiteral("1,234"));
        QCOMPARE(t->sectogo, QStringLiteral("1"));
        QCOMPARE(t->totScore, QStringLiteral("1,234"));

        // 1,234,567,890 = 36,070 contacts × 34,227 multipliers.
        cache = cacheOf(std::vector<Contact>(36070, contact("Mexico", "20")));
        MultiplierRecords many;
        for (int i = 0; i < 34227; ++i)
            many.countries.append(1 + i % 7, QStringLiteral("Country %1").arg(i));
        t = Labeldisplay(cache, many, QStringLiteral("20"));
        QCOMPARE(t->totCon, QStringLiteral("36,070"));
        QCOMPARE(t->sectogo, QStringLiteral("34227"));
        QCOMPARE(t->totScore, QStringLiteral("1,234,567,890"));
        QCOMPARE(claimedScore(cache, many), std::optional<qint64>(1234567890)); // past 32 bits
    }

    void countryListHeading_data()
    {
        QTest::addColumn<QString>("band");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("expected");
        QTest::newRow("three on 20") << "20" << 3 << "NA DX 20 - 3";
        QTest::newRow("none on 160") << "160" << 0 << "NA DX 160 - 0";
        QTest::newRow("negative has no blank") << "10" << -1 << "NA DX 10 --1";
    }

    void countryListHeading()
    {
        QFETCH(QString, band);
        QFETCH(int, count);
        QFETCH(QString, expected);
        QCOMPARE(zelq::countryListHeading(band, count), expected);
    }

    void breakdownCountsTheSixBands()
    {
        const int tx = sectionOf("TX");
        const ContactCache cache = cacheOf({contact("TX", "160"), contact("tx", "20"),
                                            contact("TX", "20"), contact("TX", "10"),
                                            contact("TX", "6"), contact("TX", "2"),
                                            contact("OK", "20")});
        QCOMPARE(sectionBreakdown(cache, tx),
                 QStringLiteral(" Texas    Total = 4\n  160 = 1  80 = 0  40 = 0  20 = 2  15 = 0  10 = 1"));
    }

    void breakdownOfASectionWorkedOnlyOn6mIsAllZero()
    {
        const ContactCache cache = cacheOf({contact("NWT", "6"), contact("NWT", "6")});
        QCOMPARE(sectionBreakdown(cache, sectionOf("NWT")),
                 QStringLiteral(" Northwest Territories    Total = 0\n"
                                "  160 = 0  80 = 0  40 = 0  20 = 0  15 = 0  10 = 0"));
    }

    void breakdownOutsideTheTableIsEmpty()
    {
        // Rows without an S/P/C must not match a section that does not exist.
        const ContactCache cache = cacheOf({contact("", "20")});
        QVERIFY(sectionBreakdown(cache, 0).isEmpty());
        QVERIFY(sectionBreakdown(cache, 64).isEmpty());
    }

    void breakdownStopsCountingAtTheLimit()
    {
        std::vector<Contact> rows(32770, contact("ME", "40"));
        rows.push_back(contact("ME", "80"));
        const QString text = sectionBreakdown(cacheOf(rows), sectionOf("ME"));
        QVERIFY2(text.contains(QStringLiteral("Total = 32768\n")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("  80 = 1  40 = 32767  20")), qPrintable(text));
    }

    void bandStep()
    {
        QCOMPARE(nextBand(QStringLiteral("160")), QStringLiteral("80"));
        QCOMPARE(nextBand(QStringLiteral("15")), QStringLiteral("10"));
        QCOMPARE(nextBand(QStringLiteral("10")), QStringLiteral("160"));
        QVERIFY(nextBand(QStringLiteral("6")).isEmpty());
        QVERIFY(nextBand(QStringLiteral("2")).isEmpty());
        QVERIFY(nextBand(QString()).isEmpty());
    }

    void panelShowsScoreAndCountryList()
    {
        const ContactCache cache = cacheOf({contact("Mexico", "20"), contact("Cuba", "20"),
                                            contact("Haiti", "15"), contact("TX", "20")});
        const MultiplierRecords records = rebuilt(cache);
        ScorePanel panel;
        panel.Labeldisplay(cache, records, QStringLiteral("20"));
        QCOMPARE(panel.findChild<QLabel*>(QStringLiteral("lblTotCon"))->text(), QStringLiteral("4"));
        QCOMPARE(panel.findChild<QLabel*>(QStringLiteral("lblsectogo"))->text(), QStringLiteral("4"));
        QCOMPARE(panel.findChild<QLabel*>(QStringLiteral("lblTotScore"))->text(), QStringLiteral("16"));
        QCOMPARE(panel.findChild<QLabel*>(QStringLiteral("Label4"))->text(), QStringLiteral("3"));

        auto* heading = panel.findChild<QLabel*>(QStringLiteral("lblStation_5"));
        auto* list = panel.findChild<QListWidget*>(QStringLiteral("List1"));
        const auto entries = [list] {
            QStringList out;
            for (int i = 0; i < list->count(); ++i)
                out << list->item(i)->text();
            return out;
        };
        panel.ListRefresh(records, QStringLiteral("20"));
        panel.ListRefresh(records, QStringLiteral("20")); // a refresh replaces, never adds
        QCOMPARE(heading->text(), QStringLiteral("NA DX 20 - 2"));
        QCOMPARE(entries(), (QStringList{QStringLiteral("Mexico"), QStringLiteral("Cuba")}));

        panel.AddCountryMultiplier(QStringLiteral("Jamaica"), 3, QStringLiteral("20"));
        QCOMPARE(heading->text(), QStringLiteral("NA DX 20 - 3"));
        QCOMPARE(entries().last(), QStringLiteral("Jamaica"));

        panel.ListRefresh(records, QStringLiteral("15"));
        QCOMPARE(heading->text(), QStringLiteral("NA DX 15 - 1"));
        QCOMPARE(entries(), QStringList{QStringLiteral("Haiti")});

        panel.ListRefresh(records, QStringLiteral("2"));
        QCOMPARE(list->count(), 0);
        QVERIFY(heading->text().isEmpty());
    }

    void gridColoursTheCurrentBand()
    {
        const ContactCache cache = cacheOf({contact("VT", "80"), contact("BC", "80"),
                                            contact("NWT", "160")});
        const MultiplierRecords records = rebuilt(cache);
        const int vt = sectionOf("VT"), bc = sectionOf("BC"), nwt = sectionOf("NWT");
        SectionGrid grid;
        grid.ShowBandMultipliers(records.sections, QStringLiteral("80"), worked, remaining);
        QCOMPARE(grid.textColour(vt), worked);
        QCOMPARE(grid.textColour(bc), worked);
        QCOMPARE(grid.textColour(nwt), remaining);
        QCOMPARE(grid.textColour(1), remaining);

        // Another band repaints what was worked only on the last one.
        grid.ShowBandMultipliers(records.sections, QStringLiteral("160"), worked, remaining);
        QCOMPARE(grid.textColour(vt), remaining);
        QCOMPARE(grid.textColour(nwt), worked);

        grid.ShowBandMultipliers(records.sections, QStringLiteral("2"), worked, remaining);
        for (int i = 1; i <= SectionTable::Count; ++i)
            QCOMPARE(grid.textColour(i), remaining);

        grid.markWorked(vt, worked);
        QCOMPARE(grid.textColour(vt), worked);
        grid.markWorked(0, worked); // no such label: nothing happens
        grid.markWorked(64, worked);
    }

    void gridReportsHoverAndClick()
    {
        SectionGrid grid;
        QSignalSpy hovered(&grid, &SectionGrid::sectionHovered);
        QSignalSpy clicked(&grid, &SectionGrid::sectionClicked);
        QLabel* label = grid.label(sectionOf("ON"));
        QVERIFY(label->hasMouseTracking());

        const QPointF at(2, 2);
        QMouseEvent move(QEvent::MouseMove, at, label->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(label, &move);
        QCOMPARE(hovered.count(), 1);
        QCOMPARE(hovered.at(0).at(0).toInt(), sectionOf("ON"));
        QCOMPARE(clicked.count(), 0);

        QMouseEvent release(QEvent::MouseButtonRelease, at, label->mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(label, &release);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.at(0).at(0).toInt(), sectionOf("ON"));
    }
};

QTEST_MAIN(ScoreTest)
#include "tst_score.moc"
