// The shipped country files: the prefix table the call lookup searches and
// the country list beside it, checked as committed, and remade from cty.csv
// by make_country_files.
#include "log/PrefixOrder.h"
#include "settings/QuotedFile.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString ctyCsv = QStringLiteral("/usr/share/hamradio-files/cty.csv");

QString dataFile(const QString& name)
{
    return QStringLiteral(ZELQ_TEST_DATA_DIR "/") + name;
}

QList<QStringList> readRecords(const QString& path)
{
    zelq::QuotedReader reader(path);
    QList<QStringList> records;
    while (auto r = reader.nextRecord())
        records << *r;
    return records;
}

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

double num(const QString& text)
{
    return zelq::parseNumber(text).value_or(qQNaN());
}

// Runs the tool on `input` (written to a file in `dir`), output into `dir`.
int runTool(const QTemporaryDir& dir, const QByteArray& input, QByteArray* errors)
{
    QFile in(dir.filePath(QStringLiteral("cty.csv")));
    if (!in.open(QIODevice::WriteOnly) || in.write(input) != input.size())
        return -1;
    in.close();
    QProcess tool;
    tool.start(QCoreApplication::applicationDirPath() + QStringLiteral("/make_country_files"),
               {in.fileName(), dir.path()});
    if (!tool.waitForFinished(60000) || tool.exitStatus() != QProcess::NormalExit)
        return -1;
    *errors = tool.readAllStandardError();
    return tool.exitCode();
}

} // namespace

class CountryDataTest : public QObject {
    Q_OBJECT
    QList<QStringList> table;
    QHash<QString, QStringList> byPrefix;
    QList<QStringList> countryList;
    QHash<QString, QString> dxccByCountry;

private slots:
    void initTestCase()
    {
        table = readRecords(dataFile(QStringLiteral("arrlpre2.txt")));
        countryList = readRecords(dataFile(QStringLiteral("ADIFCnt.txt")));
        QVERIFY(table.size() > 1000);
        QVERIFY(countryList.size() > 200);
        for (const QStringList& r : std::as_const(table))
            byPrefix.insert(r.value(0), r);
        for (const QStringList& r : std::as_const(countryList))
            dxccByCountry.insert(r.value(0), r.value(1));
    }

    void tableIsSortedWithoutDuplicates()
    {
        for (qsizetype i = 1; i < table.size(); ++i)
            QVERIFY2(zelq::comparePrefixes(table[i - 1][0], table[i][0]) < 0,
                     qPrintable(table[i - 1][0] + QStringLiteral(" / ") + table[i][0]));
    }

    void recordsAreWellFormed()
    {
        static const QStringList continents = {"AF", "AN", "AS", "EU", "NA", "OC", "SA"};
        for (const QStringList& r : std::as_const(table)) {
            QVERIFY2(r.size() == 8, qPrintable(r.join(',')));
            QVERIFY2(!r[0].isEmpty() && !r[0].contains(QRegularExpression(QStringLiteral("[=(\\[<{~\"]"))),
                     qPrintable(r[0]));
            QVERIFY2(!r[1].isEmpty(), qPrintable(r[0]));
            QVERIFY2(continents.contains(r[2]), qPrintable(r[0]));
            for (int f = 3; f < 8; ++f)
                QVERIFY2(zelq::parseNumber(r[f]), qPrintable(r.join(',')));
        }
    }

