// The spot logic without windows: the settings file, the Telnet line
// assembler, spot lines, prefix labels and countries, the spot store with
// its ring and list, and the band-map scale, placement and ageing.
#include "FakeClock.h"
#include "TempHome.h"
#include "log/ContactCache.h"
#include "log/PrefixTable.h"
#include "spots/BandMapLayout.h"
#include "spots/SpotCalls.h"
#include "spots/SpotLine.h"
#include "spots/SpotSettings.h"
#include "spots/SpotStore.h"
#include "spots/TelnetLines.h"
#include "spots/WorkedCalls.h"

#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

using namespace zelq;
using namespace zelq::test;

namespace {

PrefixTable smallTable()
{
    std::vector<PrefixRow> rows;
    for (auto [p, c] : {std::pair{"3A", "Monaco"}, {"9A", "Croatia"}, {"DL", "Germany"}, {"G", "England"},
                        {"JA", "Japan"}, {"K", "USA"}, {"KG4", "Guantanamo Bay"}, {"KH6", "Hawaii"},
                        {"N", "USA"}, {"VE", "Canada"}, {"VE3", "Canada"}, {"W", "USA"}, {"ZS", "South Africa"}})
        rows.push_back({QString::fromLatin1(p), QString::fromLatin1(c), QStringLiteral("NA"), 0, 0});
    return PrefixTable(rows);
}

QString line(const QString& spotter, double khz, const QString& call, const QString& comment = QStringLiteral("cq"))
{
    QString l = (QStringLiteral("DX de ") + spotter + QLatin1Char(':')).leftJustified(15, QLatin1Char(' '));
    l += QString::number(khz, 'f', 1).rightJustified(9, QLatin1Char(' ')) + QStringLiteral("  ");
    l += call.leftJustified(13, QLatin1Char(' ')) + comment.leftJustified(31, QLatin1Char(' '), true);
    return l + QStringLiteral("1234Z");
}

struct Store {
    PrefixTable table = smallTable();
    FakeClock clock;
    SpotStore store{table, clock};
    QStringList alerts;
    Store()
    {
        store.ownCall = [] { return QStringLiteral("W1AW"); };
        store.spotted = [this](const QString& r) { alerts << r; };
    }
    void spot(double khz, const QString& call) { store.AddSpot(QString::number(khz, 'f', 1), call, line("K1TTT", khz, call)); }
};

} // namespace

class SpotsTest : public QObject {
    Q_OBJECT
private slots:
    void settingsFileRoundTripsAndReadsShortFiles();
    void assemblerSplitsLinesCutAnywhere();
    void assemblerRefusesNegotiationAndHidesIt();
    void loginPromptSplitOverTwoSegmentsIsReportedOnce();
    void spotLineColumnsAndFallback();
    void callPrefixLabels_data();
    void callPrefixLabels();
    void countryOfSpottedCalls_data();
    void countryOfSpottedCalls();
    void ringKeepsFiftyAndListTwoHundred();
    void sameCallTwiceLeavesOlderSlotRemoved();
    void nonNumericFrequencyOnlyAlerts();
    void listRowColumnsFromTheRecord();
    void scaleZoomsToTwoSpotsAndKeepsEdgesForOne();
    void bandEdgeSpotIsNeverDrawn();
    void hourOldSpotHidesEveryOlderSpot();
    void agesColourAndTicksRedraw();
    void spectrumMapPlacesOnFixedAxes();
    void workedCallsMarkedPerBandAndFollowTheLog();
};

