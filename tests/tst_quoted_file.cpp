// The reader and writer of the quoted text files.
#include "TempHome.h"
#include "settings/QuotedFile.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QtTest>

using namespace zelq;
using namespace zelq::test;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QList<QStringList> allRecords(QuotedReader reader)
{
    QList<QStringList> records;
    while (auto r = reader.nextRecord())
        records << *r;
    return records;
}

} // namespace

class QuotedFileTest : public QObject {
    Q_OBJECT
private slots:
    void writeStyleBytes()
    {
        QuotedWriter w;
        w.text(QStringLiteral("W1AW")).number(60000).number(0.5).number(-3.5).number(72.7).number(0);
        QCOMPARE(w.content(), QStringLiteral("\"W1AW\"\r\n60000\r\n0.5\r\n-3.5\r\n72.7\r\n0\r\n"));
    }

    void numbersIgnoreLocaleAndNeverUseExponents()
    {
        const QLocale saved;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QuotedWriter w;
        w.number(1234567.25).number(1e21).number(0.0001).number(-0.0);
        QLocale::setDefault(saved);
        QCOMPARE(w.content(), QStringLiteral("1234567.25\r\n1000000000000000000000\r\n0.0001\r\n0\r\n"));
    }

    void recordLine()
    {
        QuotedWriter w;
        w.record({QStringLiteral("W1AW"), 14025.5, 599, QString(), QStringLiteral("CW")});
        QCOMPARE(w.content(), QStringLiteral("\"W1AW\",14025.5,599,\"\",\"CW\"\r\n"));
    }

    void printStyle()
    {
        QuotedWriter w;
        w.printNumber(5).printNumber(-3.5).printNumber(0).printText(QStringLiteral("as is, really"))
            .rawLine(QStringLiteral("[raw]"));
        QCOMPARE(w.content(), QStringLiteral(" 5 \r\n-3.5 \r\n 0 \r\nas is, really\r\n[raw]\r\n"));
        const QStringList read = QuotedReader::fromText(w.content()).allFields();
        QCOMPARE(parseNumber(read.at(0)), 5.0);
        QCOMPARE(parseNumber(read.at(1)), -3.5);
    }

    void freeFormatFields()
    {
        QCOMPARE(splitQuotedLine(QStringLiteral("\"Smith, John\",  599 , \"\" ,bare words here,")),
                 (QStringList{QStringLiteral("Smith, John"), QStringLiteral("599"), QString(),
                              QStringLiteral("bare words here"), QString()}));
        // text after a closing quote is not part of the field
        QCOMPARE(splitQuotedLine(QStringLiteral("\"a\" junk,b")),
                 (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
        // an unclosed quote runs to the end of the line
        QCOMPARE(splitQuotedLine(QStringLiteral("1,\"open, end")),
                 (QStringList{QStringLiteral("1"), QStringLiteral("open, end")}));
        QCOMPARE(splitQuotedLine(QString()), QStringList{QString()});
    }

    void crlfAndLfFilesReadTheSame()
    {
        const QString lf = QStringLiteral(
            "\"W1AW\",\"CT\",14025.5,599,\"5\",\"Hiram, Percy\",1,\"CW\"\n\"K1ABC\"\n");
        QString crlf = lf;
        crlf.replace(QLatin1String("\n"), QLatin1String("\r\n"));
        for (const QString& text : {lf, crlf}) {
            const auto records = allRecords(QuotedReader::fromText(text));
            QCOMPARE(records.size(), 2);
            QCOMPARE(records.at(0).size(), 8);
            QCOMPARE(records.at(0).at(5), QStringLiteral("Hiram, Percy"));
            QCOMPARE(records.at(0).at(7), QStringLiteral("CW"));
            QCOMPARE(records.at(1), QStringList{QStringLiteral("K1ABC")});
        }
    }

    void emptyLineInTheMiddleIsOneEmptyValue()
    {
        const QString text = QStringLiteral("\"A\",1\r\n\r\n\"B\"\r\n\r\n\r\n");
        QCOMPARE(QuotedReader::fromText(text).allFields(),
                 (QStringList{QStringLiteral("A"), QStringLiteral("1"), QString(), QStringLiteral("B")}));
        QCOMPARE(allRecords(QuotedReader::fromText(text)),
                 (QList<QStringList>{{QStringLiteral("A"), QStringLiteral("1")}, {QString()},
                                     {QStringLiteral("B")}}));
        QVERIFY(QuotedReader::fromText(QString()).allFields().isEmpty());
    }

    void nextFieldCrossesLinesAndNextRecordDropsTheRest()
    {
        auto r = QuotedReader::fromText(QStringLiteral("1,2,3\r\n4\r\n5,6\r\n"));
        QCOMPARE(r.nextField(), QStringLiteral("1"));
        QCOMPARE(r.nextRecord(), QStringList{QStringLiteral("4")}); // 2 and 3 are skipped
        QCOMPARE(r.nextField(), QStringLiteral("5"));
        QCOMPARE(r.nextField(), QStringLiteral("6"));
        QCOMPARE(r.nextField(), std::nullopt);
    }

    void numberParsing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("value");
        QTest::newRow("word") << "abc" << false << 0.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("blanks") << "   " << false << 0.0;
        QTest::newRow("trailing letter") << "5x" << false << 0.0;
        QTest::newRow("decimal comma") << "3,5" << false << 0.0;
        QTest::newRow("thousands comma") << "1,000" << false << 0.0;
        QTest::newRow("infinite") << "inf" << false << 0.0;
        QTest::newRow("negative") << "-5" << true << -5.0;
        QTest::newRow("print style") << " 72.7 " << true << 72.7;
        QTest::newRow("exponent") << "1e3" << true << 1000.0;
    }

    void numberParsing()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(double, value);
        const auto parsed = parseNumber(text);
        QCOMPARE(parsed.has_value(), ok);
        if (ok)
            QCOMPARE(*parsed, value);
    }

