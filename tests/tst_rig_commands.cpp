// Tuning and mode commands without a window: every family's encoders, the
// band plan and its mode rule, and the command sequences on a fake port
// (poll held off, newest frequency wins, bounded waits, errors said once).
#include "FakeBeeper.h"
#include "FakeDialogs.h"
#include "FakeSerialLine.h"
#include "rig/BandPlan.h"
#include "rig/RigCatalogue.h"
#include "rig/RigCommander.h"
#include "rig/RigCommands.h"
#include "rig/RigLink.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace zelq;
using namespace zelq::test;
using namespace zelq::RigTypes;

namespace {

QByteArray hex(const char* pairs)
{
    return QByteArray::fromHex(pairs);
}

const QString PlanPath = QStringLiteral(ZELQ_TEST_DATA_DIR "/BandPlan.txt");

struct Rig {
    FakeSerialLine line;
    FakeDialogs dialogs;
    FakeBeeper beeper;
    RigLink link{line, dialogs, beeper};

    explicit Rig(const QString& type)
    {
        const RigTypeDefaults d = rigTypeDefaults(type);
        link.settings.rigType = type;
        link.settings.frequencyPoll = d.frequencyPoll;
        link.settings.modePoll = d.modePoll;
        link.settings.pollRate = QStringLiteral("F");
        link.commander().bandPlan = LoadBandPlan(PlanPath);
    }
    void test()
    {
        link.Test();
        line.written.clear();
    }
    // Runs the event loop until the sequences are over.
    bool settle(int ms = 4000)
    {
        QElapsedTimer t;
        t.start();
        while (link.commander().isBusy() && t.elapsed() < ms)
            QTest::qWait(5);
        return !link.commander().isBusy();
    }
};

} // namespace

class RigCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void counts();
    void frequencyCommands_data();
    void frequencyCommands();
    void modeCommands_data();
    void modeCommands();
    void hamlibCommands();
    void bandPlanFile();
    void bandPlanMode_data();
    void bandPlanMode();
    void nothingBeforeTest();
    void modeThenFrequencyWithThePollHeld();
    void noModeOn160AndKenwood2FollowsTheVfo();
    void newestFrequencyReplacesOneWaiting();
    void stuckOutputStillEndsInTime();
    void closedPortStopsPollingWithOneBox();
    void modeButtonsWithoutPolling();
    void commandWaitsForTheOutputToDrain();
    void pegasusFile();
};

void RigCommandsTest::counts()
{
    QCOMPARE(hertzCount(14.025f), 14025000);
    QCOMPARE(tenHertzCount(14.025f), 1402500);
    QCOMPARE(hertzCount(1296.125f), 1296125000);
    // Exact halves round to even.
    QCOMPARE(hertzCount(0.0078125f), 7812);   // 7812.5
    QCOMPARE(hertzCount(0.0234375f), 23438);  // 23437.5
    QCOMPARE(tenHertzCount(0.015625f), 1562); // 1562.5
    QCOMPARE(tenHertzCount(0.046875f), 4688); // 4687.5
    QCOMPARE(paddedDecimal(7000000, 11), QStringLiteral("00007000000"));
    QCOMPARE(paddedDecimal(123456789012, 11), QStringLiteral("123456789012")); // never cut
    QCOMPARE(PackedHexToBytes(QStringLiteral("FEFE64")), hex("FEFE64"));
    QVERIFY(PackedHexToBytes(QStringLiteral("FEZZ")).isEmpty());
}