void SpotsTest::settingsFileRoundTripsAndReadsShortFiles()
{
    TempHome home;
    const QString path = home.path() + QStringLiteral("/PackSpot.txt");
    SpotSettings s;
    s.source = SourceTelnet;
    s.telnetHost = QStringLiteral("dxc.example.net");
    s.telnetPort = QStringLiteral("7373");
    s.showList = false;
    s.dxOnly = 1;
    s.comPort = 4;
    s.loginCall = QStringLiteral("W1AW-2");
    s.agwHost = QStringLiteral("radio.local");
    s.agwPort = 8010;
    QVERIFY(saveSpotSettings(path, s));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    QCOMPARE(lines.size(), 18); // 17 lines, each ending in CR LF
    QCOMPARE(lines[0], QByteArray("\"9600\"\r"));
    QCOMPARE(lines[4], QByteArray("4\r"));
    QCOMPARE(lines[6], QByteArray("\"Telnet\"\r"));
    QCOMPARE(lines[9], QByteArray("1\r"));
    QCOMPARE(lines[10], QByteArray("#FALSE#\r"));
    QCOMPARE(lines[13], QByteArray("\"dxc.example.net\"\r"));
    QCOMPARE(lines[14], QByteArray("\"W1AW-2\"\r"));
    QCOMPARE(lines[15], QByteArray("\"radio.local\"\r"));
    QCOMPARE(lines[16], QByteArray("8010\r"));

    SpotSettings back;
    QCOMPARE(readSpotSettings(path, back), 17);
    QCOMPARE(back.agwHost, s.agwHost);
    QCOMPARE(back.agwPort, 8010);
    QCOMPARE(back.source, s.source);
    QCOMPARE(back.showList, false);
    QCOMPARE(back.telnetPort, s.telnetPort);
    QCOMPARE(back.loginCall, s.loginCall);
    QCOMPARE(back.loginFor(QStringLiteral("K1ABC")), QStringLiteral("W1AW-2"));

    // The Part's fourteen items only: the login call keeps its default,
    // which is the station's own call.
    const QString part = home.writeFile(QStringLiteral("short.txt"),
        "\"1200\"\r\n\"E\"\r\n\"7\"\r\n\"2\"\r\n3\r\n\"R\"\r\n\"TNC\"\r\n1\r\n2\r\n0\r\n#TRUE#\r\n\"1B\"\r\n\"23\"\r\n\"h\"\r\n");
    SpotSettings p;
    QCOMPARE(readSpotSettings(part, p), 14);
    QCOMPARE(p.baud, QStringLiteral("1200"));
    QCOMPARE(p.handshaking, 2);
    QVERIFY(p.showList);
    QCOMPARE(p.commandChar, QStringLiteral("1B"));
    QCOMPARE(p.loginFor(QStringLiteral(" K1ABC ")), QStringLiteral("K1ABC"));
    QCOMPARE(p.agwHost, QStringLiteral("127.0.0.1"));
    QCOMPARE(p.agwPort, 8000);
}

void SpotsTest::assemblerSplitsLinesCutAnywhere()
{
    // 10,000 lines with every kind of line end, fed in pieces cut at
    // random offsets: each line comes out exactly once, whole.
    QStringList sent;
    QByteArray stream;
    const char* ends[] = {"\r\n", "\n", "\r"};
    for (int i = 0; i < 10000; ++i) {
        const QString l = line(QStringLiteral("K%1AA").arg(i % 10), 14000.0 + i % 350, QStringLiteral("W%1X%2").arg(i % 10).arg(i));
        sent << l;
        stream += l.toLatin1() + ends[i % 3];
    }
    // an LF right after a CR that ended the previous piece is no empty line
    QRandomGenerator rnd(7);
    TelnetLineAssembler a;
    QStringList got;
    for (qsizetype at = 0; at < stream.size();) {
        const int n = int(rnd.bounded(1, 120));
        got += a.feed(stream.mid(at, n)).lines;
        at += n;
    }
    QCOMPARE(got.size(), sent.size());
    QCOMPARE(got, sent);
    QVERIFY(a.tail().isEmpty());
}