    void textWithQuotesOrLineBreaksDoesNotShiftLaterValues()
    {
        QuotedWriter w;
        w.text(QStringLiteral("Bob \"Ace\", Smith")).text(QStringLiteral("two\r\nlines")).number(5);
        w.record({QStringLiteral("a\"b,c"), 7});
        QCOMPARE(QuotedReader::fromText(w.content()).allFields(),
                 (QStringList{QStringLiteral("Bob 'Ace', Smith"), QStringLiteral("two lines"),
                              QStringLiteral("5"), QStringLiteral("a'b,c"), QStringLiteral("7")}));
    }

    void fileRoundTripAndDecoding()
    {
        TempHome home;
        const QString path = home.path() + QStringLiteral("/values.cfg");
        QuotedWriter w;
        w.text(QStringLiteral("Jürgen")).number(-3.5).record({QStringLiteral("x,y"), 2});
        QVERIFY(w.save(path));
        QCOMPARE(readAll(path), w.content().toUtf8());

        QuotedReader r(path);
        QVERIFY(r.isOpen());
        QCOMPARE(r.allFields(), (QStringList{QStringLiteral("Jürgen"), QStringLiteral("-3.5"),
                                             QStringLiteral("x,y"), QStringLiteral("2")}));

        // files from elsewhere: Latin-1, or UTF-8 with a byte order mark
        QCOMPARE(QuotedReader(home.writeFile(QStringLiteral("l1.cfg"), "\"caf\xe9\"\r\n")).allFields(),
                 QStringList{QStringLiteral("café")});
        QCOMPARE(QuotedReader(home.writeFile(QStringLiteral("bom.cfg"), "\xef\xbb\xbf\"a\"\n")).allFields(),
                 QStringList{QStringLiteral("a")});

        QuotedReader missing(home.path() + QStringLiteral("/none.cfg"));
        QVERIFY(!missing.isOpen());
        QVERIFY(!missing.errorString().isEmpty());
        QVERIFY(missing.allFields().isEmpty());
    }

    void saveReplacesFileOrReportsFailure()
    {
        TempHome home;
        const QString path = home.writeFile(QStringLiteral("old.cfg"), QByteArray(1000, 'z'));
        QuotedWriter w;
        w.number(1);
        QVERIFY(w.save(path));
        QCOMPARE(readAll(path), QByteArray("1\r\n"));
        QCOMPARE(QDir(home.path()).entryList(QDir::Files), QStringList{QStringLiteral("old.cfg")});

        const QString folder = home.path() + QStringLiteral("/taken");
        QVERIFY(QDir().mkpath(folder));
        QString error;
        QVERIFY(!w.save(folder, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!w.save(home.path() + QStringLiteral("/no/such/folder/x.cfg"), &error));
        QVERIFY(QFileInfo(folder).isDir());
    }
};

QTEST_GUILESS_MAIN(QuotedFileTest)
#include "tst_quoted_file.moc"