void RigCommandsTest::frequencyCommands_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("poll");
    QTest::addColumn<int>("vfo");
    QTest::addColumn<float>("mhz");
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray none;
    QTest::newRow("Kenwood 14.025") << Kenwood << "FA;" << 10 << 14.025f << QByteArray("FA00014025000;");
    QTest::newRow("Kenwood 7.0") << Kenwood << "FA;" << 10 << 7.0f << QByteArray("FA00007000000;");
    QTest::newRow("Kenwood tag from the poll") << Kenwood << "FB;" << 10 << 7.0f << QByteArray("FB00007000000;");
    QTest::newRow("Kenwood 2, VFO B") << Kenwood2 << "IF;" << 1 << 7.0f << QByteArray("FB00007000000;");
    QTest::newRow("Kenwood 2, VFO A") << Kenwood2 << "IF;" << 0 << 7.0f << QByteArray("FA00007000000;");
    QTest::newRow("Kenwood 2, VFO unknown") << Kenwood2 << "IF;" << 10 << 7.0f << QByteArray("FA00007000000;");
    QTest::newRow("Elecraft") << Elecraft << "XX;" << 10 << 21.0f << QByteArray("FA00021000000;");
    QTest::newRow("Icom 14.025") << Icom << "FE FE 64 E0 03 FD" << 10 << 14.025f << hex("FEFE64E0050050021400FD");
    QTest::newRow("Icom 1296.125") << Icom << "FE FE 64 E0 03 FD" << 10 << 1296.125f << hex("FEFE64E0050050129612FD");
    QTest::newRow("Icom own address") << Icom << "FE FE 5C E0 03 FD" << 10 << 7.0f << hex("FEFE5CE0050000000700FD");
    QTest::newRow("Icom 735") << Icom735 << "FE FE 04 E0 03 FD" << 10 << 3.5f << hex("FEFE04E0050000500300FD");
    QTest::newRow("Omni VI") << OmniVI << "FE FE 04 E0 03 FD" << 10 << 14.025f << hex("FEFE04E0050050021400FD");
    QTest::newRow("Icom without an address") << Icom << "" << 10 << 14.025f << none;
    QTest::newRow("Ten Tec front panel") << FrontPanel << "3F 41 0D" << 10 << 14.025f << hex("2A4100D601280D");
    QTest::newRow("Orion") << Orion << "?AF" << 10 << 14.025f << QByteArray("*AF14.025\r");
    QTest::newRow("Orion whole MHz") << Orion << "?AF" << 10 << 7.0f << QByteArray("*AF7\r");
    QTest::newRow("Yaesu 14.025") << Yaesu << "00 00 00 00 03" << 10 << 14.025f << hex("0140250001");
    QTest::newRow("Yaesu 144.2") << Yaesu << "00 00 00 00 03" << 10 << 144.2f << hex("1442000001");
    QTest::newRow("Yaesu 890") << Yaesu890 << "00 00 00 02 10" << 10 << 14.025f << hex("002540010A");
    QTest::newRow("Yaesu 757") << Yaesu757 << "00 00 00 00 10" << 10 << 7.0f << hex("000070000A");
    QTest::newRow("Yaesu 1000") << Yaesu1000 << "00 00 00 02 10" << 10 << 28.5f << hex("000085020A");
    QTest::newRow("FTdx9000") << FTdx9000 << "FA;" << 10 << 14.025f << QByteArray("FA14025000;");
    QTest::newRow("None") << None << "" << 10 << 14.025f << none;
    QTest::newRow("Other") << Other << "FA;" << 10 << 14.025f << none;
    QTest::newRow("Pegasus (a file)") << Pegasus << "" << 10 << 14.025f << none;
}

void RigCommandsTest::frequencyCommands()
{
    QFETCH(QString, type);
    QFETCH(QString, poll);
    QFETCH(int, vfo);
    QFETCH(float, mhz);
    QFETCH(QByteArray, bytes);
    QCOMPARE(frequencyCommand({type, poll, QStringLiteral("MD0;"), vfo}, mhz).toHex(' '), bytes.toHex(' '));
}