void SpotsTest::assemblerRefusesNegotiationAndHidesIt()
{
    TelnetLineAssembler a;
    // WILL ECHO, DO TTYPE, SB ... SE, NOP, IAC IAC (a data byte 255), NUL, BEL, Latin-1
    const QByteArray in("\xff\xfb\x01" "AB\xff\xfd\x18" "C\xff\xfa\x18\x01\xff\xf0" "D\xff\xf1" "E\xff\xff" "\x00\x07" "\xe9\r\n", 26);
    const TelnetLineAssembler::Output out = a.feed(in);
    QCOMPARE(out.lines, QStringList{QStringLiteral("ABCDE\u00ff\u00e9")});
    QCOMPARE(out.reply, QByteArray("\xff\xfe\x01\xff\xfc\x18", 6)); // DONT ECHO, WONT TTYPE
    // An IAC cut from its command still goes unseen.
    QCOMPARE(a.feed(QByteArray("X\xff", 2)).lines, QStringList());
    const auto rest = a.feed(QByteArray("\xfd\x03Y\n", 4));
    QCOMPARE(rest.lines, QStringList{QStringLiteral("XY")});
    QCOMPARE(rest.reply, QByteArray("\xff\xfc\x03", 3));
}

void SpotsTest::loginPromptSplitOverTwoSegmentsIsReportedOnce()
{
    TelnetLineAssembler a;
    QVERIFY(a.feed("Welcome to the cluster\r\nPlease enter your ").loginPrompt.isEmpty());
    QCOMPARE(a.feed("call: ").loginPrompt, QStringLiteral("Please enter your call: "));
    QVERIFY(a.feed("\r\nlogin: ").loginPrompt.isEmpty()); // once per connection
    a.reset();
    QCOMPARE(a.feed("LOGIN:").loginPrompt, QStringLiteral("LOGIN:"));
    a.reset();
    QVERIFY(a.feed("DX de K1TTT: 14025.0 W1AW  call me\r\n").loginPrompt.isEmpty());
    QVERIFY(TelnetLineAssembler::isLoginPrompt(QStringLiteral("Your callsign: ")));
    QVERIFY(!TelnetLineAssembler::isLoginPrompt(QStringLiteral("login: W1AW")));
}

void SpotsTest::spotLineColumnsAndFallback()
{
    const auto f = parseSpotLine(line(QStringLiteral("K1TTT"), 14025.0, QStringLiteral("JA1ABC")));
    QVERIFY(f);
    QCOMPARE(f->frequency, QStringLiteral("14025.0"));
    QCOMPARE(f->call, QStringLiteral("JA1ABC"));
    QVERIFY(parseSpotLine(QStringLiteral("dx de k1ttt:     14025.0  JA1ABC")));
    QVERIFY(!parseSpotLine(QStringLiteral("WWV de VE7CC <18>:   SFI=150")));
    // A long spotter call shifts the columns: the fields after the colon count.
    const auto shifted = parseSpotLine(QStringLiteral("DX de VE7CC-1-#:  7025.5 ZS6ABC  cq test   1234Z"));
    QVERIFY(shifted);
    QCOMPARE(shifted->frequency, QStringLiteral("7025.5"));
    QCOMPARE(shifted->call, QStringLiteral("ZS6ABC"));
    // Nothing readable: the columns as they stand (not numeric: no spot stored).
    const auto bad = parseSpotLine(QStringLiteral("DX de XX: rubbish"));
    QVERIFY(bad && !isNumericText(bad->frequency));
    QCOMPARE(spotRecord(QStringLiteral("DX de K1TTT:  1 W1AW  ")), QStringLiteral("de K1TTT:  1 W1AW"));
}

void SpotsTest::callPrefixLabels_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("label");
    QTest::newRow("too short") << "K1" << "";
    QTest::newRow("plain") << "W1ABC" << "W1";
    QTest::newRow("two letters") << "VE3XYZ" << "VE3";
    QTest::newRow("no digit") << "ABCD" << "ABCD";
    QTest::newRow("suffix letter") << "W1ABC/P" << "P";
    QTest::newRow("prefix in front") << "VE3/W1ABC" << "VE3";
    QTest::newRow("call area") << "W1ABC/4" << "W4";
    QTest::newRow("suffix country") << "W1ABC/KH6" << "KH6";
    QTest::newRow("digit in front") << "3A2MW" << "3A2";
}

