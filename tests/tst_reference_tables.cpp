// Bands, the section table, bearing and distance, and the display patterns.
#include "core/NumberFormat.h"
#include "log/Bands.h"
#include "log/BearingDistance.h"
#include "log/SectionTable.h"

#include <QtTest>

using namespace zelq;

class ReferenceTablesTest : public QObject {
    Q_OBJECT
private slots:
    void bandsKeepTheirIndices()
    {
        QCOMPARE(bandTexts().join(QLatin1Char(',')), QStringLiteral("160,80,40,20,15,10,6"));
        QCOMPARE(bandIndex(QStringLiteral("160")), 1);
        QCOMPARE(bandIndex(QStringLiteral("10")), 6);
        QCOMPARE(bandIndex(QStringLiteral("6")), 7);
        QCOMPARE(bandIndex(QStringLiteral("2")), 0);
        QCOMPARE(bandText(4), QStringLiteral("20"));
        QCOMPARE(bandText(8), QString());
        QVERIFY(isSelectableBand(QStringLiteral("10")));
        QVERIFY(!isSelectableBand(QStringLiteral("6")));
    }

    void sectionTableOrderIsTheGridOrder()
    {
        QCOMPARE(SectionTable::abbreviation(1), QStringLiteral("CT"));
        QCOMPARE(SectionTable::abbreviation(27), QStringLiteral("HI"));
        QCOMPARE(SectionTable::abbreviation(36), QStringLiteral("AK"));
        QCOMPARE(SectionTable::abbreviation(50), QStringLiteral("SD"));
        QCOMPARE(SectionTable::abbreviation(51), QStringLiteral("NB"));
        QCOMPARE(SectionTable::abbreviation(59), QStringLiteral("NWT"));
        QCOMPARE(SectionTable::abbreviation(63), QStringLiteral("NU"));
        QCOMPARE(SectionTable::fullName(61), QStringLiteral("Newfoundland / Labrador"));
        QCOMPARE(SectionTable::abbreviation(0), QString());
        QCOMPARE(SectionTable::abbreviation(64), QString());
        QSet<QString> seen;
        for (int i = 1; i <= SectionTable::Count; ++i) {
            const QString a = SectionTable::abbreviation(i);
            QVERIFY(!seen.contains(a));
            seen.insert(a);
            QCOMPARE(SectionTable::indexOf(a.toLower()), i);
            QVERIFY(a.size() == 2 || a == QLatin1String("NWT"));
        }
        QCOMPARE(SectionTable::indexOf(u"DC"), 0);
    }

    void bearingAndDistance_data()
    {
        QTest::addColumn<double>("stationLat");
        QTest::addColumn<double>("stationLon");
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("lon");
        QTest::addColumn<QString>("bearing");
        QTest::addColumn<QString>("miles");
        // longitudes are positive west
        QTest::newRow("quarter circle east") << 0.0 << 0.0 << 0.0 << -90.0 << " 90" << " 6,214";
        QTest::newRow("quarter circle west") << 0.0 << 0.0 << 0.0 << 90.0 << " 270" << " 6,214";
        QTest::newRow("due south") << 10.0 << 20.0 << 0.0 << 20.0 << " 180" << " 690";
        QTest::newRow("own position") << 41.7148 << 72.7272 << 41.7148 << 72.7272 << "" << "";
        QTest::newRow("own position, single precision")
            << double(41.7148f) << double(72.7272f) << double(41.7148f) << double(72.7272f) << "" << "";
        QTest::newRow("antipode") << 10.0 << 20.0 << -10.0 << -160.0 << "" << "";
        QTest::newRow("station at the pole") << 90.0 << 0.0 << 10.0 << 20.0 << "" << "";
        QTest::newRow("Connecticut to Hawaii") << 41.7148 << 72.7272 << 21.12 << 157.48 << " 283" << " 4,994";
    }
    void bearingAndDistance()
    {
        QFETCH(double, stationLat);
        QFETCH(double, stationLon);
        QFETCH(double, lat);
        QFETCH(double, lon);
        QFETCH(QString, bearing);
        QFETCH(QString, miles);
        const BearingDistance bd = HDCalc(lat, lon, {stationLat, stationLon});
        QCOMPARE(bd.bearing, bearing);
        QCOMPARE(bd.miles, miles);
    }

    void displayPatterns_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero, digits only where significant") << 0.0 << "###" << "";
        QTest::newRow("zero forced") << 0.0 << "###,##0" << "0";
        QTest::newRow("rounds half up") << 2.5 << "###" << "3";
        QTest::newRow("thousands") << 12345.4 << "##,###" << "12,345";
        QTest::newRow("score") << 1234567890.0 << "###,###,###,##0" << "1,234,567,890";
        QTest::newRow("no grouping asked") << 1234.0 << "###" << "1234";
        QTest::newRow("negative") << -1500.0 << "###,##0" << "-1,500";
    }
    void displayPatterns()
    {
        QFETCH(double, value);
        QFETCH(QString, pattern);
        QFETCH(QString, text);
        QCOMPARE(formatPattern(value, pattern), text);
    }
};

QTEST_GUILESS_MAIN(ReferenceTablesTest)
#include "tst_reference_tables.moc"