    void lookupRows_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("country");
        QTest::addColumn<QString>("continent");
        QTest::addColumn<int>("cqZone");
        QTest::addColumn<int>("ituZone");
        QTest::newRow("K") << "K" << "USA" << "NA" << 5 << 8;
        QTest::newRow("W") << "W" << "USA" << "NA" << 5 << 8;
        QTest::newRow("N") << "N" << "USA" << "NA" << 5 << 8;
        QTest::newRow("AA") << "AA" << "USA" << "NA" << 5 << 8;
        QTest::newRow("K0 zone overrides") << "K0" << "USA" << "NA" << 4 << 7;
        QTest::newRow("VE") << "VE" << "Canada" << "NA" << 5 << 9;
        QTest::newRow("VA") << "VA" << "Canada" << "NA" << 5 << 9;
        QTest::newRow("VE2 ITU override") << "VE2" << "Canada" << "NA" << 5 << 4;
        QTest::newRow("KL") << "KL" << "Alaska" << "NA" << 1 << 1;
        QTest::newRow("KH6") << "KH6" << "Hawaii" << "OC" << 31 << 61;
        QTest::newRow("XE") << "XE" << "Mexico" << "NA" << 6 << 10;
        QTest::newRow("KG4") << "KG4" << "Guantanamo Bay" << "NA" << 8 << 11;
    }

    void lookupRows()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, country);
        QFETCH(QString, continent);
        QFETCH(int, cqZone);
        QFETCH(int, ituZone);
        QVERIFY2(byPrefix.contains(prefix), qPrintable(prefix));
        const QStringList r = byPrefix.value(prefix);
        QCOMPARE(r[1], country);
        QCOMPARE(r[2], continent);
        QCOMPARE(num(r[5]), double(cqZone));
        QCOMPARE(num(r[6]), double(ituZone));
    }

    void coordinatesAreLongitudeThenLatitude_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<double>("latitude");
        QTest::newRow("KH6 north, west") << "KH6" << 157.48 << 21.12;
        QTest::newRow("VK south, east") << "VK" << -132.33 << -23.7;
    }

    void coordinatesAreLongitudeThenLatitude()
    {
        QFETCH(QString, prefix);
        QFETCH(double, longitude);
        QFETCH(double, latitude);
        const QStringList r = byPrefix.value(prefix);
        QCOMPARE(num(r.value(3)), longitude);
        QCOMPARE(num(r.value(4)), latitude);
        // cty.csv's entity line gives latitude first, longitude (positive west) second
        const QList<QByteArray> lines = readBytes(ctyCsv).split('\n');
        for (const QByteArray& line : lines) {
            if (line.startsWith(prefix.toLatin1() + ',')) {
                const QList<QByteArray> f = line.split(',');
                QCOMPARE(f.value(6).toDouble(), latitude);
                QCOMPARE(f.value(7).toDouble(), longitude);
            }
        }
    }

    void everyCountryHasADxccNumber()
    {
        for (const QStringList& r : std::as_const(table))
            QVERIFY2(dxccByCountry.contains(r[1]), qPrintable(r[1]));
        for (qsizetype i = 0; i < countryList.size(); ++i) {
            const QStringList& c = countryList[i];
            QVERIFY2(c.size() == 2 && zelq::parseNumber(c[1]), qPrintable(c.join(',')));
            if (i > 0)
                QVERIFY2(QString::compare(countryList[i - 1][0], c[0], Qt::CaseInsensitive) < 0,
                         qPrintable(c[0]));
        }
        QCOMPARE(dxccByCountry.value(QStringLiteral("USA")), QStringLiteral("291"));
        QCOMPARE(dxccByCountry.value(QStringLiteral("Canada")), QStringLiteral("1"));
        QVERIFY(!dxccByCountry.contains(QStringLiteral("United States")));
    }

    void toolReproducesCommittedFiles()
    {
        if (!QFile::exists(ctyCsv))
            QSKIP("hamradio-files' cty.csv is not installed");
        QTemporaryDir dir;
        QByteArray errors;
        QCOMPARE(runTool(dir, readBytes(ctyCsv), &errors), 0);
        for (const char* name : {"arrlpre2.txt", "ADIFCnt.txt"}) {
            const QString file = QString::fromLatin1(name);
            QVERIFY2(readBytes(dir.filePath(file)) == readBytes(dataFile(file)),
                     qPrintable(file + QStringLiteral(" differs from the committed one")));
        }
    }

    // Overrides, skipped entries, duplicates and the USA name on a small input
    // (the current cty.csv has no "<>", "{}", "~~" overrides nor duplicates).
    void toolAppliesOverridesAndSkips()
    {
        QTemporaryDir dir;
        QByteArray errors;
        const QByteArray input =
            "K,United States,291,NA,5,8,37.60,91.87,5.0,K W =W1AW K0(4)[7] KH0<15.0/-145.5>{OC}~-10~;\r\n"
            "*4U1V,Vienna Intl Ctr,206,EU,15,28,48.20,-16.30,-1.0,4U1V;\r\n"
            "KG4,Guantanamo Bay,105,NA,8,11,20.00,75.00,5.0,KG4 k w(3);\r\n"
            "3D2/c,Conway Reef,489,OC,32,56,-22.00,-175.00,-12.0,=3D2C;\r\n";
        QCOMPARE(runTool(dir, input, &errors), 0);
        QCOMPARE(readBytes(dir.filePath(QStringLiteral("arrlpre2.txt"))),
                 QByteArray("\"K\",\"USA\",\"NA\",91.87,37.6,5,8,5\r\n"
                            "\"K0\",\"USA\",\"NA\",91.87,37.6,4,7,5\r\n"
                            "\"KG4\",\"Guantanamo Bay\",\"NA\",75,20,8,11,5\r\n"
                            "\"KH0\",\"USA\",\"OC\",-145.5,15,5,8,-10\r\n"
                            "\"W\",\"USA\",\"NA\",91.87,37.6,5,8,5\r\n"));
        QCOMPARE(readBytes(dir.filePath(QStringLiteral("ADIFCnt.txt"))),
                 QByteArray("\"Guantanamo Bay\",105\r\n\"USA\",291\r\n"));
    }

    void toolRejectsMalformedInput_data()
    {
        QTest::addColumn<QByteArray>("line");
        const QByteArray head = "K,United States,291,NA,5,8,37.60,91.87,5.0,";
        QTest::newRow("list cut short") << head + "K W";
        QTest::newRow("unclosed override") << head + "K0(4;";
        QTest::newRow("zone not a number") << head + "K0(x);";
        QTest::newRow("quote in prefix") << head + "K\"0;";
        QTest::newRow("field missing") << QByteArray("K,United States,291,NA,5,8,37.60,91.87,K;");
        QTest::newRow("latitude not a number") << QByteArray("K,United States,291,NA,5,8,N37,91.87,5.0,K;");
        QTest::newRow("no prefixes at all") << QByteArray("\n");
    }

    void toolRejectsMalformedInput()
    {
        QFETCH(QByteArray, line);
        QTemporaryDir dir;
        QByteArray errors;
        QCOMPARE(runTool(dir, line + "\n", &errors), 1);
        QVERIFY(!errors.isEmpty());
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("arrlpre2.txt"))));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("ADIFCnt.txt"))));
    }
};

QTEST_GUILESS_MAIN(CountryDataTest)
#include "tst_country_data.moc"