void SpotsTest::callPrefixLabels()
{
    QFETCH(QString, call);
    QFETCH(QString, label);
    QCOMPARE(CallPrefix(call), label);
}

void SpotsTest::countryOfSpottedCalls_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("country");
    QTest::newRow("KG4 two letters") << "KG4AB" << "Guantanamo Bay";
    QTest::newRow("KG4 three letters") << "KG4ABC" << "USA";
    QTest::newRow("longest prefix") << "VE3XYZ" << "Canada";
    QTest::newRow("suffix shorter than half") << "W1ABC/KH6" << "Hawaii";
    QTest::newRow("prefix in front stays whole") << "VE3/W1ABC" << "Canada";
    QTest::newRow("suffix of one character") << "JA1ABC/P" << "Japan";
    QTest::newRow("lower case") << "dl1abc" << "Germany";
    QTest::newRow("lower case past the table") << "zz9zz" << "";
    QTest::newRow("first row") << "3a2mw" << "Monaco";
    QTest::newRow("before the first row") << "1A0KM" << "";
    QTest::newRow("nothing") << "" << "";
}

void SpotsTest::countryOfSpottedCalls()
{
    QFETCH(QString, call);
    QFETCH(QString, country);
    QCOMPARE(CountryyLookupForDXSpots(smallTable(), call), country);
    QCOMPARE(CountryyLookupForDXSpots(PrefixTable(), call), QString());
}

void SpotsTest::ringKeepsFiftyAndListTwoHundred()
{
    Store s;
    int rowsAdded = 0;
    s.store.rowAdded = [&](const SpotListRow&) { ++rowsAdded; };
    for (int i = 1; i <= 201; ++i)
        s.spot(14000.0 + i, QStringLiteral("K%1AB").arg(i));
    QCOMPARE(rowsAdded, 201);
    QCOMPARE(int(s.store.list().size()), 200);
    QCOMPARE(s.store.list().front().call, QStringLiteral("K201AB"));
    QCOMPARE(s.store.list().back().call, QStringLiteral("K2AB")); // the first went
    QCOMPARE(int(s.store.allSlots().size()), 50);
    QCOMPARE(s.store.slot(49).call, QStringLiteral("K201AB"));
    QCOMPARE(s.store.slot(0).call, QStringLiteral("K152AB"));
    QCOMPARE(s.store.slot(49).prefix, QStringLiteral("K201"));
    QCOMPARE(s.store.slot(49).frequency, 14.201f);
}

void SpotsTest::sameCallTwiceLeavesOlderSlotRemoved()
{
    Store s;
    s.spot(14010, QStringLiteral("JA1ABC"));
    s.spot(14020, QStringLiteral("DL1XX"));
    s.spot(14030, QStringLiteral("ja1abc"));
    QCOMPARE(s.store.slot(49).frequency, 14.03f);
    QCOMPARE(s.store.slot(47).call, QStringLiteral("JA1ABC"));
    QCOMPARE(s.store.slot(47).frequency, 0.0f); // keeps its place, not drawn
    QCOMPARE(s.store.slot(48).frequency, 14.02f);
    QCOMPARE(int(s.store.list().size()), 3); // the list keeps both rows
    const auto placed = placeBandMap(s.store, QStringLiteral("20"), 0, 0);
    QCOMPARE(int(placed.size()), 2);
}

void SpotsTest::nonNumericFrequencyOnlyAlerts()
{
    Store s;
    int changed = 0;
    s.store.slotsChanged = [&] { ++changed; };
    s.store.BandMapSpots(QStringLiteral("w1aw"), QStringLiteral("14O25"), QStringLiteral("de K1TTT: oops"));
    QCOMPARE(s.alerts, QStringList{QStringLiteral("de K1TTT: oops")});
    QCOMPARE(changed, 0);
    QVERIFY(s.store.list().empty());
    QCOMPARE(s.store.slot(49).frequency, 0.0f);
    // Own call with a good frequency: alerted and stored.
    s.spot(14025, QStringLiteral("W1AW"));
    QCOMPARE(s.alerts.size(), 2);
    QCOMPARE(int(s.store.list().size()), 1);
    s.spot(14026, QStringLiteral("W1AWX"));
    QCOMPARE(s.alerts.size(), 2);
}