void RigCommandsTest::modeCommands_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray none;
    QTest::newRow("Kenwood FSK") << Kenwood << "FSK" << QByteArray("MD6;");
    QTest::newRow("Kenwood CW") << Kenwood << "CW" << QByteArray("MD3;");
    QTest::newRow("Kenwood 2 LSB") << Kenwood2 << "LSB" << QByteArray("MD1;");
    QTest::newRow("Elecraft AM") << Elecraft << "AM" << QByteArray("MD5;");
    QTest::newRow("Kenwood has no CW-R") << Kenwood << "CW-R" << none;
    QTest::newRow("Icom CW") << Icom << "CW" << hex("FEFE64E00603FD");
    QTest::newRow("Icom RTTY-R") << Icom << "RTTY-R" << hex("FEFE64E00608FD");
    QTest::newRow("Omni VI USB") << OmniVI << "USB" << hex("FEFE04E00601FD");
    QTest::newRow("Icom 735 sends no mode") << Icom735 << "CW" << none;
    QTest::newRow("Yaesu DIG") << Yaesu << "DIG" << hex("0A00000007");
    QTest::newRow("Yaesu PKT") << Yaesu << "PKT" << hex("0C00000007");
    QTest::newRow("Yaesu 890 DIG sends nothing") << Yaesu890 << "DIG" << none;
    QTest::newRow("Yaesu 890 CW-R") << Yaesu890 << "CW-R" << hex("000000030C");
    QTest::newRow("Yaesu 1000 PKT") << Yaesu1000 << "PKT" << hex("0000000A0C");
    QTest::newRow("FTdx9000 CW") << FTdx9000 << "CW" << QByteArray("MD03;");
    QTest::newRow("FTdx9000 has no FSK") << FTdx9000 << "FSK" << none;
    QTest::newRow("Orion") << Orion << "CW" << none;
    QTest::newRow("front panel") << FrontPanel << "CW" << none;
    QTest::newRow("Other") << Other << "CW" << none;
}

void RigCommandsTest::modeCommands()
{
    QFETCH(QString, type);
    QFETCH(QString, mode);
    QFETCH(QByteArray, bytes);
    const RigTypeDefaults d = rigTypeDefaults(type);
    QCOMPARE(modeCommand({type, d.frequencyPoll, d.modePoll, 10}, mode).toHex(' '), bytes.toHex(' '));
}

void RigCommandsTest::hamlibCommands()
{
    QCOMPARE(hamlibFrequencyCommand(14.025f), QByteArray("F 14025000"));
    QCOMPARE(hamlibModeCommand(QStringLiteral("CW")), QByteArray("M CW -1"));
    QCOMPARE(hamlibModeCommand(QStringLiteral("CW-R")), QByteArray("M CWR -1"));
    QCOMPARE(hamlibModeCommand(QStringLiteral("RTTY-R")), QByteArray("M RTTYR -1"));
    QCOMPARE(hamlibModeCommand(QStringLiteral("FSK")), QByteArray("M RTTY -1"));
    QCOMPARE(hamlibModeCommand(QStringLiteral("DIG")), QByteArray("M PKTUSB -1"));
    QCOMPARE(hamlibModeCommand(QStringLiteral("PKT")), QByteArray("M PKTUSB -1"));
    QVERIFY(hamlibModeCommand(QStringLiteral("PH")).isEmpty());
}

void RigCommandsTest::bandPlanFile()
{
    // The shipped plan: every band opens with its "O" record, and the
    // whole of it reads.
    const BandPlanFile shipped = readBandPlanFile(PlanPath);
    QVERIFY(shipped.ok);
    QVERIFY(!shipped.effective.isEmpty());
    QCOMPARE(shipped.records.first().licenceClass, QStringLiteral("O"));
    QString band;
    for (const BandPlanRecord& r : shipped.records) {
        if (r.band != band) {
            QCOMPARE(r.licenceClass, QStringLiteral("O"));
            band = r.band;
        }
        QVERIFY2(r.lower < r.upper, qPrintable(r.band));
    }
    // A bad number or a record cut short: not available; a blank last
    // line is no record.
    QVERIFY(!parseBandPlan(QStringLiteral("\"d\"\n\"40\",\"O\",\"ALL\",7,x\n")).ok);
    QVERIFY(!parseBandPlan(QStringLiteral("\"d\"\n\"40\",\"O\",\"ALL\",7\n")).ok);
    QVERIFY(parseBandPlan(QStringLiteral("\"d\"\n\"40\",\"O\",\"ALL\",7,7.3\n\n")).ok);
    QVERIFY(!readBandPlanFile(QStringLiteral("/nonexistent/BandPlan.txt")).ok);
    // The rig keeps class "E" rows only, at most 200 records read.
    QString many = QStringLiteral("\"d\"\n");
    for (int i = 0; i < 250; ++i)
        many += QStringLiteral("\"20\",\"%1\",\"CW\",14,14.1\n").arg(i < 100 ? "G" : "E");
    QCOMPARE(extraRows(many).size(), 100);
    QCOMPARE(parseBandPlan(many).records.size(), MaxBandPlanRecords);
    QVERIFY(LoadBandPlan(QStringLiteral("/nonexistent/BandPlan.txt")).isEmpty());
}

