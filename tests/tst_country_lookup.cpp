// Resolving calls to countries, completing country names and the S/P/C
// rules, against the shipped prefix table and against small tables made for
// the odd cases.
#include "log/CountryCompletion.h"
#include "log/CountryLookup.h"
#include "log/PrefixOrder.h"
#include "log/PrefixTable.h"
#include "log/SectionRules.h"

#include <QtTest>

using namespace zelq;

namespace {

const StationPosition w1aw{41.7148, 72.7272};

const PrefixTable& shippedTable()
{
    static const PrefixTable table =
        PrefixTable::fromFile(QStringLiteral(ZELQ_TEST_DATA_DIR "/arrlpre2.txt"));
    return table;
}

// Brute force: the longest prefix of the table that begins the call.
qsizetype longestMatchLength(const PrefixTable& t, const QString& call)
{
    qsizetype best = 0;
    for (int i = 1; i <= t.count(); ++i)
        if (call.startsWith(t.row(i).prefix, Qt::CaseInsensitive))
            best = std::max(best, t.row(i).prefix.size());
    return best;
}

struct Fields {
    QString spc, continent, bearing, miles;
};

Fields lookup(const QString& call, const QString& spcBefore = QString(),
              const PrefixTable& table = shippedTable())
{
    Fields f{spcBefore, QStringLiteral("old"), QStringLiteral("old"), QStringLiteral("old")};
    LookupCallCountry(table, call, spcBefore, w1aw).applyTo(f.spc, f.continent, f.bearing, f.miles);
    return f;
}

PrefixTable tableOf(std::initializer_list<std::pair<const char*, const char*>> rows)
{
    std::vector<PrefixRow> v;
    for (const auto& [prefix, country] : rows)
        v.push_back({QString::fromLatin1(prefix), QString::fromLatin1(country), QStringLiteral("NA"), 90, 40});
    return PrefixTable(std::move(v));
}

} // namespace

class CountryLookupTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(shippedTable().count() > 5000, "the shipped prefix table did not load");
    }

    void portableSuffixDecidesTheCountryPart_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("part");
        QTest::newRow("suffix of a country") << "W1AW/KH6" << "KH6";
        QTest::newRow("one-letter suffix") << "W1AW/P" << "W1AW/P";
        QTest::newRow("call-area digit") << "W1AW/3" << "W1AW/3";
        QTest::newRow("prefix before the call") << "VE3/W1AW" << "VE3/W1AW";
        QTest::newRow("suffix of half the call") << "K1A/KH6X" << "K1A/KH6X";
        QTest::newRow("suffix just under half") << "K1AB/KH6X" << "KH6X";
        QTest::newRow("no slash") << "DL1ABC" << "DL1ABC";
    }
    void portableSuffixDecidesTheCountryPart()
    {
        QFETCH(QString, call);
        QFETCH(QString, part);
        QCOMPARE(countryPartOfCall(call), part);
    }

    void dxCallsFillCountryContinentAndBearing_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("spc");
        QTest::addColumn<QString>("continent");
        QTest::newRow("portable in Hawaii") << "W1AW/KH6" << "HI" << "OC";
        QTest::newRow("Alaska") << "KL7ABC" << "AK" << "NA";
        QTest::newRow("Mexico") << "XE1ABC" << "Mexico" << "NA";
        QTest::newRow("Guantanamo, KG4 and two letters") << "KG4AB" << "Guantanamo Bay" << "NA";
        QTest::newRow("leading digit") << "4X1AB" << "Israel" << "AS";
        QTest::newRow("leading digit, low in the table") << "3D2XX" << "Fiji" << "OC";
        QTest::newRow("last letter of the alphabet") << "ZL1AB" << "New Zealand" << "OC";
        QTest::newRow("lower case") << "dl1abc" << "Fed. Rep. of Germany" << "EU";
    }
    void dxCallsFillCountryContinentAndBearing()
    {
        QFETCH(QString, call);
        QFETCH(QString, spc);
        QFETCH(QString, continent);
        const CountryLookupResult r = LookupCallCountry(shippedTable(), call, QStringLiteral("ct"), w1aw);
        QCOMPARE(r.spc.value_or(QStringLiteral("<unchanged>")), spc);
        QCOMPARE(r.continent.value_or(QString()), continent);
        QVERIFY(r.bearing && r.bearing->startsWith(QLatin1Char(' ')) && r.bearing->size() > 1);
        QVERIFY(r.miles && r.miles->size() > 1);
        QVERIFY(r.selectSpc);
    }

    void usAndCanadianCallsLeaveTheSpcToTheOperator_data()
    {
        QTest::addColumn<QString>("call");
        QTest::newRow("US portable letter") << "W1AW/P";
        QTest::newRow("US call area") << "W1AW/3";
        QTest::newRow("Canadian prefix before a US call") << "VE3/W1AW";
        QTest::newRow("Canada") << "VA3XYZ";
        QTest::newRow("US two-letter prefix") << "AA1K";
    }
    void usAndCanadianCallsLeaveTheSpcToTheOperator()
    {
        QFETCH(QString, call);
        const Fields f = lookup(call, QStringLiteral("CT"));
        QCOMPARE(f.spc, QStringLiteral("CT"));
        QCOMPARE(f.continent, QStringLiteral("NA"));
        QCOMPARE(f.bearing, QString());
        QCOMPARE(f.miles, QString());
    }

    // Typing VY2 passes through VY, which no prefix matches: the "Not Found"
    // shown meanwhile must not stay in the S/P/C of a Canadian call.
    void notFoundFromAShorterCallGoesForUsAndCanada()
    {
        QCOMPARE(lookup(QStringLiteral("VY"), QString()).spc, NotFoundText);
        const Fields f = lookup(QStringLiteral("VY2ABC"), NotFoundText);
        QCOMPARE(f.spc, QString());
        QCOMPARE(f.continent, QStringLiteral("NA"));
        QCOMPARE(lookup(QStringLiteral("VY2ABC"), QStringLiteral("PE")).spc, QStringLiteral("PE"));
    }

    void kg4WithOtherThanTwoLettersIsUs()
    {
        const PrefixTable& t = shippedTable();
        const PrefixRow& usa = t.row(t.firstRowOfCountry(QStringLiteral("USA")));
        const BearingDistance expected = HDCalc(usa.latitude, usa.longitude, w1aw);
        for (const QString& call : {QStringLiteral("KG4A"), QStringLiteral("KG4ABC")}) {
            const Fields f = lookup(call, QStringLiteral("CT"));
            QCOMPARE(f.spc, QString());
            QCOMPARE(f.continent, usa.continent);
            QCOMPARE(f.bearing, expected.bearing);
            QCOMPARE(f.miles, expected.miles);
        }
    }

    void unknownCallsReadNotFoundWithLabelsCleared()
    {
        for (const QString& call : {QStringLiteral("Q1ABC"), QStringLiteral("\u00C41AB"),
                                   QStringLiteral("#"), QStringLiteral("~~")}) {
            const Fields f = lookup(call, QStringLiteral("ON"));
            QCOMPARE(f.spc, NotFoundText);
            QCOMPARE(f.continent, QString());
            QCOMPARE(f.bearing, QString());
            QCOMPARE(f.miles, QString());
        }
    }

    void emptyCallChangesNothingUnlessTheSpcReadsNotFound()
    {
        Fields f = lookup(QString(), QStringLiteral("ON"));
        QCOMPARE(f.spc, QStringLiteral("ON"));
        QCOMPARE(f.continent, QStringLiteral("old"));
        f = lookup(QString(), NotFoundText);
        QCOMPARE(f.continent, QString());
        QCOMPARE(f.bearing, QString());
    }

    // Every prefix of the table, followed by a typical suffix, must find the
    // longest matching prefix: this exercises the start estimate, the
    // back-off and both scan directions for every first character.
    void scanFindsTheLongestPrefixForEveryRow()
    {
        const PrefixTable& t = shippedTable();
        for (int i = 1; i <= t.count(); ++i) {
            const QString call = t.row(i).prefix + QStringLiteral("1XY");
            const int row = longestPrefixRow(t, call);
            QVERIFY2(row > 0, qPrintable(call));
            QCOMPARE(t.row(row).prefix.size(), longestMatchLength(t, call));
        }
    }

    void smallAndEmptyTablesStayInBounds()
    {
        QCOMPARE(lookup(QStringLiteral("W1AW"), QString(), PrefixTable()).spc, NotFoundText);
        // fewer rows than letters: the estimate for a digit would be row 0
        const PrefixTable small = tableOf({{"1A", "Malta"}, {"K", "USA"}, {"ZL", "New Zealand"}});
        QCOMPARE(lookup(QStringLiteral("1A0KM"), QString(), small).spc, QStringLiteral("Malta"));
        QCOMPARE(lookup(QStringLiteral("zl2ab"), QString(), small).spc, QStringLiteral("New Zealand"));
        QCOMPARE(lookup(QStringLiteral("~A"), QString(), small).spc, NotFoundText);
        const PrefixTable one = tableOf({{"XE", "Mexico"}});
        QCOMPARE(lookup(QStringLiteral("XE2"), QString(), one).spc, QStringLiteral("Mexico"));
    }

    // A hand-made file may list a prefix twice: the row met first by the
    // scan wins, the lower one when scanning up, the upper one scanning down.
    void repeatedPrefixResolvesToTheRowMetFirst()
    {
        const PrefixTable up = tableOf({{"A", "Other"}, {"K", "First"}, {"K", "Second"}});
        QCOMPARE(lookup(QStringLiteral("K1AB"), QString(), up).spc, QStringLiteral("First"));

        std::vector<PrefixRow> rows{{QStringLiteral("K"), QStringLiteral("First"), QStringLiteral("NA"), 0, 0},
                                    {QStringLiteral("K"), QStringLiteral("Second"), QStringLiteral("NA"), 0, 0}};
        for (int i = 0; i < 24; ++i)
            rows.push_back({QStringLiteral("Z%1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("Zed"),
                            QStringLiteral("OC"), 0, 0});
        const PrefixTable down(std::move(rows));
        QCOMPARE(lookup(QStringLiteral("K1AB"), QString(), down).spc, QStringLiteral("Second"));
    }

    void kg4UsCaseWithoutAUsaRowClearsTheFields()
    {
        const PrefixTable t = tableOf({{"KG4", "Guantanamo Bay"}, {"VE", "Canada"}});
        const Fields f = lookup(QStringLiteral("KG4ABC"), QStringLiteral("FL"), t);
        QCOMPARE(f.spc, QString());
        QCOMPARE(f.continent, QString());
        QCOMPARE(f.bearing, QString());
    }

    void outOfOrderFileIsSortedOnLoad()
    {
        const PrefixTable t = tableOf({{"ZL", "New Zealand"}, {"K", "USA"}, {"DL", "Germany"}});
        for (int i = 2; i <= t.count(); ++i)
            QVERIFY(comparePrefixes(t.row(i - 1).prefix, t.row(i).prefix) <= 0);
        QCOMPARE(lookup(QStringLiteral("DL1ABC"), QString(), t).spc, QStringLiteral("Germany"));
    }

    void prefixFileSkipsBadRecordsAndHasNoSizeLimit()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("arrlpre2.txt"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\"K\",\"USA\",\"NA\",91.87,37.6,5,8,5\r\n");
        f.write("\"XX\",\"Broken\",\"NA\",west,37.6,5,8,5\r\n"); // longitude not a number
        f.write("\"YY\",\"Short\"\r\n");                        // too few fields
        f.write("\r\n");
        for (int i = 0; i < 12000; ++i)
            f.write(QStringLiteral("\"Z%1\",\"Zed\",\"OC\",1,2,3,4,5\r\n").arg(i, 5, 10, QLatin1Char('0')).toLatin1());
        f.close();
        const PrefixTable t = PrefixTable::fromFile(path);
        QCOMPARE(t.count(), 12001);
        QCOMPARE(t.row(1).country, QStringLiteral("USA"));
        QCOMPARE(t.row(1).longitude, 91.87f);
        QCOMPARE(t.row(1).latitude, 37.6f);
        QCOMPARE(PrefixTable::fromFile(dir.filePath(QStringLiteral("missing.txt"))).count(), 0);
    }

    void prefixFileIsTakenFromTheFirstFolderThatHasIt()
    {
        QTemporaryDir dir;
        QDir root(dir.path());
        for (const char* sub : {"shared", "program", "install"})
            root.mkdir(QString::fromLatin1(sub));
        const QStringList folders{root.filePath(QStringLiteral("shared")),
                                  root.filePath(QStringLiteral("program")),
                                  root.filePath(QStringLiteral("install"))};
        const auto writeTable = [&](const char* sub, const char* country) {
            QFile f(root.filePath(QString::fromLatin1(sub) + QStringLiteral("/arrlpre2.txt")));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray("\"K\",\"") + country + "\",\"NA\",90,40,5,8,5\r\n");
        };
        const QString shipped = QStringLiteral(ZELQ_TEST_DATA_DIR);

        QCOMPARE(loadPrefixTable(folders, shipped).count(), shippedTable().count());
        writeTable("install", "Installed");
        QCOMPARE(loadPrefixTable(folders, shipped).row(1).country, QStringLiteral("Installed"));
        writeTable("shared", "Shared");
        writeTable("program", "Program");
        QCOMPARE(loadPrefixTable(folders, shipped).row(1).country, QStringLiteral("Shared"));
        QCOMPARE(loadPrefixTable({}, dir.filePath(QStringLiteral("nowhere"))).count(), 0);
    }

    void typingMexCompletesToTheLastMatchingCountry()
    {
        const PrefixTable& t = shippedTable();
        QString text;
        int caret = 0;
        for (QChar ch : {QChar('m'), QChar('e')}) {
            const SpcKeyOutcome o = spcTypeCharacter(t, text, caret, ch);
            QVERIFY(!o.consumed);
            text = o.text.left(caret) + o.passChar;
            caret = int(text.size());
        }
        QCOMPARE(text, QStringLiteral("ME"));

        const SpcKeyOutcome x = spcTypeCharacter(t, text, caret, QChar('x'));
        QVERIFY(x.consumed);
        QCOMPARE(x.text, QStringLiteral("MEXico"));
        QCOMPARE(x.selStart, 3);
        QCOMPARE(x.selLength, 3);
        QCOMPARE(t.row(x.completedRow).country, QStringLiteral("Mexico"));
        // the last row in file order wins
        for (int i = x.completedRow + 1; i <= t.count(); ++i)
            QVERIFY(!t.row(i).country.startsWith(QStringLiteral("MEX"), Qt::CaseInsensitive));

        const SpcKeyOutcome space = spcTypeCharacter(t, x.text, x.caret, QChar(' '));
        QVERIFY(space.consumed);
        QVERIFY(space.focusNext);
        QCOMPARE(space.text, QStringLiteral("MEXico"));
    }

    void spcCaseRules()
    {
        const PrefixTable& t = shippedTable();
        // the fourth keystroke rewrites a country to lower case after its first letter
        SpcKeyOutcome o = spcTypeCharacter(t, QStringLiteral("MEX"), 3, QChar('i'));
        QVERIFY(o.text.startsWith(QStringLiteral("Mexi")));
        // a section of three letters is never rewritten
        o = spcTypeCharacter(t, QStringLiteral("NW"), 2, QChar('t'));
        QVERIFY(!o.consumed);
        QCOMPARE(o.text, QStringLiteral("NW"));
        QCOMPARE(o.passChar, QChar('T'));
        // no completion below two characters; a space there is typed as is
        o = spcTypeCharacter(t, QStringLiteral("M"), 1, QChar(' '));
        QVERIFY(!o.consumed);
        QVERIFY(!o.focusNext);
    }

    void caseSensitiveCompletionNeedsTheNamesCapitals()
    {
        const PrefixTable& t = shippedTable();
        QVERIFY(!completeCountryName(t, QStringLiteral("me"), QChar('x'), Qt::CaseSensitive));
        const auto c = completeCountryName(t, QStringLiteral("Me"), QChar('x'), Qt::CaseSensitive);
        QVERIFY(c);
        QCOMPARE(c->text, QStringLiteral("Mexico"));
        // from the first character on
        QVERIFY(completeCountryName(t, QString(), QChar('J'), Qt::CaseSensitive));
    }

    void sectionCheck_data()
    {
        QTest::addColumn<QString>("spc");
        QTest::addColumn<bool>("invalid");
        QTest::newRow("three-letter territory") << "NWT" << false;
        QTest::newRow("lower case") << "nwt" << false;
        QTest::newRow("province") << "ON" << false;
        QTest::newRow("no District of Columbia") << "DC" << true;
        QTest::newRow("one letter") << "O" << true;
        QTest::newRow("empty") << "" << true;
    }
    void sectionCheck()
    {
        QFETCH(QString, spc);
        QFETCH(bool, invalid);
        const SectionCheckResult r = CheckSectionValid(spc, QString());
        QCOMPARE(r.invalid, invalid);
        QCOMPARE(r.continent.has_value(), !invalid);
        if (!invalid)
            QCOMPARE(*r.continent, QStringLiteral("NA"));
        QVERIFY(!CheckSectionValid(spc, QStringLiteral("NA")).continent);
    }

    void newIndicatorShowsUnworkedNorthAmericanCountries()
    {
        const QStringList worked{QStringLiteral("Cuba")};
        QVERIFY(newCountryIndicator(QStringLiteral("Mexico"), QStringLiteral("NA"), worked));
        QVERIFY(!newCountryIndicator(QStringLiteral("CUBA"), QStringLiteral("NA"), worked));
        QVERIFY(!newCountryIndicator(QStringLiteral("Mexico"), QStringLiteral("EU"), worked));
        QVERIFY(!newCountryIndicator(QStringLiteral("Mexico"), QString(), worked));
        for (const QString& own : {QStringLiteral("usa"), QStringLiteral("Canada"),
                                  QStringLiteral("Alaska"), QStringLiteral("HAWAII"),
                                  QStringLiteral("ON"), NotFoundText})
            QVERIFY2(!newCountryIndicator(own, QStringLiteral("NA"), {}), qPrintable(own));
    }
};

QTEST_GUILESS_MAIN(CountryLookupTest)
#include "tst_country_lookup.moc"