void SpotsTest::listRowColumnsFromTheRecord()
{
    Store s;
    const QString l = line(QStringLiteral("K1TTT"), 7025.0, QStringLiteral("DL1ABC"), QStringLiteral("<b>loud</b> up 2")) + QStringLiteral(" FN42");
    s.store.AddSpot(QStringLiteral("7025.0"), QStringLiteral("DL1ABC"), l + QStringLiteral("\rjunk"));
    const SpotListRow& r = s.store.list().front();
    QCOMPARE(r.call, QStringLiteral("DL1ABC"));
    QCOMPARE(r.frequency, QStringLiteral("7.025"));
    QCOMPARE(r.qth, QStringLiteral("Germany"));
    QCOMPARE(r.comments, QStringLiteral("de K1TTT:  <b>loud</b> up 2"));
    QCOMPARE(r.time, QStringLiteral("1234"));
    QCOMPARE(r.from, QStringLiteral("FN4")); // four characters from the record's column 73
    QVERIFY(r.status.isEmpty());
}

void SpotsTest::scaleZoomsToTwoSpotsAndKeepsEdgesForOne()
{
    Store s;
    s.spot(14020, QStringLiteral("DL1AA"));
    AxisScale one = SetBandMapScale(*bandMapRange(QStringLiteral("20")), s.store);
    QCOMPARE(one.labels, (QStringList{"14.000", "14.088", "14.175", "14.263", "14.350"}));
    s.spot(14025, QStringLiteral("DL1BB"));
    AxisScale two = SetBandMapScale(*bandMapRange(QStringLiteral("20")), s.store);
    QCOMPARE(two.labels.first(), QStringLiteral("14.019"));
    QCOMPARE(two.labels.last(), QStringLiteral("14.026"));
    QCOMPARE(two.range.low, 14.019);
    // Placed along the zoomed scale.
    const auto placed = placeBandMap(s.store, QStringLiteral("20"), 0, 0);
    QCOMPARE(int(placed.size()), 2);
    QCOMPARE(placed[0].slot, 49);
    QVERIFY(qAbs(placed[0].position - 6.0 / 7.0) < 0.01);
    QVERIFY(qAbs(placed[1].position - 1.0 / 7.0) < 0.01);
    // Another band's map is empty, an unknown band has none.
    QVERIFY(placeBandMap(s.store, QStringLiteral("40"), 0, 0).empty());
    QVERIFY(!bandMapRange(QStringLiteral("30")));
}

void SpotsTest::bandEdgeSpotIsNeverDrawn()
{
    Store s;
    s.spot(14000, QStringLiteral("DL1AA"));
    s.spot(14350, QStringLiteral("DL1BB"));
    QVERIFY(placeBandMap(s.store, QStringLiteral("20"), 0, 0).empty());
    QVERIFY(placeSpectrumMap(s.store, 0, 0).empty());
    QCOMPARE(SetBandMapScale(*bandMapRange(QStringLiteral("20")), s.store).labels.first(), QStringLiteral("14.000"));
}

void SpotsTest::hourOldSpotHidesEveryOlderSpot()
{
    Store s;
    s.spot(14010, QStringLiteral("DL1AA")); // oldest, would still be in range
    s.clock.advanceMs(600 * 1000);
    s.spot(14020, QStringLiteral("DL1BB"));
    s.clock.advanceMs(3000 * 1000);
    s.spot(14030, QStringLiteral("DL1CC"));
    // DL1AA is 3600 s old, DL1BB 3000 s: only the two younger ones show.
    auto placed = placeBandMap(s.store, QStringLiteral("20"), s.clock.monotonicMs(), 0);
    QCOMPARE(int(placed.size()), 2);
    s.clock.advanceMs(600 * 1000); // DL1BB now an hour old: it hides DL1AA too
    placed = placeBandMap(s.store, QStringLiteral("20"), s.clock.monotonicMs(), 0);
    QCOMPARE(int(placed.size()), 1);
    QCOMPARE(placed[0].caption, QStringLiteral("DL1"));
}