void RigCommandsTest::bandPlanMode_data()
{
    QTest::addColumn<float>("mhz");
    QTest::addColumn<QString>("mode");
    QTest::newRow("160 m: never") << 1.83f << "";
    QTest::newRow("80 m CW") << 3.55f << "CW";
    QTest::newRow("80 m phone") << 3.8f << "LSB";
    QTest::newRow("60 m channel: upper sideband") << 5.3575f << "USB";
    QTest::newRow("40 m CW") << 7.025f << "CW";
    QTest::newRow("40 m phone") << 7.2f << "LSB";
    QTest::newRow("40 m on the edge") << 7.125f << "";
    QTest::newRow("20 m CW") << 14.025f << "CW";
    QTest::newRow("20 m phone") << 14.175f << "USB";
    QTest::newRow("30 m") << 10.12f << "CW";
    QTest::newRow("10 m phone") << 28.5f << "USB";
    QTest::newRow("2 m") << 146.0f << "USB";
    QTest::newRow("between bands") << 12.0f << "";
}

void RigCommandsTest::bandPlanMode()
{
    QFETCH(float, mhz);
    QFETCH(QString, mode);
    QCOMPARE(BandPlanMode(LoadBandPlan(PlanPath), mhz), mode);
}

void RigCommandsTest::nothingBeforeTest()
{
    Rig r(Kenwood);
    r.link.ChangeFrequency(14.025f);
    QVERIFY(!r.link.commander().isBusy());
    QTest::qWait(50);
    QVERIFY(r.line.written.isEmpty());
    QVERIFY(r.dialogs.asked.isEmpty());
}

void RigCommandsTest::modeThenFrequencyWithThePollHeld()
{
    Rig r(Kenwood);
    r.test();
    QSignalSpy done(&r.link.commander(), &RigCommander::sequenceFinished);
    QElapsedTimer t;
    t.start();
    r.line.receive("FA00014025000;"); // stale: discarded by the command
    r.link.ChangeFrequency(7.2f);
    // The poll is held for the whole sequence: no FA;MD; in between.
    QVERIFY(r.link.isPolling());
    QVERIFY(done.wait(3000));
    QVERIFY(t.elapsed() >= ModePauseMs + 205);
    QCOMPARE(r.line.written, QByteArray("MD1;FA00007200000;"));
    QVERIFY(r.line.readAll().isEmpty());
    QVERIFY(r.link.isPolling());
    QTRY_VERIFY(r.line.written.endsWith("FA;MD;")); // and it polls again
    QVERIFY(r.dialogs.asked.isEmpty());
}

void RigCommandsTest::noModeOn160AndKenwood2FollowsTheVfo()
{
    Rig r(Kenwood2);
    r.test();
    r.line.receive("IF00014025000     +0000000000" "21" "00000 ;");
    QTRY_COMPARE(r.link.reading.kenwoodVfo, 1);
    r.line.written.clear();
    r.link.ChangeFrequency(1.83f);
    QVERIFY(r.settle());
    QCOMPARE(r.line.written.left(14), QByteArray("FB00001830000;"));
    r.line.written.clear();
    r.link.ChangeFrequency(7.0f); // the 40 m edge itself: no mode
    QVERIFY(r.settle());
    QCOMPARE(r.line.written.left(14), QByteArray("FB00007000000;"));
}

void RigCommandsTest::newestFrequencyReplacesOneWaiting()
{
    Rig r(Yaesu890);
    r.test();
    r.link.ChangeFrequency(14.025f);
    r.link.ChangeFrequency(7.01f); // waiting, then replaced
    r.link.ChangeFrequency(21.025f);
    QVERIFY(r.settle());
    QByteArray sent = r.line.written;
    sent.replace(hex("0000000210"), QByteArray()); // a poll between the two
    QCOMPARE(sent.toHex(' '),
             (hex("000000020C") + hex("002540010A") + hex("000000020C") + hex("002510020A")).toHex(' '));
}

void RigCommandsTest::stuckOutputStillEndsInTime()
{
    Rig r(Elecraft);
    r.test();
    r.line.waiting = 40; // the port never drains
    QElapsedTimer t;
    t.start();
    r.link.ChangeFrequency(14.2f);
    QVERIFY(r.settle(6000));
    // Two full drain waits alone would take 4 s.
    QVERIFY(t.elapsed() <= RigCommander::SequenceLimitMs + 500);
    QVERIFY(r.link.isPolling());
    r.line.waiting = 0;
}

void RigCommandsTest::closedPortStopsPollingWithOneBox()
{
    Rig r(Icom);
    r.test();
    r.line.fail(QStringLiteral("The device was unplugged."));
    r.link.ChangeFrequency(14.025f);
    QVERIFY(r.settle());
    QCOMPARE(r.dialogs.messageTitles(), QStringList{QStringLiteral("Error Changing Frequency")});
    QCOMPARE(r.dialogs.asked[0].text, QStringLiteral("The device was unplugged."));
    QVERIFY(!r.link.isPolling());
    QCOMPARE(r.link.linkProblem(), RigLink::PollingStoppedText);
    // A scan's next ticks are harmless: no more boxes.
    r.link.ChangeFrequency(14.026f);
    QVERIFY(r.settle());
    QCOMPARE(r.dialogs.asked.size(), 1);
}

void RigCommandsTest::modeButtonsWithoutPolling()
{
    Rig r(Kenwood);
    r.link.ChangeMode(0, QStringLiteral("CW")); // port never opened
    QVERIFY(r.settle());
    QCOMPARE(r.dialogs.messageTitles(), QStringList{QStringLiteral("Error Changing Mode")});
    QVERIFY(r.dialogs.asked[0].text.startsWith(QLatin1String("CW ")));
    r.dialogs.asked.clear();
    SerialOpenRequest open;
    QVERIFY(r.line.open(open)); // open, not polling: the mode still goes
    r.link.ChangeMode(0, QStringLiteral("FSK"));
    QVERIFY(r.settle());
    QCOMPARE(r.line.written, QByteArray("MD6;"));
    r.link.settings.rigType = None;
    r.link.ChangeMode(0, QStringLiteral("CW"));
    QVERIFY(!r.link.commander().isBusy());
    QVERIFY(r.dialogs.asked.isEmpty());
}

void RigCommandsTest::commandWaitsForTheOutputToDrain()
{
    Rig r(Kenwood);
    SerialOpenRequest open;
    QVERIFY(r.line.open(open));
    r.line.waiting = 12; // a poll still on its way out
    QTimer::singleShot(600, [&] { r.line.waiting = 0; });
    QElapsedTimer t;
    t.start();
    r.link.ChangeMode(0, QStringLiteral("CW"));
    QTest::qWait(250);
    QVERIFY(r.line.written.isEmpty());
    QVERIFY(r.settle());
    QCOMPARE(r.line.written, QByteArray("MD3;"));
    QVERIFY(t.elapsed() >= 600 + ModePauseMs);
}

void RigCommandsTest::pegasusFile()
{
    QTemporaryDir dir;
    Rig r(Pegasus);
    r.link.settings.pegasusFolder = dir.path();
    r.link.Test();
    r.link.reading.mode = QStringLiteral("CW");
    r.link.ChangeFrequency(14.025f);
    QVERIFY(r.settle());
    QFile f(dir.filePath(QStringLiteral("PEGASUS.IN")));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("14.025\r\nCW\r\n"));
    QVERIFY(r.line.opens.isEmpty());
    // No folder for the file: said in a box, polling stops.
    r.link.settings.pegasusFolder = dir.filePath(QStringLiteral("missing"));
    r.link.ChangeFrequency(7.0f);
    QVERIFY(r.settle());
    QCOMPARE(r.dialogs.messageTitles(), QStringList{QStringLiteral("Error Changing Frequency")});
}

QTEST_GUILESS_MAIN(RigCommandsTest)
#include "tst_rig_commands.moc"