void SpotsTest::agesColourAndTicksRedraw()
{
    QCOMPARE(*ageColour(0), (LabelColour{255, 255, 128}));
    QCOMPARE(*ageColour(599), (LabelColour{255, 255, 128}));
    QCOMPARE(*ageColour(600), (LabelColour{255, 255, 255}));
    QCOMPARE(*ageColour(1800), (LabelColour{192, 192, 192}));
    QVERIFY(!ageColour(3600));

    Store s;
    s.clock.setUtc(QDateTime(QDate(2026, 2, 14), QTime(14, 0, 5), Qt::UTC));
    s.spot(14025, QStringLiteral("JA1ABC"));
    s.clock.advanceMs(601 * 1000);
    // Local time shifted by the UTC offset (-5 h: UTC is local + 5 h).
    const auto placed = placeBandMap(s.store, QStringLiteral("20"), s.clock.monotonicMs(), 5);
    QCOMPARE(placed[0].toolTip, QStringLiteral("JA1ABC  14.025  19:00:05"));
    QCOMPARE(placed[0].colour, (LabelColour{255, 255, 255}));

    BandMapTicker t;
    int redraws = 0;
    for (int i = 0; i < 361 * 3; ++i)
        redraws += t.tick() ? 1 : 0;
    QCOMPARE(redraws, 3);
    for (int i = 0; i < 300; ++i)
        t.tick();
    t.reset();
    for (int i = 0; i < 360; ++i)
        QVERIFY(!t.tick());
    QVERIFY(t.tick());
}

void SpotsTest::spectrumMapPlacesOnFixedAxes()
{
    Store s;
    s.spot(10120, QStringLiteral("DL1AA"));  // 30 m: axis 3
    s.spot(145500, QStringLiteral("W1XYZ")); // 2 m: axis 10
    s.spot(28500, QStringLiteral("K1ABC"));  // 10 m: axis 8
    s.spot(5357, QStringLiteral("G4ABC"));   // 60 m: no axis
    std::vector<AxisScale> scales;
    const auto placed = placeSpectrumMap(s.store, 0, 0, &scales);
    QCOMPARE(int(scales.size()), 11);
    QCOMPARE(int(placed.size()), 3);
    QCOMPARE(placed[0].axis, 8);
    QCOMPARE(placed[1].axis, 10);
    QCOMPARE(placed[2].axis, 3);
    QCOMPARE(scales[3].labels.first(), QStringLiteral("10.100"));
}

void SpotsTest::workedCallsMarkedPerBandAndFollowTheLog()
{
    Store s;
    WorkedCalls worked;
    s.store.workedOnBand = [&](const QString& c, float mhz) { return worked.workedOn(c, mhz); };
    ContactCache cache;
    Contact c;
    c.calls = QStringLiteral("JA1ABC");
    c.uband = QStringLiteral("20");
    cache.append(c);
    worked.rebuild(cache);
    s.spot(14025, QStringLiteral("ja1abc"));
    s.spot(7025, QStringLiteral("JA1ABC"));
    QVERIFY(!s.store.list()[0].worked); // 40 m: not yet
    QVERIFY(s.store.list()[1].worked);
    QVERIFY(!s.store.slotWorked(49));
    QVERIFY(!s.store.slotWorked(48)); // removed as the older copy
    int marks = 0;
    s.store.marksChanged = [&] { ++marks; };
    c.uband = QStringLiteral("40");
    cache.append(c);
    worked.rebuild(cache);
    s.store.refreshWorked();
    QCOMPARE(marks, 1);
    QVERIFY(s.store.list()[0].worked);
    QVERIFY(s.store.slotWorked(49));
    s.store.refreshWorked();
    QCOMPARE(marks, 1); // nothing changed, nothing redrawn
}

QTEST_GUILESS_MAIN(SpotsTest)
#include "tst_spots.moc"
